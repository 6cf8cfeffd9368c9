// A palette of up to 256 colours (red, green, blue) with a name: exact and nearest-colour
// search, remapping of pictures to it, and the palette pattern file (.quad):
//   0   name, 32 bytes, NUL-terminated
//   32  u16 count
//   34  count x 3 bytes, red, green, blue
// Colours passed as one integer are Windows colour values (0x00BBGGRR).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/media/image_record.h"

namespace engine {

inline constexpr size_t kPaletteNameSize = 32;
inline constexpr size_t kQuadHeaderSize = 34;

class Palette {
 public:
  // Copies min(n, 256) colours and the name (cut to 31 bytes).
  void SetAll(const uint8_t* colours, uint32_t n, const std::string& name);
  // Below the count: overwrites; at or past it: appends as AddColor.
  void SetColor(uint32_t index, uint32_t colour);
  void SetColorRgb(uint32_t index, uint8_t red, uint8_t green, uint8_t blue);
  // Appends unless the colour is present or the palette is full.
  void AddColor(uint32_t colour);
  void AddColorRgb(uint8_t red, uint8_t green, uint8_t blue);
  // Index of the first exact match, or -1.
  int FindColor(uint8_t red, uint8_t green, uint8_t blue) const;
  // The colour value at index; -1 past the count.
  int32_t GetColor(uint32_t index) const;
  // The entry nearest by the sum of cubed component distances; an exact match wins at once.
  int NearestIndexRgb(uint8_t red, uint8_t green, uint8_t blue) const;
  int NearestIndex(uint32_t colour) const;
  const uint8_t* GetColors() const { return colours_; }
  uint32_t count() const { return count_; }
  std::string name() const;

  // True-colour pixels (B, G, R, A) to indices; with alpha each output pixel is (index, alpha).
  std::unique_ptr<uint8_t[]> RemapTrueColour(const uint8_t* pixels, size_t pixel_count, bool alpha) const;
  // Palette pixels through their old palette (old_count entries) to this one; indices past the
  // old palette become index 0. With alpha the second byte of each pixel is kept.
  std::unique_ptr<uint8_t[]> RemapIndices(const uint8_t* pixels, size_t pixel_count, const uint8_t* old_palette,
                                          uint32_t old_count, bool alpha) const;
  // Makes the record a picture of this palette; returns the new palette count, 0 when the
  // record's pixel block is smaller than its frames. Mode 2 shares this palette's colours
  // (the palette must outlive the record); any other mode gives the record its own copy.
  uint32_t ConvertImage(ImageRecord* record, int mode);
  // Fills the palette from the picture: its own palette, or the octree's colours plus its key.
  void BuildFromImage(const ImageRecord& record, const char* name);
  // Share of the picture's pixels whose colour is in this palette exactly.
  double Coverage(const ImageRecord& record) const;

  // .quad files. SaveQuad: 1 written; 0 when the extension is not ".quad" or the write fails.
  int SaveQuad(const std::string& path) const;
  // Asks for the path with the file dialog ("Patten Name" offered, .quad files listed), then
  // SaveQuad; 0 and nothing written when the dialog is cancelled.
  int SaveQuadAs() const;
  // Replaces the palette by the file's when the extension is ".quad" and the file reads; 0.
  int LoadQuad(const std::string& path);
  // The same from a .quad file in memory of size bytes; a short or null buffer changes nothing.
  int LoadQuadImage(const uint8_t* bytes, size_t size);

 private:
  char name_[kPaletteNameSize] = {};
  uint8_t colours_[256 * 3] = {};
  uint32_t count_ = 0;
};

// How many palette entries the record's palette buffer really holds: a palette reference
// block (32 bytes) holds no more than 10 colours, whatever the count says.
uint32_t UsablePaletteEntries(const ImageRecord& record);

}  // namespace engine
