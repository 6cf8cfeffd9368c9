// ctest-labels: resources
// The pictures read beside SDL2_image's formats: WBMP, MNG animations and Windows metafiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/media/byte_span.h"
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/picture_decoder.h"
#include "tests/support/test_pictures.h"

namespace platform {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Solid(int width, int height, uint8_t b, uint8_t g, uint8_t r, uint8_t a = 255) {
  Bytes out;
  for (int i = 0; i < width * height; ++i) out.insert(out.end(), {b, g, r, a});
  return out;
}

bool Decode(const Bytes& file, DecodedPicture* picture, std::string* error,
            PictureFormat format = PictureFormat::kDetect) {
  return DecodePictureBytes(file.data(), file.size(), picture, error, format);
}

TEST(PictureFormatsTest, WbmpGivesBlackAndWhitePaletteIndices) {
  Bytes bits;
  for (int i = 0; i < 10 * 3; ++i) bits.push_back((i * 7 % 3) == 0 ? 1 : 0);
  const Bytes file = test_support::MakeWbmp(10, 3, bits);
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(file, &picture, &error, PictureFormat::kWbmp)) << error;
  EXPECT_EQ(picture.width, 10);
  EXPECT_EQ(picture.height, 3);
  EXPECT_EQ(picture.bytes_per_pixel, 1);
  EXPECT_EQ(picture.palette, (Bytes{0, 0, 0, 255, 255, 255}));
  ASSERT_EQ(picture.frames.size(), 1u);
  EXPECT_EQ(picture.frames[0].pixels, bits);

  // By its name, as respack and the resource files give it.
  ASSERT_TRUE(WriteFileAtomic("dot.WBMP", file.data(), file.size()));
  ASSERT_TRUE(DecodePictureFile("dot.WBMP", &picture, &error)) << error;
  EXPECT_EQ(picture.frames[0].pixels, bits);
}

TEST(PictureFormatsTest, DamagedWbmpsAreRefusedBeforeAnythingIsAllocated) {
  const Bytes good = test_support::MakeWbmp(16, 4, Bytes(64, 1));
  DecodedPicture picture;
  std::string error;
  Bytes cut(good.begin(), good.end() - 1);
  EXPECT_FALSE(Decode(cut, &picture, &error, PictureFormat::kWbmp));
  EXPECT_NE(error.find("cut short"), std::string::npos);
  // 65535 x 65535 claimed by a 9-byte file.
  const Bytes huge = {0, 0, 0x83, 0xFF, 0x7F, 0x83, 0xFF, 0x7F, 0};
  EXPECT_FALSE(Decode(huge, &picture, &error, PictureFormat::kWbmp));
  const Bytes wide = {0, 0, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0};
  EXPECT_FALSE(Decode(wide, &picture, &error, PictureFormat::kWbmp));
  EXPECT_NE(error.find("too large"), std::string::npos);
  Bytes other_type = good;
  other_type[0] = 1;
  EXPECT_FALSE(Decode(other_type, &picture, &error, PictureFormat::kWbmp));
  const Bytes endless_number = {0, 0, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 1};
  EXPECT_FALSE(Decode(endless_number, &picture, &error, PictureFormat::kWbmp));
}

// Each frame shows its samples as stored, whatever colour chunks it carries (GraphicsMagick writes
// gAMA and cHRM into every MNG), as the PNG reader and ImageMagick show them.
TEST(PictureFormatsTest, MngAnimationGivesEveryFrameWithItsDelay) {
  const std::vector<test_support::MngFrameDesc> frames = {
      {Solid(4, 3, 255, 0, 0), 100}, {Solid(4, 3, 0, 255, 0), 50}, {Solid(4, 3, 0x99, 0x66, 0x33), 200}};
  const Bytes gamma = {0, 0, 0xB1, 0x8F};  // 0.45455
  const Bytes chromaticities = {0, 0, 0x7A, 0x26, 0, 0, 0x80, 0x84, 0, 0, 0xFA, 0, 0, 0, 0x80, 0xE8,
                                0, 0, 0x75, 0x30, 0, 0, 0xEA, 0x60, 0, 0, 0x3A, 0x98, 0, 0, 0x17, 0x70};
  const std::vector<std::pair<const char*, Bytes>> kColourChunks[] = {
      {}, {{"gAMA", gamma}, {"cHRM", chromaticities}}, {{"gAMA", {0, 1, 0x86, 0xA0}}}, {{"sRGB", {0}}}};
  for (const auto& chunks : kColourChunks) {
    SCOPED_TRACE(chunks.size() ? chunks[0].first : "none");
    const Bytes file = test_support::MakeMng(4, 3, frames, chunks);
    DecodedPicture picture;
    std::string error;
    ASSERT_TRUE(Decode(file, &picture, &error)) << error;
    EXPECT_EQ(picture.width, 4);
    EXPECT_EQ(picture.height, 3);
    EXPECT_EQ(picture.bytes_per_pixel, 4);
    EXPECT_TRUE(picture.animated);
    ASSERT_EQ(picture.frames.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(picture.frames[i].pixels, frames[i].bgra);
    }
    EXPECT_EQ(picture.frames[0].delay_ms, 100u);
    EXPECT_EQ(picture.frames[1].delay_ms, 50u);
  }
}

TEST(PictureFormatsTest, MngClaimingAHugeCanvasIsRefused) {
  Bytes file = test_support::MakeMng(4, 3, {{Solid(4, 3, 1, 2, 3), 10}});
  // MHDR's width and height (after the signature, the chunk length and type) become 60000.
  for (size_t at : {16u, 20u}) {
    file[at] = 0;
    file[at + 1] = 0;
    file[at + 2] = 0xEA;
    file[at + 3] = 0x60;
  }
  DecodedPicture picture;
  std::string error;
  EXPECT_FALSE(Decode(file, &picture, &error));
  const Bytes cut(file.begin(), file.begin() + 40);
  EXPECT_FALSE(Decode(cut, &picture, &error));
}

// libmng fills a canvas of the size the header claims on every frame: a claim that the file's
// few bytes could never describe is refused before libmng is started.
TEST(PictureFormatsTest, MngClaimingMoreThanItsBytesDescribeIsRefusedUnread) {
  Bytes file = test_support::MakeMng(4, 3, {{Solid(4, 3, 1, 2, 3), 10}});
  for (size_t at : {16u, 20u}) file[at + 2] = 0x10;  // MHDR: 4100 x 4099, within the largest picture
  DecodedPicture picture;
  std::string error;
  EXPECT_FALSE(Decode(file, &picture, &error));
  EXPECT_NE(error.find("claims more pixels than its bytes could hold"), std::string::npos) << error;
}

// Each frame taken is the whole canvas, whatever drew it: the frames together stay within what
// the file's bytes could describe (forty frames of a megapixel drawn by 4 KB).
TEST(PictureFormatsTest, MngFramesComposedTogetherStayWithinWhatTheFileCouldDescribe) {
  const Bytes file = test_support::MakeMngOfBackgroundFrames(1024, 1024, 40);
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(file, &picture, &error)) << error;
  ASSERT_FALSE(picture.frames.empty());
  EXPECT_EQ(picture.frames[0].pixels[4 + 2], 255);  // red beside the dot
  const uint64_t composed = picture.frames.size() * 1024 * 1024;
  EXPECT_LE(composed, std::max<uint64_t>(8 << 20, file.size() * 8 * 1032)) << picture.frames.size() << " frames";
}

// libwmf sizes its record buffer by the header and decodes a record's bitmap whole at the size
// its header claims: records must lie inside the file, and bitmaps stay within a few canvases.
TEST(PictureFormatsTest, WmfRecordsAndBitmapsBeyondTheFileOrTheCanvasAreRefused) {
  const Bytes drawing = test_support::MakeWmf(100, 50, 0xFF);
  constexpr size_t kMaxRecordAt = 22 + 12;  // after the placeable header, in the metafile header
  DecodedPicture picture;
  std::string error;
  Bytes file = drawing;
  engine::WriteU32(&file[kMaxRecordAt], 0x0A000000);
  EXPECT_FALSE(Decode(file, &picture, &error));
  EXPECT_NE(error.find("largest record passes the end"), std::string::npos) << error;

  file = drawing;
  engine::WriteU32(&file[file.size() - 6], 0x10000);  // the last record, 128 KiB long
  EXPECT_FALSE(Decode(file, &picture, &error));
  EXPECT_NE(error.find("a record passes the end"), std::string::npos) << error;

  // A stretched bitmap of 16000 x 16000 run-length pixels, 40 bytes of header and no pixels,
  // before the last record.
  Bytes stretch = {34, 0, 0, 0, 0x43, 0x0F, 0x20, 0, 0xCC, 0};  // 34 words, STRETCHDIB, SRCCOPY
  stretch.resize(6 + 22, 0);
  const Bytes header = {40, 0, 0, 0, 0x80, 0x3E, 0, 0, 0x80, 0x3E, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0};
  stretch.insert(stretch.end(), header.begin(), header.end());
  stretch.resize(34 * 2, 0);
  file = drawing;
  file.insert(file.end() - 6, stretch.begin(), stretch.end());
  engine::WriteU32(&file[kMaxRecordAt], 34);
  EXPECT_FALSE(Decode(file, &picture, &error));
  EXPECT_NE(error.find("bitmaps inside are too large"), std::string::npos) << error;

  // One bitmap of 2048 x 2048 uncompressed 8-bit pixels, within the bitmaps' total, in a record
  // of 68 bytes: more than its bytes hold.
  const Bytes square = {40, 0, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0};
  std::copy(square.begin(), square.end(), stretch.begin() + 6 + 22);
  file = drawing;
  file.insert(file.end() - 6, stretch.begin(), stretch.end());
  engine::WriteU32(&file[kMaxRecordAt], 34);
  EXPECT_FALSE(Decode(file, &picture, &error));
  EXPECT_NE(error.find("a bitmap inside: the picture claims more pixels than its bytes could hold"), std::string::npos)
      << error;
}

// The default pen is one logical unit; in a window one unit wide it is as wide as the canvas.
// Stamped at each of the line's 2000 pixels it would paint 8 billion, past the painting budget
// (which counts every pixel painted); swept as one band it paints the canvas once.
TEST(PictureFormatsTest, AWmfPenAsWideAsTheCanvasPaintsTheBandItSweepsOnce) {
  const Bytes file = test_support::MakeWmfDrawing(2000, 2000, 1, 1, {{0x0214, {0, 0}}, {0x0213, {1, 1}}});
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(file, &picture, &error)) << error;
  ASSERT_EQ(picture.width, 2000);
  // Black along the diagonal, the default background off it.
  auto red = [&](int x, int y) { return picture.frames.at(0).pixels[(size_t(y) * 2000 + x) * 4 + 2]; };
  for (int at : {0, 500, 1000, 1500, 1999}) EXPECT_EQ(red(at, at), 0) << at;
  EXPECT_EQ(red(1999, 0), 255);
  EXPECT_EQ(red(0, 1999), 255);
}

// Forty such lines would paint a canvas of a megapixel forty times over, more than any drawing
// may: the drawing is stopped and refused.
TEST(PictureFormatsTest, AWmfThatWouldPaintMoreThanItsBudgetIsRefused) {
  std::vector<test_support::WmfRecord> zigzag = {{0x0214, {0, 0}}};
  for (uint16_t i = 0; i < 40; ++i) zigzag.push_back({0x0213, {static_cast<uint16_t>(i % 2), static_cast<uint16_t>(1 - i % 2)}});
  const Bytes file = test_support::MakeWmfDrawing(1000, 1000, 1, 1, zigzag);
  DecodedPicture picture;
  std::string error;
  EXPECT_FALSE(Decode(file, &picture, &error));
  EXPECT_NE(error.find("paints too much"), std::string::npos) << error;
}

TEST(PictureFormatsTest, WmfIsDrawnAtItsSizeInPixels) {
  const Bytes file = test_support::MakeWmf(100, 50, 0x0000FF);  // red
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(file, &picture, &error)) << error;
  EXPECT_EQ(picture.width, 100);
  EXPECT_EQ(picture.height, 50);
  ASSERT_EQ(picture.frames.size(), 1u);
  const uint8_t* middle = &picture.frames[0].pixels[(25 * 100 + 50) * 4];
  EXPECT_EQ(middle[0], 0);    // blue
  EXPECT_EQ(middle[1], 0);    // green
  EXPECT_EQ(middle[2], 255);  // red
  EXPECT_EQ(middle[3], 255);
}

TEST(PictureFormatsTest, WmfOfAHugeSizeIsRefused) {
  const Bytes file = test_support::MakeWmf(30000, 30000, 0xFF);
  DecodedPicture picture;
  std::string error;
  EXPECT_FALSE(Decode(file, &picture, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

}  // namespace
}  // namespace platform
