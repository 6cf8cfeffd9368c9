#include "engine/ui/text_markup.h"

#include <algorithm>
#include <cstdint>
#include <optional>

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

std::optional<uint32_t> HexColour(std::string_view value) {
  if (value.size() != 6) return std::nullopt;
  uint32_t rgb = 0;
  for (char c : value) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    rgb = rgb << 4 | static_cast<uint32_t>(digit);
  }
  // RRGGBB as written; the record holds 0x00BBGGRR.
  return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
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

}  // namespace engine
