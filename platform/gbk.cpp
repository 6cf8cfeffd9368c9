// GBK conversions over iconv. GB18030 is a superset of GBK and decodes every GBK byte pair.
#include "platform/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace platform {
namespace {

// Converts with iconv; an unconvertible or truncated sequence becomes one '?' (or U+003F) and
// the conversion goes on after it. unit: 1 for GBK input, 0 for UTF-8 input, 4 for UCS-4 output.
template <class Out>
Out Convert(const char* to, const char* from, std::string_view in, size_t unit) {
  Out out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  std::string buffer(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  std::string produced;
  while (src_left > 0) {
    char* dst = buffer.data();
    size_t dst_left = buffer.size();
    const size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    produced.append(buffer.data(), buffer.size() - dst_left);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one byte (a whole double-byte pair when it looks like one) and mark it.
      size_t skip = 1;
      if (unit == 1 && src_left >= 2 && IsDBCSLeadByte(static_cast<uint8_t>(*src))) skip = 2;
      // A bad UTF-8 character: drop its continuation bytes with it.
      while (unit == 0 && skip < src_left && (static_cast<uint8_t>(src[skip]) & 0xC0) == 0x80) ++skip;
      src += skip;
      src_left -= skip;
      if (unit == 4) {
        const char32_t q = U'?';
        produced.append(reinterpret_cast<const char*>(&q), 4);
      } else {
        produced.push_back('?');
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  if constexpr (std::is_same_v<Out, std::u32string>) {
    out.resize(produced.size() / 4);
    std::memcpy(out.data(), produced.data(), out.size() * 4);
  } else {
    out = std::move(produced);
  }
  return out;
}

}  // namespace

size_t GbkPrefixLength(std::string_view text, size_t max_bytes) {
  size_t i = 0;
  while (i < text.size() && text[i] != '\0') {
    // A lead byte whose trail is missing (or NUL) counts as one byte on its own.
    const bool pair = IsDBCSLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size() && text[i + 1] != '\0';
    const size_t step = pair ? 2 : 1;
    if (i + step > max_bytes) break;
    i += step;
  }
  return i;
}

size_t Utf8CharLength(std::string_view text, size_t i, char32_t* code) {
  const auto b = static_cast<uint8_t>(text[i]);
  size_t n = 0;
  char32_t c = 0;
  if (b < 0x80) {
    if (code) *code = b;
    return 1;
  }
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
    c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    c = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    c = b & 0x07;
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto t = static_cast<uint8_t>(text[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    c = (c << 6) | (t & 0x3F);
  }
  if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  if (code) *code = c;
  return n;
}

bool IsHiddenControl(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

std::string PrintableUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  auto escape = [&out](uint8_t b) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", b);
    out += hex;
  };
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<uint8_t>(text[i]);
    char32_t c = 0;
    const size_t n = Utf8CharLength(text, i, &c);
    if ((n > 1 && !IsHiddenControl(c)) || (n == 1 && b >= 0x20 && b != 0x7F)) {
      out.append(text.substr(i, n));
    } else if (n > 1) {
      for (size_t k = 0; k < n; ++k) escape(static_cast<uint8_t>(text[i + k]));
    } else if (b == '\n') {
      out += "\\n";
    } else if (b == '\r') {
      out += "\\r";
    } else if (b == '\t') {
      out += "\\t";
    } else {
      escape(b);
    }
    i += n > 0 ? n : 1;
  }
  return out;
}

std::string GbkToUtf8(std::string_view gbk) {
  // Plain ASCII needs no conversion (the common case for paths and keys).
  bool ascii = true;
  for (char c : gbk) ascii &= IsAsciiByte(static_cast<uint8_t>(c));
  if (ascii) return std::string(gbk);
  return Convert<std::string>("UTF-8", "GB18030", gbk, 1);
}

std::string Utf8ToGbk(std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii &= IsAsciiByte(static_cast<uint8_t>(c));
  if (ascii) return std::string(utf8);
  return Convert<std::string>("GBK//TRANSLIT", "UTF-8", utf8, 0);
}

std::string Utf8ToGb18030(std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii &= static_cast<uint8_t>(c) < 0x80;
  if (ascii) return std::string(utf8);
  return Convert<std::string>("GB18030", "UTF-8", utf8, 0);
}

std::u32string GbkToUcs4(std::string_view gbk) { return Convert<std::u32string>("UTF-32LE", "GB18030", gbk, 4); }

}  // namespace platform
