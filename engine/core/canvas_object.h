// An object that owns a 32-bit surface it draws into at run time: fills, pixels, lines,
// rectangles, borders, colour effects, pictures and text (through the text renderer). The surface
// is presented to the rest of the engine as a one-frame picture held by an embedded image handle,
// so painters draw it and the pixel hit test tests it like any picture.
//
// Pixels are 0xAARRGGBB words, rows without gaps; alpha 0 is transparent and any other alpha
// counts as drawn. Colours handed in are COLORREF 0x00BBGGRR; the picture's colour key (kColourKey
// unless changed) as a colour means transparent.
//
// Every operation keeps to the surface: points outside are skipped and rectangles are clipped.
// Drawing operations mark the picture changed (so painters take the new pixels); those that say
// so also invalidate the object; the rest leave that to the caller.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/colour_key.h"
#include "engine/core/engine_object.h"
#include "engine/core/image_handle.h"
#include "engine/ui/font_record.h"
#include "platform/win_types.h"

namespace engine {

class FontRenderer;

class CanvasObject : public EngineObject {
 public:
  // Largest side of a surface (a picture record holds 16-bit sizes).
  static constexpr int32_t kMaxSide = 0xFFFF;

  CanvasObject();
  // Hands the surface's record to the paint module to let go of (it frees it), or frees it here
  // when no paint module is loaded.
  ~CanvasObject() override;  // 0

  int GetKind() const override { return object_kind::kCanvas; }  // 4
  ImageHandle* GetDrawImage() override { return &image_; }       // 71

  // A zeroed w x h surface, cleared to fill_colour; text style from the height. Called once by
  // the object module; a later call replaces the surface. A non-positive size gives no surface.
  virtual void CreateSurface(int32_t width, int32_t height, COLORREF fill_colour, FontRenderer* renderer);  // 73
  virtual uint32_t MakePixel(COLORREF colour, uint32_t key) const;                                          // 74
  virtual void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);                          // 75
  virtual void Clear();                                                                                     // 76
  virtual void SetPixel(int32_t x, int32_t y, COLORREF colour);                                             // 77
  virtual void SetPixelAlpha(int32_t x, int32_t y, double alpha);                                           // 78
  virtual void DrawBorder(COLORREF colour, int32_t thickness);                                              // 79
  virtual void DrawDottedBorder(COLORREF colour);                                                           // 80
  virtual void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);                                    // 81
  virtual void DrawRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool filled);                       // 82
  virtual void DrawDottedRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);                              // 83
  // Width 0: the surface's; below 0: the picture's (height likewise).
  virtual void DrawImage(const PictureInfo* info, int32_t x, int32_t y, int32_t width, int32_t height, double angle,
                         double alpha);                                                                        // 84
  virtual void DrawThreePartsV(const PictureInfo* top, const PictureInfo* middle, const PictureInfo* bottom);  // 85
  virtual void DrawStretchedV(PictureInfo info);                                                               // 86
  virtual void DrawStretchedH(PictureInfo info);                                                               // 87
  virtual void InvertRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);                                     // 88
  virtual void FitToText(const char* text, int32_t width);                                                     // 89
  virtual void ResizeSurface(int32_t width, int32_t height);                                                   // 90
  virtual void ApplyColourKey();                                                                               // 91
  virtual void Tint(COLORREF colour, double amount);                                                           // 92
  virtual void MaskWith(const PictureInfo* mask);                                                              // 93
  virtual void Darken();                                                                                       // 94
  virtual void SetFillColour(COLORREF colour) { fill_colour_ = colour; }                                       // 95
  virtual void SetBackdropColour(uint32_t colour) { image_.SetBackdropColour(colour); }                        // 96
  virtual void SetKeyColour(COLORREF colour);                                                                  // 97
  virtual void SetTextColour(COLORREF colour, double alpha);                                                   // 98
  virtual void SetFont(int32_t height, int32_t weight, const char* face);                                      // 99
  virtual void SetTextSpacing(int32_t char_space, int32_t row_space);                                          // 100
  virtual void SetTextAttribute18(uint32_t value) { text_style_.underline = value; }                           // 101
  virtual void SetTextAttribute17(uint32_t value) { text_style_.italic = value; }                              // 102
  virtual void SetTextMargins(int32_t left, int32_t right);                                                    // 103
  virtual void SetTextStyle(const FontRecord* style);                                                          // 104
  virtual void DrawText(int32_t x, int32_t y, const char* text);                                               // 105
  virtual void DrawTextCentred(int32_t cx, int32_t cy, const char* text);                                      // 106
  virtual void DrawWrappedText(const char* text, int32_t y);                                                   // 107
  virtual void DrawTextPlaced(const char* text, int32_t a, int32_t b, int32_t c);                              // 108
  virtual COLORREF GetTextColour() const { return text_style_.colour; }                                        // 109
  virtual int32_t MeasureText(const char* text, int32_t width);                                                // 110
  virtual uint32_t GetKeyColour() const { return image_.GetColourKey(); }                                      // 111
  virtual COLORREF GetFillColour() const { return fill_colour_; }                                              // 112
  virtual uint32_t GetBackdropColour() const { return image_.GetBackdropColour(); }                            // 113
  // Outside the surface: 0.
  virtual COLORREF GetPixel(int32_t x, int32_t y) const;                                         // 114
  virtual uint8_t GetPixelAlpha(int32_t x, int32_t y) const;                                     // 115
  virtual int32_t GetSurfaceWidth() const { return image_.GetWidth(); }                          // 116
  virtual int32_t GetSurfaceHeight() const { return image_.GetHeight(); }                        // 117
  virtual PictureInfo* GetImageParams(PictureInfo* out) const { return image_.GetParams(out); }  // 118
  virtual uint32_t* GetPixels() { return pixels_; }                                              // 119
  virtual FontRecord* GetTextStyle(FontRecord* out) const;                                       // 120

  // Draws at (x, y) the longest start of text, in whole characters, that is no wider than width
  // pixels in the canvas's style: a text that keeps to its column. For text without tags.
  void DrawTextWithin(int32_t x, int32_t y, int32_t width, const char* text);

  // Code that wrote into GetPixels() itself says so here, so painters take the new pixels.
  void PixelsChanged() { MarkChanged(); }

  // The per-character width estimate that centring and wrapping use: (height + 1) / 2 plus the
  // character space for a single-byte character, height plus twice the space for a double-byte
  // one. A lead byte with nothing after it counts as a single byte.
  int32_t EstimateWidth(const char* text, size_t length) const;

 private:
  bool Inside(int32_t x, int32_t y) const {
    return pixels_ != nullptr && x >= 0 && y >= 0 && x < width_ && y < height_;
  }
  uint32_t PictureKey() const { return image_.GetColourKey(); }
  void MarkChanged() { image_.MarkChanged(); }
  // Clamps the corners (in any order) to the surface; false when nothing is left.
  bool ClampCorners(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) const;
  // Builds the surface's one-frame record around pixels and hands it to the handle.
  void BindSurface(uint8_t* pixels, int32_t width, int32_t height);
  // Lets go of the surface: to the paint module when one is loaded, else freed here.
  void ReleaseSurface();
  // Runs fn with the canvas's style selected in the renderer, restoring the renderer's own after.
  template <class Fn>
  void WithStyle(Fn&& fn);

  ImageHandle image_;
  ImageRecord* record_ = nullptr;  // the surface's record (owned until handed to the paint module)
  uint32_t* pixels_ = nullptr;     // the record's pixel block
  int32_t width_ = 0;
  int32_t height_ = 0;
  FontRecord text_style_{};
  FontRenderer* renderer_ = nullptr;
  COLORREF fill_colour_ = kColourKey;
};

}  // namespace engine
