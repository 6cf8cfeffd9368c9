// Points the engine's logs at a fresh folder of the test's own and reads back the daily log.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

  // The lines written to the daily log so far, each without its date, time and line end.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    const std::string text = Text();
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      // "2026/12/07     08:30:00      message": the message starts after the six-blank gap.
      const size_t gap = line.find("      ");
      lines.push_back(gap == std::string::npos ? line : line.substr(gap + 6));
      start = end + 2;
    }
    return lines;
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
