#include "net/text_bounds.h"

#include <cstring>

#include "platform/gbk.h"

namespace net {

std::string CopyBounded(std::string_view source, size_t limit) {
  const size_t length = source.find('\0') == std::string_view::npos ? source.size() : source.find('\0');
  source = source.substr(0, length);
  if (source.size() <= limit) return std::string(source);
  if (limit < 2) return std::string(source.substr(0, platform::GbkPrefixLength(source, limit)));
  std::string out(source.substr(0, platform::GbkPrefixLength(source, limit - 2)));
  out += "..";
  return out;
}

void CopyBounded(const char* source, char* destination, size_t limit) {
  if (destination == nullptr) return;
  const std::string copy = CopyBounded(source ? std::string_view(source) : std::string_view(), limit);
  std::memcpy(destination, copy.data(), copy.size());
  destination[copy.size()] = '\0';
}

void WriteTextField(uint8_t* field, size_t field_size, std::string_view text) {
  if (field == nullptr || field_size == 0) return;
  std::memset(field, 0, field_size);
  const size_t n = platform::GbkPrefixLength(text, field_size - 1);
  std::memcpy(field, text.data(), n);
}

std::string ReadTextField(const uint8_t* field, size_t field_size) {
  if (field == nullptr) return {};
  const char* text = reinterpret_cast<const char*>(field);
  return std::string(text, strnlen(text, field_size));
}

}  // namespace net
