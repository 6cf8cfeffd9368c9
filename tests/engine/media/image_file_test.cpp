// ctest-labels: resources
#include "engine/media/image_file.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <vector>

#include "engine/media/pps_picture.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_pictures.h"

namespace engine {
namespace {

using Bytes = std::vector<uint8_t>;

// Pictures decoded here are freed when the test ends.
class ImageFileTest : public test::EngineFixture {
 protected:
  void TearDown() override {
    for (ImageRecord& r : records_) FreePictureRecord(&r);
    EngineFixture::TearDown();
  }
  // A record whose colour key, on the way in, is the given COLORREF.
  ImageRecord* Keyed(uint32_t key) {
    records_.emplace_back();
    records_.back().colour_key = key;
    return &records_.back();
  }
  std::deque<ImageRecord> records_;
};

// Red, green, blue and magenta.
const Bytes kPalette4 = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 0, 255};

TEST(ImageFormatOfExtension, NamesTheFormatsByTheirNumbers) {
  EXPECT_EQ(ImageFormatOfExtension(".bmp"), 1);
  EXPECT_EQ(ImageFormatOfExtension(".gif"), 2);
  EXPECT_EQ(ImageFormatOfExtension(".JPEG"), 3);
  EXPECT_EQ(ImageFormatOfExtension(".jpg"), 3);
  EXPECT_EQ(ImageFormatOfExtension(".png"), 4);
  EXPECT_EQ(ImageFormatOfExtension(".ico"), 5);
  EXPECT_EQ(ImageFormatOfExtension(".tif"), 6);
  EXPECT_EQ(ImageFormatOfExtension(".tga"), 7);
  EXPECT_EQ(ImageFormatOfExtension(".pcx"), 8);
  EXPECT_EQ(ImageFormatOfExtension(".wbmp"), 9);
  EXPECT_EQ(ImageFormatOfExtension(".wmf"), 10);
  EXPECT_EQ(ImageFormatOfExtension(".mng"), 17);
  EXPECT_EQ(ImageFormatOfExtension(".pps"), 0);
  EXPECT_EQ(ImageFormatOfExtension("bmp"), 0);
  EXPECT_EQ(ImageFormatOfExtension(""), 0);
}

TEST_F(ImageFileTest, ATrueColourPictureTakesTheRecordsKeyAsItsTransparentColour) {
  // Magenta (blue, green, red = 255, 0, 255), then a grey pixel.
  const Bytes bmp = test_support::MakeBmp24(2, 1, {255, 0, 255, 0, 9, 8, 7, 0});
  ImageRecord* r = Keyed(0xFF00FF);
  ASSERT_EQ(DecodeImageMemory(bmp.data(), bmp.size(), ".bmp", r), 1);
  EXPECT_FALSE(r->IsPalette());
  EXPECT_EQ(r->colour_key, 0xFF00FFu);
  EXPECT_NE(r->flags & kImageFlagTransparent, 0u);
  EXPECT_EQ(Bytes(r->pixels, r->pixels + 8), (Bytes{255, 0, 255, 0, 9, 8, 7, 255}));

  // A key the picture does not use leaves it opaque.
  ImageRecord* black = Keyed(0x000000);
  ASSERT_EQ(DecodeImageMemory(bmp.data(), bmp.size(), ".bmp", black), 1);
  EXPECT_EQ(black->flags & kImageFlagTransparent, 0u);
  EXPECT_EQ(black->pixels[3], 255);
}

TEST_F(ImageFileTest, APalettePictureKeysTheEntryThatIsTheColourExactly) {
  const Bytes bmp = test_support::MakeBmp8(4, 1, kPalette4, {0, 1, 2, 3});
  ImageRecord* r = Keyed(0xFF00FF);
  ASSERT_EQ(DecodeImageMemory(bmp.data(), bmp.size(), ".bmp", r), 1);
  ASSERT_TRUE(r->IsPalette());
  EXPECT_EQ(r->colour_key, 3u);
  EXPECT_NE(r->flags & kImageFlagTransparent, 0u);

  // Nearest to dark red is red, which is not the key exactly: no transparency.
  ImageRecord* near = Keyed(0x000080);
  ASSERT_EQ(DecodeImageMemory(bmp.data(), bmp.size(), ".bmp", near), 1);
  EXPECT_EQ(near->flags & kImageFlagTransparent, 0u);
  EXPECT_EQ(near->colour_key, kNoPaletteKey);
}

TEST_F(ImageFileTest, GifKeepsItsOwnTransparency) {
  test_support::GifFrameDesc frame;
  frame.width = 2;
  frame.height = 1;
  frame.indices = {1, 2};
  frame.transparent = 1;
  const Bytes gif = test_support::MakeGif(2, 1, kPalette4, {frame});
  ImageRecord* r = Keyed(0xFF00FF);  // magenta is entry 3, which the file does not key
  ASSERT_EQ(DecodeImageMemory(gif.data(), gif.size(), ".gif", r), 1);
  EXPECT_EQ(r->colour_key, 1u);
  EXPECT_NE(r->flags & kImageFlagTransparent, 0u);
}

// A WBMP carries no mark of its own: its extension, in any case, says what it is, here as in
// the paint module.
TEST_F(ImageFileTest, AWbmpIsReadByItsExtension) {
  const Bytes wbmp = test_support::MakeWbmp(3, 1, {1, 0, 1});
  ImageRecord* r = Keyed(0xFF00FF);
  ASSERT_EQ(DecodeImageMemory(wbmp.data(), wbmp.size(), ".WBMP", r), 1);
  ASSERT_TRUE(r->IsPalette());
  EXPECT_EQ(Bytes(r->pixels, r->pixels + 3), (Bytes{1, 0, 1}));
  const std::string path = (dir_ / "dots.wbmp").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wbmp.data()), std::streamsize(wbmp.size()));
  EXPECT_EQ(DecodeImageFile(path, ".wbmp", Keyed(0xFF00FF)), 1);
}

TEST_F(ImageFileTest, FilesAreReadWholeAndBadRequestsChangeNothing) {
  const Bytes bmp = test_support::MakeBmp24(1, 1, {1, 2, 3, 0});
  const std::string path = (dir_ / "one.bmp").string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
  ImageRecord* r = Keyed(0xFF00FF);
  ASSERT_EQ(DecodeImageFile(path, ".bmp", r), 1);
  EXPECT_EQ(r->width, 1);
  EXPECT_EQ(Bytes(r->pixels, r->pixels + 4), (Bytes{1, 2, 3, 255}));

  ImageRecord* untouched = Keyed(0x123456);
  EXPECT_EQ(DecodeImageFile((dir_ / "none.bmp").string(), ".bmp", untouched), 0);
  EXPECT_EQ(DecodeImageMemory(bmp.data(), bmp.size(), ".pps", untouched), 0);
  EXPECT_EQ(DecodeImageMemory(bmp.data(), bmp.size(), ".txt", untouched), 0);
  const Bytes garbage(64, 0x5A);
  EXPECT_EQ(DecodeImageMemory(garbage.data(), garbage.size(), ".bmp", untouched), 0);
  EXPECT_EQ(untouched->pixels, nullptr);
  EXPECT_EQ(untouched->colour_key, 0x123456u);
}

}  // namespace
}  // namespace engine
