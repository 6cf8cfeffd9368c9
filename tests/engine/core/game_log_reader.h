// Points the engine's logs at a fresh folder of the test's own and reads back the daily log.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"

namespace engine::testing {

class GameLogReader {
public:
    GameLogReader() : dir_(std::filesystem::current_path() / "exe") {
        if (const char* previous = std::getenv("ZP_EXE_DIR")) previous_ = previous;
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        setenv("ZP_EXE_DIR", (dir_.string() + "/").c_str(), 1);
        platform::ResetExecutableDirectory();
        clock_->SetLocalTime({2026, 12, 7, 8, 30, 0, 0});
    }
    ~GameLogReader() {
        setenv("ZP_EXE_DIR", previous_.c_str(), 1);
        platform::ResetExecutableDirectory();
    }

    // Everything written to the daily log so far.
    std::string Text() const {
        std::ifstream in(dir_ / "Game20261207.log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    platform::ScopedManualClock clock_;
    std::filesystem::path dir_;
    std::string previous_;
};

}  // namespace engine::testing
