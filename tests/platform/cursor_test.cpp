// ctest-labels: window
#include "platform/cursor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/clipboard.h"
#include "platform/files.h"
#include "platform/win_messages.h"
#include "platform/window.h"

namespace {

using namespace platform;

class CursorState : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitWindowSystem(WindowBackendKind::kHeadless)); }
  void TearDown() override { ShutdownWindowSystem(); }
};

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// A 2x2 cursor, 24-bit colour, hot spot (1, 0): top row red, blue; bottom row green, and one
// pixel the AND mask makes transparent.
std::vector<uint8_t> TinyCursor() {
  std::vector<uint8_t> b;
  Put16(b, 0);
  Put16(b, 2);
  Put16(b, 1);
  const size_t entry = b.size();
  b.insert(b.end(), {2, 2, 0, 0});
  Put16(b, 1);  // hot x
  Put16(b, 0);  // hot y
  Put32(b, 0);  // size, patched below
  Put32(b, 22);
  const size_t image = b.size();
  Put32(b, 40);
  Put32(b, 2);
  Put32(b, 4);
  Put16(b, 1);
  Put16(b, 24);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  // Colour rows, bottom up, each padded to 4 bytes: bottom row green, black.
  b.insert(b.end(), {0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0, 0});
  // Top row red, blue (bytes are blue, green, red).
  b.insert(b.end(), {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0, 0});
  // AND mask rows, bottom up: bottom row's second pixel transparent.
  b.insert(b.end(), {0x40, 0, 0, 0});
  b.insert(b.end(), {0x00, 0, 0, 0});
  const uint32_t size = static_cast<uint32_t>(b.size() - image);
  for (int i = 0; i < 4; ++i) b[entry + 8 + i] = (size >> (8 * i)) & 0xFF;
  return b;
}

TEST_F(CursorState, SystemCursorsShareOneHandlePerId) {
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
  const HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
  ASSERT_NE(hand, nullptr);
  EXPECT_NE(hand, arrow);
  EXPECT_EQ(hand->system_id, IDC_HAND);
  EXPECT_EQ(LoadCursorA(nullptr, 12345), nullptr);
  // The program has no cursor resources.
  static const int instance = 0;
  EXPECT_EQ(LoadCursorA(&instance, 101), nullptr);

  EXPECT_EQ(SetCursor(arrow), nullptr);
  EXPECT_EQ(SetCursor(hand), arrow);
  EXPECT_EQ(GetCursor(), hand);
}

TEST_F(CursorState, DisplayCountCountsBothWays) {
  EXPECT_EQ(ShowCursor(false), -1);
  EXPECT_EQ(ShowCursor(false), -2);
  EXPECT_EQ(ShowCursor(true), -1);
  EXPECT_EQ(ShowCursor(true), 0);
  EXPECT_EQ(ShowCursor(true), 1);
  // The usual "hide until below zero" loop ends.
  int count = 1;
  while (count >= 0) count = ShowCursor(false);
  EXPECT_EQ(count, -1);
  // A restarted window system starts again at zero.
  ShutdownWindowSystem();
  ASSERT_TRUE(InitWindowSystem(WindowBackendKind::kHeadless));
  EXPECT_EQ(ShowCursor(true), 1);
}

TEST_F(CursorState, ClippingKeepsThePointerInside) {
  RECT free;
  ASSERT_TRUE(GetClipCursor(&free));
  EXPECT_LT(free.left, -100000);
  SetCursorPos(500, 500);
  const RECT box{10, 20, 110, 220};
  ClipCursor(&box);
  RECT got;
  GetClipCursor(&got);
  EXPECT_EQ(got, box);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p, (POINT{109, 219}));
  SetCursorPos(0, 50);
  GetCursorPos(&p);
  EXPECT_EQ(p, (POINT{10, 50}));
  ClipCursor(nullptr);
  SetCursorPos(-3, 900);
  GetCursorPos(&p);
  EXPECT_EQ(p, (POINT{-3, 900}));
}

TEST(CursorFile, ReadsColoursMaskAndHotSpot) {
  CursorShape shape;
  std::string error;
  ASSERT_TRUE(ParseCursorFile(TinyCursor(), &shape, &error)) << error;
  EXPECT_EQ(shape.width, 2);
  EXPECT_EQ(shape.height, 2);
  EXPECT_EQ(shape.hot_x, 1);
  EXPECT_EQ(shape.hot_y, 0);
  EXPECT_EQ(shape.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFF0000FFu, 0xFF00FF00u, 0x00000000u}));
}

TEST(CursorFile, RefusesDamagedFiles) {
  const std::vector<uint8_t> good = TinyCursor();
  CursorShape shape;
  std::string error;
  // Every cut of the file is refused, never read past.
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(ParseCursorFile(std::span(good.data(), n), &shape, &error)) << n;
  }
  std::vector<uint8_t> bad = good;
  bad[22 + 4] = 0;  // width 0
  EXPECT_FALSE(ParseCursorFile(bad, &shape, &error));
  bad = good;
  bad[22 + 14] = 16;  // 16-bit colour
  EXPECT_FALSE(ParseCursorFile(bad, &shape, &error));
  bad = good;
  bad[18] = 0xFF;  // image offset far outside
  EXPECT_FALSE(ParseCursorFile(bad, &shape, &error));
  const std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'C', 'O', 'N'};
  EXPECT_FALSE(ParseCursorFile(riff, &shape, &error));
  EXPECT_NE(error.find("animated"), std::string::npos);
}

TEST_F(CursorState, CursorFilesLoadOrGiveNull) {
  const std::vector<uint8_t> bytes = TinyCursor();
  ASSERT_TRUE(WriteFileAtomic("arrow.cur", bytes.data(), bytes.size()));
  const HCURSOR c = LoadCursorFromFileA("arrow.cur");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->width, 2);
  EXPECT_EQ(LoadCursorFromFileA("missing.cur"), nullptr);
  ASSERT_TRUE(WriteFileAtomic("broken.cur", bytes.data(), 10));
  EXPECT_EQ(LoadCursorFromFileA("broken.cur"), nullptr);
}

TEST_F(CursorState, ClipboardKeepsGbkText) {
  EXPECT_FALSE(HasClipboardText());
  ASSERT_TRUE(SetClipboardText("牌局 123"));
  EXPECT_EQ(GetClipboardText(), "牌局 123");
  ASSERT_TRUE(SetClipboardText(""));
  EXPECT_FALSE(HasClipboardText());
}

}  // namespace
