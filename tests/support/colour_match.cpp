#include "tests/support/colour_match.h"

namespace test {

::testing::AssertionResult ColoursWithin(uint32_t got, uint32_t want, int steps) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = static_cast<int>(got >> shift & 0xFF);
    const int b = static_cast<int>(want >> shift & 0xFF);
    if (a - b > steps || b - a > steps) return ::testing::AssertionFailure() << std::hex << got << " is not " << want;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace test
