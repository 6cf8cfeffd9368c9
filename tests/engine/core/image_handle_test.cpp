// ctest-labels: paint
#include "engine/core/image_handle.h"
#include "engine/core/colour_key.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using engine::ImageHandle;
using engine::ImageRecord;
using engine::PictureInfo;

// A record whose blocks the test owns (freed with FreeImageRecord at the end).
struct OwnedRecord {
  ImageRecord r;
  ~OwnedRecord() { engine::FreeImageRecord(&r); }
};

// A true-colour record of frames stacked vertically: red = frame, green = y, blue = x; frame 0 has alpha 0 at (0, 0).
void MakeTrueColour(ImageRecord* r, int w, int h, int frames, std::vector<uint32_t> delays = {}) {
  r->width = static_cast<uint16_t>(w);
  r->height = static_cast<uint16_t>(h);
  r->frame_count = static_cast<uint16_t>(frames);
  r->data_size = static_cast<uint32_t>(w * h * frames * 4);
  r->pixels = new uint8_t[r->data_size]();
  auto* words = reinterpret_cast<uint32_t*>(r->pixels);
  for (int f = 0; f < frames; ++f)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        words[(f * h + y) * w + x] = (f == 0 && x == 0 && y == 0) ? 0 : 0xFF000000u | (f << 16) | (y << 8) | x;
  if (!delays.empty()) {
    r->flags |= engine::kImageFlagDelays;
    r->delays = new uint32_t[delays.size()];
    std::memcpy(r->delays, delays.data(), delays.size() * 4);
  }
  r->serial = 5;
}

ImageHandle Bind(ImageRecord* r) {
  ImageHandle h;
  PictureInfo info;
  info.serial = r->serial;
  info.record = r;
  info.width = r->width;
  info.height = r->height;
  info.backdrop = engine::kColourKey;
  h.SetParams(info);
  return h;
}

TEST(ImageHandle, EmptyHandleAnswersDefaults) {
  ImageHandle h;
  EXPECT_FALSE(h.HitTest(0, 0));
  EXPECT_FALSE(h.IsCurrent());
  EXPECT_EQ(h.GetColourKey(), engine::kColourKey);
  EXPECT_EQ(h.SetFrame(3), 0u);
  EXPECT_EQ(h.GetFrame(), 0);
  EXPECT_EQ(h.GetFrameCount(), 0);
  EXPECT_EQ(h.GetTotalDuration(), 0u);
  EXPECT_EQ(h.GetOffsetX(), 0);
  EXPECT_EQ(h.GetPixelAlpha(0, 0), 0);
  EXPECT_EQ(h.SelectFrameByTime(100, 2), 2u);
}

TEST(ImageHandle, SerialDecidesCurrency) {
  OwnedRecord o;
  MakeTrueColour(&o.r, 2, 2, 1);
  ImageHandle h = Bind(&o.r);
  EXPECT_TRUE(h.IsCurrent());
  o.r.serial = 9;  // the cache stored a new picture in the cell
  EXPECT_FALSE(h.IsCurrent());
  h.SetRecord(nullptr);
  EXPECT_FALSE(h.IsCurrent());
}

TEST(ImageHandle, SelectFrameByTime) {
  OwnedRecord o;
  MakeTrueColour(&o.r, 1, 1, 3, {100, 200, 300});
  ImageHandle h = Bind(&o.r);
  EXPECT_EQ(h.GetTotalDuration(), 600u);
  EXPECT_EQ(h.SelectFrameByTime(650, 0), 0u);  // frame 0 again: the start
  EXPECT_EQ(h.GetFrame(), 0);
  EXPECT_EQ(h.SelectFrameByTime(250, 0), 200u);
  EXPECT_EQ(h.GetFrame(), 1);
  h.SetFrame(2);
  o.r.flags &= ~engine::kImageFlagFrameChanged;
  EXPECT_EQ(h.SelectFrameByTime(50, 2), 2u);
  EXPECT_EQ(h.GetFrame(), 2);
  EXPECT_EQ(o.r.flags & engine::kImageFlagFrameChanged, 0u);
  // Starting at frame 1, 350 ms on lies in frame 2 (200 + 300).
  h.SetFrame(0);
  EXPECT_EQ(h.SelectFrameByTime(350, 1), 300u);
  EXPECT_EQ(h.GetFrame(), 2);
}

TEST(ImageHandle, SetFrameAndNextFrame) {
  OwnedRecord o;
  MakeTrueColour(&o.r, 1, 1, 3, {10, 20, 30});
  ImageHandle h = Bind(&o.r);
  EXPECT_EQ(h.SetFrame(5), 30u);
  EXPECT_EQ(h.GetFrame(), 2);
  EXPECT_NE(o.r.flags & engine::kImageFlagFrameChanged, 0u);
  h.ClearChanged();
  EXPECT_EQ(h.NextFrame(), 10u);
  EXPECT_EQ(h.GetFrame(), 0);
  EXPECT_EQ(o.r.flags & engine::kImageFlagFrameChanged, 0u);
  // Negative frames wrap to a frame of the picture, never before it.
  EXPECT_EQ(h.SetFrame(-1), 30u);
  EXPECT_EQ(h.GetFrame(), 2);
  EXPECT_EQ(h.GetFrameDuration(-4), 30u);

  OwnedRecord single;
  MakeTrueColour(&single.r, 1, 1, 1);
  ImageHandle s = Bind(&single.r);
  EXPECT_EQ(s.SetFrame(1), 0u);
  EXPECT_EQ(s.NextFrame(), 0u);
  EXPECT_EQ(s.GetFrame(), 0);
  EXPECT_EQ(s.GetFrameDuration(0), 0u);  // no delay table
}

TEST(ImageHandle, HitTestAndPixelsAcrossFormats) {
  // True colour: alpha decides; the visible rectangle's edges are outside.
  OwnedRecord tc;
  MakeTrueColour(&tc.r, 3, 2, 2);
  ImageHandle h = Bind(&tc.r);
  EXPECT_FALSE(h.HitTest(0, 0));
  EXPECT_TRUE(h.HitTest(1, 0));
  EXPECT_FALSE(h.HitTest(3, 0));
  EXPECT_FALSE(h.HitTest(0, 2));
  EXPECT_FALSE(h.HitTest(-1, 1));
  EXPECT_EQ(h.GetPixelColour(2, 1), 0x020100u);  // blue 2, green 1, red 0 (the frame)
  h.SetFrame(1);
  EXPECT_EQ(h.GetPixelColour(2, 1), 0x020101u);
  EXPECT_TRUE(h.HitTest(0, 0));  // only frame 0 has the hole

  // A frame index set through the info that lies past the block misses instead of reading beyond it.
  PictureInfo info = h.info();
  info.frame = 7;
  h.SetParams(info);
  EXPECT_FALSE(h.HitTest(1, 1));
  EXPECT_EQ(h.GetPixelAlpha(1, 1), 0);

  // One-byte palette with key 7.
  OwnedRecord pal;
  pal.r.width = 2;
  pal.r.height = 1;
  pal.r.frame_count = 1;
  pal.r.flags = engine::kImageFlagOwnPalette | engine::kImageFlagTransparent;
  pal.r.colour_key = 7;
  pal.r.palette_count = 9;
  pal.r.palette = new uint8_t[27]();
  pal.r.palette[8 * 3] = 0x11;
  pal.r.palette[8 * 3 + 1] = 0x22;
  pal.r.palette[8 * 3 + 2] = 0x33;
  pal.r.data_size = 2;
  pal.r.pixels = new uint8_t[2]{7, 8};
  ImageHandle p = Bind(&pal.r);
  EXPECT_FALSE(p.HitTest(0, 0));
  EXPECT_EQ(p.GetPixelAlpha(0, 0), 0);
  EXPECT_TRUE(p.HitTest(1, 0));
  EXPECT_EQ(p.GetPixelAlpha(1, 0), 255);
  EXPECT_EQ(p.GetPixelColour(1, 0), 0x332211u);
  pal.r.pixels[1] = 200;  // an index past the palette has no colour
  EXPECT_EQ(p.GetPixelColour(1, 0), 0u);

  // Two-byte palette: index then alpha.
  OwnedRecord pa;
  pa.r.width = 2;
  pa.r.height = 1;
  pa.r.frame_count = 1;
  pa.r.flags = engine::kImageFlagOwnPalette | engine::kImageFlagAlpha;
  pa.r.colour_key = 256;
  pa.r.palette_count = 2;
  pa.r.palette = new uint8_t[6]();
  pa.r.data_size = 4;
  pa.r.pixels = new uint8_t[4]{1, 0, 1, 90};
  ImageHandle a = Bind(&pa.r);
  EXPECT_FALSE(a.HitTest(0, 0));
  EXPECT_TRUE(a.HitTest(1, 0));
  EXPECT_EQ(a.GetPixelAlpha(1, 0), 90);
}

TEST(ImageHandle, GridLayoutAndExtractFrame) {
  // Four 2 x 2 frames in a grid two frames wide; every pixel holds its frame number in red.
  OwnedRecord grid;
  ImageRecord& g = grid.r;
  g.width = 2;
  g.height = 2;
  g.frame_count = 4;
  g.frame_columns = 2;
  g.data_size = 4 * 4 * 4;
  g.pixels = new uint8_t[g.data_size]();
  auto* words = reinterpret_cast<uint32_t*>(g.pixels);
  for (int f = 0; f < 4; ++f)
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x)
        words[((f / 2) * 2 + y) * 4 + (f % 2) * 2 + x] = 0xFF000000u | (f << 16) | (y << 8) | x;

  ImageHandle h = Bind(&g);
  h.SetFrame(3);
  EXPECT_EQ(h.GetPixelColour(1, 1), 0x010103u);

  OwnedRecord out;
  engine::ExtractFrame(&out.r, &g, 3);
  ASSERT_NE(out.r.pixels, nullptr);
  EXPECT_EQ(out.r.frame_count, 1);
  EXPECT_EQ(out.r.frame_columns, 1u);
  EXPECT_EQ(out.r.data_size, 16u);
  const auto* px = reinterpret_cast<const uint32_t*>(out.r.pixels);
  EXPECT_EQ(px[0], 0xFF030000u);
  EXPECT_EQ(px[3], 0xFF030101u);

  // A palette source would be read past its block: refused, no pixels.
  OwnedRecord pal;
  pal.r.width = 2;
  pal.r.height = 2;
  pal.r.frame_count = 1;
  pal.r.flags = engine::kImageFlagOwnPalette;
  pal.r.data_size = 4;
  pal.r.pixels = new uint8_t[4]();
  OwnedRecord refused;
  engine::ExtractFrame(&refused.r, &pal.r, 0);
  EXPECT_EQ(refused.r.pixels, nullptr);
  // So is a frame the block does not hold.
  engine::ExtractFrame(&refused.r, &g, 9);
  EXPECT_EQ(refused.r.pixels, nullptr);
}

TEST(ImageHandle, CopyImageRecordIsDeep) {
  OwnedRecord src;
  MakeTrueColour(&src.r, 2, 2, 2, {40, 50});
  src.r.cache_time = 77;
  OwnedRecord dst;
  MakeTrueColour(&dst.r, 1, 1, 1);  // blocks of its own, released by the copy
  engine::CopyImageRecord(&src.r, &dst.r, true);
  ASSERT_NE(dst.r.pixels, src.r.pixels);
  ASSERT_NE(dst.r.delays, src.r.delays);
  EXPECT_EQ(std::memcmp(dst.r.pixels, src.r.pixels, src.r.data_size), 0);
  src.r.pixels[4] = 0x5A;
  src.r.delays[1] = 999;
  EXPECT_NE(dst.r.pixels[4], 0x5A);
  EXPECT_EQ(dst.r.delays[1], 50u);
  EXPECT_EQ(dst.r.cache_time, 0u);
  EXPECT_EQ(dst.r.frame_columns, 1u);

  // Without pixels: no pixel block and no size.
  OwnedRecord bare;
  engine::CopyImageRecord(&src.r, &bare.r, false);
  EXPECT_EQ(bare.r.pixels, nullptr);
  EXPECT_EQ(bare.r.data_size, 0u);
  ASSERT_NE(bare.r.delays, nullptr);

  // Onto itself: nothing happens (it would free what it is about to copy).
  engine::CopyImageRecord(&src.r, &src.r, true);
  EXPECT_EQ(src.r.pixels[4], 0x5A);

  engine::FreeImageRecord(&dst.r);
  EXPECT_EQ(dst.r.pixels, nullptr);
  EXPECT_EQ(dst.r.frame_count, 0);
  engine::FreeImageRecord(nullptr);
}

}  // namespace
