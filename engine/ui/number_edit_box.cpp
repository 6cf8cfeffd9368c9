#include "engine/ui/number_edit_box.h"

#include <string>

#include "engine/core/input_module.h"
#include "platform/gbk.h"

namespace engine {

std::string NumberEditBox::DigitsOf(std::string_view text) {
  std::string digits;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (platform::IsDBCSLeadByte(byte)) {
      ++i;  // the trail byte of a double-byte character is never a digit of its own
      continue;
    }
    if (byte >= '0' && byte <= '9') digits.push_back(static_cast<char>(byte));
  }
  return digits;
}

bool NumberEditBox::IsDigitKey(uint32_t key_code) {
  return (key_code >= kFirstDigitKey && key_code < kFirstDigitKey + 10) ||
         (key_code >= kFirstPadDigitKey && key_code < kFirstPadDigitKey + 10);
}

void NumberEditBox::AppendText(const char* text) {
  if (text == nullptr) return;
  const std::string digits = DigitsOf(text);
  if (digits.empty()) return;
  EditBox::AppendText(("<e=b>" + digits + "<>").c_str());
}

void NumberEditBox::OnChar(const InputSnapshot* key) {
  if (key == nullptr || !IsDigitKey(key->key_down)) return;
  if (key->character[0] < '0' || key->character[0] > '9' || key->character[1] != 0) return;
  EditBox::AppendEntry(key);
}

void NumberEditBox::TakeFocus() { FocusWithoutRaising(); }

}  // namespace engine
