// ctest-labels: foundation
#include "engine/core/byte_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "tests/support/game_log_reader.h"

namespace engine {
namespace {

TEST(ByteBuffer, StartsWith32ZeroBytesAndDoublesWhenNoSpareByteWouldRemain) {
  ByteBuffer buffer;
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.Capacity(), 32u);
  EXPECT_EQ(buffer.Position(), buffer.Data());
  for (uint32_t i = 0; i < 32; ++i) EXPECT_EQ(buffer.Data()[i], 0);

  std::vector<uint8_t> bytes(32);
  std::iota(bytes.begin(), bytes.end(), uint8_t{1});
  EXPECT_EQ(buffer.Append(bytes.data(), 31), 31);
  EXPECT_EQ(buffer.Capacity(), 32u);  // 31 + 0 < 32: fits with one spare byte

  ByteBuffer full;
  EXPECT_EQ(full.Append(bytes.data(), 32), 32);  // 32 + 0 >= 32: grows first
  EXPECT_EQ(full.Capacity(), 64u);
  EXPECT_EQ(std::memcmp(full.Data(), bytes.data(), 32), 0);
  EXPECT_EQ(full.Position(), full.Data() + 32);
  EXPECT_EQ(full.Data()[32], 0);

  // Many appends grow by doubling and keep every byte.
  ByteBuffer big;
  for (int i = 0; i < 100; ++i) big.Append(bytes.data(), 32);
  EXPECT_EQ(big.Size(), 3200);
  EXPECT_EQ(big.Capacity(), 4096u);
  for (int i = 0; i < 3200; ++i) ASSERT_EQ(big.Data()[i], bytes[i % 32]);
  EXPECT_EQ(big.Tell(), 3200);
}

TEST(ByteBuffer, PositionStaysInsideTheUsedBytes) {
  ByteBuffer buffer;
  const char text[] = "0123456789";
  buffer.Append(text, 10);
  buffer.Seek(1000);
  EXPECT_EQ(buffer.Position(), buffer.Data() + 10);
  buffer.Seek(-5);
  EXPECT_EQ(buffer.Position(), buffer.Data());
  buffer.Seek(4);
  EXPECT_EQ(*buffer.Position(), '4');
  buffer.Skip(3);
  EXPECT_EQ(buffer.Tell(), 7);
  buffer.Skip(100);
  EXPECT_EQ(buffer.Tell(), 10);
  buffer.Skip(-100);
  EXPECT_EQ(buffer.Tell(), 0);

  EXPECT_EQ(buffer.At(0), buffer.Data());
  EXPECT_EQ(buffer.At(10), buffer.Data() + 10);  // the end itself is a valid place
  EXPECT_EQ(buffer.At(11), nullptr);
  EXPECT_EQ(buffer.At(-1), nullptr);
}

TEST(ByteBuffer, AppendAfterSeekOverwritesAndGrowsOnlyPastTheEnd) {
  ByteBuffer buffer;
  buffer.Append("abcdefgh", 8);
  buffer.Seek(2);
  EXPECT_EQ(buffer.Append("XY", 2), 8);  // overwritten in place
  EXPECT_EQ(std::memcmp(buffer.Data(), "abXYefgh", 8), 0);
  EXPECT_EQ(buffer.Tell(), 4);

  // Writing across the end extends it, and growth keeps the write where the position was.
  std::vector<uint8_t> tail(40, 'z');
  buffer.Seek(6);
  EXPECT_EQ(buffer.Append(tail.data(), 40), 46);
  EXPECT_EQ(buffer.Capacity(), 64u);
  EXPECT_EQ(std::memcmp(buffer.Data(), "abXYef", 6), 0);
  EXPECT_EQ(buffer.Data()[6], 'z');
  EXPECT_EQ(buffer.Data()[45], 'z');
  EXPECT_EQ(buffer.Data()[46], 0);
  EXPECT_EQ(buffer.Tell(), 46);

  // A skip past the end cannot make a later append write beyond the array.
  buffer.Skip(1000);
  std::vector<uint8_t> more(30, 'q');
  EXPECT_EQ(buffer.Append(more.data(), 30), 76);
  EXPECT_EQ(buffer.Data()[75], 'q');
}

TEST(ByteBuffer, ClearZeroesEverythingAndRefusesNoData) {
  testing::GameLogReader log;
  ByteBuffer buffer;
  std::vector<uint8_t> bytes(50, 7);
  buffer.Append(bytes.data(), 50);
  EXPECT_EQ(buffer.Clear(), 0);
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.Tell(), 0);
  EXPECT_EQ(buffer.Capacity(), 64u);
  for (uint32_t i = 0; i < buffer.Capacity(); ++i) ASSERT_EQ(buffer.Data()[i], 0);

  EXPECT_EQ(buffer.Append(nullptr, 5), 0);
  EXPECT_EQ(buffer.Append(nullptr, 0), 0);
  EXPECT_EQ(buffer.Append(bytes.data(), 0x80000000u), 0);
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_NE(log.Text().find("ByteBuffer: refused to append"), std::string::npos);
}

}  // namespace
}  // namespace engine
