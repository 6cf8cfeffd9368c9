// ctest-labels: window
#include "platform/x11_present.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(VisualPixel, PutsEachChannelInItsMaskCutToItsTopBitsOrWidened) {
  // The usual 24-bit layout takes the word as it is, less alpha; the mirrored one swaps red and blue.
  EXPECT_EQ(VisualPixel(0xFF123456u, 0xFF0000, 0xFF00, 0xFF), 0x123456u);
  EXPECT_EQ(VisualPixel(0x80123456u, 0xFF, 0xFF00, 0xFF0000), 0x563412u);
  // 5-6-5 keeps each channel's top bits.
  EXPECT_EQ(VisualPixel(0xFFFFFFFFu, 0xF800, 0x07E0, 0x001F), 0xFFFFu);
  EXPECT_EQ(VisualPixel(0xFF80C0F8u, 0xF800, 0x07E0, 0x001F), (0x10u << 11) | (0x30u << 5) | 0x1Fu);
  // 10 bits a channel: widened from the top.
  EXPECT_EQ(VisualPixel(0xFFFF0080u, 0x3FF00000, 0xFFC00, 0x3FF), (0x3FCu << 20) | 0x200u);
}

}  // namespace
}  // namespace platform
