// ctest-labels: resources
#include "engine/media/pps_picture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/core/colour_key.h"
#include "engine/media/byte_span.h"
#include "engine/media/pps_planes.h"

namespace engine {
namespace {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------------------------
// Run-length packing: the published vectors, both directions.

TEST(PpsLimitTest, TheEncoderRefusesWhatTheReaderWouldRefuse) {
  // One limit for both directions, the picture decoder's: what is decoded can be stored, and
  // what is stored can be read back.
  EXPECT_EQ(engine::kMaxPictureBytes, platform::kMaxDecodedPictureBytes);
  std::vector<uint8_t> few(16);
  engine::ImageRecord record;
  record.width = 8193;
  record.height = 8192;
  record.frame_count = 1;
  record.pixels = few.data();  // claims more than the limit; never read
  record.data_size = 0xFFFFFFFF;
  std::string error;
  EXPECT_TRUE(engine::EncodePicture(record, nullptr, engine::kPpsCodecZlib, &error).empty());
  EXPECT_NE(error.find("the reader takes"), std::string::npos) << error;
  record.pixels = nullptr;
}

TEST(PpsRunsTest, ShortRepeatThenShortLiteral) {
  const Bytes plane = {7, 7, 7, 7, 5};
  EXPECT_EQ(PackRunsBytes(plane.data(), plane.size()), (Bytes{0x10, 0x07, 0x05, 0x05}));
  Bytes out(5);
  const Bytes packed = {0x10, 0x07, 0x05, 0x05};
  ASSERT_TRUE(UnpackRunsBytes(packed.data(), packed.size(), out.data(), out.size()));
  EXPECT_EQ(out, plane);
}

TEST(PpsRunsTest, LongRepeatAndItsLimit) {
  Bytes hundred(100, 0xAB);
  EXPECT_EQ(PackRunsBytes(hundred.data(), hundred.size()), (Bytes{0x92, 0x01, 0xAB}));
  Bytes many(16384, 0x33);
  EXPECT_EQ(PackRunsBytes(many.data(), many.size()), (Bytes{0xFE, 0xFF, 0x33, 0x04, 0x33}));
  Bytes out(16384);
  const Bytes packed = {0xFE, 0xFF, 0x33, 0x04, 0x33};
  ASSERT_TRUE(UnpackRunsBytes(packed.data(), packed.size(), out.data(), out.size()));
  EXPECT_EQ(out, many);
}

TEST(PpsRunsTest, LongLiteral) {
  Bytes plane(70);
  for (size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<uint8_t>(i);
  Bytes expected = {0x1B, 0x01};
  expected.insert(expected.end(), plane.begin(), plane.end());
  EXPECT_EQ(PackRunsBytes(plane.data(), plane.size()), expected);
}

TEST(PpsRunsTest, PixelRunsCompareWholePixels) {
  // Three equal pixels, then one that shares two bytes with them.
  const Bytes plane = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 4};
  const Bytes packed = PackRunsPixels(plane.data(), 4);
  EXPECT_EQ(packed, (Bytes{0x0C, 1, 2, 3, 0x05, 1, 2, 4}));
  Bytes out(12);
  ASSERT_TRUE(UnpackRunsPixels(packed.data(), packed.size(), out.data(), out.size()));
  EXPECT_EQ(out, plane);
}

TEST(PpsRunsTest, RandomPlanesRoundTrip) {
  std::mt19937 rng(7);
  for (size_t n : {1u, 2u, 63u, 64u, 65u, 1000u, 20000u, 40000u}) {
    Bytes plane(n * 3);
    // Stretches of repeats and noise.
    for (size_t i = 0; i < plane.size(); ++i) plane[i] = (rng() % 4 == 0) ? static_cast<uint8_t>(rng()) : 9;
    const Bytes bytes_packed = PackRunsBytes(plane.data(), plane.size());
    Bytes out(plane.size());
    ASSERT_TRUE(UnpackRunsBytes(bytes_packed.data(), bytes_packed.size(), out.data(), out.size()));
    EXPECT_EQ(out, plane);
    const Bytes pixels_packed = PackRunsPixels(plane.data(), n);
    std::fill(out.begin(), out.end(), 0);
    ASSERT_TRUE(UnpackRunsPixels(pixels_packed.data(), pixels_packed.size(), out.data(), out.size()));
    EXPECT_EQ(out, plane);
  }
}

TEST(PpsRunsTest, UnpackingRefusesRunsThatDoNotFit) {
  Bytes out(4);
  const Bytes too_long = {0x14, 0x01};  // repeat 5 into 4
  EXPECT_FALSE(UnpackRunsBytes(too_long.data(), too_long.size(), out.data(), out.size()));
  const Bytes short_literal = {0x11, 1, 2};  // literal of 4 with 2 bytes
  EXPECT_FALSE(UnpackRunsBytes(short_literal.data(), short_literal.size(), out.data(), out.size()));
  const Bytes missing_count = {0x02};  // long form without its count byte
  EXPECT_FALSE(UnpackRunsBytes(missing_count.data(), missing_count.size(), out.data(), out.size()));
  const Bytes too_few = {0x0C, 0x01};  // 3 of 4
  EXPECT_FALSE(UnpackRunsBytes(too_few.data(), too_few.size(), out.data(), out.size()));
  const Bytes pixel_short = {0x04, 1, 2};  // a pixel repeat needs three bytes
  Bytes pixel_out(3);
  EXPECT_FALSE(UnpackRunsPixels(pixel_short.data(), pixel_short.size(), pixel_out.data(), pixel_out.size()));
}

TEST(PpsRunsTest, ZlibPlanesMustFillTheirCapacity) {
  const Bytes plane(1000, 5);
  const Bytes packed = PackZlib(plane.data(), plane.size());
  Bytes out(1000);
  EXPECT_TRUE(UnpackZlib(packed.data(), packed.size(), out.data(), out.size()));
  EXPECT_EQ(out, plane);
  Bytes bigger(1001);
  EXPECT_FALSE(UnpackZlib(packed.data(), packed.size(), bigger.data(), bigger.size()));
  Bytes smaller(999);
  EXPECT_FALSE(UnpackZlib(packed.data(), packed.size(), smaller.data(), smaller.size()));
  EXPECT_FALSE(UnpackZlib(packed.data(), 0, out.data(), out.size()));  // a zlib plane of size 0
  EXPECT_FALSE(PackZlib(nullptr, 0).empty());                          // an empty plane still packs
}

TEST(PpsRunsTest, BestOfKeepsRunsOnATieAndTakesZlibWhenSmaller) {
  // Two distinct bytes: runs give 3 bytes, zlib more: runs.
  Bytes tiny = {1, 2};
  uint32_t flags = 0;
  EXPECT_EQ(PackBestOf(tiny.data(), tiny.size(), true, &flags).size(), 3u);
  EXPECT_EQ(flags, kFrameFlagRuns);
  // A repeating pattern without equal neighbours: runs are all literal, zlib wins.
  Bytes pattern(3000);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i % 7);
  flags = 0;
  const Bytes best = PackBestOf(pattern.data(), pattern.size(), true, &flags);
  EXPECT_EQ(flags, kFrameFlagZlib);
  EXPECT_EQ(best, PackZlib(pattern.data(), pattern.size()));
}

// ---------------------------------------------------------------------------------------------
// Pictures.

// A picture whose buffers belong to the test (EncodePicture only reads them).
struct TestPicture {
  ImageRecord record;
  Bytes pixels;
  Bytes palette;
  std::vector<uint32_t> delays;
};

TestPicture MakePicture(uint16_t width, uint16_t height, uint16_t frames, bool palette, bool alpha, int variant) {
  TestPicture p;
  const int bpp = palette ? (alpha ? 2 : 1) : 4;
  p.pixels.resize(size_t{width} * height * frames * bpp);
  std::mt19937 rng(variant + width * 31 + frames);
  const size_t frame_bytes = size_t{width} * height * bpp;
  for (uint16_t f = 0; f < frames; ++f) {
    uint8_t* px = p.pixels.data() + f * frame_bytes;
    for (size_t i = 0; i < frame_bytes; ++i) {
      // Flat areas with a little noise; variant 1 makes frame 2 equal frame 1, variant 2 moves a block.
      uint8_t v = static_cast<uint8_t>((i / (bpp * 5)) % 6 * 40);
      if (rng() % 9 == 0) v = static_cast<uint8_t>(rng());
      if (variant == 2 && f > 0 && i % 17 == 0) v ^= 0x55;
      px[i] = v;
    }
    if (variant == 1 && f > 0) std::memcpy(px, p.pixels.data(), frame_bytes);
  }
  ImageRecord& r = p.record;
  r.width = width;
  r.height = height;
  r.frame_count = frames;
  r.data_size = static_cast<uint32_t>(p.pixels.size());
  r.pixels = p.pixels.data();
  r.flags = alpha ? kImageFlagAlpha : 0;
  if (palette) {
    p.palette.resize(256 * 3);
    for (size_t i = 0; i < p.palette.size(); ++i) p.palette[i] = static_cast<uint8_t>(i * 7);
    r.flags |= kImageFlagOwnPalette | kImageFlagTransparent;
    r.palette = p.palette.data();
    r.palette_count = 256;
    r.colour_key = 3;
  } else {
    r.colour_key = engine::kColourKey;
  }
  if (frames > 1) {
    for (uint16_t f = 0; f < frames; ++f) p.delays.push_back(40 + f * 10);
    r.delays = p.delays.data();
    r.flags |= kImageFlagDelays;
  }
  r.flags |= kImageFlagTrailer;
  r.offset_x = -3;
  r.offset_y = 1234;
  return p;
}

// What a decoder must give for the source pixels: true colour without alpha is opaque.
Bytes ExpectedPixels(const TestPicture& p, uint8_t codec) {
  Bytes expected = p.pixels;
  if (codec == kPpsCodecNone) return Bytes(expected.size(), 0);
  if (!p.record.IsPalette() && !p.record.HasAlpha()) {
    for (size_t i = 3; i < expected.size(); i += 4) expected[i] = 255;
  }
  return expected;
}

uint32_t FrameFlagsOf(const Bytes& file, size_t palette_part, int frame) {
  size_t pos = kPpsHeaderSize + palette_part;
  for (int f = 0; f < frame; ++f) pos += kPpsFrameRecordSize + ReadU32(&file[pos + 8]) + ReadU32(&file[pos + 12]);
  return ReadU32(&file[pos]);
}

class PpsRoundTripTest : public ::testing::TestWithParam<std::tuple<int, bool, bool, int>> {};

TEST_P(PpsRoundTripTest, DecodesWhatWasEncoded) {
  const auto [codec, palette, alpha, kind] = GetParam();
  const uint16_t frames = kind == 0 ? 1 : 3;
  TestPicture p = MakePicture(37, 21, frames, palette, alpha, kind);
  const Bytes before = p.pixels;
  const Bytes file = EncodePicture(p.record, nullptr, static_cast<uint8_t>(codec));
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(p.pixels, before) << "the encoder must leave the caller's pixels alone";

  // Header facts.
  EXPECT_EQ(std::string(file.begin(), file.begin() + 3), "pps");
  EXPECT_EQ(file[3], codec);
  EXPECT_EQ(ReadU32(&file[24]), file.size());
  EXPECT_EQ(ReadU16(&file[14]), 0);
  EXPECT_EQ(ReadU16(&file[30]), 0);
  EXPECT_EQ(ReadU32(&file[20]), p.pixels.size());

  ImageRecord decoded;
  ASSERT_EQ(DecodePicture(file.data(), file.size(), &decoded), p.pixels.size());
  EXPECT_EQ(decoded.width, 37);
  EXPECT_EQ(decoded.height, 21);
  EXPECT_EQ(decoded.frame_count, frames);
  EXPECT_EQ(decoded.flags, p.record.flags);
  EXPECT_EQ(decoded.colour_key, p.record.colour_key);
  EXPECT_EQ(decoded.offset_x, -3);
  EXPECT_EQ(decoded.offset_y, 1234);
  EXPECT_EQ(Bytes(decoded.pixels, decoded.pixels + decoded.data_size), ExpectedPixels(p, codec));
  if (palette) {
    ASSERT_NE(decoded.palette, nullptr);
    EXPECT_EQ(decoded.palette_count, 256);
    EXPECT_EQ(Bytes(decoded.palette, decoded.palette + 768), p.palette);
  }
  if (frames > 1) {
    ASSERT_NE(decoded.delays, nullptr);
    for (int f = 0; f < frames; ++f) EXPECT_EQ(decoded.delays[f], p.delays[f]);
  }
  // The first frame is never a difference frame.
  EXPECT_EQ(FrameFlagsOf(file, palette ? 768 : 0, 0) & kFrameFlagDifference, 0u);
  FreePictureRecord(&decoded);
  EXPECT_EQ(decoded.pixels, nullptr);
}

INSTANTIATE_TEST_SUITE_P(AllCodecsAndKinds, PpsRoundTripTest,
                         ::testing::Combine(::testing::Range(1, 7), ::testing::Bool(), ::testing::Bool(),
                                            ::testing::Values(0, 1, 2)));

TEST(PpsPictureTest, EqualSecondFrameBecomesADifferenceFrameOfZeroes) {
  TestPicture p = MakePicture(40, 30, 2, false, true, 1);
  const Bytes file = EncodePicture(p.record, nullptr, kPpsCodecBestOf);
  ASSERT_FALSE(file.empty());
  const uint32_t flags = FrameFlagsOf(file, 0, 1);
  EXPECT_NE(flags & kFrameFlagDifference, 0u);
  // Its planes unpack to zero bytes.
  size_t pos = kPpsHeaderSize;
  pos += kPpsFrameRecordSize + ReadU32(&file[pos + 8]) + ReadU32(&file[pos + 12]);
  const uint32_t a = ReadU32(&file[pos + 8]);
  Bytes colour(40 * 30 * 3, 1);
  ASSERT_TRUE(UnpackPlane(&file[pos + kPpsFrameRecordSize], a, colour.data(), colour.size(), flags));
  EXPECT_EQ(colour, Bytes(colour.size(), 0));
}

TEST(PpsPictureTest, DifferenceFramesWithoutAlphaStayOpaque) {
  // Two similar true-colour frames without the alpha flag: the second is stored as a difference
  // and must still decode with alpha 255 everywhere.
  for (uint8_t codec : {kPpsCodecRaw, kPpsCodecRuns, kPpsCodecRunsZlibAlpha, kPpsCodecZlib, kPpsCodecBestOf}) {
    TestPicture p = MakePicture(32, 32, 2, false, false, 1);
    const Bytes file = EncodePicture(p.record, nullptr, codec);
    ASSERT_FALSE(file.empty());
    // Raw frames are as long either way, so only the packed codecs store a difference.
    if (codec != kPpsCodecRaw) {
      EXPECT_NE(FrameFlagsOf(file, 0, 1) & kFrameFlagDifference, 0u) << int(codec);
    }
    ImageRecord decoded;
    ASSERT_NE(DecodePicture(file.data(), file.size(), &decoded), 0u);
    for (uint32_t i = 3; i < decoded.data_size; i += 4) ASSERT_EQ(decoded.pixels[i], 255) << int(codec) << " " << i;
    FreePictureRecord(&decoded);
  }
}

TEST(PpsPictureTest, RawDifferenceFrameWithoutAlphaStaysOpaque) {
  PpsHeader header;
  header.codec = kPpsCodecRaw;
  header.width = 1;
  header.height = 1;
  PpsFrameRecord frame{kFrameFlagDifference, 0, 4, 0, 4};
  const Bytes previous = {1, 2, 3, 255};
  const Bytes packed = {1 ^ 5, 2 ^ 6, 3 ^ 7, 0};  // colours and alpha XORed, as the encoder stores them
  Bytes out(4);
  ASSERT_TRUE(DecodePictureFrame(packed.data(), previous.data(), out.data(), header, frame));
  EXPECT_EQ(out, (Bytes{5, 6, 7, 255}));
}

TEST(PpsPictureTest, SingleFrameNeverDifferenceAndTiesStayPlain) {
  // Two frames of one flat colour: plain and difference forms pack the same with runs, so the
  // plain form stays.
  TestPicture p = MakePicture(8, 8, 2, true, false, 0);
  std::fill(p.pixels.begin(), p.pixels.end(), 0);
  const Bytes file = EncodePicture(p.record, nullptr, kPpsCodecRuns);
  EXPECT_EQ(FrameFlagsOf(file, 768, 1) & kFrameFlagDifference, 0u);
}

TEST(PpsPictureTest, PaletteReferenceKeepsTheBlockAndLosesTheKey) {
  TestPicture p = MakePicture(4, 4, 1, true, false, 0);
  p.record.flags = kImageFlagPaletteRef;  // no own palette, not transparent
  p.record.palette_count = 0;             // its colours are elsewhere
  p.record.colour_key = 9;
  uint8_t block[32];
  for (int i = 0; i < 32; ++i) block[i] = static_cast<uint8_t>(100 + i);
  const Bytes file = EncodePicture(p.record, block, kPpsCodecZlib);
  ASSERT_FALSE(file.empty());
  ImageRecord decoded;
  ASSERT_NE(DecodePicture(file.data(), file.size(), &decoded), 0u);
  EXPECT_EQ(decoded.colour_key, kNoPaletteKey);
  EXPECT_EQ(Bytes(decoded.palette, decoded.palette + 32), Bytes(block, block + 32));
  FreePictureRecord(&decoded);  // the block is released too (no leak under the sanitizer)
}

// ---------------------------------------------------------------------------------------------
// Hand-made files, one per codec: a 2x1 true-colour picture with alpha.
// Pixel 0 = B 10 G 20 R 30 A 40, pixel 1 = B 50 G 60 R 70 A 80.

Bytes HandMade(uint8_t codec, uint32_t frame_flags, const Bytes& a, const Bytes& b) {
  Bytes file;
  ByteWriter w(&file);
  w.Bytes("pps", 3);
  w.U8(codec);
  w.U32(kImageFlagAlpha);
  w.U16(1);
  w.U16(2);
  w.U16(1);
  w.U16(0);
  w.U32(0);
  w.U32(8);
  w.U32(0);  // patched below
  w.U16(0);
  w.U16(0);
  w.U32(frame_flags);
  w.U32(0);
  w.U32(static_cast<uint32_t>(a.size()));
  w.U32(static_cast<uint32_t>(b.size()));
  w.U32(8);
  w.Bytes(a.data(), a.size());
  w.Bytes(b.data(), b.size());
  WriteU32(&file[24], static_cast<uint32_t>(file.size()));
  return file;
}

Bytes Zipped(const Bytes& plane) {
  uLongf length = compressBound(plane.size());
  Bytes out(length);
  compress(out.data(), &length, plane.data(), plane.size());
  out.resize(length);
  return out;
}

Bytes DecodeBytes(const Bytes& file) {
  ImageRecord r;
  if (DecodePicture(file.data(), file.size(), &r) == 0) return {};
  Bytes out(r.pixels, r.pixels + r.data_size);
  FreePictureRecord(&r);
  return out;
}

TEST(PpsHandMadeTest, EachCodecDecodesItsBytes) {
  const Bytes expected = {10, 20, 30, 40, 50, 60, 70, 80};
  const Bytes colour = {10, 20, 30, 50, 60, 70};
  const Bytes alpha = {40, 80};
  const Bytes colour_runs = {0x09, 10, 20, 30, 50, 60, 70};  // short literal of 2 pixels
  const Bytes alpha_runs = {0x09, 40, 80};
  EXPECT_EQ(DecodeBytes(HandMade(1, 0x04, expected, {})), expected);
  EXPECT_EQ(DecodeBytes(HandMade(2, 0x04, {}, {})), Bytes(8, 0));
  EXPECT_EQ(DecodeBytes(HandMade(3, 0x04, colour_runs, alpha_runs)), expected);
  EXPECT_EQ(DecodeBytes(HandMade(4, 0x04, colour_runs, Zipped(alpha))), expected);
  EXPECT_EQ(DecodeBytes(HandMade(5, 0x04, Zipped(colour), Zipped(alpha))), expected);
  EXPECT_EQ(DecodeBytes(HandMade(6, 0x14, colour_runs, Zipped(alpha))), expected);
  EXPECT_EQ(DecodeBytes(HandMade(6, 0x24, Zipped(colour), Zipped(alpha))), expected);
  // Without an alpha plane the pixels are opaque.
  EXPECT_EQ(DecodeBytes(HandMade(3, 0x00, colour_runs, {})), (Bytes{10, 20, 30, 255, 50, 60, 70, 255}));
}

TEST(PpsHandMadeTest, RawFramesAreCopiedByTheirDecodedSize) {
  const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  PpsFrameRecord frame;
  frame.decoded_size = 6;
  frame.packed_a = 99;
  EXPECT_EQ(CopyFrameRaw(pixels.data(), &frame), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(frame.packed_a, 6u);

  Bytes out(8, 0xEE);
  CopyFrameOut(pixels.data() + 1, out.data() + 1, frame);
  EXPECT_EQ(out, (Bytes{0xEE, 2, 3, 4, 5, 6, 7, 0xEE})) << "exactly the decoded size, in its place";
}

TEST(PpsHandMadeTest, PaletteFramesWithAndWithoutAlpha) {
  // 3x1 palette picture: indices 1 1 2, alpha 9 8 7, codec 3.
  Bytes file;
  ByteWriter w(&file);
  w.Bytes("pps", 3);
  w.U8(3);
  w.U32(kImageFlagOwnPalette | kImageFlagAlpha);
  w.U16(1);
  w.U16(3);
  w.U16(1);
  w.U16(0);
  w.U32(256);
  w.U32(6);
  w.U32(0);
  w.U16(3);
  w.U16(0);
  w.Bytes("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9);
  const Bytes a = {0x08, 1, 0x05, 2};  // repeat 2 of 1, literal 1 of 2
  const Bytes b = {0x0D, 9, 8, 7};
  w.U32(0x05);
  w.U32(0);
  w.U32(4);
  w.U32(4);
  w.U32(6);
  w.Bytes(a.data(), a.size());
  w.Bytes(b.data(), b.size());
  WriteU32(&file[24], static_cast<uint32_t>(file.size()));
  EXPECT_EQ(DecodeBytes(file), (Bytes{1, 9, 1, 8, 2, 7}));
}

TEST(PpsHandMadeTest, CodecThreeAlphaPlaneIsByteRunsEvenForTrueColour) {
  // Plane B of codec 3 is byte runs although the frame is true colour: a run of 2 equal alphas.
  const Bytes colour_runs = {0x09, 10, 20, 30, 50, 60, 70};
  EXPECT_EQ(DecodeBytes(HandMade(3, 0x04, colour_runs, {0x08, 77})), (Bytes{10, 20, 30, 77, 50, 60, 70, 77}));
}

// ---------------------------------------------------------------------------------------------
// Bad input is refused, never read past.

TEST(PpsBadInputTest, EveryTruncationIsRefused) {
  TestPicture p = MakePicture(9, 7, 3, false, true, 2);
  for (uint8_t codec = 1; codec <= 6; ++codec) {
    const Bytes file = EncodePicture(p.record, nullptr, codec);
    for (size_t cut = 0; cut < file.size(); ++cut) {
      // A copy of exactly the cut length, so the sanitizer sees any read past it.
      Bytes part(file.begin(), file.begin() + cut);
      ImageRecord r;
      r.serial = 77;
      std::string error;
      EXPECT_EQ(DecodePicture(part.data(), part.size(), &r, &error), 0u) << int(codec) << " " << cut;
      EXPECT_FALSE(error.empty());
      EXPECT_EQ(r.serial, 77u) << "a refused decode leaves the record alone";
    }
  }
}

TEST(PpsBadInputTest, InconsistentSizesAreRefused) {
  TestPicture p = MakePicture(9, 7, 2, false, true, 0);
  const Bytes good = EncodePicture(p.record, nullptr, kPpsCodecBestOf);
  auto refused = [](Bytes file) { return DecodeBytes(file).empty(); };
  EXPECT_FALSE(refused(good));
  Bytes b = good;
  WriteU16(&b[14], 1);  // the reserved word would make a 32-bit height enormous
  EXPECT_FALSE(refused(b)) << "the height is 16 bits; the reserved word is not part of it";
  b = good;
  WriteU32(&b[20], ReadU32(&b[20]) + 4);  // total decoded disagrees
  EXPECT_TRUE(refused(b));
  b = good;
  WriteU16(&b[10], 60000);  // width changed: sizes disagree
  EXPECT_TRUE(refused(b));
  b = good;
  WriteU32(&b[kPpsHeaderSize + 8], 0xFFFFFFF0);  // plane size past the end
  EXPECT_TRUE(refused(b));
  b = good;
  WriteU32(&b[kPpsHeaderSize + 16], 4);  // frame decoded size wrong
  EXPECT_TRUE(refused(b));
  b = good;
  WriteU16(&b[8], 0);  // no frames
  EXPECT_TRUE(refused(b));
  b = good;
  b[0] = 'q';
  EXPECT_TRUE(refused(b));
  b = good;
  WriteU32(&b[24], static_cast<uint32_t>(b.size() + 1));  // claims more than is there
  EXPECT_TRUE(refused(b));
  // Corrupt packed bytes anywhere: refused or decoded, never out of bounds.
  std::mt19937 rng(3);
  for (int i = 0; i < 2000; ++i) {
    Bytes c = good;
    c[kPpsHeaderSize + rng() % (c.size() - kPpsHeaderSize)] ^= static_cast<uint8_t>(1 + rng() % 255);
    ImageRecord r;
    std::string error;
    if (DecodePicture(c.data(), c.size(), &r, &error)) FreePictureRecord(&r);
  }
}

TEST(PpsBadInputTest, HugeClaimsAreRefusedBeforeAllocating) {
  // 65535 x 65535 x 4 with codec 2 (nothing stored) would claim gigabytes.
  Bytes file;
  ByteWriter w(&file);
  w.Bytes("pps", 3);
  w.U8(2);
  w.U32(0);
  w.U16(1);
  w.U16(0xFFFF);
  w.U16(0xFFFF);
  w.U16(0);
  w.U32(0);
  w.U32(0xFFFE0004u);  // 65535 * 65535 * 4 mod 2^32
  w.U32(52);
  w.U16(0);
  w.U16(0);
  w.Zeros(20);
  std::string error;
  ImageRecord r;
  EXPECT_EQ(DecodePicture(file.data(), file.size(), &r, &error), 0u);
}

// A picture of raw frames of width x height palette indices 0, 1, 2..., with the palette part
// its flags ask for (entries x 3 bytes, or the 32-byte reference block).
Bytes RawIndexPicture(uint8_t codec, uint32_t flags, uint16_t width, uint16_t height, uint16_t frames,
                      uint16_t entries) {
  const uint32_t frame_bytes = uint32_t{width} * height;
  const bool raw = codec == kPpsCodecRaw;
  Bytes file;
  ByteWriter w(&file);
  w.Bytes("pps", 3);
  w.U8(codec);
  w.U32(flags);
  w.U16(frames);
  w.U16(width);
  w.U16(height);
  w.U16(0);
  w.U32(kNoPaletteKey);
  w.U32(frame_bytes * frames);
  w.U32(0);  // patched below
  w.U16(entries);
  w.U16(0);
  w.Zeros((flags & kImageFlagPaletteRef) ? 32 : size_t{entries} * 3);
  for (uint16_t f = 0; f < frames; ++f) {
    w.U32(kFrameFlagPalette);
    w.U32(0);
    w.U32(raw ? frame_bytes : 0);
    w.U32(0);
    w.U32(frame_bytes);
    for (uint32_t i = 0; raw && i < frame_bytes; ++i) w.U8(static_cast<uint8_t>(i));
  }
  WriteU32(&file[24], static_cast<uint32_t>(file.size()));
  return file;
}

// A picture names an outside palette or carries its own: both at once, or a named palette of
// more entries than its 32-byte block holds, would have callers read colours past the block.
TEST(PpsBadInputTest, ContradictoryOrOverlongPaletteReferencesAreRefused) {
  std::string error;
  ImageRecord r;
  const Bytes both = RawIndexPicture(kPpsCodecRaw, kImageFlagPaletteRef | kImageFlagOwnPalette, 16, 16, 1, 256);
  EXPECT_EQ(DecodePicture(both.data(), both.size(), &r, &error), 0u);
  EXPECT_NE(error.find("both an outside palette and one of its own"), std::string::npos) << error;
  const Bytes overlong = RawIndexPicture(kPpsCodecRaw, kImageFlagPaletteRef, 16, 16, 1, 11);
  EXPECT_EQ(DecodePicture(overlong.data(), overlong.size(), &r, &error), 0u);
  EXPECT_NE(error.find("more entries than its reference holds"), std::string::npos) << error;
  // Ten entries fit the block; the encoder refuses what the reader would.
  const Bytes fits = RawIndexPicture(kPpsCodecRaw, kImageFlagPaletteRef, 16, 16, 1, 10);
  ASSERT_NE(DecodePicture(fits.data(), fits.size(), &r, &error), 0u) << error;
  r.flags |= kImageFlagOwnPalette;
  EXPECT_TRUE(EncodePicture(r, nullptr, kPpsCodecRaw, &error).empty());
  r.flags &= ~kImageFlagOwnPalette;
  FreePictureRecord(&r);
}

// Codec 2 and unknown codecs store nothing: like any picture, such a file may claim a picture of
// up to a million pixels (all zero), and no more.
TEST(PpsBadInputTest, FramesStoringNothingCannotClaimMoreThanAnyPictureMay) {
  std::string error;
  ImageRecord r;
  for (const Bytes& file : {RawIndexPicture(kPpsCodecNone, kImageFlagOwnPalette, 8192, 8192, 1, 1),
                            RawIndexPicture(9, kImageFlagOwnPalette, 8192, 8192, 1, 1),
                            RawIndexPicture(kPpsCodecNone, kImageFlagOwnPalette, 64, 64, 4096, 1)}) {
    EXPECT_EQ(DecodePicture(file.data(), file.size(), &r, &error), 0u);
    EXPECT_NE(error.find("claims more pixels than its bytes could hold"), std::string::npos) << error;
  }
  const Bytes blank = RawIndexPicture(kPpsCodecNone, kImageFlagOwnPalette, 1024, 1024, 1, 1);
  ASSERT_EQ(DecodePicture(blank.data(), blank.size(), &r, &error), 1024u * 1024u) << error;
  EXPECT_EQ(r.pixels[1024 * 1024 - 1], 0);
  FreePictureRecord(&r);
  // Nor does the writer write one: it would not be read back.
  TestPicture big = MakePicture(1100, 1000, 1, true, false, 0);
  for (uint8_t codec : {kPpsCodecNone, uint8_t{9}}) {
    EXPECT_TRUE(EncodePicture(big.record, nullptr, codec, &error).empty());
    EXPECT_NE(error.find("stores too little"), std::string::npos) << error;
  }
}

// Nor may a few stored bytes of the other codecs claim a frame of 256 MiB: raw frames store
// every byte, a run gives 16383 pixels at most, zlib 1032 bytes a byte.
TEST(PpsBadInputTest, AFewStoredBytesNeverClaimAHugeFrameWhateverTheCodec) {
  TestPicture p = MakePicture(2, 1, 1, false, false, 0);
  for (uint8_t codec : {1, 3, 4, 5, 6}) {
    Bytes file = EncodePicture(p.record, nullptr, codec);
    WriteU16(&file[10], 8192);
    WriteU16(&file[12], 8192);
    for (size_t at : {size_t{20}, kPpsHeaderSize + 16}) WriteU32(&file[at], 8192u * 8192u * 4u);
    std::string error;
    ImageRecord r;
    EXPECT_EQ(DecodePicture(file.data(), file.size(), &r, &error), 0u) << int{codec};
    EXPECT_NE(error.find(codec == kPpsCodecRaw ? "disagrees" : "claims more pixels than its bytes could hold"),
              std::string::npos)
        << error;
  }
}

// A run gives at most 16383 pixels of 4 bytes for 3 bytes: a 2048 x 1024 frame of 8 MiB needs
// 385 bytes of runs at the least. 384 are refused unread; 385 are read (and found corrupt).
TEST(PpsBadInputTest, RunsMayClaimNoMoreThan16383PixelsForThreeBytes) {
  const uint32_t frame_bytes = 2048u * 1024u * 4u;
  for (uint32_t packed : {384u, 385u}) {
    Bytes file;
    ByteWriter w(&file);
    w.Bytes("pps", 3);
    w.U8(kPpsCodecRuns);
    // True colour: flags, 1 frame of 2048 x 1024, key, decoded and encoded sizes, no palette.
    for (uint32_t word : {0u, 1u | 2048u << 16, 1024u, 0u, frame_bytes, 0u, 0u}) w.U32(word);
    for (uint32_t word : {0u, 0u, packed, 0u, frame_bytes}) w.U32(word);  // the frame record
    w.Zeros(packed);
    WriteU32(&file[24], static_cast<uint32_t>(file.size()));
    std::string error;
    ImageRecord r;
    EXPECT_EQ(DecodePicture(file.data(), file.size(), &r, &error), 0u);
    EXPECT_EQ(error.find("claims more pixels than its bytes could hold") != std::string::npos, packed == 384)
        << packed << ": " << error;
  }
}

TEST(PpsBadInputTest, EncoderRefusesShortPixelBlocksAndEmptyPictures) {
  TestPicture p = MakePicture(8, 8, 2, false, false, 0);
  p.record.data_size -= 1;
  std::string error;
  EXPECT_TRUE(EncodePicture(p.record, nullptr, 6, &error).empty());
  EXPECT_FALSE(error.empty());
  p.record.data_size += 1;
  p.record.width = 0;
  EXPECT_TRUE(EncodePicture(p.record, nullptr, 6, &error).empty());
}

TEST(PpsFileTest, SaveAndLoadThroughDisk) {
  TestPicture p = MakePicture(16, 16, 1, false, true, 0);
  const Bytes file = EncodePicture(p.record, nullptr, kPpsCodecBestOf);
  EXPECT_EQ(SavePictureFile(file.data(), file.size(), "saved.pps"), 1);
  ImageRecord r;
  ASSERT_TRUE(LoadPictureFile("saved.pps", &r));
  EXPECT_EQ(Bytes(r.pixels, r.pixels + r.data_size), p.pixels);
  FreePictureRecord(&r);
  Bytes wrong = file;
  wrong[1] = 'x';
  EXPECT_EQ(SavePictureFile(wrong.data(), wrong.size(), "wrong.pps"), 0);
  std::string error;
  EXPECT_FALSE(LoadPictureFile("wrong.pps", &r, &error));
  EXPECT_FALSE(LoadPictureFile("missing.pps", &r, &error));
}

}  // namespace
}  // namespace engine
