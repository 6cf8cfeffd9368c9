#include "shell/player_record.h"

#include "net/text_bounds.h"

namespace shell {

std::string ReadRecordText(const uint8_t* record, size_t record_size, size_t offset, size_t size) {
  if (record == nullptr || offset >= record_size) return {};
  if (size > record_size - offset) size = record_size - offset;
  return net::ReadTextField(record + offset, size);
}

void WriteRecordText(uint8_t* record, size_t record_size, size_t offset, size_t size, const std::string& text) {
  if (record == nullptr || offset >= record_size) return;
  if (size > record_size - offset) size = record_size - offset;
  net::WriteTextField(record + offset, size, text);
}

}  // namespace shell
