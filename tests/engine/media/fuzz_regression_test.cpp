// ctest-labels: resources
// Replays every input the format fuzzers were started from (fuzz/corpus) and every input that
// once made one of them fail (tests/data/fuzz), through the same code the fuzz targets run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fuzz/format_targets.h"
#include "platform/files.h"

namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  platform::FileFind find;
  for (bool more = find.FindFile(folder + "/*"); more;) {
    more = find.FindNextFile();
    if (!find.IsDirectory() && !find.IsDots()) files.push_back(find.GetFilePath());
  }
  return files;
}

std::vector<std::string> InputsOf(const std::string& target) {
  const std::string data = ZP_TEST_DATA_DIR;
  std::vector<std::string> files = FilesIn(data + "/fuzz/" + target);
  for (const std::string& f : FilesIn(data + "/../../fuzz/corpus/" + target)) files.push_back(f);
  return files;
}

template <typename Body>
int Replay(const std::string& target, Body body) {
  int count = 0;
  for (const std::string& path : InputsOf(target)) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(platform::ReadFileBytes(path, &bytes)) << path;
    SCOPED_TRACE(path);
    // A copy of exactly the input's size, so the sanitizer sees any read past it.
    std::vector<uint8_t> exact(bytes);
    body(exact.empty() ? nullptr : exact.data(), exact.size());
    ++count;
  }
  return count;
}

TEST(FuzzRegressionTest, Pictures) {
  EXPECT_GT(Replay("pps", [](const uint8_t* d, size_t n) { fuzz::DecodePps(d, n); }), 0);
}

TEST(FuzzRegressionTest, PackagesInMemory) {
  EXPECT_GT(Replay("qzr_memory", [](const uint8_t* d, size_t n) { fuzz::ReadQzrMemory(d, n); }), 0);
}

TEST(FuzzRegressionTest, PackageFiles) {
  EXPECT_GT(Replay("qzr_file", [](const uint8_t* d, size_t n) { fuzz::ReadQzrFile(d, n, "replay.qzr"); }), 0);
}

TEST(FuzzRegressionTest, PalettePatterns) {
  EXPECT_GT(Replay("quad", [](const uint8_t* d, size_t n) { fuzz::LoadQuad(d, n, "replay.quad"); }), 0);
}

}  // namespace
