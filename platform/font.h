// Fonts for the engine's text renderer: faces found by name with fontconfig, glyphs rasterised
// with FreeType. This stands in for GDI's CreateFont and text output on a memory bitmap.
//
// Face names are GBK, as the program's font records hold them. The Windows face names the
// program asks for (宋体, 黑体, SimSun, Tahoma, ...) have no installed counterpart, so they map
// to the CJK face "WenQuanYi Zen Hei Mono": its ASCII characters are half as wide as its Chinese
// ones, which is the arithmetic the program's layout estimates are built on. A name fontconfig
// does not know falls back to the same face. Bold is the face's own bold when it has one, else
// emboldened by one pixel; italic is a slanted outline. Nothing here draws: callers get coverage
// maps and blend them themselves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Where an installed face lives.
struct FontFileRef {
  std::string path;   // UTF-8 file name; empty when nothing was found
  int index = 0;      // face index inside a collection (.ttc)
  bool bold = false;  // the face itself is bold (no emboldening needed)
};

// Finds the installed face for a GBK face name (see above for the mapping). Lookups are cached.
FontFileRef FindFontFile(std::string_view face_gbk, bool bold);

// One rasterised character. Rows run top to bottom; coverage is 0..255 per pixel (0 or 255 for
// a glyph rasterised without anti-aliasing).
struct GlyphImage {
  int left = 0;  // from the pen position to the first column (may be negative)
  int top = 0;   // from the baseline up to the first row
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> coverage;
};

// One face at one pixel size and style. Not safe for use from two threads at once.
class Font {
 public:
  // Opens the face named face_gbk with characters pixel_height pixels high (the em size).
  // weight follows Windows (400 normal, 700 bold; 600 and above is bold). Null, with a report,
  // when no face can be opened.
  static std::unique_ptr<Font> Open(std::string_view face_gbk, int pixel_height, int weight, bool italic);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  int PixelHeight() const { return pixel_height_; }
  // Rows from the top of a character cell (PixelHeight high) down to the baseline.
  int Baseline() const { return baseline_; }
  // Pen advance of a character in whole pixels (a missing character advances as the face's
  // replacement box does).
  int Advance(char32_t code_point);
  // Rasterises one character; false (and an empty image) when FreeType cannot.
  bool RenderGlyph(char32_t code_point, bool antialias, GlyphImage& out);

 private:
  struct Impl;
  explicit Font(std::unique_ptr<Impl> impl, int pixel_height, int baseline);
  std::unique_ptr<Impl> impl_;
  int pixel_height_;
  int baseline_;
};

}  // namespace platform
