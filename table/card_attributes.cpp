#include "table/card_attributes.h"

namespace table {

namespace {
CardCallbacks g_callbacks = DefaultCardCallbacks();

// A negative id has no card; keep the arithmetic in range all the same.
int32_t InDeck(int32_t id) {
  int32_t r = id % 54;
  return r < 0 ? r + 54 : r;
}
}  // namespace

int32_t DefaultCardValue(int32_t id, int32_t) {
  int32_t r = InDeck(id);
  if (r == 52) return 14;
  if (r == 53) return 15;
  return r % 13 + 1;
}

int32_t DefaultCardSuit(int32_t id, int32_t) {
  int32_t r = InDeck(id);
  return r < 52 ? r / 13 : 5;
}

int32_t DefaultCardNumber(int32_t id, int32_t) { return InDeck(id) % 13 + 1; }

int32_t DefaultCardPoints(int32_t id, int32_t) {
  switch (GetCardValue(id, 0)) {
    case 4:
      return 5;
    case 9:
    case 12:
      return 10;
    default:
      return 0;
  }
}

int32_t DefaultCardOrder(int32_t id, int32_t level, int32_t context) {
  return GetValueOrder(GetCardValue(id, context), level, context);
}

int32_t DefaultValueOrder(int32_t value, int32_t level, int32_t) {
  if (value == 14) return 21;
  if (value == 15) return 22;
  if (value == level) return 20;
  return value;
}

CardCallbacks DefaultCardCallbacks() {
  return {DefaultCardValue, DefaultCardSuit, DefaultCardNumber, DefaultCardPoints, DefaultCardOrder, DefaultValueOrder};
}

CardCallbacks InstalledCardCallbacks() { return g_callbacks; }

void InstallCardCallbacks(const CardCallbacks& callbacks) {
  CardCallbacks d = DefaultCardCallbacks();
  g_callbacks.value = callbacks.value ? callbacks.value : d.value;
  g_callbacks.suit = callbacks.suit ? callbacks.suit : d.suit;
  g_callbacks.number = callbacks.number ? callbacks.number : d.number;
  g_callbacks.points = callbacks.points ? callbacks.points : d.points;
  g_callbacks.order = callbacks.order ? callbacks.order : d.order;
  g_callbacks.value_order = callbacks.value_order ? callbacks.value_order : d.value_order;
}

int32_t GetCardValue(int32_t id, int32_t context) { return g_callbacks.value(id, context); }
int32_t GetCardSuit(int32_t id, int32_t context) { return g_callbacks.suit(id, context); }
int32_t GetCardNumber(int32_t id, int32_t context) { return g_callbacks.number(id, context); }
int32_t GetCardPoints(int32_t id, int32_t context) { return g_callbacks.points(id, context); }
int32_t GetCardOrder(int32_t id, int32_t level, int32_t context) {
  return GetValueOrder(GetCardValue(id, context), level, context);
}
int32_t GetValueOrder(int32_t value, int32_t level, int32_t context) {
  return g_callbacks.value_order(value, level, context);
}

int CountCardsByValue(const int32_t* cards, int n, int32_t* counts, int size, int32_t) {
  int counted = 0;
  for (int i = 0; i < n && cards[i] >= 0; ++i) {
    int32_t v = GetCardValue(cards[i], 0);
    // A game whose values run past the array (its own card kinds reach 20) must not write
    // beyond it.
    if (v >= 0 && v < size) ++counts[v];
    ++counted;
  }
  return counted;
}

}  // namespace table
