// Replays the inputs of a fuzz target: the seeds it starts from (fuzz/corpus/TARGET) and every
// input that once made it fail (tests/data/fuzz/TARGET), each through the target's own code.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace test_support {

inline std::vector<std::string> FuzzFilesIn(const std::string& folder) {
  std::vector<std::string> files;
  platform::FileFind find;
  for (bool more = find.FindFile(folder + "/*"); more;) {
    more = find.FindNextFile();
    if (!find.IsDirectory() && !find.IsDots()) files.push_back(find.GetFilePath());
  }
  return files;
}

// data_dir: the tests' data folder (ZP_TEST_DATA_DIR). The number of inputs replayed.
template <typename Body>
int ReplayFuzzInputs(const std::string& data_dir, const std::string& target, Body body) {
  std::vector<std::string> inputs = FuzzFilesIn(data_dir + "/fuzz/" + target);
  for (const std::string& f : FuzzFilesIn(data_dir + "/../../fuzz/corpus/" + target)) inputs.push_back(f);
  int count = 0;
  for (const std::string& path : inputs) {
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

}  // namespace test_support
