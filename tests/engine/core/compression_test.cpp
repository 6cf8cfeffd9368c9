// ctest-labels: foundation
#include "engine/core/compression.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/support/game_log_reader.h"

namespace engine {
namespace {

std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& input) {
  uint32_t packedSize = 0;
  auto packed = CompressBuffer(packedSize, input.data(), static_cast<uint32_t>(input.size()));
  EXPECT_NE(packed, nullptr);
  if (!packed) return {};
  uint32_t size = static_cast<uint32_t>(input.size());
  auto unpacked = UncompressBuffer(size, packed.get(), packedSize);
  EXPECT_NE(unpacked, nullptr);
  if (!unpacked) return {};
  return std::vector<uint8_t>(unpacked.get(), unpacked.get() + size);
}

std::vector<uint8_t> RandomBytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

TEST(Compression, RoundTripsEmptySmallRandomAndRepetitiveData) {
  EXPECT_TRUE(RoundTrip({}).empty());
  const auto four = RandomBytes(4, 1);
  EXPECT_EQ(RoundTrip(four), four);
  const auto megabyte = RandomBytes(1 << 20, 2);
  EXPECT_EQ(RoundTrip(megabyte), megabyte);
  const std::vector<uint8_t> repetitive(100000, 'a');
  EXPECT_EQ(RoundTrip(repetitive), repetitive);
}

TEST(Compression, ResultHoldsExactlyTheZlibStream) {
  // Incompressible input comes out larger than it went in: the result still fits it exactly.
  const auto four = RandomBytes(4, 3);
  uint32_t packedSize = 0;
  auto packed = CompressBuffer(packedSize, four.data(), 4);
  ASSERT_NE(packed, nullptr);
  EXPECT_GT(packedSize, 4u);
  EXPECT_EQ(packed[0], 0x78);  // zlib header
  uint32_t size = 4;
  auto unpacked = UncompressBuffer(size, packed.get(), packedSize);
  ASSERT_NE(unpacked, nullptr);
  EXPECT_EQ(size, 4u);

  // No source at all: the empty stream.
  packed = CompressBuffer(packedSize, nullptr, 0);
  ASSERT_NE(packed, nullptr);
  EXPECT_GT(packedSize, 0u);
  EXPECT_EQ(CompressBuffer(packedSize, nullptr, 10), nullptr);
  EXPECT_EQ(packedSize, 0u);
}

TEST(Compression, CorruptTruncatedOrMisSizedInputReportsFailure) {
  testing::GameLogReader log;
  const auto data = RandomBytes(5000, 4);
  uint32_t packedSize = 0;
  auto packed = CompressBuffer(packedSize, data.data(), 5000);
  ASSERT_NE(packed, nullptr);

  std::vector<uint8_t> corrupt(packed.get(), packed.get() + packedSize);
  for (size_t i = 2; i < corrupt.size(); i += 7) corrupt[i] ^= 0x5A;
  uint32_t size = 5000;
  EXPECT_EQ(UncompressBuffer(size, corrupt.data(), packedSize), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_NE(log.Text().find("are not one whole stream of 5000 bytes"), std::string::npos);

  size = 5000;
  EXPECT_EQ(UncompressBuffer(size, packed.get(), packedSize / 2), nullptr);  // truncated
  size = 4000;
  EXPECT_EQ(UncompressBuffer(size, packed.get(), packedSize), nullptr);  // more than expected
  size = 0xFFFFFFFFu;
  EXPECT_EQ(UncompressBuffer(size, packed.get(), packedSize), nullptr);  // impossible size
  size = 10;
  EXPECT_EQ(UncompressBuffer(size, nullptr, 0), nullptr);
  const uint8_t garbage[] = {1, 2, 3, 4, 5, 6, 7, 8};
  size = 10;
  EXPECT_EQ(UncompressBuffer(size, garbage, sizeof garbage), nullptr);

  // A stream that fills less than the expected size is as wrong as one that fills more.
  size = 5001;
  EXPECT_EQ(UncompressBuffer(size, packed.get(), packedSize), nullptr);
  EXPECT_EQ(size, 0u);
}

TEST(Compression, AStreamMustEndExactlyWhereItsInputDoes) {
  const auto data = RandomBytes(300, 5);
  uint32_t packedSize = 0;
  auto packed = CompressBuffer(packedSize, data.data(), 300);
  ASSERT_NE(packed, nullptr);
  std::vector<uint8_t> followed(packed.get(), packed.get() + packedSize);
  followed.push_back(0);
  uint32_t size = 300;
  EXPECT_EQ(UncompressBuffer(size, followed.data(), packedSize + 1), nullptr);
  std::vector<uint8_t> out(300);
  EXPECT_FALSE(InflateExactly(followed.data(), followed.size(), out.data(), out.size()));
  EXPECT_TRUE(InflateExactly(followed.data(), packedSize, out.data(), out.size()));
  EXPECT_EQ(out, data);
  // The empty stream fills an empty output.
  packed = CompressBuffer(packedSize, nullptr, 0);
  ASSERT_NE(packed, nullptr);
  EXPECT_TRUE(InflateExactly(packed.get(), packedSize, nullptr, 0));
}

}  // namespace
}  // namespace engine
