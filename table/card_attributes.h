// The six card-attribute callbacks. They are process-wide: every rules object installs its
// own when it is built, and from then on they answer for every rules object. The defaults
// describe 54-card decks (13 values in 4 suits, a small and a big joker).
#pragma once

#include <cstdint>

namespace table {

using CardValueFn = int32_t (*)(int32_t id, int32_t context);
using CardSuitFn = int32_t (*)(int32_t id, int32_t context);
using CardNumberFn = int32_t (*)(int32_t id, int32_t context);
using CardPointsFn = int32_t (*)(int32_t id, int32_t context);
using CardOrderFn = int32_t (*)(int32_t id, int32_t level, int32_t context);
using ValueOrderFn = int32_t (*)(int32_t value, int32_t level, int32_t context);

struct CardCallbacks {
  CardValueFn value = nullptr;
  CardSuitFn suit = nullptr;
  CardNumberFn number = nullptr;
  CardPointsFn points = nullptr;
  CardOrderFn order = nullptr;
  ValueOrderFn value_order = nullptr;
};

int32_t DefaultCardValue(int32_t id, int32_t context);
int32_t DefaultCardSuit(int32_t id, int32_t context);
int32_t DefaultCardNumber(int32_t id, int32_t context);
int32_t DefaultCardPoints(int32_t id, int32_t context);
int32_t DefaultCardOrder(int32_t id, int32_t level, int32_t context);
int32_t DefaultValueOrder(int32_t value, int32_t level, int32_t context);

// The six defaults together.
CardCallbacks DefaultCardCallbacks();

// The installed callbacks; a null slot falls back to its default.
CardCallbacks InstalledCardCallbacks();
void InstallCardCallbacks(const CardCallbacks& callbacks);

// The accessors every rules object and view uses.
int32_t GetCardValue(int32_t id, int32_t context);
int32_t GetCardSuit(int32_t id, int32_t context);
int32_t GetCardNumber(int32_t id, int32_t context);
int32_t GetCardPoints(int32_t id, int32_t context);
// The value order of the card's value at that level (the card-order slot is kept but the
// order is always computed from the value and value-order callbacks).
int32_t GetCardOrder(int32_t id, int32_t level, int32_t context);
int32_t GetValueOrder(int32_t value, int32_t level, int32_t context);

// Keeps the callbacks installed when it is made and puts them back when it goes: a
// short-lived rules object (the hint search's) must not leave its defaults in force for the
// game's own rules.
class ScopedCardCallbacks {
 public:
  ScopedCardCallbacks() : saved_(InstalledCardCallbacks()) {}
  ~ScopedCardCallbacks() { InstallCardCallbacks(saved_); }
  ScopedCardCallbacks(const ScopedCardCallbacks&) = delete;
  ScopedCardCallbacks& operator=(const ScopedCardCallbacks&) = delete;

 private:
  CardCallbacks saved_;
};

// Adds 1 to counts[GetCardValue] for the leading ids until the first negative one or n, and
// returns how many it counted. Values outside [0, size) are counted but have no place.
int CountCardsByValue(const int32_t* cards, int n, int32_t* counts, int size, int32_t level);

}  // namespace table
