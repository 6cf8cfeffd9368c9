// What the ini fuzz target does with one input. Shared with the regression test that replays
// the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/scratch_file.h"
#include "platform/profile.h"

namespace fuzz {

// Splits a double-zero-terminated list into its names.
inline std::vector<std::string> ProfileNames(const char* list, unsigned length) {
  std::vector<std::string> names;
  for (unsigned at = 0; at < length;) {
    const std::string name(list + at);
    names.push_back(name);
    at += static_cast<unsigned>(name.size()) + 1;
  }
  return names;
}

// Reads every section and key of the file as text and as a number, through buffers both large
// and tiny, then writes, deletes a key and deletes a section, reading again after each.
inline void ReadWriteIni(const uint8_t* data, size_t size, const std::string& scratch_path) {
  if (!WriteScratch(scratch_path, data, size)) return;
  const char* file = scratch_path.c_str();
  std::vector<char> big(4096);
  char tiny[3];
  unsigned n = platform::GetPrivateProfileStringA(nullptr, nullptr, "", big.data(), big.size(), file);
  platform::GetPrivateProfileStringA(nullptr, nullptr, "", tiny, sizeof tiny, file);
  const std::vector<std::string> sections = ProfileNames(big.data(), n);
  for (const std::string& section : sections) {
    n = platform::GetPrivateProfileStringA(section.c_str(), nullptr, "", big.data(), big.size(), file);
    platform::GetPrivateProfileStringA(section.c_str(), nullptr, "", tiny, sizeof tiny, file);
    for (const std::string& key : ProfileNames(big.data(), n)) {
      std::vector<char> value(4096);
      platform::GetPrivateProfileStringA(section.c_str(), key.c_str(), "d ", value.data(), value.size(), file);
      platform::GetPrivateProfileStringA(section.c_str(), key.c_str(), "d", tiny, sizeof tiny, file);
      platform::GetPrivateProfileIntA(section.c_str(), key.c_str(), -1, file);
      platform::GetProfileString(section.c_str(), key.c_str(), "", file);
    }
  }
  const std::string section = sections.empty() ? std::string("Fuzz") : sections.front();
  platform::WritePrivateProfileStringA(section.c_str(), "Key", "Value", file);
  platform::WriteProfileInt(section.c_str(), "Number", -12, file);
  platform::GetPrivateProfileIntA(section.c_str(), "Number", 0, file);
  platform::WritePrivateProfileStringA(section.c_str(), "Key", nullptr, file);
  platform::WritePrivateProfileStringA("Other", "Key", "Value", file);
  platform::WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file);
  platform::GetPrivateProfileStringA(nullptr, nullptr, "", big.data(), big.size(), file);
}

}  // namespace fuzz
