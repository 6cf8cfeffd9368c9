#include "engine/ui/text_markup.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/gbk.h"

namespace engine {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// A decimal number of at most 9 digits; nothing for an empty or non-numeric value.
std::optional<int32_t> Decimal(std::string_view value) {
  if (value.empty() || value.size() > 9) return std::nullopt;
  int32_t n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// RRGGBB as written; a COLORREF holds 0x00BBGGRR.
COLORREF FromRgb(uint32_t rgb) { return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16; }

// The renderer's strict form: exactly six hex digits.
std::optional<uint32_t> HexColour(std::string_view value) {
  if (value.size() != 6) return std::nullopt;
  uint32_t rgb = 0;
  for (char c : value) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    rgb = rgb << 4 | static_cast<uint32_t>(digit);
  }
  return FromRgb(rgb);
}

bool ApplyPair(std::string_view name, std::string_view value, FontRecord& record) {
  if (SameName(name, "size") || SameName(name, "s")) {
    auto n = Decimal(value);
    if (!n) return false;
    int32_t height = SameName(name, "s") ? *n * 96 / 1440 : *n;
    if (height <= 0) return false;
    record.height = std::min(height, kMaxMarkupHeight);
    return true;
  }
  if (SameName(name, "c")) {
    auto n = Decimal(value);
    if (!n || *n > 0xFFFFFF) return false;
    record.colour = static_cast<uint32_t>(*n);
    return true;
  }
  if (SameName(name, "color")) {
    auto colour = HexColour(value);
    if (!colour) return false;
    record.colour = *colour;
    return true;
  }
  if (SameName(name, "e")) {
    if (SameName(value, "b"))
      record.weight = 700;
    else if (SameName(value, "u"))
      record.underline = 1;
    else if (SameName(value, "i"))
      record.italic = 1;
    else
      return false;
    return true;
  }
  if (SameName(name, "face")) {
    if (value.empty() || value.size() > sizeof(record.face) - 1) return false;
    SetFaceName(record, value);
    return true;
  }
  if (SameName(name, "alpha")) {
    auto n = Decimal(value);
    if (!n || *n > 255) return false;
    record.alpha = static_cast<uint32_t>(*n);
    return true;
  }
  return false;
}

// "rgb=R,G,B": three decimal channels 0-255, the last two being the pieces after the pair.
bool ApplyRgb(std::string_view red, std::string_view& rest, FontRecord& record) {
  std::string_view pieces[2];
  for (std::string_view& piece : pieces) {
    if (rest.empty()) return false;
    const size_t comma = rest.find(',');
    piece = Trim(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
  }
  const auto r = Decimal(Trim(red));
  const auto g = Decimal(pieces[0]);
  const auto b = Decimal(pieces[1]);
  if (!r || !g || !b || *r > 255 || *g > 255 || *b > 255) return false;
  record.colour = static_cast<uint32_t>(*r) | static_cast<uint32_t>(*g) << 8 | static_cast<uint32_t>(*b) << 16;
  return true;
}

}  // namespace

bool ApplyMarkupTag(std::string_view content, FontRecord& record) {
  if (content.empty() || content.size() > static_cast<size_t>(kMaxTagLength)) return false;
  // The pairs are applied to a copy, so a tag that is not one leaves the record untouched.
  FontRecord changed = record;
  bool understood = false;
  while (!content.empty()) {
    const size_t comma = content.find(',');
    const std::string_view pair = content.substr(0, comma);
    content = comma == std::string_view::npos ? std::string_view{} : content.substr(comma + 1);
    const size_t split = pair.find_first_of("=:");
    if (split == std::string_view::npos) continue;
    const std::string_view name = Trim(pair.substr(0, split));
    if (SameName(name, "rgb")) {
      understood |= ApplyRgb(pair.substr(split + 1), content, changed);
      continue;
    }
    understood |= ApplyPair(name, Trim(pair.substr(split + 1)), changed);
  }
  if (understood) record = changed;
  return understood;
}

size_t MarkupCharBytes(std::string_view text, size_t i) { return platform::GbkCharBytes(text, i); }

size_t FindMarkupAttribute(std::string_view tag, std::string_view name) {
  if (name.empty() || name.size() > tag.size()) return std::string_view::npos;
  for (size_t i = 0; i + name.size() <= tag.size(); i += MarkupCharBytes(tag, i)) {
    if (tag.compare(i, name.size(), name) == 0) return i;
  }
  return std::string_view::npos;
}

std::string_view MarkupValueAt(std::string_view tag, size_t from) {
  if (from >= tag.size()) return {};
  const std::string_view rest = tag.substr(from);
  return rest.substr(0, rest.find(';'));
}

std::optional<std::string_view> FindMarkupValue(std::string_view tag, std::string_view name) {
  const size_t at = FindMarkupAttribute(tag, name);
  if (at == std::string_view::npos) return std::nullopt;
  return MarkupValueAt(tag, at + name.size());
}

int32_t ReadMarkupNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t n = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) n = std::min(n * 10 + (text[i] - '0'), kLimit);
  if (negative) n = -n;
  return static_cast<int32_t>(
      std::clamp<int64_t>(n, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

COLORREF ReadMarkupHexColour(std::string_view text) {
  uint32_t rgb = 0;
  for (size_t i = 0; i < 6; ++i) {
    const int digit = i < text.size() ? HexDigit(text[i]) : -1;
    rgb = rgb << 4 | static_cast<uint32_t>(digit < 0 ? 0 : digit);
  }
  return FromRgb(rgb);
}

int32_t TwipsToPixels(int32_t twips) { return static_cast<int32_t>(int64_t{twips} * 96 / 1440); }

std::optional<COLORREF> MarkupColourLetter(char letter) {
  switch (letter) {
    case 'w':
    case 'W':
      return 0xFFFFFF;
    case 'b':
    case 'B':
      return 0xFF0000;
    case 'k':
    case 'K':
      return 0;
    case 'r':
    case 'R':
      return 0xFF;
    case 'g':
    case 'G':
      return 0xFF00;
    case 'y':
    case 'Y':
      return 0xFFFF;
    default:
      return std::nullopt;
  }
}

namespace {

bool IsControlByte(char c) { return (c > '\0' && c < ' ') || c == '\x7F'; }

// Two double-byte characters at text[i]: an emoticon's code.
bool IsEmoticonCode(std::string_view text, size_t i) {
  return i < text.size() && MarkupCharBytes(text, i) == 2 && i + 2 < text.size() && MarkupCharBytes(text, i + 2) == 2;
}

// Copies text's characters as the escapers read it (see text_markup.h): double-byte characters
// whole, each kept single-byte character through add(out, text, i).
template <typename AddByte>
std::string CopyCharacters(std::string_view text, bool keep_controls, AddByte add) {
  text = text.substr(0, text.find('\0'));
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size();) {
    const size_t n = MarkupCharBytes(text, i);
    if (n == 2) {
      out.append(text.substr(i, 2));
    } else if (!platform::IsStrayGbkByte(text, i) && (keep_controls || !IsControlByte(text[i]))) {
      add(out, text, i);
    }
    i += n;
  }
  return out;
}

}  // namespace

std::string EscapeMarkupText(std::string_view text, uint32_t keep) {
  const bool emoticons = (keep & kKeepEmoticons) != 0;
  return CopyCharacters(text, (keep & kKeepControls) != 0, [emoticons](std::string& out, std::string_view all, size_t i) {
    const char c = all[i];
    if (c == '<' || c == '>' || (c == '#' && !(emoticons && IsEmoticonCode(all, i + 1)))) out.push_back('#');
    out.push_back(c);
  });
}

std::string InertCanvasText(std::string_view text) {
  return CopyCharacters(text, false, [](std::string& out, std::string_view all, size_t i) {
    if (all[i] == '<') {
      out += "＜";
    } else {
      out.push_back(all[i]);
    }
  });
}

std::string FolderLinkMarkup(std::string_view folder, std::string_view caption) {
  // Inside the tag a ',' splits the values, a ';' ends them and a '>' the tag; a '#' before a
  // letter, '=' (every attribute but one has it) or "notify" would be read as more than the link.
  const bool fits = !folder.empty() && folder.find_first_of(std::string_view(",;<>#=\0", 7)) == std::string_view::npos &&
                    FindMarkupAttribute(folder, "notify") == std::string_view::npos;
  if (!fits) return EscapeMarkupText(folder);
  std::string tag = "<url_text=";
  tag.append(folder);
  tag += ',';
  tag.append(caption);
  tag += '>';
  return tag;
}

}  // namespace engine
