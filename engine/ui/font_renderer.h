// The engine's text renderer: lays GBK text out and draws it into 32-bit surfaces.
//
// The object module keeps one and hands it to every canvas. A caller selects a style (the 20-word
// FontRecord) and then draws, measures or places text with it. Text may carry markup tags (see
// text_markup.h), which change the style of what follows and take no room themselves.
//
// Layout: the margins bound the band that text keeps to. Rows start at the x asked for, or at
// the left margin when x lies left of it, and, when the record's wrap word is set, break before a
// character that would pass the right margin: between any two Chinese characters, or after a
// space for Latin words (a word longer than the row is broken where it must be). A line feed
// always starts a new row; carriage returns are ignored. A row is as high as the tallest style
// in it; rows follow each other with the record's row space between them, and a text's height is
// the sum of its rows, each with its row space.
//
// Drawing: pixels outside the surface are never written. Where the surface is transparent (alpha
// 0) or holds the colour key (kColourKey), characters are drawn without anti-aliasing in the plain
// text colour, so that no key-coloured fringe can show once the key is applied; elsewhere the
// glyph's coverage blends the text colour into the surface.
//
// Rendered glyphs are cached per face, size and weight, which is what makes redrawing chat and
// lists cheap. All operations may be called from any thread; they take the renderer's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "engine/ui/font_record.h"

namespace platform {
class Font;
struct GlyphImage;
}  // namespace platform

namespace engine {

// The surface a canvas describes to the block layout. Only width and height are read; the text's
// laid-out size is written back.
struct TextBlock {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t* pixels = nullptr;
  uint32_t byte_size = 0;   // width * height * 4
  int32_t text_width = 0;   // out: widest row
  int32_t text_height = 0;  // out: height of all rows
  uint32_t reserved[23] = {};
};

struct TextPosition {
  int32_t x = 0;
  int32_t y = 0;
};

struct TextExtent {
  int32_t width = 0;   // the widest row, character spacing included
  int32_t height = 0;  // every row with its row space
  int32_t rows = 0;
};

// Where DrawTextBlock places text along one axis.
enum TextPlacement : int32_t { kPlaceStart = 0, kPlaceCentre = 1, kPlaceEnd = 2 };

class FontRenderer {
 public:
  using Hook = std::function<void()>;

  FontRenderer();
  ~FontRenderer();
  FontRenderer(const FontRenderer&) = delete;
  FontRenderer& operator=(const FontRenderer&) = delete;

  // Sets up the glyph store and selects the default record (kDefaultFaceName, 12 pixels, black, opaque).
  void CreateSurface();
  // Lets go of every face and cached glyph; the renderer opens them again when next asked.
  void Release();

  // Selects a copy of record (null: nothing happens). Faces open only when face, height,
  // weight or the italic word name one not used before.
  void SetFont(const FontRecord* record);
  // Copies the selected record out.
  void GetFont(FontRecord* out) const;

  // The hooks that CallbackA and CallbackB run (either may be empty).
  void SetHooks(Hook a, Hook b);
  // Run by canvases right before and right after they draw text.
  void CallbackA();
  void CallbackB();

  // Draws text (GBK, with markup) into a width x height surface of 0xAARRGGBB pixels, the first
  // row's top at y and each row's left at x (the left margin at least, when one is set), breaking
  // rows at the surface's width less the right margin. object_key names the engine object drawn
  // for; it is carried only.
  void DrawText(uint32_t* pixels, int32_t width, int32_t height, int32_t x, int32_t y, const char* text,
                uint32_t object_key);
  // Height the text needs on a surface this wide, between the margins, with the selected record:
  // the height DrawText gives it at an x no further right than the left margin.
  int32_t MeasureHeight(int32_t width, const char* text);
  // The full measure: widest row, height and number of rows.
  TextExtent MeasureText(int32_t width, const char* text);
  // text points just after a '<', length bytes before its '>'. Non-zero when the run is one of
  // the renderer's tags; its style is then applied to the selected record. An empty run ("<>")
  // is a tag as well (it restores a text's starting style) and changes nothing here.
  int32_t LayoutScript(const char* text, int32_t length);
  // Where DrawText must start for text to sit in a width x height surface: horizontal is how
  // the rows' block lines up between the margins (kPlaceStart, kPlaceCentre, kPlaceEnd),
  // vertical likewise from top to bottom, and inset pixels are kept from every edge. Drawn at
  // that place the text wraps as it was measured here. The text's size goes into block.
  TextPosition DrawTextBlock(int32_t width, int32_t height, const char* text, TextBlock* block, int32_t horizontal,
                             int32_t vertical, int32_t inset);

  // Store figures, for tests and diagnostics.
  size_t FacesOpened() const;
  size_t CachedGlyphs() const;

 private:
  struct Glyph;
  struct Face;
  struct Item;
  struct Row;
  using FaceKey = std::tuple<std::string, int32_t, bool, bool>;

  void ResetRecord();
  void TrimStore();
  Face* FaceFor(const FontRecord& record);
  Glyph* GlyphFor(Face& face, char32_t code_point);
  const platform::GlyphImage* ImageFor(Face& face, Glyph& glyph, char32_t code_point, bool antialias);
  char32_t DecodePair(uint8_t lead, uint8_t trail);
  // Lays text out into items_ and rows_; width is the room for a row.
  void Layout(const char* text, int32_t width);
  TextExtent Extent() const;
  // Where the rows of text drawn at x begin, and the room they have from there.
  int32_t RowStart(int32_t x) const;
  int32_t RoomFor(int32_t surface_width, int32_t start) const;

  mutable std::mutex mutex_;
  FontRecord record_{};
  Hook hook_a_;
  Hook hook_b_;
  std::map<FaceKey, std::unique_ptr<Face>> faces_;
  size_t faces_opened_ = 0;
  std::vector<char32_t> gbk_pairs_;  // code points of the double-byte characters seen so far
  std::vector<Item> items_;
  std::vector<Row> rows_;
};

}  // namespace engine
