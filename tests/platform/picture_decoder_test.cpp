// ctest-labels: resources
#include "platform/picture_decoder.h"
#include "platform/png_file.h"
#include "platform/jpeg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <vector>

#include <tiffio.h>
#include <zlib.h>

#include "platform/decode_budget.h"
#include "platform/files.h"
#include "platform/picture_formats.h"
#include "tests/support/heap_peak.h"
#include "tests/support/test_pictures.h"

namespace platform {
namespace {

using Bytes = std::vector<uint8_t>;
using test_support::GifFrameDesc;

const Bytes kPalette4 = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};

TEST(PictureDecoderTest, PngRoundTripKeepsAlpha) {
  Bytes bgra;
  for (int i = 0; i < 6; ++i)
    bgra.insert(bgra.end(), {uint8_t(i * 10), uint8_t(i * 20), uint8_t(i * 30), uint8_t(i * 40)});
  std::string error;
  ASSERT_TRUE(SavePng("p.png", 3, 2, bgra.data(), &error)) << error;
  DecodedPicture picture;
  ASSERT_TRUE(DecodePictureFile("p.png", &picture, &error)) << error;
  EXPECT_EQ(picture.width, 3);
  EXPECT_EQ(picture.height, 2);
  EXPECT_EQ(picture.bytes_per_pixel, 4);
  EXPECT_TRUE(picture.alpha_valid);
  ASSERT_EQ(picture.frames.size(), 1u);
  EXPECT_EQ(picture.frames[0].pixels, bgra);
  EXPECT_FALSE(picture.animated);
}

TEST(PictureDecoderTest, BmpTrueColourRowsComeTopDownAndOpaque) {
  Bytes bgra = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
  const Bytes bmp = test_support::MakeBmp24(2, 2, bgra);
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(bmp.data(), bmp.size(), &picture, &error)) << error;
  EXPECT_FALSE(picture.alpha_valid);
  for (size_t i = 3; i < bgra.size(); i += 4) bgra[i] = 255;
  EXPECT_EQ(picture.frames[0].pixels, bgra);
}

TEST(PictureDecoderTest, BmpPaletteKeepsIndices) {
  const Bytes indices = {0, 1, 2, 3, 3, 2};
  const Bytes bmp = test_support::MakeBmp8(3, 2, kPalette4, indices);
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(bmp.data(), bmp.size(), &picture, &error)) << error;
  ASSERT_EQ(picture.bytes_per_pixel, 1);
  EXPECT_EQ(picture.frames[0].pixels, indices);
  ASSERT_GE(picture.palette.size(), 12u);
  EXPECT_EQ(Bytes(picture.palette.begin(), picture.palette.begin() + 12), kPalette4);
  EXPECT_EQ(picture.transparent_index, -1);
}

// A bitmap of 16- or 32-bit pixels in colour masks: a Windows header of `header` bytes (the
// masks in it from 52 bytes on, after it below), `compression` (0 BI_RGB, 3 BI_BITFIELDS, 6
// BI_ALPHABITFIELDS), rows of `pixels` in the order stored, each padded to four bytes. A
// negative height stores the top row first.
Bytes MaskedBmp(uint32_t header, uint32_t compression, uint16_t bits, std::vector<uint32_t> masks, int32_t width,
                int32_t height, const std::vector<uint32_t>& pixels) {
  Bytes bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) bmp.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  put(header, 4), put(width, 4), put(height, 4), put(1, 2), put(bits, 2), put(compression, 4);
  bmp.resize(14 + 40, 0);
  if (header > 40) masks.resize(4);
  for (uint32_t mask : masks) put(mask, 4);
  bmp.resize(std::max<size_t>(bmp.size(), 14 + header), 0);
  bmp[10] = static_cast<uint8_t>(bmp.size());
  const int padding = (4 - width * bits / 8 % 4) % 4;
  for (size_t i = 0; i < pixels.size(); ++i) {
    put(pixels[i], bits / 8);
    if ((i + 1) % width == 0) put(0, padding);
  }
  return bmp;
}

// A bitmap's masks are read whatever their widths: up to 8 bits widened by repeating their
// bits (5 and 6 bits as ImageMagick widens them, 2 and 4 bits to 255 where ImageMagick stops at
// 191 and 240), longer ones scaled from their top 16 bits as ImageMagick scales them (a 2-10-10-10
// V5 file gives its colours), in headers of 40 to 124 bytes, rows either way up, the last row
// stored without its padding. An alpha mask gives alpha; masks of bits apart are refused.
TEST(PictureDecoderTest, BitmapsOfColourMasksAreReadWhateverTheirWidths) {
  const std::vector<uint32_t> k444 = {0xF00, 0xF0, 0xF}, k565 = {0xF800, 0x7E0, 0x1F};
  auto cut = [](Bytes file, size_t bytes) {
    file.resize(file.size() - bytes);
    return file;
  };
  // The bitmap with these pixels after its two colours (biClrUsed 2).
  auto with = [](Bytes file, const Bytes& pixels) {
    file[14 + 32] = 2;
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
  };
  // SDL2_image's reason for a bitmap cut short (Pillow and ImageMagick refuse them too).
  const std::string kCutShort = "unreadable picture: Error reading from datastream";
  const struct {
    const char* kind;
    Bytes bmp;
    Bytes bgra;  // top row first; or empty, and the reason it is refused
    std::string error = "";
    bool alpha = false;
  } kRows[] = {
      {"4-4-4 as ffmpeg writes it", MaskedBmp(40, 3, 16, k444, 2, 2, {0xFFF, 0xF00, 0x0F0, 0x123}),
       {0, 255, 0, 255, 51, 34, 17, 255, 255, 255, 255, 255, 0, 0, 255, 255}},
      {"5-6-5, top row first", MaskedBmp(40, 3, 16, k565, 2, -1, {0xFFFF, 28 << 11 | 48 << 5 | 3}),
       {255, 255, 255, 255, 24, 195, 231, 255}},
      {"5-5-5 of BI_RGB", MaskedBmp(40, 0, 16, {}, 1, 1, {28 << 10}), {0, 0, 231, 255}},
      {"1-5-5-5 in a 108-byte header", MaskedBmp(108, 3, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}, 2, 1, {0x801F, 0x3E0}),
       {255, 0, 0, 255, 0, 255, 0, 0}, "", true},
      {"4-4-4-4 in a 124-byte header", MaskedBmp(124, 3, 16, {0xF00, 0xF0, 0xF, 0xF000}, 2, -1, {0xF10F, 0x7000}),
       {255, 0, 17, 255, 0, 0, 0, 119}, "", true},
      {"8-8-8-8 of BI_ALPHABITFIELDS", MaskedBmp(40, 6, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 1, 1, {0x80112233}),
       {0x33, 0x22, 0x11, 0x80}, "", true},
      {"R-G-B-A in a 56-byte header", MaskedBmp(56, 3, 32, {0xFF000000, 0xFF0000, 0xFF00, 0xFF}, 1, 1, {0x11223344}),
       {0x33, 0x22, 0x11, 0x44}, "", true},
      {"2-10-10-10 in a V5 header", MaskedBmp(124, 3, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 1, 1,
                                               {1u << 30 | 1023 << 20 | 512 << 10 | 3}), {1, 128, 255, 85}, "", true},
      {"a mask of 32 bits", MaskedBmp(40, 3, 32, {0xFFFFFFFF, 0, 0}, 1, 1, {0x80FF1234}), {0, 0, 128, 255}},
      {"the last row without its padding", cut(MaskedBmp(40, 3, 16, k565, 1, 2, {0xFFFF, 0}), 2),
       {0, 0, 0, 255, 255, 255, 255, 255}},
      {"the last row of 24 bits without its padding", cut(MaskedBmp(40, 0, 24, {}, 1, 2, {0x0000FF, 0xFFFFFF}), 1),
       {255, 255, 255, 255, 255, 0, 0, 255}},
      {"a mask of bits apart", MaskedBmp(40, 3, 16, {0xF0F, 0xF0, 0}, 1, 1, {0}), {},
       "BMP: a colour mask whose bits are not one run"},
      {"pixels cut short", cut(MaskedBmp(40, 3, 16, k565, 2, 2, {1, 2, 3, 4}), 3), {},
       "BMP: the pixels run past the end of the file"},
      {"24 bits cut by a row", cut(MaskedBmp(40, 0, 24, {}, 1, 2, {0x0000FF, 0xFFFFFF}), 4), {}, kCutShort},
      {"1 bit of width 10 cut into its last byte", cut(with(MaskedBmp(40, 0, 1, {0, 0xFFFFFF}, 10, 1, {}), {0xFF, 0xC0, 0, 0}), 3),
       {}, kCutShort},
      {"RLE8 cut in its last run", cut(with(MaskedBmp(40, 1, 8, {0, 0xFFFFFF}, 3, 2, {}), {3, 1, 0, 0, 2, 0, 1, 1, 0, 1}), 3),
       {}, kCutShort},
      {"masks cut short", cut(MaskedBmp(40, 3, 16, k565, 1, 1, {}), 1), {},
       "BMP: the colour masks run past the end of the file"},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.kind);
    DecodedPicture picture;
    std::string error;
    const bool decoded = DecodePictureBytes(row.bmp.data(), row.bmp.size(), &picture, &error);
    EXPECT_EQ(decoded, !row.bgra.empty()) << error;
    if (row.bgra.empty()) {
      EXPECT_EQ(error, row.error);
    }
    if (!decoded) continue;
    EXPECT_EQ(picture.alpha_valid, row.alpha);
    EXPECT_EQ(picture.frames.at(0).pixels, row.bgra);
  }
}

TEST(PictureDecoderTest, GifFramesAreComposedWithDelaysAndTransparency) {
  // Frame 1 fills the 4x2 screen; frame 2 paints a 2x1 patch, index 3 transparent, and is
  // restored to the background afterwards; frame 3 shows that restoration.
  std::vector<GifFrameDesc> frames(3);
  frames[0] = {0, 0, 4, 2, {1, 1, 1, 1, 2, 2, 2, 2}, 10, 3, 0};
  frames[1] = {1, 1, 2, 1, {0, 3}, 0, 3, 2};
  frames[2] = {0, 0, 1, 1, {2}, 25, 3, 1};
  const Bytes gif = test_support::MakeGif(4, 2, kPalette4, frames);
  ASSERT_FALSE(gif.empty());
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(gif.data(), gif.size(), &picture, &error)) << error;
  EXPECT_TRUE(picture.animated);
  ASSERT_EQ(picture.bytes_per_pixel, 1);
  EXPECT_EQ(picture.transparent_index, 3);
  ASSERT_EQ(picture.frames.size(), 3u);
  EXPECT_EQ(picture.frames[0].pixels, (Bytes{1, 1, 1, 1, 2, 2, 2, 2}));
  EXPECT_EQ(picture.frames[1].pixels, (Bytes{1, 1, 1, 1, 2, 0, 2, 2}));
  EXPECT_EQ(picture.frames[2].pixels, (Bytes{2, 1, 1, 1, 2, 3, 3, 2}));
  EXPECT_EQ(picture.frames[0].delay_ms, 100u);
  EXPECT_EQ(picture.frames[1].delay_ms, 0u);
  EXPECT_EQ(picture.frames[2].delay_ms, 250u);
}

// What each frame shows, a letter a pixel: kPalette4's black, red, green or blue; '.' clear.
std::vector<std::string> FrameLetters(const DecodedPicture& picture) {
  std::vector<std::string> shown;
  for (const PictureFrame& frame : picture.frames) {
    std::string& letters = shown.emplace_back();
    for (size_t at = 0; at < frame.pixels.size(); at += picture.bytes_per_pixel) {
      const uint8_t* p = &frame.pixels[at];
      if (picture.IsPalette()) letters += p[0] == picture.transparent_index ? '.' : "krgb"[p[0] & 3];
      if (!picture.IsPalette()) letters += p[3] == 0 ? '.' : p[2] ? 'r' : p[1] ? 'g' : p[0] ? 'b' : 'k';
    }
  }
  return shown;
}

// A frame's transparent index is its own: a frame that declares none (the first of gifsicle's
// and ffmpeg's animations) or another one draws that index as its colour. The palette stays
// where one index keys out every frame's transparent pixels and no frame draws it. Where no frame
// covers the screen, it shows the background colour unless a frame keys something out, with one
// colour table or with tables of the frames' own (as ImageMagick and Pillow show both).
TEST(PictureDecoderTest, EachGifFrameKeysOutItsOwnTransparentIndexAlone) {
  struct Case {
    const char* name;
    std::vector<std::pair<Bytes, int>> frames;  // 2 x 2 indices, transparent index
    int key;                                    // the palette's transparent index; -2: true colour
    std::vector<std::string> shown;
    Bytes second_table;  // the second frame's own; with one, the screen has a column no frame covers
  };
  const Bytes kSwapped = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};  // blue, green, red, black
  const Case kCases[] = {
      {"only the second frame keys out red", {{{1, 1, 2, 2}, -1}, {{1, 1, 3, 1}, 1}}, -2, {"rrgg", "rrbg"}, {}},
      {"changes over black, which the first draws", {{{0, 1, 2, 3}, -1}, {{0, 2, 0, 0}, 0}}, -2, {"krgb", "kggb"}, {}},
      {"a key no frame draws", {{{1, 1, 2, 2}, -1}, {{3, 2, 3, 3}, 3}}, 3, {"rrgg", "rggg"}, {}},
      {"frames that disagree, one key drawn by none", {{{1, 3, 2, 2}, 3}, {{2, 1, 2, 0}, 2}}, 3, {"r.gg", "rrgk"}, {}},
      {"a table of its own, none clear", {{{1, 1, 2, 2}, -1}, {{0, 1, 2, 2}, -1}}, -2, {"rrkggk", "bgkrrk"}, kSwapped},
      {"a table of its own, keys in both", {{{1, 1, 2, 2}, 3}, {{0, 1, 0, 2}, 0}}, -2, {"rr.gg.", "rg.gr."}, kSwapped},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<GifFrameDesc> frames;
    for (const auto& [indices, transparent] : c.frames) frames.push_back({0, 0, 2, 2, indices, 0, transparent, 0});
    const Bytes gif = test_support::MakeGif(c.second_table.empty() ? 2 : 3, 2, kPalette4, frames, {{}, c.second_table});
    DecodedPicture picture;
    std::string error;
    ASSERT_TRUE(DecodePictureBytes(gif.data(), gif.size(), &picture, &error)) << error;
    EXPECT_EQ(picture.IsPalette() ? picture.transparent_index : -2, c.key);
    EXPECT_EQ(FrameLetters(picture), c.shown);
  }
}

TEST(PictureDecoderTest, GarbageAndTruncationAreRefused) {
  std::string error;
  DecodedPicture picture;
  const Bytes junk = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(DecodePictureBytes(junk.data(), junk.size(), &picture, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(DecodePictureBytes(nullptr, 0, &picture, &error));
  std::vector<GifFrameDesc> frames(1);
  frames[0] = {0, 0, 2, 2, {0, 1, 2, 3}, 0, -1, 0};
  const Bytes gif = test_support::MakeGif(2, 2, kPalette4, frames);
  for (size_t cut = 0; cut + 1 < gif.size(); ++cut) {
    Bytes part(gif.begin(), gif.begin() + cut);
    DecodedPicture p;
    DecodePictureBytes(part.data(), part.size(), &p, &error);  // refused or partial, never a crash
  }
  // An icon holding a PNG, cut anywhere (4 bytes into its image: part of the PNG's signature).
  Bytes bgra(4 * 4, 200);
  const Bytes ico = test_support::MakeIcon(EncodePng(2, 2, bgra.data()));
  for (size_t cut = 0; cut + 1 < ico.size(); ++cut) {
    Bytes part(ico.begin(), ico.begin() + cut);
    DecodedPicture p;
    EXPECT_FALSE(DecodePictureBytes(part.data(), part.size(), &p, &error)) << cut;
  }
  EXPECT_FALSE(DecodePictureFile("missing.png", &picture, &error));
}

// Headers that claim more pixels than any picture decoded may hold are refused before a
// surface or frame of that size is allocated; so are SVG drawings, which are no pictures.
TEST(PictureDecoderTest, MadeUpSizesAndDrawingsAreRefused) {
  std::string error;
  DecodedPicture picture;
  Bytes bmp = test_support::MakeBmp24(2, 2, Bytes(16, 7));
  bmp[20] = 0x10;  // width 1 Mi
  bmp[24] = 0x10;  // height 1 Mi
  EXPECT_FALSE(DecodePictureBytes(bmp.data(), bmp.size(), &picture, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
               0,    1,   0,   0,   0,    1,    0,    0,    8, 6, 0, 0,  0,   0,   0,   0};
  EXPECT_FALSE(DecodePictureBytes(png.data(), png.size(), &picture, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;

  std::vector<GifFrameDesc> frames(1);
  frames[0] = {0, 0, 2, 2, {0, 1, 2, 3}, 0, -1, 0};
  Bytes gif = test_support::MakeGif(2, 2, kPalette4, frames);
  const Bytes descriptor = {0x2C, 0, 0, 0, 0, 2, 0, 2, 0};
  auto at = std::search(gif.begin(), gif.end(), descriptor.begin(), descriptor.end());
  ASSERT_NE(at, gif.end());
  at[5] = at[6] = at[7] = at[8] = 0xFF;  // a 65535 x 65535 frame
  EXPECT_FALSE(DecodePictureBytes(gif.data(), gif.size(), &picture, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;

  const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\"></svg>";
  EXPECT_FALSE(DecodePictureBytes(reinterpret_cast<const uint8_t*>(svg.data()), svg.size(), &picture, &error));
}

// A 23-byte file is no 8192 x 8192 picture, whatever its format.
TEST(PictureDecoderTest, HeadersClaimingMoreThanTheirFileHoldsAreRefusedUnread) {
  auto with = [](Bytes head, size_t size) {
    head.resize(std::max(head.size(), size));
    return head;
  };
  Bytes ico = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0, 40, 0, 0, 0, 22, 0, 0, 0,  // directory, one entry
               40, 0, 0, 0, 0, 0x20, 0, 0, 0, 0x40, 0, 0, 1, 0, 32, 0};               // 8192 x (2 x 8192)
  Bytes bmp = test_support::MakeBmp24(2, 2, Bytes(16, 7));
  bmp[18] = bmp[22] = 0;
  bmp[19] = bmp[23] = 0x20;  // 8192 x 8192
  std::vector<GifFrameDesc> frames(1);
  frames[0] = {0, 0, 2, 2, {0, 1, 2, 3}, 0, -1, 0};
  Bytes gif = test_support::MakeGif(2, 2, kPalette4, frames);
  gif[6] = gif[8] = 0;
  gif[7] = gif[9] = 0x20;  // a logical screen of 8192 x 8192
  // A PNG's pixels come from its image data alone, not from 16 KiB of text beside it.
  Bytes png = test_support::WithPngChunks(test_support::MakeBlankPng1Bit(1, 1), "tEXt", Bytes(16384, 'a'), 1);
  png[18] = png[22] = 0x20;  // IHDR: 8192 x 8192
  png[19] = png[23] = 0;
  const std::pair<const char*, Bytes> claims[] = {
      {"TGA", with({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 0x20, 32, 8}, 23)},
      {"TGA of grey and alpha", with({0, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0, 0x20, 16, 8}, 23)},
      {"JPEG", {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0x20, 0, 0x20, 0, 1, 1, 0x11, 0,  // a frame, then a scan
                0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0}},
      {"TIFF", {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0, 0, 1, 4, 0, 1, 0, 0, 0, 0, 0x20, 0, 0,
                1, 1, 3, 0, 1, 0, 0, 0, 0, 0x20, 0, 0}},
      {"PCX", with({10, 5, 1, 8, 0, 0, 0, 0, 0xFF, 0x1F, 0xFF, 0x1F}, 128)},
      {"ICO", ico},
      {"BMP", bmp},
      {"GIF", gif},
      {"PNG", png},
      {"ICO holding a PNG", test_support::MakeIcon(png)},
  };
  for (const auto& [format, file] : claims) {
    SCOPED_TRACE(format);
    DecodedPicture picture;
    std::string error;
    EXPECT_FALSE(DecodePictureBytes(file.data(), file.size(), &picture, &error));
    EXPECT_NE(error.find("claims more pixels than its bytes could hold"), std::string::npos) << error;
  }
}

// Small hostile files (kept among the fuzz seeds): TIFF sides typed SLONG, PCX
// sides read unsigned, TGA runs, a progressive JPEG without scan data, one-pixel GIF frames each
// composed onto a 2048 x 2048 screen. Each claims what its coding could never give. The claim
// is read where the decoder reads: libjpeg skips FF 00 before a frame as padding (a marker
// with a length would jump over it); SDL2_image decodes the image of the icon entry with the
// most colours, of every entry the directory counts (a cut-off one's missing count, 0, means
// 256), whatever the entry with the most pixels claims.
TEST(PictureDecoderTest, SmallFilesClaimingHugePicturesByAnyFieldOrCodingAreRefusedUnread) {
  for (const char* name :
       {"tiff_slong_sides_8192_square.tif", "pcx_sides_claim_65535_by_256.pcx", "tga_runs_claim_8192_square.tga",
        "jpeg_progressive_no_scan_data.jpg", "gif_15_frames_on_2048_square_screen.gif",
        "jpeg_stuffed_zero_before_8000_square_frame.jpg", "ico_cut_off_entry_of_8000_square.ico",
        "ico_256_colours_of_1024_by_1030_beside_2_colours.ico"}) {
    SCOPED_TRACE(name);
    DecodedPicture picture;
    std::string error;
    EXPECT_FALSE(DecodePictureFile(std::string(ZP_TEST_DATA_DIR "/../../fuzz/corpus/picture/") + name, &picture, &error));
    EXPECT_NE(error.find("claims more pixels than its bytes could hold"), std::string::npos) << error;
  }
  // A TIFF width given as a FLOAT: a field the check cannot read refuses the picture.
  const Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0, 0, 1, 11, 0, 1, 0, 0, 0, 0, 0, 0x80, 0x46,
                      1, 1, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  DecodedPicture picture;
  std::string error;
  EXPECT_FALSE(DecodePictureBytes(tiff.data(), tiff.size(), &picture, &error));
  EXPECT_NE(error.find("type that is not read"), std::string::npos) << error;
  // A chunk past the end of a PNG: libpng was handed its last bytes again and again, for ever.
  EXPECT_FALSE(DecodePictureFile(ZP_TEST_DATA_DIR "/fuzz/picture/png_chunk_past_the_end.png", &picture, &error));
  EXPECT_NE(error.find("past the end of the file"), std::string::npos) << error;
}

// The claim walks a GIF's blocks as giflib reads them. giflib reads an extension's first
// sub-block apart from the rest: after an empty one it reads sub-blocks up to the next empty
// one, so the frame behind such a comment (40000 x 40000 in 39 bytes, and with real LZW data
// in the seeds) is claimed and refused, and a comment going on after it still decodes. giflib
// keeps each extension sub-block in a heap block of its own, growing their array one record at
// a time: 300000 of them (600 KB, some 20 MB kept) are refused unread.
TEST(PictureDecoderTest, GifBlocksAreClaimedAsGiflibReadsThem) {
  DecodedPicture picture;
  std::string error;
  for (const std::string path :
       {ZP_TEST_DATA_DIR "/fuzz/picture/gif_comment_with_empty_first_block_hides_40000_square_frame.gif",
        ZP_TEST_DATA_DIR "/../../fuzz/corpus/picture/gif_real_lzw_for_40000_square_frame_after_empty_comment_block.gif"}) {
    EXPECT_FALSE(DecodePictureFile(path, &picture, &error));
    EXPECT_EQ(error, "GIF: picture too large") << path;
  }
  std::vector<GifFrameDesc> frames(1);
  frames[0] = {0, 0, 2, 2, {0, 1, 2, 3}, 0, -1, 0};
  const Bytes gif = test_support::MakeGif(2, 2, kPalette4, frames);
  auto with_comment = [&](const Bytes& comment) {
    Bytes out = gif;
    out.insert(out.begin() + 13 + 12, comment.begin(), comment.end());  // after the 4-colour table
    return out;
  };
  const Bytes empty_then_text = with_comment({0x21, 0xFE, 0, 3, 'a', 'b', 'c', 0});
  ASSERT_TRUE(DecodePictureBytes(empty_then_text.data(), empty_then_text.size(), &picture, &error)) << error;
  EXPECT_EQ(picture.frames.at(0).pixels, (Bytes{0, 1, 2, 3}));

  Bytes blocks = {0x21, 0xFE};
  for (int i = 0; i < 300000; ++i) blocks.insert(blocks.end(), {1, 'a'});
  blocks.push_back(0);
  const Bytes costly = with_comment(blocks);
  // Each extension's first sub-block is kept as well: 258,112 comments of one byte each, just
  // over 16 MiB kept (some 64 bytes besides each byte), are refused by their first blocks alone.
  Bytes comments;
  for (int i = 0; i <= (16 << 20) / (64 + 1); ++i) comments.insert(comments.end(), {0x21, 0xFE, 1, 'a', 0});
  for (const Bytes& file : {costly, with_comment(comments)}) {
    EXPECT_FALSE(DecodePictureBytes(file.data(), file.size(), &picture, &error));
    EXPECT_EQ(error, "GIF: its extension blocks would take more memory than any picture's");
  }
}

// What compresses hugely by its nature still decodes: a blank one-bit PNG (deflate at its
// utmost), flat JPEGs at both ends of quality, and a TIFF whose sides are typed SLONG.
TEST(PictureDecoderTest, HonestPicturesThatCompressHugelyStillDecode) {
  const Bytes png = test_support::MakeBlankPng1Bit(4096, 2048);
  ASSERT_LT(png.size(), 4096u);
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(png.data(), png.size(), &picture, &error)) << error;
  EXPECT_EQ(picture.width, 4096);
  EXPECT_EQ(picture.height, 2048);

  const std::vector<uint32_t> flat(2048 * 1024, 0xFF336699);
  for (int quality : {1, 100}) {
    SCOPED_TRACE(quality);
    Bytes jpeg;
    ASSERT_TRUE(EncodeJpeg(flat.data(), 2048, 1024, 2048, quality, &jpeg, &error)) << error;
    ASSERT_TRUE(DecodePictureBytes(jpeg.data(), jpeg.size(), &picture, &error)) << error;
    EXPECT_EQ(picture.width, 2048);
  }

  const Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 7, 0,  // 2 x 1 grey, uncompressed, sides typed SLONG
                      0, 1, 9, 0, 1, 0, 0, 0, 2, 0, 0, 0,   1, 1, 9, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                      2, 1, 3, 0, 1, 0, 0, 0, 8, 0, 0, 0,   6, 1, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                      17, 1, 4, 0, 1, 0, 0, 0, 98, 0, 0, 0, 22, 1, 9, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                      23, 1, 4, 0, 1, 0, 0, 0, 2, 0, 0, 0,  0, 0, 0, 0, 10, 250};
  ASSERT_TRUE(DecodePictureBytes(tiff.data(), tiff.size(), &picture, &error)) << error;
  EXPECT_EQ(picture.width, 2);
  EXPECT_EQ(picture.height, 1);
}

// RLE8 pairs give at most 255 pixels for two bytes: a flat bitmap of two megapixels in 20 KB
// decodes, one of 4096 x 4096 in 200 bytes is refused unread.
TEST(PictureDecoderTest, RunLengthBitmapsAreHeldToWhatTheirRunsCanGive) {
  Bytes row;
  for (int i = 0; i < 8; ++i) row.insert(row.end(), {255, 1});
  row.insert(row.end(), {8, 1, 0, 0});  // 2048 pixels of colour 1, end of line
  Bytes runs;
  for (int y = 0; y < 1024; ++y) runs.insert(runs.end(), row.begin(), row.end());
  runs.insert(runs.end(), {0, 1});  // end of bitmap
  const Bytes palette = {0, 0, 0, 10, 20, 30};
  const Bytes flat = test_support::MakeBmpRle8(2048, 1024, palette, runs);
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(flat.data(), flat.size(), &picture, &error)) << error;
  EXPECT_EQ(picture.width, 2048);
  EXPECT_EQ(picture.height, 1024);

  const Bytes made_up = test_support::MakeBmpRle8(4096, 4096, palette, Bytes(runs.begin(), runs.begin() + 200));
  EXPECT_FALSE(DecodePictureBytes(made_up.data(), made_up.size(), &picture, &error));
  EXPECT_NE(error.find("claims more pixels than its bytes could hold"), std::string::npos) << error;
}

// A JPEG's frame and scan headers, as an encoder writes them: components as (id, sampling),
// scans as their ids and Ss, Se, Ah; `data` bytes of scan data after the first scan.
struct JpegScan {
  Bytes ids;
  uint8_t ss, se, ah;
};
constexpr uint8_t kBaseline = 0xC0, kProgressive = 0xC2, kArithmeticProgressive = 0xCA;  // frame markers
Bytes JpegHeaders(int width, int height, uint8_t frame, const std::vector<std::pair<uint8_t, uint8_t>>& components,
                  const std::vector<JpegScan>& scans, size_t data = 0) {
  Bytes out = {0xFF, 0xD8, 0xFF, frame, 0, uint8_t(8 + components.size() * 3), 8,
               uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), uint8_t(components.size())};
  for (const auto& [id, sampling] : components) out.insert(out.end(), {id, sampling, 0});
  for (const JpegScan& scan : scans) {
    out.insert(out.end(), {0xFF, 0xDA, 0, uint8_t(6 + scan.ids.size() * 2), uint8_t(scan.ids.size())});
    for (uint8_t id : scan.ids) out.insert(out.end(), {id, 0});
    out.insert(out.end(), {scan.ss, scan.se, uint8_t(scan.ah << 4 | (scan.ah ? scan.ah - 1 : 0))});
    out.resize(out.size() + (&scan == &scans[0] ? data : 0), 0);
  }
  out.insert(out.end(), {0xFF, 0xD9});
  return out;
}

// Progressive scans of the components with these ids: a DC scan of them all, then of each one
// `firsts` first AC scans and `refinements` AC refinement scans.
std::vector<JpegScan> Progression(const Bytes& ids, int refinements, int firsts = 1) {
  std::vector<JpegScan> scans = {{ids, 0, 0, 0}};
  for (uint8_t id : ids) {
    scans.insert(scans.end(), firsts, {{id}, 1, 63, 0});
    scans.insert(scans.end(), refinements, {{id}, 1, 63, 1});
  }
  return scans;
}

// What libjpeg spends on a JPEG is counted from its headers, before it decodes a block, and held
// to what the largest real files cost. A progressive scan may skip thousands of blocks in a few
// bits, yet libjpeg goes over every one of them, and walks the whole band of each in a
// refinement scan or an arithmetic-coded AC scan (eight times a first scan's cost): the scans
// may cost 64 first passes over the picture. libjpeg takes a scan's id for the first component
// so numbered (a frame numbered 1, 1, 2, its first component of 4 x 4 samples to the others'
// one, costs 16 times what it would with the second) whose slot in the scan is free: a scan of
// 2, 1 is of the second. An interleaved scan goes over whole MCUs: of a 4:2:0 file 8 pixels
// wide, two blocks of luma a row where the picture has one. Beside the picture, a progressive
// file keeps every block's coefficients (128 bytes, padded to whole MCUs): those of an 8192 x
// 8192 picture in colour (as ImageMagick writes it, not subsampled) are allowed, those of four
// inks are not, and libjpeg itself is held to that; a baseline file keeps them when its first
// scan is not of every component. The decode's budget counts what libjpeg keeps and the blocks
// its scans go over.
TEST(PictureDecoderTest, JpegsCostingMoreThanTheLargestRealOnesAreRefusedUnread) {
  const std::vector<std::pair<uint8_t, uint8_t>> colour = {{1, 0x11}, {2, 0x11}, {3, 0x11}};
  const std::vector<std::pair<uint8_t, uint8_t>> inks = {{1, 0x11}, {2, 0x11}, {3, 0x11}, {4, 0x11}};
  const std::vector<std::pair<uint8_t, uint8_t>> repeated = {{1, 0x44}, {1, 0x11}, {2, 0x11}};
  const std::vector<std::pair<uint8_t, uint8_t>> fours = {{1, 0x44}, {2, 0x44}, {3, 0x44}};
  const std::vector<std::pair<uint8_t, uint8_t>> yuv420 = {{1, 0x22}, {2, 0x11}, {3, 0x11}};
  auto dc_scans = [](int n) { return std::vector<JpegScan>(n, {{1, 2, 3}, 0, 0, 0}); };
  auto repeated_ids = [&](int refinements, uint8_t second, int dc_scans = 0) {
    std::vector<JpegScan> scans = {{{1, second, uint8_t(second + 1)}, 0, 0, 0}, {{1}, 1, 63, 0}};
    for (int i = 0; i < refinements; ++i) scans.push_back({{1}, 1, 63, 1});
    scans.insert(scans.end(), dc_scans, {{uint8_t(second + 1), second}, 0, 0, 1});
    auto components = repeated;
    components[1].first = second;
    components[2].first = second + 1;
    return JpegHeaders(1024, 1024, kProgressive, components, scans);
  };
  std::vector<JpegScan> a_scan_an_ink;
  for (uint8_t id : {1, 2, 3, 4}) a_scan_an_ink.push_back({{id}, 0, 63, 0});
  constexpr size_t kColourData = (3 << 20) / 8, kInkData = (4 << 20) / 8;  // a bit a block
  const char* const kTooOften = "scans go over the picture more often";
  const char* const kTooMuchMemory = "coefficients libjpeg keeps beside its pixels";
  const char* const kTooMuchForLibjpegToo = "more memory than any picture may";  // refused by both
  const struct {
    const char* what;
    Bytes file;
    const char* refused;  // null: read
  } cases[] = {
      {"7 refinements of each colour", JpegHeaders(1024, 1024, kProgressive, colour, Progression({1, 2, 3}, 7)), nullptr},
      {"8 refinements of each colour", JpegHeaders(1024, 1024, kProgressive, colour, Progression({1, 2, 3}, 8)), kTooOften},
      {"7 arithmetic-coded AC scans of each colour",
       JpegHeaders(1024, 1024, kArithmeticProgressive, colour, Progression({1, 2, 3}, 0, 7)), nullptr},
      {"8 arithmetic-coded AC scans of each colour",
       JpegHeaders(1024, 1024, kArithmeticProgressive, colour, Progression({1, 2, 3}, 0, 8)), kTooOften},
      {"ids 1, 1, 2: 23 refinements", repeated_ids(23, 1), nullptr},
      {"ids 1, 1, 2: 24 refinements", repeated_ids(24, 1), kTooOften},
      {"ids 1, 2, 3: 24 refinements", repeated_ids(24, 2), kTooOften},
      {"ids 1, 1, 2: 23 refinements, 47 DC scans of 2, 1", repeated_ids(23, 1, 47), nullptr},
      {"ids 1, 1, 2: 23 refinements, 48 DC scans of 2, 1", repeated_ids(23, 1, 48), kTooOften},
      {"8200 x 8152 progressive colour in MCUs of 32",
       JpegHeaders(8200, 8152, kProgressive, fours, Progression({1, 2, 3}, 2), kColourData),
       nullptr},
      {"8200 x 8184 progressive colour in MCUs of 32",
       JpegHeaders(8200, 8184, kProgressive, fours, Progression({1, 2, 3}, 2), kColourData),
       kTooMuchMemory},
      {"8192 square progressive colour", JpegHeaders(8192, 8192, kProgressive, colour, Progression({1, 2, 3}, 2), kColourData),
       nullptr},
      {"8192 x 6144 progressive inks", JpegHeaders(8192, 6144, kProgressive, inks, Progression({1, 2, 3, 4}, 2), kInkData),
       nullptr},
      {"8192 square progressive inks", JpegHeaders(8192, 8192, kProgressive, inks, Progression({1, 2, 3, 4}, 2), kInkData),
       kTooMuchForLibjpegToo},
      {"8192 square baseline inks", JpegHeaders(8192, 8192, kBaseline, inks, {{{1, 2, 3, 4}, 0, 63, 0}}, kInkData),
       nullptr},
      {"8192 square baseline inks, a scan each", JpegHeaders(8192, 8192, kBaseline, inks, a_scan_an_ink, kInkData),
       kTooMuchForLibjpegToo},
      // 8 pixels wide, luma's one block a row is padded to its MCU's two: 24576 blocks a DC scan.
      {"8 x 65535 4:2:0, 128 DC scans", JpegHeaders(8, 65535, kProgressive, yuv420, dc_scans(128)), nullptr},
      {"8 x 65535 4:2:0, 129 DC scans", JpegHeaders(8, 65535, kProgressive, yuv420, dc_scans(129)), kTooOften},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const char* problem =
        picture_formats::ClaimProblem(picture_formats::SdlPictureClaim("JPG", c.file.data(), c.file.size()));
    if (c.refused) {
      EXPECT_NE(std::string(problem ? problem : "").find(c.refused), std::string::npos) << (problem ? problem : "read");
    } else {
      EXPECT_EQ(problem, nullptr) << problem;
    }
    std::string error;
    if (c.refused == kTooMuchForLibjpegToo) {  // libjpeg alone, held to what a claim may allow
      DecodedPicture picture;
      EXPECT_FALSE(picture_formats::DecodeJpeg(c.file.data(), c.file.size(), &picture, &error));
      EXPECT_NE(error.find(c.refused), std::string::npos) << error;
    }
  }
  const std::string corpus = ZP_TEST_DATA_DIR "/../../fuzz/corpus/picture/";
  DecodedPicture picture;
  std::string error;
  EXPECT_FALSE(DecodePictureFile(corpus + "jpeg_400_scans_over_1024_square.jpg", &picture, &error));
  EXPECT_NE(error.find(kTooOften), std::string::npos) << error;
  ASSERT_TRUE(DecodePictureFile(corpus + "jpeg_progressive_1024_square.jpg", &picture, &error)) << error;
  EXPECT_EQ(picture.width, 1024);
  // The decode's budget counted libjpeg's coefficients beside the picture, and its scans.
  const Bytes file = [&] {
    Bytes bytes;
    ReadFileBytes(corpus + "jpeg_progressive_1024_square.jpg", &bytes);
    return bytes;
  }();
  const picture_formats::JpegCost cost = picture_formats::CountJpegCost(file.data(), file.size());
  ASSERT_GT(cost.coefficient_bytes, 0u);
  EXPECT_GE(LastDecodeSpending().peak, 1024u * 1024 * 4 + cost.coefficient_bytes);
  EXPECT_GE(LastDecodeSpending().work, cost.work * picture_formats::kJpegUnitsPerPass);
}

// libjpeg skips what a marker's length says past its length field, nothing when it says under 2
// (before a frame, the length's zero bytes are passed over either way). A scan header's data
// thus begins right after such a length: those two bytes are no scan data, and 4095 bytes of
// scans are refused for the 32768 blocks of a 2048 x 1024 frame.
TEST(PictureDecoderTest, AScanHeaderLengthUnderTwoEndsAtItsLengthField) {
  for (uint8_t length : {0, 1}) {
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0x04, 0, 0x08, 0, 1, 1, 0x11, 0,  // 2048 x 1024, grey
                  0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0};
    jpeg.resize(jpeg.size() + 2000, 0);
    jpeg.insert(jpeg.end(), {0xFF, 0xDA, 0, length});
    jpeg.resize(jpeg.size() + 2095, 0);
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    DecodedPicture picture;
    std::string error;
    EXPECT_FALSE(DecodePictureBytes(jpeg.data(), jpeg.size(), &picture, &error));
    EXPECT_EQ(error, "the picture claims more pixels than its bytes could hold") << int{length};
  }
}

// Text, suggested palettes and Exif data are of no use to a picture: libpng skips them unread
// and holds no more of its own than for the picture alone. (Read, each was kept: 100 comments
// of 64 KB each held 6.5 MB, and 4,000 inflating to 8 MB each took twenty seconds.)
TEST(PictureDecoderTest, PngTextChunksAreNotInflated) {
  auto cat = [](Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  Bytes deflated(compressBound(1 << 16));
  uLongf size = static_cast<uLongf>(deflated.size());
  compress2(deflated.data(), &size, Bytes(1 << 16, 'a').data(), 1 << 16, 9);
  deflated.resize(size);
  const Bytes key = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
  const struct {
    const char* type;
    Bytes data;
    int copies;
  } kRows[] = {
      {"zTXt", cat(cat(key, {0}), deflated), 100},
      {"iTXt", cat(cat(key, {1, 0, 0, 0}), deflated), 100},
      {"tEXt", cat(key, Bytes(1 << 14, 'a')), 100},
      {"sPLT", cat({'s', 0, 8}, Bytes(6 << 10, 1)), 100},
      {"eXIf", cat({'M', 'M', 0, 42}, Bytes(1 << 16, 0)), 1},
  };
  const Bytes alone = test_support::MakeBlankPng1Bit(3, 2);
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(alone.data(), alone.size(), &picture, &error)) << error;
  const uint64_t held_alone = LastDecodeSpending().peak;
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.type);
    const Bytes png = test_support::WithPngChunks(alone, row.type, row.data, row.copies);
    ASSERT_TRUE(DecodePictureBytes(png.data(), png.size(), &picture, &error)) << error;
    EXPECT_EQ(picture.width, 3);
    EXPECT_LE(LastDecodeSpending().peak, held_alone + 4096);
  }
}

// SDL2_image looks every index up in a table of 256 filled only as far as the palette goes: an
// 8-bit icon of one colour whose pixels run 0-255 shows that colour once and black elsewhere.
TEST(PictureDecoderTest, IconIndicesPastAShortPaletteReadAsBlack) {
  Bytes ico = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 22, 0, 0, 0,  // directory, one entry
               40, 0, 0, 0, 16, 0, 0, 0, 32, 0, 0, 0, 1, 0, 8, 0};                    // 16 x (2 x 16), 8 bits
  ico.resize(22 + 32, 0);
  ico.push_back(1);  // biClrUsed 1
  ico.resize(22 + 40, 0);
  ico.insert(ico.end(), {255, 255, 255, 0});  // white
  for (int i = 0; i < 256; ++i) ico.push_back(static_cast<uint8_t>(i));
  ico.resize(ico.size() + 16 * 4, 0);  // the mask: every pixel shown
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(ico.data(), ico.size(), &picture, &error)) << error;
  ASSERT_EQ(picture.width, 16);
  size_t white = 0, black = 0;
  const Bytes& pixels = picture.frames.at(0).pixels;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    white += pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255;
    black += pixels[i] == 0 && pixels[i + 1] == 0 && pixels[i + 2] == 0;
  }
  EXPECT_EQ(white, 1u);
  EXPECT_EQ(black, 255u);
}

// A TGA: its 18-byte header of a colour map (type, first index, length, entry bits), a picture
// type, a size, bits a pixel and descriptor, then its colour map and pixels.
Bytes Tga(uint8_t type, uint8_t width, uint8_t height, uint8_t bits, uint8_t descriptor, const Bytes& rest,
          uint8_t map_first = 0, uint8_t map_length = 0, uint8_t entry_bits = 0) {
  const uint8_t header[18] = {0, map_length != 0, type, map_first, 0, map_length, 0, entry_bits, 0, 0, 0, 0,
                              width, 0, height, 0, bits, descriptor};
  Bytes tga(sizeof header + rest.size());  // sized first: GCC's -Warray-bounds misreads a growing insert
  std::copy(rest.begin(), rest.end(), std::copy(std::begin(header), std::end(header), tga.begin()));
  return tga;
}

// A picture's pixels as blue, green, red and alpha, its palette's looked up.
Bytes AsBgra(const DecodedPicture& picture) {
  if (picture.frames.empty()) return {};
  if (!picture.IsPalette()) return picture.frames[0].pixels;
  Bytes bgra;
  const Bytes& pixels = picture.frames.at(0).pixels;
  for (size_t i = 0; i < pixels.size(); i += picture.bytes_per_pixel) {
    const uint8_t* rgb = &picture.palette.at(pixels[i] * 3);
    bgra.insert(bgra.end(), {rgb[2], rgb[1], rgb[0], picture.bytes_per_pixel == 2 ? pixels[i + 1] : uint8_t{255}});
  }
  return bgra;
}

// Every kind of TGA decodes as ImageMagick decodes it (grey and alpha as Pillow writes and reads
// it), top row first, each from the left. Descriptor 0x20: rows from the top; 0x10: pixels from
// the right; its low bits count alpha bits. Fields of 5 bits widen as 255 / 31 (white is 255, 28
// is 230); an index below the colour map's first entry, or past its last, reads as index 0.
TEST(PictureDecoderTest, EveryKindOfTgaIsReadAsImageMagickReadsIt) {
  const struct {
    const char* kind;
    Bytes tga;
    int width;
    Bytes bgra;
  } kRows[] = {
      {"32 bits, from the top", Tga(2, 3, 1, 32, 0x28, {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}), 3,
       {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}},
      {"grey", Tga(3, 2, 1, 8, 0x20, {0, 200}), 2, {0, 0, 0, 255, 200, 200, 200, 255}},
      {"grey, run-length", Tga(11, 2, 1, 8, 0, {0x81, 77}), 2, {77, 77, 77, 255, 77, 77, 77, 255}},
      {"grey and alpha, from the bottom", Tga(3, 2, 2, 16, 8, {10, 20, 30, 40, 50, 60, 70, 80}), 2,
       {50, 50, 50, 60, 70, 70, 70, 80, 10, 10, 10, 20, 30, 30, 30, 40}},
      {"grey and alpha, run-length across rows", Tga(11, 3, 2, 16, 0x28, {0x83, 9, 200, 0x01, 1, 2, 3, 4}), 3,
       {9, 9, 9, 200, 9, 9, 9, 200, 9, 9, 9, 200, 9, 9, 9, 200, 1, 1, 1, 2, 3, 3, 3, 4}},
      {"colour map of 16-bit entries",
       Tga(1, 3, 1, 8, 0x20, {0xFF, 0x7F, 0x00, 0x7C, 0x7C, 0x60, 0, 1, 2}, 0, 3, 16), 3,
       {255, 255, 255, 255, 0, 0, 255, 255, 230, 25, 197, 255}},
      {"colour map from entry 2, run-length", Tga(9, 4, 1, 8, 0x20, {1, 2, 3, 4, 5, 6, 0x03, 2, 3, 0, 9}, 2, 2, 24), 4,
       {1, 2, 3, 255, 4, 5, 6, 255, 0, 0, 0, 255, 0, 0, 0, 255}},
      {"colour map of 32-bit entries", Tga(1, 2, 1, 8, 0x20, {1, 2, 3, 128, 4, 5, 6, 255, 0, 1}, 0, 2, 32), 2,
       {1, 2, 3, 128, 4, 5, 6, 255}},
      {"16 bits, an alpha bit, from the right", Tga(2, 2, 1, 16, 0x31, {0x1F, 0x80, 0xE0, 0x03}), 2,
       {0, 255, 0, 0, 255, 0, 0, 255}},
      {"24 bits whose header counts 8 alpha bits: opaque", Tga(2, 2, 1, 24, 0x28, {1, 2, 3, 4, 5, 6}), 2,
       {1, 2, 3, 255, 4, 5, 6, 255}},
      {"15 bits, run-length, from the bottom",
       Tga(10, 2, 2, 15, 0, {0x81, 0xFF, 0x7F, 0x01, 0x00, 0x04, 0x1C, 0x00}), 2,
       {0, 0, 8, 255, 230, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255}},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.kind);
    DecodedPicture picture;
    std::string error;
    EXPECT_TRUE(DecodePictureBytes(row.tga.data(), row.tga.size(), &picture, &error)) << error;
    EXPECT_EQ(picture.width, row.width);
    EXPECT_EQ(AsBgra(picture), row.bgra);
    // Cut anywhere, the file is refused.
    for (size_t cut = 0; cut < row.tga.size(); ++cut) {
      EXPECT_FALSE(DecodePictureBytes(row.tga.data(), cut, &picture, &error)) << cut;
    }
  }
}

// A TGA costs its frame and little more, raw or in runs: its stored pixels go straight into the
// frame (kept beside it, a 24-bit picture cost its frame and three quarters).
TEST(PictureDecoderTest, ATgaCostsItsFrameAndNoCopyOfItsPixels) {
  if (!test_support::HeapPeakCounted()) GTEST_SKIP() << "allocations are counted under the sanitizers";
  constexpr size_t kSide = 1024;
  Bytes runs;  // rows of alternating colours, in packets of 128 pixels of one colour
  for (size_t i = 0; i < kSide * kSide / 128; ++i) runs.insert(runs.end(), {0xFF, uint8_t(i), 2, 3});
  Bytes raw = Tga(2, 0, 0, 24, 0x20, Bytes(kSide * kSide * 3, 9));
  Bytes rle = Tga(10, 0, 0, 24, 0x20, runs);
  for (Bytes* tga : {&raw, &rle}) {
    (*tga)[13] = (*tga)[15] = kSide >> 8;
    DecodedPicture picture;
    std::string error;
    const size_t peak = test_support::PeakHeapGrowth(
        [&] { EXPECT_TRUE(DecodePictureBytes(tga->data(), tga->size(), &picture, &error)) << error; });
    EXPECT_LE(peak, kSide * kSide * 4 * 5 / 4) << (tga == &raw ? "raw" : "run-length");
  }
}

// A PCX of `planes` planes of `bits` bits, `line` bytes a plane's row, then `rest` (its pixels,
// run-length unless `version` carries 0x100, and what follows them). The header's
// palette gives entry i as (16i, 16i + 1, 16i + 2).
Bytes Pcx(uint16_t version, uint8_t bits, uint8_t planes, uint16_t width, uint16_t height, uint16_t line,
          const Bytes& rest) {
  Bytes pcx(128 + rest.size(), 0);
  pcx[0] = 0x0A, pcx[1] = version & 0xFF, pcx[2] = version >> 8 ? 0 : 1, pcx[3] = bits, pcx[65] = planes;
  pcx[8] = (width - 1) & 0xFF, pcx[9] = (width - 1) >> 8, pcx[10] = height - 1, pcx[66] = line & 0xFF,
  pcx[67] = line >> 8;
  for (int i = 0; i < 48; ++i) pcx[16 + i] = static_cast<uint8_t>(i / 3 * 16 + i % 3);
  std::copy(rest.begin(), rest.end(), pcx.begin() + 128);
  return pcx;
}

// Palette indices as blue, green, red and alpha through Pcx's header palette, or through a
// palette of black and white.
Bytes HeaderColours(const Bytes& indices, bool black_and_white = false) {
  Bytes bgra;
  for (uint8_t i : indices) {
    if (black_and_white) bgra.insert(bgra.end(), {uint8_t(i * 255), uint8_t(i * 255), uint8_t(i * 255), 255});
    if (!black_and_white) bgra.insert(bgra.end(), {uint8_t(i * 16 + 2), uint8_t(i * 16 + 1), uint8_t(i * 16), 255});
  }
  return bgra;
}

// Every layout of PCX decodes as ImageMagick decodes it, but for one-bit pictures, whose set bits
// are white as netpbm, Pillow and GraphicsMagick write and read them (ImageMagick 6.9 shows them
// inverted), and 8-bit ones of a version before 5, whose palette after the pixels is read too
// (ImageMagick shows them black). Planar rows of a width not a multiple of 8 took a wrong last
// byte; 2- and 4-bit single planes, 4 planes of 8 bits and Pillow's 1-bit files were refused.
// Cut anywhere, a file is refused.
TEST(PictureDecoderTest, EveryLayoutOfPcxIsReadAsImageMagickReadsIt) {
  // One-bit planes of these indices, a plane's row `line` bytes.
  auto planar = [](const Bytes& indices, int planes, size_t line) {
    Bytes row(line * planes, 0);
    for (int p = 0; p < planes; ++p) {
      for (size_t x = 0; x < indices.size(); ++x) row[p * line + x / 8] |= (indices[x] >> p & 1) << (7 - x % 8);
    }
    Bytes runs;  // every byte as a run of one
    for (uint8_t b : row) runs.insert(runs.end(), {0xC1, b});
    return runs;
  };
  Bytes palette256 = {7, 0xC1, 200, 0x0C};  // the pixels, the mark, then entry i as (i, 255 - i, 9)
  for (int i = 0; i < 256; ++i) palette256.insert(palette256.end(), {uint8_t(i), uint8_t(255 - i), 9});
  const Bytes ten = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, eleven = {15, 0, 7, 8, 1, 14, 2, 13, 3, 12, 4};
  const struct {
    const char* kind;
    Bytes pcx;
    Bytes bgra;
    bool alpha = false;
  } kRows[] = {
      {"1 bit, version 2 as Pillow writes it", Pcx(2, 1, 1, 10, 1, 2, {0xB0, 0x40}),
       HeaderColours({1, 0, 1, 1, 0, 0, 0, 0, 0, 1}, true)},
      {"2 bits, one plane", Pcx(5, 2, 1, 5, 1, 2, {0x1B, 0x40}), HeaderColours({0, 1, 2, 3, 1})},
      {"4 bits, one plane, a spare byte a row", Pcx(5, 4, 1, 3, 1, 3, {0xC1, 0xF5, 0xA0, 0}),
       HeaderColours({15, 5, 10})},
      {"4 one-bit planes, 11 wide", Pcx(5, 1, 4, 11, 1, 2, planar(eleven, 4, 2)), HeaderColours(eleven)},
      {"3 one-bit planes, 10 wide, 3 bytes a row", Pcx(5, 1, 3, 10, 1, 3, planar(ten, 3, 3)),
       HeaderColours({0, 1, 2, 3, 4, 5, 6, 7, 0, 1})},
      {"2 one-bit planes, a run across planes and rows", Pcx(5, 1, 2, 3, 2, 1, {0xC4, 0xE0}),
       HeaderColours(Bytes(6, 3))},
      {"a run past the last row", Pcx(5, 1, 1, 8, 1, 1, {0xC5, 0x0F}), HeaderColours({0, 0, 0, 0, 1, 1, 1, 1}, true)},
      {"8 bits, the palette after the pixels", Pcx(5, 8, 1, 2, 1, 2, palette256), {9, 248, 7, 255, 9, 55, 200, 255}},
      {"8 bits of version 3", Pcx(3, 8, 1, 2, 1, 2, palette256), {9, 248, 7, 255, 9, 55, 200, 255}},
      {"3 planes of 8 bits, a run across rows",
       Pcx(5, 8, 3, 2, 2, 2, {1, 2, 3, 4, 5, 0xC3, 6, 7, 8, 9, 10}),
       {5, 3, 1, 255, 6, 4, 2, 255, 9, 7, 6, 255, 10, 8, 6, 255}},
      {"4 planes of 8 bits, raw: the fourth is alpha", Pcx(0x105, 8, 4, 1, 1, 1, {1, 2, 3, 4}), {3, 2, 1, 4}, true},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.kind);
    DecodedPicture picture;
    std::string error;
    EXPECT_TRUE(DecodePictureBytes(row.pcx.data(), row.pcx.size(), &picture, &error)) << error;
    EXPECT_EQ(picture.alpha_valid, row.alpha);
    EXPECT_EQ(AsBgra(picture), row.bgra);
    for (size_t cut = 0; cut < row.pcx.size(); ++cut) {
      EXPECT_FALSE(DecodePictureBytes(row.pcx.data(), cut, &picture, &error)) << cut;
    }
  }
  // Edges read unsigned, right - left + 1 would wrap to 2^32 - 1: refused for what they are.
  auto left_of_right = [](Bytes pcx) {
    pcx[4] = 2;
    return pcx;
  };
  const std::pair<Bytes, const char*> kRefused[] = {
      {Pcx(5, 8, 2, 1, 1, 1, {1, 2}), "PCX: 2 planes of 8-bit samples: a layout of no picture"},
      {Pcx(5, 1, 0, 1, 1, 1, {1}), "PCX: 0 planes of 1-bit samples: a layout of no picture"},
      {Pcx(5, 4, 1, 3, 1, 1, {1}), "PCX: its rows hold fewer bytes than its width needs"},
      {left_of_right(Pcx(5, 1, 1, 1, 1, 1, {1})),
       "PCX: its right or bottom edge lies before its left or top"},  // as the seed pcx_signed_sides_65536_wide.pcx
  };
  for (const auto& [pcx, reason] : kRefused) {
    DecodedPicture picture;
    std::string error;
    EXPECT_FALSE(DecodePictureBytes(pcx.data(), pcx.size(), &picture, &error));
    EXPECT_EQ(error, reason);
  }
}

// What follows a PNG's IEND is never read (files often carry a few bytes more): the picture
// still decodes, with text chunks to leave out of it or without, whatever those bytes would
// claim as a chunk.
TEST(PictureDecoderTest, BytesAfterAPngsEndAreNotRead) {
  Bytes bgra;
  for (uint8_t i = 0; i < 6; ++i) bgra.insert(bgra.end(), {i, uint8_t(i * 2), uint8_t(i * 3), uint8_t(200 + i)});
  const Bytes png = EncodePng(3, 2, bgra.data());
  const Bytes tail = {0x7F, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 1, 2, 3};
  for (Bytes file : {png, test_support::WithPngChunks(png, "tEXt", Bytes(8, 'a'), 1)}) {
    file.insert(file.end(), tail.begin(), tail.end());
    DecodedPicture picture;
    std::string error;
    ASSERT_TRUE(DecodePictureBytes(file.data(), file.size(), &picture, &error)) << error;
    EXPECT_EQ(picture.frames.at(0).pixels, bgra);
  }
}

// A JPEG of inks, as print software writes them, shows the colours its inks leave, opaque.
// Adobe's CMYK and YCCK files store every ink inverted, as their APP14 marker says; a CMYK file
// without the marker stores them as they are. Four blocks of 16 x 16 (a whole MCU each, so
// their middles keep their colour): red, green, a dark orange and white.
TEST(PictureDecoderTest, AJpegOfInksShowsTheColoursItsInksLeaveOpaque) {
  struct Block {
    std::array<uint8_t, 4> inks;  // cyan, magenta, yellow, black
    std::array<int, 3> rgb;
  };
  const Block kBlocks[] = {
      {{0, 255, 255, 0}, {255, 0, 0}},
      {{255, 0, 255, 0}, {0, 255, 0}},
      {{0, 128, 255, 64}, {191, 95, 0}},
      {{0, 0, 0, 0}, {255, 255, 255}},
  };
  constexpr int kWidth = 64, kHeight = 16;
  Bytes inks;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) inks.insert(inks.end(), kBlocks[x / 16].inks.begin(), kBlocks[x / 16].inks.end());
  }
  for (const auto coding : {test_support::InkJpeg::kAdobeCmyk, test_support::InkJpeg::kAdobeYcck,
                            test_support::InkJpeg::kPlainCmyk}) {
    SCOPED_TRACE(static_cast<int>(coding));
    const Bytes jpeg = test_support::MakeInkJpeg(kWidth, kHeight, inks, coding);
    DecodedPicture picture;
    std::string error;
    ASSERT_TRUE(DecodePictureBytes(jpeg.data(), jpeg.size(), &picture, &error)) << error;
    ASSERT_EQ(picture.width, kWidth);
    ASSERT_EQ(picture.height, kHeight);
    EXPECT_FALSE(picture.alpha_valid);
    const Bytes& pixels = picture.frames.at(0).pixels;
    for (size_t i = 3; i < pixels.size(); i += 4) ASSERT_EQ(pixels[i], 255) << "pixel " << i / 4;
    for (int block = 0; block < 4; ++block) {
      const uint8_t* p = &pixels[(size_t{8} * kWidth + block * 16 + 8) * 4];
      for (int channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(p[2 - channel], kBlocks[block].rgb[channel], 3) << "block " << block << ", channel " << channel;
      }
    }
  }
}

// A 32-bit icon whose pixels carry alpha shows that alpha, whether its AND mask is set only where
// alpha is 0 (as icon tools write it) or left out; only when every alpha is 0 does the mask say
// which pixels show. The mask given in place of the file's has rows of whole 32-bit words, as
// the reader takes them: a 16-pixel icon's are 4 bytes each, not 2.
TEST(PictureDecoderTest, A32BitIconShowsItsOwnAlphaAndItsMaskOnlyWithoutOne) {
  constexpr int kHeight = 2;
  for (const int kWidth : {32, 16}) {
    Bytes bgra, mask;
    for (int i = 0; i < kWidth * kHeight; ++i) {
      const int x = i % kWidth;
      bgra.insert(bgra.end(), {10, 20, 30, static_cast<uint8_t>(x * 255 / (kWidth - 1))});
      mask.push_back(x == 0);
    }
    for (const Bytes& mask_given : {mask, Bytes()}) {
      SCOPED_TRACE(std::to_string(kWidth) + (mask_given.empty() ? " wide, no mask" : " wide, mask where alpha is 0"));
      const Bytes ico = test_support::MakeIcon(test_support::MakeIconImage32(kWidth, kHeight, bgra, mask_given));
      DecodedPicture picture;
      std::string error;
      ASSERT_TRUE(DecodePictureBytes(ico.data(), ico.size(), &picture, &error)) << error;
      EXPECT_TRUE(picture.alpha_valid);
      ASSERT_EQ(picture.frames.at(0).pixels.size(), bgra.size());
      const uint8_t* last_row = &picture.frames[0].pixels[kWidth * 4];
      EXPECT_EQ((std::array<int, 2>{last_row[3], last_row[(kWidth - 1) * 4 + 3]}), (std::array<int, 2>{0, 255}));
      EXPECT_EQ(picture.frames[0].pixels, bgra);
    }
  }
  constexpr int kWidth = 32;
  Bytes bgra, mask;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    bgra.insert(bgra.end(), {10, 20, 30, 0});
    mask.push_back(i % 2);
  }
  const Bytes ico = test_support::MakeIcon(test_support::MakeIconImage32(kWidth, kHeight, bgra, mask));
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(ico.data(), ico.size(), &picture, &error)) << error;
  for (size_t i = 0; i < mask.size(); ++i) EXPECT_EQ(picture.frames.at(0).pixels.at(i * 4 + 3), mask[i] ? 0 : 255) << i;
}

// Icons of 256 pixels hold a PNG (every current icon tool stores them so): it is read as that
// PNG, alpha and all. Its claims are any PNG's (see HeadersClaimingMoreThanTheirFileHoldsAreRefusedUnread).
TEST(PictureDecoderTest, AnIconThatHoldsAPngIsReadAsThatPng) {
  Bytes bgra;
  for (uint8_t i = 0; i < 6; ++i) bgra.insert(bgra.end(), {uint8_t(i * 40), 7, uint8_t(250 - i), uint8_t(i * 51)});
  const Bytes ico = test_support::MakeIcon(EncodePng(3, 2, bgra.data()));
  DecodedPicture picture;
  std::string error;
  ASSERT_TRUE(DecodePictureBytes(ico.data(), ico.size(), &picture, &error)) << error;
  EXPECT_EQ(picture.width, 3);
  EXPECT_EQ(picture.height, 2);
  EXPECT_TRUE(picture.alpha_valid);
  EXPECT_EQ(picture.frames.at(0).pixels, bgra);
}

// Each pixel as the engine shows it: red, green, blue, alpha, a palette's entries looked up, a
// transparent index or colour at alpha 0.
std::vector<std::array<int, 4>> Shown(const DecodedPicture& p) {
  std::vector<std::array<int, 4>> shown;
  const Bytes& px = p.frames.at(0).pixels;
  for (size_t i = 0; i < size_t(p.width) * p.height; ++i) {
    if (p.IsPalette()) {
      const int index = px.at(i * p.bytes_per_pixel);
      const int alpha = p.bytes_per_pixel == 2 ? px[i * 2 + 1] : index == p.transparent_index ? 0 : 255;
      shown.push_back({p.palette.at(index * 3), p.palette[index * 3 + 1], p.palette[index * 3 + 2], alpha});
    } else {
      const uint8_t* q = &px.at(i * 4);
      const bool keyed = p.has_transparent_colour && (q[2] | q[1] << 8 | q[0] << 16) == int(p.transparent_colour);
      shown.push_back({q[2], q[1], q[0], p.alpha_valid ? q[3] : keyed ? 0 : 255});
    }
  }
  return shown;
}

// PNGs of every colour type show their samples as ImageMagick shows them: a tRNS grey or colour
// at alpha 0 (at 16 bits, matched before the samples are scaled: 0xACAD stays opaque beside a
// key of 0xACAC), 16-bit samples scaled rounded (0x00FF to 1, 0xFF00 to 254), palettes kept
// with their transparency (every entry of alpha 0 clear, those past a short tRNS opaque), and
// interlaced rows in their places. Grey 172 keyed was shown as (255, 246, 98) and the 16-bit
// grey key as colours.
TEST(PictureDecoderTest, PngsOfEveryColourTypeDepthAndTransparencyShowTheirSamples) {
  using Shade = std::array<int, 4>;
  struct Case {
    const char* name;
    int depth, colour_type;
    std::vector<uint16_t> samples;  // two pixels, side by side
    Bytes palette, trns;
    int bytes_per_pixel;
    std::vector<Shade> shown;
  };
  const Bytes palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  const Case kCases[] = {
      {"grey 8, tRNS 172", 8, 0, {172, 10}, {}, {0, 172}, 1, {{172, 172, 172, 0}, {10, 10, 10, 255}}},
      {"grey 2, tRNS 2", 2, 0, {2, 1}, {}, {0, 2}, 1, {{170, 170, 170, 0}, {85, 85, 85, 255}}},
      {"grey 16, tRNS 0xACAC", 16, 0, {0xACAC, 0xACAD}, {}, {0xAC, 0xAC}, 4, {{172, 172, 172, 0}, {172, 172, 172, 255}}},
      {"grey and alpha 16", 16, 4, {0x6666, 0x4D4D, 0xFFFF, 0}, {}, {}, 4, {{102, 102, 102, 77}, {255, 255, 255, 0}}},
      {"colour 16", 16, 2, {32384, 42338, 41015, 0, 0, 0}, {}, {}, 4, {{126, 165, 160, 255}, {0, 0, 0, 255}}},
      {"colour 8, tRNS", 8, 2, {1, 2, 3, 3, 2, 1}, {}, {0, 1, 0, 2, 0, 3}, 4, {{1, 2, 3, 0}, {3, 2, 1, 255}}},
      {"colour and alpha 8", 8, 6, {1, 2, 3, 4, 5, 6, 7, 8}, {}, {}, 4, {{1, 2, 3, 4}, {5, 6, 7, 8}}},
      {"palette 2, one entry transparent", 2, 3, {1, 2}, palette, {255, 0}, 1, {{40, 50, 60, 0}, {70, 80, 90, 255}}},
      {"palette 4, partial alphas", 4, 3, {1, 2}, palette, {255, 128, 0}, 2, {{40, 50, 60, 128}, {70, 80, 90, 0}}},
      {"palette 2, two entries transparent", 2, 3, {0, 1}, palette, {0, 0}, 2, {{10, 20, 30, 0}, {40, 50, 60, 0}}},
      {"palette 8, past a short tRNS opaque", 8, 3, {0, 2}, palette, {128}, 2, {{10, 20, 30, 128}, {70, 80, 90, 255}}},
      {"grey 16, rounded", 16, 0, {0x00FF, 0xFF00}, {}, {}, 1, {{1, 1, 1, 255}, {254, 254, 254, 255}}},
      {"colour and alpha 16, rounded", 16, 6, {0xFF, 0xFF00, 0xFF, 0xFF00, 0xFF00, 0xFF, 0xFF00, 0xFF}, {}, {}, 4,
       {{1, 254, 1, 254}, {254, 1, 254, 1}}},
  };
  for (const Case& c : kCases) {
    for (bool interlaced : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (interlaced ? ", interlaced" : ""));
      // Two rows, the second the first reversed, so Adam7's passes each hold a pixel.
      const size_t half = c.samples.size() / 2;
      std::vector<uint16_t> samples = c.samples;
      samples.insert(samples.end(), c.samples.begin() + half, c.samples.end());
      samples.insert(samples.end(), c.samples.begin(), c.samples.begin() + half);
      Bytes png = test_support::MakePng(2, 2, c.depth, c.colour_type, samples, interlaced);
      if (!c.palette.empty()) png = test_support::WithPngChunks(png, "PLTE", c.palette, 1);
      if (!c.trns.empty()) png = test_support::WithPngChunks(png, "tRNS", c.trns, 1);
      DecodedPicture picture;
      std::string error;
      ASSERT_TRUE(DecodePictureBytes(png.data(), png.size(), &picture, &error)) << error;
      EXPECT_EQ(picture.bytes_per_pixel, c.bytes_per_pixel);
      EXPECT_EQ(Shown(picture), (std::vector<Shade>{c.shown[0], c.shown[1], c.shown[1], c.shown[0]}));
    }
  }
}

// TIFFs show straight alpha whichever kind their extra sample is: unassociated alpha was shown
// multiplied into the colours ((167, 196, 154, 27) as (17, 20, 16, 26)), associated alpha as
// it is stored, and 16-bit grey's alpha not at all. Associated alpha is divided out at the
// samples' depth, rounded: 16 bits give back ImageMagick's colours exactly.
TEST(PictureDecoderTest, TiffsShowStraightAlphaWhateverTheirAlphaIs) {
  struct Case {
    const char* name;
    int bits, photometric, channels, extra;
    std::vector<uint16_t> samples;  // one pixel
    std::array<int, 4> shown;
    bool tiled = false;
  };
  const Case kCases[] = {
      {"unassociated", 8, 2, 4, 2, {167, 196, 154, 27}, {167, 196, 154, 27}},
      {"unspecified", 8, 2, 4, 0, {167, 196, 154, 27}, {167, 196, 154, 27}},
      {"associated", 8, 2, 4, 1, {18, 21, 16, 27}, {170, 198, 151, 27}},
      {"associated, tiled", 8, 2, 4, 1, {18, 21, 16, 27}, {170, 198, 151, 27}, true},
      {"unassociated, tiled", 8, 2, 4, 2, {167, 196, 154, 27}, {167, 196, 154, 27}, true},
      {"associated 16", 16, 2, 4, 1, {4544, 5334, 4191, 6939}, {167, 196, 154, 27}},
      {"grey and unassociated alpha 16", 16, 1, 2, 2, {0x6666, 0x4D4D}, {102, 102, 102, 77}},
      {"colour 16", 16, 2, 3, -1, {42338, 0, 65535}, {165, 0, 255, 255}},
      {"colour and alpha beside 3 more samples", 8, 2, 7, 2, {1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 4}},
      {"associated, divided out rounded", 8, 2, 4, 1, {100, 100, 100, 200}, {128, 128, 128, 200}},
      {"16-bit samples rounded, not cut", 16, 2, 3, -1, {0xFF00, 0x00FF, 0x8080}, {254, 1, 128, 255}},
      {"a fourth sample of colour without extra samples", 8, 2, 4, -1, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {"colour in uncompressed tiles of 768 bytes", 8, 2, 3, -1, {1, 2, 3}, {1, 2, 3, 255}, true},
      {"16-bit grey in uncompressed tiles of 512 bytes", 16, 1, 1, -1, {0x6666}, {102, 102, 102, 255}, true},
      {"16-bit associated in tiles, at 16 bits", 16, 2, 4, 1, {101, 150, 201, 257}, {100, 149, 199, 1}, true},
      {"inks and alpha", 8, 5, 5, 2, {0, 255, 255, 0, 128}, {255, 0, 0, 128}},
      {"16-bit inks", 16, 5, 4, -1, {0, 0xFFFF, 0x8000, 0x4000}, {191, 0, 96, 255}},
      {"CIE L*a*b* of no white point (D50)", 8, 8, 3, -1, {153, 94, 195}, {255, 0, 255, 255}},
      {"CIE L*a*b* and alpha", 8, 8, 4, 2, {153, 94, 195, 128}, {255, 0, 255, 128}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Bytes tiff = test_support::MakeTiff(1, 1, c.bits, c.photometric, c.channels, c.extra, c.samples, c.tiled);
    DecodedPicture picture;
    std::string error;
    ASSERT_TRUE(DecodePictureBytes(tiff.data(), tiff.size(), &picture, &error)) << error;
    EXPECT_EQ(picture.alpha_valid, c.extra >= 0 || (c.photometric == 2 && c.channels == 4));
    EXPECT_EQ(Shown(picture), (std::vector<std::array<int, 4>>{c.shown}));
  }
  // 9 samples a pixel are more than any picture has (a file of a few bytes may claim a megapixel:
  // libtiff's buffers would take 9 MiB for it, of 5000 samples 10 GiB).
  Bytes many = test_support::MakeTiff(1, 1, 8, 2, 9, 2, std::vector<uint16_t>(9, 1));
  DecodedPicture picture;
  std::string error;
  EXPECT_FALSE(DecodePictureBytes(many.data(), many.size(), &picture, &error));
  EXPECT_EQ(error, "TIFF: 9 samples of 8 bits a pixel: more than a picture has");
  // libtiff's complaint about a strip past the end of the file is the reason, not printed.
  Bytes far = test_support::MakeTiff(1, 1, 8, 2, 4, 2, {1, 2, 3, 4});
  const Bytes strip_offsets = {0x11, 0x01, 4, 0, 1, 0, 0, 0};
  const auto at = std::search(far.begin(), far.end(), strip_offsets.begin(), strip_offsets.end());
  ASSERT_NE(at, far.end());
  at[10] = 1;  // 64 KiB further
  testing::internal::CaptureStderr();
  EXPECT_FALSE(DecodePictureBytes(far.data(), far.size(), &picture, &error));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(error.rfind("TIFF: ", 0), 0u) << error;
}

// A TIFF written by libtiff, in the test's own folder: `fill` sets its fields and writes it.
Bytes LibtiffWrites(const std::function<void(TIFF*)>& fill) {
  TIFF* tiff = TIFFOpen("made.tif", "w");
  if (!tiff) return {};
  fill(tiff);
  TIFFClose(tiff);
  Bytes out;
  ReadFileBytes("made.tif", &out);
  return out;
}

// The fields of a picture of `samples` samples of `bits` bits a pixel.
void SetTiffFields(TIFF* t, uint32_t width, uint32_t height, uint16_t photometric, uint16_t samples, uint16_t bits,
                   uint16_t compression, std::vector<uint16_t> extra = {}) {
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (!extra.empty()) TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(extra.size()), extra.data());
}

// Sample c (of `count`) of pixel (x, y) of a smooth picture, of 8 bits.
uint8_t SmoothSample(uint32_t x, uint32_t y, int c, int count) {
  if (c == count - 1 && count == 4) return uint8_t(40 + (x + y) % 200);  // alpha
  return uint8_t(c == 0 ? x * 3 : c == 1 ? y * 4 : 255 - (x + y) * 2);
}

// Writes the smooth picture's rows in strips or tiles of samples of 8 bits (16 when `wide`:
// each 8-bit sample times 257, its colours multiplied by its alpha when `premultiplied`),
// interleaved or in separate planes, through libtiff's encoders.
void WriteSmooth(TIFF* t, uint32_t width, uint32_t height, uint16_t count, bool wide, uint32_t tile = 0,
                 bool planar = false, bool premultiplied = false) {
  const size_t bytes = wide ? 2 : 1;
  if (planar) TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
  auto put = [&](uint8_t* at, uint32_t x, uint32_t y, int c) {
    const uint8_t v = SmoothSample(x, y, c, count);
    if (!wide) return void(*at = v);
    uint32_t w = v * 257u;
    if (premultiplied && c < 3) w = (w * (SmoothSample(x, y, 3, count) * 257u) + 32767) / 65535;
    const uint16_t stored = uint16_t(w);
    std::memcpy(at, &stored, 2);
  };
  const uint16_t planes = planar ? count : 1, per_plane = planar ? 1 : count;
  if (tile == 0) {
    Bytes row(width * per_plane * bytes);
    for (uint16_t p = 0; p < planes; ++p) {
      for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
          for (int c = 0; c < per_plane; ++c) put(&row[(x * per_plane + c) * bytes], x, y, planar ? p : c);
        }
        TIFFWriteScanline(t, row.data(), y, p);
      }
    }
    return;
  }
  TIFFSetField(t, TIFFTAG_TILEWIDTH, tile);
  TIFFSetField(t, TIFFTAG_TILELENGTH, tile);
  Bytes block(size_t{tile} * tile * per_plane * bytes);
  for (uint16_t p = 0; p < planes; ++p) {
    for (uint32_t top = 0; top < height; top += tile) {
      for (uint32_t left = 0; left < width; left += tile) {
        for (uint32_t y = 0; y < tile; ++y) {
          for (uint32_t x = 0; x < tile; ++x) {
            for (int c = 0; c < per_plane; ++c) {
              put(&block[((y * tile + x) * per_plane + c) * bytes], left + x, top + y, planar ? p : c);
            }
          }
        }
        TIFFWriteTile(t, block.data(), left, top, 0, p);
      }
    }
  }
}

// Where a TIFF's orientation shows the file's pixel (x, y) of a w x h file: the file's first row
// along the shown picture's top (1, 2), bottom (3, 4), left (5, 8) or right (6, 7) side, and its
// first column along the shown left (1, 4), right (2, 3), top (5, 6) or bottom (7, 8).
std::pair<uint32_t, uint32_t> ShownAt(uint16_t orientation, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
  switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {h - 1 - y, x};
    case 7: return {h - 1 - y, w - 1 - x};
    case 8: return {y, w - 1 - x};
    default: return {x, y};
  }
}

// The greatest difference of a decoded picture's colours from the smooth picture's (grey: its
// first sample; inverted: 255 less it), and of its alpha, each pixel looked for where the file's
// orientation shows it.
std::pair<int, int> FromSmooth(const DecodedPicture& picture, int count, bool grey, uint16_t orientation = 1,
                               bool inverted = false) {
  const bool turned = orientation >= 5;
  const uint32_t w = turned ? picture.height : picture.width, h = turned ? picture.width : picture.height;
  int colour = 0, alpha = 0;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      const auto [sx, sy] = ShownAt(orientation, x, y, w, h);
      const uint8_t* p = &picture.frames.at(0).pixels.at((size_t{sy} * picture.width + sx) * 4);
      for (int c = 0; c < 3; ++c) {
        const int sample = SmoothSample(x, y, grey ? 0 : c, count);
        colour = std::max(colour, std::abs(p[2 - c] - (inverted ? 255 - sample : sample)));
      }
      alpha = std::max(alpha, std::abs(p[3] - (count == 4 ? SmoothSample(x, y, 3, count) : 255)));
    }
  }
  return {colour, alpha};
}

// Sets the value of a directory entry of one value in a little-endian TIFF (as libtiff writes
// them here).
void SetTiffEntry(Bytes& file, uint16_t tag, uint32_t value) {
  const uint32_t ifd = file[4] | file[5] << 8 | file[6] << 16 | uint32_t(file[7]) << 24;
  for (uint32_t i = 0, n = file[ifd] | file[ifd + 1] << 8; i < n; ++i) {
    uint8_t* e = &file[ifd + 2 + i * 12];
    if ((e[0] | e[1] << 8) != tag) continue;
    const bool is_short = (e[2] | e[3] << 8) == TIFF_SHORT;
    for (int b = 0; b < (is_short ? 2 : 4); ++b) e[8 + b] = uint8_t(value >> (8 * b));
  }
}

// TIFFs as libtiff's tools and ImageMagick write them read as the picture they hold: JPEG strips
// and tiles of YCbCr (subsampled, as tiffcp writes it), of colour not subsampled, of grey and of
// separate planes, within JPEG's usual tolerance, a last strip coded at full height among them;
// tiles at the picture's right and bottom edges (of 16-bit grey, deflated with a predictor);
// 16-bit associated alpha in tiles of separate planes or bottom up; separate planes in strips of
// a few rows; grey of 8 bits either way up; a palette whose colour map's entries are all of 8
// bits; YCbCr without JPEG (libtiff's RGBA interface). Each is shown as its orientation says:
// mirrored, flipped or turned a quarter, in every path. And those that are refused, with their
// reasons: a JPEG strip past the file's end, a JPEG tile's stream narrower than the tile, an
// alpha sample with no room for it among the samples, inks other than CMYK.
TEST(PictureDecoderTest, TiffsOfEveryLayoutReadAsThePictureTheyHold) {
  constexpr uint32_t kWidth = 72, kHeight = 40;  // tiles of 16 or 32 leave part tiles
  auto jpeg = [](uint16_t photometric, uint16_t count, uint32_t tile, bool planar = false,
                 uint16_t orientation = ORIENTATION_TOPLEFT, uint32_t height = 40) {
    return LibtiffWrites([=](TIFF* t) {
      SetTiffFields(t, kWidth, height, photometric, count, 8, COMPRESSION_JPEG);
      TIFFSetField(t, TIFFTAG_JPEGQUALITY, 90);
      TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
      if (photometric == PHOTOMETRIC_YCBCR) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
      if (tile == 0) TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
      WriteSmooth(t, kWidth, height, photometric == PHOTOMETRIC_YCBCR ? 3 : count, false, tile, planar);
    });
  };
  auto plain = [](uint16_t photometric, uint16_t count, bool wide, uint16_t compression, uint32_t tile, bool planar,
                  std::vector<uint16_t> extra, uint16_t orientation = ORIENTATION_TOPLEFT) {
    return LibtiffWrites([=](TIFF* t) {
      SetTiffFields(t, kWidth, kHeight, photometric, count, wide ? 16 : 8, compression, extra);
      if (compression == COMPRESSION_ADOBE_DEFLATE) TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
      TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
      if (tile == 0) TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 3);
      if (photometric == PHOTOMETRIC_PALETTE) {  // entry i is grey i, of 8 bits
        std::vector<uint16_t> map(256);
        for (uint16_t i = 0; i < 256; ++i) map[i] = i;
        TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
      }
      if (photometric == PHOTOMETRIC_SEPARATED) TIFFSetField(t, TIFFTAG_INKSET, INKSET_MULTIINK);
      WriteSmooth(t, kWidth, kHeight, count, wide, tile, planar,
                  extra == std::vector<uint16_t>{EXTRASAMPLE_ASSOCALPHA});
    });
  };
  // The smooth colours as YCbCr (of ITU-R BT.601, not subsampled), which libtiff's RGBA
  // interface turns back.
  auto ycbcr = [](uint16_t orientation) {
    return LibtiffWrites([=](TIFF* t) {
      SetTiffFields(t, kWidth, kHeight, PHOTOMETRIC_YCBCR, 3, 8, COMPRESSION_NONE);
      TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
      TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 4);
      Bytes row(kWidth * 3);
      for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
          const double r = SmoothSample(x, y, 0, 3), g = SmoothSample(x, y, 1, 3), b = SmoothSample(x, y, 2, 3);
          const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
          const double values[3] = {luma, (b - luma) / 1.772 + 128, (r - luma) / 1.402 + 128};
          for (int c = 0; c < 3; ++c) row[x * 3 + c] = uint8_t(std::clamp(values[c] + 0.5, 0.0, 255.0));
        }
        TIFFWriteScanline(t, row.data(), y, 0);
      }
    });
  };
  Bytes last_strip_at_full_height = jpeg(PHOTOMETRIC_YCBCR, 3, 0, false, ORIENTATION_TOPLEFT, 48);
  SetTiffEntry(last_strip_at_full_height, TIFFTAG_IMAGELENGTH, kHeight);  // 16 rows coded for its last 8
  Bytes past_the_end = LibtiffWrites([](TIFF* t) {
    SetTiffFields(t, kWidth, kHeight, PHOTOMETRIC_MINISBLACK, 1, 8, COMPRESSION_JPEG);
    WriteSmooth(t, kWidth, kHeight, 1, false);
  });
  SetTiffEntry(past_the_end, TIFFTAG_STRIPBYTECOUNTS, uint32_t(past_the_end.size()));
  const Bytes narrow_tile = LibtiffWrites([](TIFF* t) {
    SetTiffFields(t, 16, 16, PHOTOMETRIC_YCBCR, 3, 8, COMPRESSION_JPEG);
    TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
    std::vector<uint32_t> pixels(8 * 16, 0xFF336699);
    Bytes stream;
    std::string why;
    EncodeJpeg(pixels.data(), 8, 16, 8, 90, &stream, &why);
    TIFFWriteRawTile(t, 0, stream.data(), tmsize_t(stream.size()));
  });
  const std::vector<uint16_t> associated = {EXTRASAMPLE_ASSOCALPHA}, unassociated = {EXTRASAMPLE_UNASSALPHA};
  const struct {
    const char* what;
    Bytes file;
    int count;
    bool grey;
    int tolerance;  // of the colours; alpha within 1 of the picture's, or 255
    uint16_t orientation = ORIENTATION_TOPLEFT;
    bool inverted = false;          // grey shown as 255 less its samples
    const char* refused = nullptr;  // the reason it is refused
  } cases[] = {
      {"JPEG YCbCr strips, subsampled", jpeg(PHOTOMETRIC_YCBCR, 3, 0), 3, false, 8},
      {"JPEG YCbCr tiles, subsampled", jpeg(PHOTOMETRIC_YCBCR, 3, 16), 3, false, 8},
      {"JPEG colour strips", jpeg(PHOTOMETRIC_RGB, 3, 0), 3, false, 4},
      {"JPEG colour in separate planes", jpeg(PHOTOMETRIC_RGB, 3, 0, true), 3, false, 4},
      {"JPEG grey tiles", jpeg(PHOTOMETRIC_MINISBLACK, 1, 32), 1, true, 4},
      {"JPEG, its last strip coded at full height", last_strip_at_full_height, 3, false, 8},
      {"16-bit grey in deflated tiles",
       plain(PHOTOMETRIC_MINISBLACK, 1, true, COMPRESSION_ADOBE_DEFLATE, 16, false, {}), 1, true, 0},
      {"16-bit associated alpha in tiles of separate planes",
       plain(PHOTOMETRIC_RGB, 4, true, COMPRESSION_NONE, 16, true, associated), 4, false, 1},
      {"16-bit associated alpha in tiles, bottom up",
       plain(PHOTOMETRIC_RGB, 4, true, COMPRESSION_ADOBE_DEFLATE, 16, false, associated, ORIENTATION_BOTLEFT), 4, false,
       1, ORIENTATION_BOTLEFT},
      {"colour and alpha in strips of separate planes",
       plain(PHOTOMETRIC_RGB, 4, false, COMPRESSION_LZW, 0, true, unassociated), 4, false, 0},
      {"8-bit grey, min-is-white", plain(PHOTOMETRIC_MINISWHITE, 1, false, COMPRESSION_LZW, 0, false, {}), 1, true, 0,
       ORIENTATION_TOPLEFT, true},
      {"a palette of 8-bit entries", plain(PHOTOMETRIC_PALETTE, 1, false, COMPRESSION_PACKBITS, 0, false, {}), 1, true,
       0},
      {"YCbCr without JPEG", ycbcr(ORIENTATION_TOPLEFT), 3, false, 3},
      {"mirrored", plain(PHOTOMETRIC_RGB, 3, false, COMPRESSION_NONE, 0, false, {}, ORIENTATION_TOPRIGHT), 3, false, 0,
       ORIENTATION_TOPRIGHT},
      {"turned: left top", plain(PHOTOMETRIC_RGB, 3, false, COMPRESSION_LZW, 0, false, {}, ORIENTATION_LEFTTOP), 3,
       false, 0, ORIENTATION_LEFTTOP},
      {"turned: right top, separate planes",
       plain(PHOTOMETRIC_RGB, 4, false, COMPRESSION_LZW, 0, true, unassociated, ORIENTATION_RIGHTTOP), 4, false, 0,
       ORIENTATION_RIGHTTOP},
      {"turned: right bottom, tiles of 16-bit grey",
       plain(PHOTOMETRIC_MINISBLACK, 1, true, COMPRESSION_ADOBE_DEFLATE, 16, false, {}, ORIENTATION_RIGHTBOT), 1, true,
       0, ORIENTATION_RIGHTBOT},
      {"turned: left bottom, JPEG tiles",
       jpeg(PHOTOMETRIC_YCBCR, 3, 16, false, ORIENTATION_LEFTBOT), 3, false, 8, ORIENTATION_LEFTBOT},
      {"turned: right top, YCbCr without JPEG", ycbcr(ORIENTATION_RIGHTTOP), 3, false, 3, ORIENTATION_RIGHTTOP},
      {"flipped: bottom left, YCbCr without JPEG", ycbcr(ORIENTATION_BOTLEFT), 3, false, 3, ORIENTATION_BOTLEFT},
      {"a JPEG strip past the end of the file", past_the_end, 1, true, 0, 1, false,
       "TIFF: a JPEG strip or tile past the end of the file"},
      {"a JPEG tile's stream narrower than its tile", narrow_tile, 3, false, 0, 1, false,
       "TIFF: JPEG: a JPEG stream of 8 x 16 where the file's strip or tile is 16 x 16"},
      {"colour and an alpha sample with no room for it",
       test_support::MakeTiff(1, 1, 8, PHOTOMETRIC_RGB, 3, EXTRASAMPLE_UNASSALPHA, {1, 2, 3}), 3, false, 0, 1, false,
       "TIFF: 3 samples a pixel: fewer than its colours"},
      {"inks other than CMYK", plain(PHOTOMETRIC_SEPARATED, 4, false, COMPRESSION_NONE, 0, false, {}), 4, false, 0, 1,
       false, "TIFF: Sorry, can not handle separated image with InkSet=2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DecodedPicture picture;
    std::string error;
    if (c.refused) {
      EXPECT_FALSE(DecodePictureBytes(c.file.data(), c.file.size(), &picture, &error));
      EXPECT_EQ(error, c.refused);
      continue;
    }
    ASSERT_TRUE(DecodePictureBytes(c.file.data(), c.file.size(), &picture, &error)) << error;
    const bool turned = c.orientation >= ORIENTATION_LEFTTOP;
    ASSERT_EQ(picture.width, int(turned ? kHeight : kWidth));
    ASSERT_EQ(picture.height, int(turned ? kWidth : kHeight));
    const auto [colour, alpha] = FromSmooth(picture, c.count, c.grey, c.orientation, c.inverted);
    EXPECT_LE(colour, c.tolerance);
    EXPECT_LE(alpha, c.count == 4 ? 1 : 0);
  }
}

// A JPEG inside a TIFF is held to what a .jpg is, counted from its headers before the picture
// is allocated: the scans of every strip together over the picture's own blocks (a picture of up
// to a megapixel counts as one of that many pixels, so 16 strips of 24 refinements each go over
// a 1024-square picture too often, where one strip of them would not), each stream's own cost
// beside (65536 strips of one row each cost 32 times what 4096 of 16 rows cost, though their
// blocks are the same), and the coefficients libjpeg keeps beside the whole picture; and each
// stream alone to what a .jpg of it may cost (a strip of 24 refinements among baseline ones). Each
// stream's frame is its strip's: 16 strips of 8 rows sharing one stream that claims 8192 x 40000
// are refused at once (decoded, each would keep 655 MB of coefficients). Refused, such a file
// has allocated next to nothing.
TEST(PictureDecoderTest, JpegStripsOfATiffAreHeldToAJpegsBoundsOverTheWholeFile) {
  // Strips of `rows` rows, the first `first` (when given) and every other `stream`.
  auto tiff = [](uint32_t width, uint32_t height, uint16_t photometric, uint16_t count, uint32_t rows,
                 const Bytes& stream, const Bytes& first = {}) {
    return LibtiffWrites([&](TIFF* t) {
      SetTiffFields(t, width, height, photometric, count, 8, COMPRESSION_JPEG);
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rows);
      for (uint32_t i = 0; i < height / rows; ++i) {
        const Bytes& s = i == 0 && !first.empty() ? first : stream;
        TIFFWriteRawStrip(t, i, const_cast<uint8_t*>(s.data()), tmsize_t(s.size()));
      }
    });
  };
  const std::vector<std::pair<uint8_t, uint8_t>> grey = {{1, 0x11}},
                                                 inks = {{1, 0x11}, {2, 0x11}, {3, 0x11}, {4, 0x11}};
  const std::vector<JpegScan> baseline = {{{1}, 0, 63, 0}};
  const char* const kTooOften = "scans go over the picture more often";
  const char* const kTooMuchMemory = "coefficients libjpeg keeps beside its pixels";
  const struct {
    const char* what;
    Bytes file;
    const char* refused;  // null: not refused for its cost
  } cases[] = {
      {"8192 square grey of 98 refinements in one strip",
       tiff(8192, 8192, PHOTOMETRIC_MINISBLACK, 1, 8192,
            JpegHeaders(8192, 8192, kProgressive, grey, Progression({1}, 98), 140000)),
       kTooOften},
      {"8192 square progressive inks in one strip",
       tiff(8192, 8192, PHOTOMETRIC_SEPARATED, 4, 8192,
            JpegHeaders(8192, 8192, kProgressive, inks, Progression({1, 2, 3, 4}, 0), 140000)),
       kTooMuchMemory},
      {"16 strips of 23 refinements",
       tiff(1024, 1024, PHOTOMETRIC_MINISBLACK, 1, 64, JpegHeaders(1024, 64, kProgressive, grey, Progression({1}, 23))),
       nullptr},
      {"16 strips of 24 refinements",
       tiff(1024, 1024, PHOTOMETRIC_MINISBLACK, 1, 64, JpegHeaders(1024, 64, kProgressive, grey, Progression({1}, 24))),
       kTooOften},
      {"one strip of 24 refinements, as a .jpg too many, among 8",
       tiff(8192, 1024, PHOTOMETRIC_MINISBLACK, 1, 128, JpegHeaders(8192, 128, kBaseline, grey, baseline, 2100),
            JpegHeaders(8192, 128, kProgressive, grey, Progression({1}, 24), 2100)),
       kTooOften},
      {"16 strips of 8 rows sharing a stream of 8192 x 40000",
       tiff(8192, 128, PHOTOMETRIC_MINISBLACK, 1, 8, JpegHeaders(8192, 40000, kProgressive, grey, Progression({1}, 0))),
       "a JPEG stream of 8192 x 40000 where the file's strip or tile is 8192 x 8"},
      {"4096 strips of 16 rows", tiff(64, 65536, PHOTOMETRIC_MINISBLACK, 1, 16, JpegHeaders(64, 16, kBaseline, grey, baseline)),
       nullptr},
      {"65536 strips of one row", tiff(64, 65536, PHOTOMETRIC_MINISBLACK, 1, 1, JpegHeaders(64, 1, kBaseline, grey, baseline)),
       kTooOften},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DecodedPicture picture;
    std::string error;
    const size_t peak = test_support::PeakHeapGrowth(
        [&] { EXPECT_FALSE(DecodePictureBytes(c.file.data(), c.file.size(), &picture, &error)); });
    EXPECT_EQ(error.find("TIFF: "), 0u) << error;
    if (c.refused) {
      EXPECT_NE(error.find(c.refused), std::string::npos) << error;
      EXPECT_LT(peak, size_t{2} << 20);  // libtiff's offsets of 65536 strips take 1 MiB
    } else {  // refused for its streams, which hold no tables, once their cost is allowed
      EXPECT_EQ(error.find(kTooOften), std::string::npos) << error;
    }
  }
}

// A TIFF costs its picture and at most a quarter of it beside: libtiff's strips and tiles are
// decoded into the picture, whatever their layout (bytes allocated, counted at every allocation
// under the sanitizer, and as the decode's budget counts them). A file of a few kilobytes that
// claims the same picture costs no more. Separate planes of one strip each are decoded once
// each, as the same samples interleaved are (the budget's count of the work); a tile larger
// than a plane's share of what is kept beside the picture (a fifth of it), or larger than the
// picture itself, is read a row at a time.
TEST(PictureDecoderTest, ATiffCostsItsPictureAndAQuarterAtMost) {
  constexpr uint32_t kSide = 2048;
  auto made = [](uint16_t photometric, uint16_t count, bool wide, uint16_t compression, uint32_t tile, bool planar,
                 uint32_t rows_per_strip, std::vector<uint16_t> extra = {}) {
    return LibtiffWrites([=](TIFF* t) {
      SetTiffFields(t, kSide, kSide, photometric, count, wide ? 16 : 8, compression, extra);
      if (tile == 0) TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rows_per_strip);
      if (photometric == PHOTOMETRIC_YCBCR) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
      WriteSmooth(t, kSide, kSide, photometric == PHOTOMETRIC_YCBCR ? 3 : count, wide, tile, planar);
    });
  };
  const std::vector<uint16_t> alpha = {EXTRASAMPLE_UNASSALPHA};
  auto deflated_zeros = [](size_t size) {
    const Bytes zeros(size, 0);
    uLongf deflated_size = compressBound(uLong(zeros.size()));
    Bytes deflated(deflated_size);
    compress2(deflated.data(), &deflated_size, zeros.data(), uLong(zeros.size()), 9);
    deflated.resize(deflated_size);
    return deflated;
  };
  // Each plane's strip a deflated stream of 2 MB of zeros: an eighth of what it claims.
  Bytes deflated = deflated_zeros(2 << 20);
  const Bytes few_kilobytes = LibtiffWrites([&](TIFF* t) {
    SetTiffFields(t, kSide, kSide, PHOTOMETRIC_RGB, 4, 16, COMPRESSION_ADOBE_DEFLATE, alpha);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kSide);
    for (uint32_t p = 0; p < 4; ++p) TIFFWriteRawStrip(t, p, deflated.data(), tmsize_t(deflated.size()));
  });
  ASSERT_LT(few_kilobytes.size(), 16000u);
  // One tile of eight 16-bit samples, zeros, over a picture of `side` (twice its side, or 1).
  auto one_tile = [&](uint32_t side, uint32_t tile) {
    const Bytes zeros = deflated_zeros(size_t{tile} * tile * 16);
    return LibtiffWrites([&](TIFF* t) {
      SetTiffFields(t, side, side, PHOTOMETRIC_RGB, 8, 16, COMPRESSION_ADOBE_DEFLATE, {2, 0, 0, 0, 0});
      TIFFSetField(t, TIFFTAG_TILEWIDTH, tile);
      TIFFSetField(t, TIFFTAG_TILELENGTH, tile);
      TIFFWriteRawTile(t, 0, const_cast<uint8_t*>(zeros.data()), tmsize_t(zeros.size()));
    });
  };
  const struct {
    const char* what;
    Bytes file;
    uint32_t side = kSide;
    int peer = -1;  // a case of the same samples whose work this one's is within 1.5 times
    bool decoded = true;
  } cases[] = {
      {"colour and alpha, one uncompressed strip",
       made(PHOTOMETRIC_RGB, 4, false, COMPRESSION_NONE, 0, false, kSide, alpha)},
      {"16-bit colour and alpha, one deflated strip",
       made(PHOTOMETRIC_RGB, 4, true, COMPRESSION_ADOBE_DEFLATE, 0, false, kSide, alpha)},
      {"16-bit colour and alpha, separate planes of one strip each",
       made(PHOTOMETRIC_RGB, 4, true, COMPRESSION_ADOBE_DEFLATE, 0, true, kSide, alpha), kSide, 1},
      {"colour and alpha, one deflated strip",
       made(PHOTOMETRIC_RGB, 4, false, COMPRESSION_ADOBE_DEFLATE, 0, false, kSide, alpha)},
      {"colour and alpha, separate planes of one deflated strip each",
       made(PHOTOMETRIC_RGB, 4, false, COMPRESSION_ADOBE_DEFLATE, 0, true, kSide, alpha), kSide, 3},
      {"colour and alpha in tiles", made(PHOTOMETRIC_RGB, 4, false, COMPRESSION_LZW, 256, false, 0, alpha)},
      {"16-bit colour and alpha in separate planes of 1024-square tiles",
       made(PHOTOMETRIC_RGB, 4, true, COMPRESSION_ADOBE_DEFLATE, 1024, true, 0, alpha)},
      {"a 1024-square picture in one tile of 2048, eight 16-bit samples", one_tile(1024, 2048), 1024},
      {"a 1x1 picture in one tile of 1024, eight 16-bit samples", one_tile(1, 1024), 1},
      {"grey, PackBits strip", made(PHOTOMETRIC_MINISBLACK, 1, false, COMPRESSION_PACKBITS, 0, false, kSide)},
      {"JPEG YCbCr, one strip", made(PHOTOMETRIC_YCBCR, 3, false, COMPRESSION_JPEG, 0, false, kSide)},
      {"a few kilobytes of separate planes", few_kilobytes, kSide, -1, false},  // cut short
  };
  std::vector<uint64_t> work;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DecodedPicture picture;
    std::string error;
    bool decoded = false;
    const size_t peak =
        test_support::PeakHeapGrowth([&] { decoded = DecodePictureBytes(c.file.data(), c.file.size(), &picture, &error); });
    const uint64_t frame = uint64_t{c.side} * c.side * 4, allowed = std::max<uint64_t>(frame + frame / 4, 2 << 20);
    EXPECT_LE(peak, allowed);
    EXPECT_LE(LastDecodeSpending().peak, allowed);
    EXPECT_EQ(decoded, c.decoded) << error;
    work.push_back(LastDecodeSpending().work);
    if (c.peer >= 0) {
      EXPECT_LE(work.back(), work[c.peer] * 3 / 2) << work[c.peer];
    }
    picture = {};
  }
}

// Every reader draws on its decode's one budget (LastDecodeSpending): it takes the picture it
// gives, and spends at least its bytes; libraries' blocks and readers' buffers are counted while
// held (SDL2_image's surface and the one converted from it, a 24-bit bitmap's 7 bytes a pixel
// beside the 4 of its frame; libpng's blocks given back before the pairs of indices and alphas
// are made). A small hostile file is refused at once with the budget's reason, or costs at most
// twice a file an encoder writes of the same picture, in work and in peak memory: a PNG row of
// 2,000,000 16-bit pixels, whose two rows libpng keeps at 16 bytes a pixel (once refused past a
// fixed 8 MiB), against the same row at 8 bits. GIF frames and MNG images far larger than the
// screens they are composed onto cost more than their pictures could: refused.
TEST(PictureDecoderTest, EveryReaderDrawsOnItsDecodesOneBudget) {
  const std::string kTooMuchWork = "decoding it would take more work than its size allows";
  constexpr int kWide = 2000000;
  std::vector<uint16_t> wide16(size_t{kWide} * 4), wide8(size_t{kWide} * 4);
  for (size_t i = 0; i < wide16.size(); ++i) wide8[i] = (wide16[i] = uint16_t(i % 4000 * 16)) >> 8;
  constexpr int kLong = 1 << 22;
  std::vector<uint16_t> indices(kLong);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = i % 3;
  const Bytes partial = test_support::WithPngChunks(
      test_support::WithPngChunks(test_support::MakePng(kLong, 1, 8, 3, indices), "PLTE", Bytes(9, 7), 1), "tRNS",
      {255, 128, 0}, 1);
  // Forty frames of 1024 x 1024 on a screen of one pixel, their LZW data as many bytes as such
  // frames need at the least (what they hold is never read).
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  for (int i = 0; i < 40; ++i) {
    gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, 0, 4, 0, 4, 0, 2});
    for (int block = 0; block < 2; ++block) gif.push_back(255), gif.resize(gif.size() + 255, 0x55);
    gif.push_back(0);
  }
  gif.push_back(0x3B);
  // Twenty blank images of 1024 x 1024 on a canvas of one pixel.
  Bytes mng = test_support::MakeMng(1, 1, {});
  const Bytes blank = test_support::MakeBlankPng1Bit(1024, 1024);
  for (int i = 0; i < 20; ++i) mng.insert(mng.end() - 12, blank.begin() + 8, blank.end());
  Bytes runs;  // a 1024 x 1024 TGA in packets of 128 pixels of one colour
  for (size_t i = 0; i < 1024 * 1024 / 128; ++i) runs.insert(runs.end(), {0xFF, 1, 2, 3});
  Bytes raw_tga = Tga(2, 0, 0, 24, 0x20, Bytes(size_t{3} << 20, 9)), rle_tga = Tga(10, 0, 0, 24, 0x20, runs);
  for (Bytes* tga : {&raw_tga, &rle_tga}) (*tga)[13] = (*tga)[15] = 4;
  const Bytes pcx_runs = {0xFF, 1, 0xFF, 1, 0xFF, 1, 0xFF, 1, 0xC4, 1, 0x0C};
  Bytes pcx_rows;
  for (int i = 0; i < 256; ++i) pcx_rows.insert(pcx_rows.end(), pcx_runs.begin(), pcx_runs.end() - 1);
  pcx_rows.push_back(0x0C);
  pcx_rows.resize(pcx_rows.size() + 768, 0);
  const struct {
    const char* kind;
    Bytes file;
    Bytes real = {};                // an encoder's file of the same picture: at most twice its costs
    std::string refusal = "";       // the budget's reason the file is refused, or ""
    double peak_ratio = 2;          // at most this many times the real file's peak
    double least_peak = 1;          // at least this many times the bytes of the picture given
    PictureFormat format = PictureFormat::kDetect;
  } kRows[] = {
      {"PNG of 16-bit colour and alpha, 2,000,000 wide", test_support::MakePng(kWide, 1, 16, 6, wide16),
       test_support::MakePng(kWide, 1, 8, 6, wide8)},
      {"PNG of a palette of partial alphas", partial, test_support::MakePng(kLong, 1, 8, 0, indices), "", 1.25},
      {"GIF of frames far off a screen of one pixel", gif, {}, kTooMuchWork},
      {"MNG of images far larger than a canvas of one pixel", mng, {}, kTooMuchWork},
      {"24-bit bitmap through SDL2_image", test_support::MakeBmp24(1024, 1024, Bytes(4 << 20, 5)), {}, "", 2, 1.75},
      {"TGA in runs", rle_tga, raw_tga},
      {"PCX in runs", Pcx(5, 8, 1, 256, 256, 256, pcx_rows)},
      {"GIF", test_support::MakeGif(64, 64, kPalette4, {{0, 0, 64, 64, Bytes(4096, 1), 0, -1, 0}, {8, 8, 2, 2, {2, 3, 2, 3}, 0, 3, 3}})},
      {"MNG", test_support::MakeMng(64, 64, {{Bytes(64 * 64 * 4, 9), 10}, {Bytes(64 * 64 * 4, 200), 10}})},
      {"WBMP", test_support::MakeWbmp(1024, 1024, Bytes(1 << 20, 1)), {}, "", 2, 1, PictureFormat::kWbmp},
      {"WMF: gd's canvas and the frame", test_support::MakeWmf(100, 50, 0xFF), {}, "", 2, 2},
  };
  auto decode = [](const Bytes& file, PictureFormat format, DecodedPicture* picture, std::string* error) {
    const bool decoded = DecodePictureBytes(file.data(), file.size(), picture, error, format);
    return std::pair(decoded, LastDecodeSpending());
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.kind);
    DecodedPicture picture;
    std::string error;
    const auto [decoded, spent] = decode(row.file, row.format, &picture, &error);
    if (!row.refusal.empty()) {
      EXPECT_FALSE(decoded);
      EXPECT_EQ(spent.problem, row.refusal);
      EXPECT_NE(error.find(row.refusal), std::string::npos) << error;
      continue;
    }
    ASSERT_TRUE(decoded) << error;
    uint64_t bytes = 0;
    for (const PictureFrame& frame : picture.frames) bytes += frame.pixels.size();
    EXPECT_GE(spent.peak, row.least_peak * bytes);
    EXPECT_GE(spent.work, bytes);
    if (row.real.empty()) continue;
    const auto [real_decoded, real] = decode(row.real, row.format, &picture, &error);
    ASSERT_TRUE(real_decoded) << error;
    EXPECT_LE(spent.peak, row.peak_ratio * real.peak) << real.peak;
    EXPECT_LE(spent.work, 2 * real.work) << real.work;
  }
}

// TGA files carry no mark, so a file of no other kind read here is one only when its header is:
// a PPM, a JNG or text is said to be no picture of a kind this reads, whatever sizes its first
// bytes would give a TGA.
TEST(PictureDecoderTest, AFileOfNoKindReadHereIsSaidToBeSo) {
  const std::string ppm = "P6\n4096 4096\n255\n" + std::string(48, 'x');
  const Bytes kFiles[] = {
      Bytes(ppm.begin(), ppm.end()),
      {0x8B, 'J', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 16, 'J', 'H', 'D', 'R',  // a JNG's header
       0, 0, 0, 64, 0, 0, 0, 64, 10, 8, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0},
      Bytes(64, 'a'),
  };
  for (const Bytes& file : kFiles) {
    DecodedPicture picture;
    std::string error;
    EXPECT_FALSE(DecodePictureBytes(file.data(), file.size(), &picture, &error));
    EXPECT_EQ(error, "not a picture of a kind this reads") << std::string(file.begin(), file.begin() + 4);
  }
}

}  // namespace
}  // namespace platform
