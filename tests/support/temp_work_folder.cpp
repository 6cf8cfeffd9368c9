// Compiled into every test program: the program runs in a fresh temporary folder of its own,
// which is also its executable folder (ZP_EXE_DIR), and which is removed when it ends. So no
// test writes into the folder it was started from, and no run sees files of an earlier one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace {

class TempWorkFolder : public ::testing::Environment {
 public:
  void SetUp() override {
    namespace fs = std::filesystem;
    started_in_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "zipai-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << "cannot make a temporary folder";
    folder_ = pattern;
    fs::current_path(folder_);
    setenv("ZP_EXE_DIR", (folder_.string() + "/").c_str(), 1);
    platform::ResetExecutableDirectory();
  }

  void TearDown() override {
    std::error_code ec;
    std::filesystem::current_path(started_in_, ec);
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
  }

 private:
  std::filesystem::path started_in_;
  std::filesystem::path folder_;
};

[[maybe_unused]] ::testing::Environment* const kFolder = ::testing::AddGlobalTestEnvironment(new TempWorkFolder);

}  // namespace
