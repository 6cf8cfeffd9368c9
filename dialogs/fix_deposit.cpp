#include "dialogs/fix_deposit.h"

#include <cstdio>

#include "engine/core/engine_log.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace dialogs {
namespace {

// The buffer a preset is read into.
constexpr unsigned kValueBuffer = 32;

std::string KeyOf(int index) {
  char key[16];
  std::snprintf(key, sizeof key, kFixDepositKeyFormat, index);
  return key;
}

}  // namespace

bool ParseAmount(std::string_view text, int32_t* amount) {
  if (text.empty() || text.size() > kMaxAmountDigits) return false;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > INT32_MAX) return false;
  if (amount != nullptr) *amount = static_cast<int32_t>(value);
  return true;
}

PresetAmounts LoadFixDeposit(const std::string& path) {
  std::string texts[kPresetCount];
  for (int i = 0; i < kPresetCount; ++i) {
    char value[kValueBuffer] = {};
    platform::GetPrivateProfileStringA(kFixDepositSection, KeyOf(i).c_str(), "", value, kValueBuffer, path.c_str());
    texts[i] = value;
  }
  if (texts[kPresetCount - 1].empty()) return kDefaultPresets;
  PresetAmounts amounts{};
  for (int i = 0; i < kPresetCount; ++i) {
    if (!ParseAmount(texts[i], &amounts[i])) {
      engine::WriteGameLog("quick silver: preset %s \"%s\" is no amount; the default presets stand", KeyOf(i).c_str(),
                           texts[i].c_str());
      return kDefaultPresets;
    }
  }
  return amounts;
}

bool SaveFixDeposit(const std::string& path, const PresetAmounts& amounts) {
  std::string pairs;
  for (int i = 0; i < kPresetCount; ++i) {
    if (amounts[i] < 1) {
      engine::WriteGameLog("quick silver: preset %d of %d refused", i, static_cast<int>(amounts[i]));
      return false;
    }
    pairs += KeyOf(i) + "=" + std::to_string(amounts[i]);
    pairs.push_back('\0');
  }
  pairs.push_back('\0');
  const size_t separator = platform::FindLastSeparator(path);
  if (separator != std::string::npos && separator > 0) platform::CreateDirectories(path.substr(0, separator));
  if (!platform::WritePrivateProfileSectionA(kFixDepositSection, pairs.c_str(), path.c_str())) {
    engine::WriteGameLog("quick silver: the presets could not be written to %s", path.c_str());
    return false;
  }
  return true;
}

}  // namespace dialogs
