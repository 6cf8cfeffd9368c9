// Ini files with the Windows profile-function semantics: sections and keys are matched without
// regard to ASCII case, values are trimmed of blanks (and of one pair of enclosing quotes),
// missing values give the default, writing creates the file and the section as needed and
// rewrites the file whole (temporary file, then rename): a failed write leaves the old file.
//
// A file that exists but cannot be read, or holds more than kMaxProfileFileBytes, is reported
// once (platform/diagnostics.h) and read as empty: its values are the defaults, and a write to
// it fails, so that what it holds is never lost. A missing file is an empty one, which a write
// creates. A write that would make the file larger than kMaxProfileFileBytes fails, reported,
// and leaves the file as it was.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The largest ini file read: settings are a few kilobytes; more is no ini file of ours.
inline constexpr size_t kMaxProfileFileBytes = size_t{1} << 20;

// Copies the value (or the default) into out, truncated to size - 1 bytes and terminated;
// returns the number of bytes copied, not counting the terminator.
unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* out, unsigned size,
                                  const char* file);
// The same as a std::string.
std::string GetProfileString(const char* section, const char* key, const char* def, const char* file);
// The value read as a decimal integer (leading digits only, optional sign); def when missing.
unsigned GetPrivateProfileIntA(const char* section, const char* key, int def, const char* file);
// Writes key=value in the section; a null value deletes the key; a null key deletes the section.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char* file);
bool WriteProfileInt(const char* section, const char* key, int value, const char* file);
// Replaces everything in the section with pairs, "key=value" texts one after the other, each
// ended by '\0', the list by a second '\0'; creates the section when it is missing. The file is
// written once, so the section changes whole or not at all.
bool WritePrivateProfileSectionA(const char* section, const char* pairs, const char* file);

}  // namespace platform
