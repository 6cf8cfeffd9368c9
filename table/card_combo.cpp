#include "table/card_combo.h"

namespace table {

void CARD_COMBO::Clear() {
  type = 0;
  beat_mask = 0;
  value = 0;
  card_count = 0;
  for (int32_t& id : cards) id = -1;
}

bool WriteCardCombo(const CARD_COMBO& combo, uint8_t* out, size_t size) {
  if (out == nullptr || size < kCardComboBytes) return false;
  PutWord(out + 0, combo.type);
  PutWord(out + 4, combo.beat_mask);
  PutWord(out + 8, combo.value);
  PutWord(out + 12, static_cast<uint32_t>(combo.card_count));
  for (int i = 0; i < kComboMaxCards; ++i) PutWord(out + 16 + 4 * i, static_cast<uint32_t>(combo.cards[i]));
  return true;
}

bool ReadCardCombo(const uint8_t* in, size_t size, CARD_COMBO* combo) {
  if (in == nullptr || combo == nullptr || size < kCardComboBytes) return false;
  combo->type = GetWord(in + 0);
  combo->beat_mask = GetWord(in + 4);
  combo->value = GetWord(in + 8);
  combo->card_count = static_cast<int32_t>(GetWord(in + 12));
  for (int i = 0; i < kComboMaxCards; ++i) combo->cards[i] = static_cast<int32_t>(GetWord(in + 16 + 4 * i));
  return true;
}

}  // namespace table
