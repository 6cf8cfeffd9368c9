// The six quick silver presets of the per-user file: section "FIXDEPOSIT", keys "Fix0" to
// "Fix5", each a decimal amount of silver in 两. The input bar reads them; the set-deposit dialog
// writes them, all six in one write of the file.
//
// A section without "Fix5" means no presets were ever set: the defaults 100, 200, 500, 1000,
// 10000 and 30000 stand. A damaged entry (not a whole number from 1 to 2147483647) makes all six
// the defaults too, with a log line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dialogs {

inline constexpr int kPresetCount = 6;
inline constexpr const char* kFixDepositSection = "FIXDEPOSIT";
inline constexpr const char* kFixDepositKeyFormat = "Fix%d";

using PresetAmounts = std::array<int32_t, kPresetCount>;
inline constexpr PresetAmounts kDefaultPresets = {100, 200, 500, 1000, 10000, 30000};

// Longest amount text taken: ten digits hold every 32-bit amount.
inline constexpr size_t kMaxAmountDigits = 10;

// An amount typed or stored as text: digits only (no sign, no blanks), 1 to INT32_MAX. False for
// anything else, an empty text, 0 and a value too large for 32 bits.
bool ParseAmount(std::string_view text, int32_t* amount);

// The presets of the per-user file at path.
PresetAmounts LoadFixDeposit(const std::string& path);
// Writes all six presets (each must be a valid amount) into the file, creating its folder when
// missing; the old file stays as it was when anything fails. False, with a log line, then.
bool SaveFixDeposit(const std::string& path, const PresetAmounts& amounts);

}  // namespace dialogs
