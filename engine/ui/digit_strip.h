// A line of text drawn from pictures: every character it knows is a frame of a glyph picture
// ("0123456789" on a digit picture, the words of a notice on a word picture). Glyph sets are added
// in order; a character that an earlier set already holds keeps its first glyph. Only loaded
// glyphs are drawn: a character whose picture or frame does not exist takes no room, a space
// advances by the space width, a line feed starts a new row ("\r" is ignored).
//
// The strip draws into its own canvas skin (colour key 0xFF00FF), sized to the text, so its
// centre stays where it was placed while the text changes. Glyphs of one row are centred on the
// row's tallest glyph; rows follow each other by the row advance (or by their height when that
// is larger).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "engine/core/image_handle.h"
#include "engine/core/widget_base.h"

namespace engine {

class CanvasObject;

class DigitStrip : public WidgetBase {
 public:
  // Link flags of the canvas: it follows everything the strip does.
  // Defaults until Setup: the set-up every strip of the game uses.
  static constexpr int32_t kDefaultMaxGlyphs = 40;
  static constexpr int32_t kDefaultRowAdvance = 42;
  static constexpr int32_t kDefaultSpaceWidth = 18;
  // Longest text kept, in bytes.
  static constexpr size_t kMaxText = 1024;

  DigitStrip() = default;
  ~DigitStrip() override = default;

  // (most glyphs drawn, row advance in pixels, width of a space): (40, 42, 18) throughout the game.
  virtual void Setup(int32_t max_glyphs, int32_t row_advance, int32_t space_width);
  // Each character of glyphs (GBK) takes frame i of the picture, i counting characters from 0.
  // Returns how many of them were loaded.
  virtual int32_t AddGlyphs(const char* glyphs, const char* image_name);
  // One character from a chosen frame of a picture; false when that frame does not exist.
  virtual bool AddGlyph(const char* character, const char* image_name, int32_t frame);
  // One character drawn with a picture record; false for a missing picture.
  virtual bool AddGlyphPicture(const char* character, const PictureInfo* picture);
  // Lays the text out and redraws the canvas.
  virtual void SetText(const char* text);
  virtual const char* GetText() const { return text_.c_str(); }

  // Draws text's glyphs into another canvas, the block's top-left corner at (x, y); returns the
  // block's width. The canvas is marked changed, not invalidated.
  int32_t DrawGlyphs(CanvasObject* canvas, int32_t x, int32_t y, const char* text);
  // The size text takes when drawn.
  void MeasureGlyphs(const char* text, int32_t* width, int32_t* height);

  bool HasGlyph(std::string_view character) const;
  size_t GlyphCount() const { return glyphs_.size(); }
  CanvasObject* GetCanvas() const;
  int32_t GetMaxGlyphs() const { return max_glyphs_; }
  int32_t GetRowAdvance() const { return row_advance_; }
  int32_t GetSpaceWidth() const { return space_width_; }

 protected:
  // Draws (or, with canvas null, only measures) text with its top-left corner at (x, y).
  void Compose(CanvasObject* canvas, int32_t x, int32_t y, const char* text, int32_t* width, int32_t* height);
  // Makes the canvas when the strip has none yet; null when it cannot.
  CanvasObject* EnsureCanvas();

 private:
  // The key of the character at text[i] and its byte length (a lone lead byte at the end is one
  // byte, and no character of any set).
  static uint32_t CharacterKey(std::string_view text, size_t i, size_t* length);
  // The glyph's picture, brought up to date with the paint module's cache; null when missing.
  const PictureInfo* CurrentGlyph(uint32_t key);

  std::map<uint32_t, PictureInfo> glyphs_;
  std::string text_;
  int32_t max_glyphs_ = kDefaultMaxGlyphs;
  int32_t row_advance_ = kDefaultRowAdvance;
  int32_t space_width_ = kDefaultSpaceWidth;
};

}  // namespace engine
