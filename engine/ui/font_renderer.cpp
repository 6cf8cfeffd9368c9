#include "engine/ui/font_renderer.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/core/colour_key.h"
#include "engine/ui/text_markup.h"
#include "platform/font.h"
#include "platform/gbk.h"

namespace engine {
namespace {

constexpr int32_t kDefaultHeight = 12;
constexpr int32_t kMaxHeight = 512;

// The store is trimmed (at the start of an operation, never during one) beyond these sizes.
constexpr size_t kMaxFaces = 24;
constexpr size_t kMaxGlyphsPerFace = 4096;

// Coordinates beyond these cannot reach a surface; clamping them keeps the arithmetic in range.
constexpr int32_t kMaxCoordinate = 1 << 24;

int32_t Clamp(int32_t v, int32_t limit) { return std::clamp(v, -limit, limit); }

int32_t CharacterHeight(const FontRecord& record) {
  return record.height <= 0 ? kDefaultHeight : std::min(record.height, kMaxHeight);
}

// A pixel that is transparent, or holds the colour key, takes no blending: anything blended into
// it would leave a key-coloured or see-through fringe.
inline bool Keyed(uint32_t pixel) { return (pixel >> 24) == 0 || (pixel & 0xFFFFFF) == kColourKey; }

// COLORREF 0x00BBGGRR to the surface's 0x00RRGGBB.
inline uint32_t SurfaceRgb(uint32_t colour) {
  return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// x / 255, rounded, for x up to 255 * 255.
inline uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

// Puts one pixel of text with coverage 1..255.
inline void Put(uint32_t& pixel, uint32_t coverage, uint32_t rgb, uint32_t alpha) {
  if (Keyed(pixel)) {
    if (coverage >= 128) pixel = alpha << 24 | rgb;
    return;
  }
  const uint32_t a = alpha == 255 ? coverage : Div255(coverage * alpha);
  if (a == 255) {
    pixel = 0xFF000000u | rgb;
    return;
  }
  if (a == 0) return;
  const uint32_t keep = 255 - a;
  // Red and blue are blended side by side in one word (each lane stays below 65536), then green.
  uint32_t rb = (pixel & 0xFF00FF) * keep + (rgb & 0xFF00FF) * a + 0x800080;
  rb = ((rb + (rb >> 8 & 0xFF00FF)) >> 8) & 0xFF00FF;
  const uint32_t g = Div255((pixel >> 8 & 0xFF) * keep + (rgb >> 8 & 0xFF) * a) << 8;
  const uint32_t da = pixel >> 24;
  const uint32_t out_alpha = da == 255 ? 255 : da + Div255((255 - da) * a);
  pixel = out_alpha << 24 | rb | g;
}

struct Surface {
  uint32_t* pixels;
  int32_t width;
  int32_t height;
};

}  // namespace

struct FontRenderer::Glyph {
  int32_t advance = 0;
  // Rendered on first use: with anti-aliasing, and without it (for keyed surfaces).
  std::unique_ptr<platform::GlyphImage> smooth;
  std::unique_ptr<platform::GlyphImage> sharp;
};

struct FontRenderer::Face {
  std::unique_ptr<platform::Font> font;  // null when no face could be opened: measured, not drawn
  int32_t height = 0;
  int32_t baseline = 0;
  std::unordered_map<char32_t, Glyph> glyphs;
};

struct FontRenderer::Item {
  Face* face;
  Glyph* glyph;
  char32_t code_point;
  int32_t advance;  // character spacing included
  uint32_t colour;
  uint32_t alpha;
  bool underline;
};

struct FontRenderer::Row {
  size_t begin;
  size_t end;
  int32_t width;
  int32_t height;
  int32_t baseline;  // from the row's top
};

FontRenderer::FontRenderer() { CreateSurface(); }

FontRenderer::~FontRenderer() { Release(); }

void FontRenderer::CreateSurface() {
  std::lock_guard lock(mutex_);
  ResetRecord();
}

void FontRenderer::ResetRecord() {
  record_ = FontRecord{};
  SetFaceName(record_, kDefaultFaceName);
  record_.height = kDefaultHeight;
  record_.weight = 400;
  record_.wrap = 1;
  record_.alpha = 255;
}

void FontRenderer::Release() {
  std::lock_guard lock(mutex_);
  faces_.clear();
  items_.clear();
  rows_.clear();
}

void FontRenderer::SetFont(const FontRecord* record) {
  if (!record) return;
  std::lock_guard lock(mutex_);
  record_ = *record;
}

void FontRenderer::GetFont(FontRecord* out) const {
  if (!out) return;
  std::lock_guard lock(mutex_);
  *out = record_;
}

void FontRenderer::SetHooks(Hook a, Hook b) {
  std::lock_guard lock(mutex_);
  hook_a_ = std::move(a);
  hook_b_ = std::move(b);
}

// The hooks run outside the lock, so they may use the renderer themselves.
void FontRenderer::CallbackA() {
  Hook hook;
  {
    std::lock_guard lock(mutex_);
    hook = hook_a_;
  }
  if (hook) hook();
}

void FontRenderer::CallbackB() {
  Hook hook;
  {
    std::lock_guard lock(mutex_);
    hook = hook_b_;
  }
  if (hook) hook();
}

size_t FontRenderer::FacesOpened() const {
  std::lock_guard lock(mutex_);
  return faces_opened_;
}

size_t FontRenderer::CachedGlyphs() const {
  std::lock_guard lock(mutex_);
  size_t n = 0;
  for (const auto& [key, face] : faces_) n += face->glyphs.size();
  return n;
}

void FontRenderer::TrimStore() {
  if (faces_.size() > kMaxFaces) faces_.clear();
  for (auto& [key, face] : faces_) {
    if (face->glyphs.size() > kMaxGlyphsPerFace) face->glyphs.clear();
  }
}

FontRenderer::Face* FontRenderer::FaceFor(const FontRecord& record) {
  const int32_t height = CharacterHeight(record);
  FaceKey key{std::string(FaceName(record)), height, record.weight >= 600, record.italic != 0};
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second.get();

  auto face = std::make_unique<Face>();
  face->font = platform::Font::Open(std::get<0>(key), height, record.weight, record.italic != 0);
  ++faces_opened_;
  face->height = height;
  // Without a face the text is still laid out, on the usual 4:1 split of ascent and descent.
  face->baseline = face->font ? face->font->Baseline() : height * 4 / 5;
  return faces_.emplace(std::move(key), std::move(face)).first->second.get();
}

FontRenderer::Glyph* FontRenderer::GlyphFor(Face& face, char32_t code_point) {
  auto [it, inserted] = face.glyphs.try_emplace(code_point);
  if (inserted) {
    // Without a face, characters take the widths the layout estimates expect.
    it->second.advance =
        face.font ? face.font->Advance(code_point) : (code_point < 0x80 ? (face.height + 1) / 2 : face.height);
  }
  return &it->second;
}

const platform::GlyphImage* FontRenderer::ImageFor(Face& face, Glyph& glyph, char32_t code_point, bool antialias) {
  if (!face.font) return nullptr;
  std::unique_ptr<platform::GlyphImage>& image = antialias ? glyph.smooth : glyph.sharp;
  if (!image) {
    image = std::make_unique<platform::GlyphImage>();
    face.font->RenderGlyph(code_point, antialias, *image);
  }
  return image.get();
}

char32_t FontRenderer::DecodePair(uint8_t lead, uint8_t trail) {
  if (!platform::IsDBCSLeadByte(lead)) return U'?';
  if (gbk_pairs_.empty()) gbk_pairs_.assign(126 * 256, 0);
  char32_t& cached = gbk_pairs_[static_cast<size_t>(lead - 0x81) * 256 + trail];
  if (cached == 0) {
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const std::u32string decoded = platform::GbkToUcs4(std::string_view(pair, 2));
    cached = decoded.size() == 1 && decoded[0] != 0 ? decoded[0] : U'?';
  }
  return cached;
}

int32_t FontRenderer::RowStart(int32_t x) const {
  const int32_t left = Clamp(record_.margin_left, kMaxCoordinate);
  return left > 0 ? std::max(x, left) : x;
}

int32_t FontRenderer::RoomFor(int32_t surface_width, int32_t start) const {
  const int64_t room = int64_t{surface_width} - Clamp(record_.margin_right, kMaxCoordinate) - start;
  return static_cast<int32_t>(std::clamp<int64_t>(room, 0, INT32_MAX));
}

void FontRenderer::Layout(const char* text, int32_t room) {
  items_.clear();
  rows_.clear();
  const FontRecord start = record_;
  FontRecord style = record_;
  Face* face = FaceFor(style);
  const bool wrap = record_.wrap != 0;
  size_t row_begin = 0;
  int64_t row_width = 0;

  auto finish_row = [&](size_t end) {
    Row row{row_begin, end, 0, 0, 0};
    int64_t width = 0;
    int32_t ascent = 0, descent = 0;
    if (end == row_begin) {
      ascent = face->baseline;
      descent = face->height - face->baseline;
    }
    for (size_t i = row_begin; i < end; ++i) {
      width += items_[i].advance;
      ascent = std::max(ascent, items_[i].face->baseline);
      descent = std::max(descent, items_[i].face->height - items_[i].face->baseline);
    }
    row.width = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
    row.height = ascent + descent;
    row.baseline = ascent;
    rows_.push_back(row);
    row_begin = end;
  };
  auto width_from = [&](size_t begin) {
    int64_t width = 0;
    for (size_t i = begin; i < items_.size(); ++i) width += items_[i].advance;
    return width;
  };
  auto is_word = [](char32_t c) { return c > U' ' && c < 0x80; };

  const auto* p = reinterpret_cast<const uint8_t*>(text);
  while (*p != 0) {
    const uint8_t c = *p;
    if (c == '\n') {
      finish_row(items_.size());
      row_width = 0;
      ++p;
      continue;
    }
    if (c == '\r') {
      ++p;
      continue;
    }
    if (c == '<') {
      size_t n = 1;
      while (n <= static_cast<size_t>(kMaxTagLength) && p[n] != 0 && p[n] != '>') ++n;
      if (p[n] == '>') {
        const std::string_view content(reinterpret_cast<const char*>(p + 1), n - 1);
        if (content.empty()) {
          style = start;
          face = FaceFor(style);
          p += 2;
          continue;
        }
        if (ApplyMarkupTag(content, style)) {
          face = FaceFor(style);
          p += n + 1;
          continue;
        }
      }
    }

    // One character: a byte up to 0x80, or a byte above it with the byte that follows.
    char32_t code_point = c;
    int bytes = 1;
    if (c == 0x80) {
      code_point = 0x20AC;  // the euro sign, as code page 936 has it
    } else if (platform::StartsTwoByteChar(c)) {
      if (p[1] == 0) {
        code_point = U'?';  // a lead byte cut off by the end of the text
      } else {
        code_point = DecodePair(c, p[1]);
        bytes = 2;
      }
    }
    p += bytes;
    if (code_point == U'\t') code_point = U' ';
    if (code_point < 0x20) continue;

    Glyph* glyph = GlyphFor(*face, code_point);
    const int32_t advance = std::max(0, glyph->advance + Clamp(style.char_space, 1 << 16) * bytes);
    if (wrap && items_.size() > row_begin && row_width + advance > room) {
      if (code_point == U' ') {
        // A space that does not fit ends the row and is not carried into the next one.
        finish_row(items_.size());
        row_width = 0;
        continue;
      }
      size_t word_begin = items_.size();
      if (is_word(code_point)) {
        while (word_begin > row_begin && is_word(items_[word_begin - 1].code_point)) --word_begin;
      }
      if (word_begin > row_begin && word_begin < items_.size()) {
        // A Latin word moves to the next row whole.
        finish_row(word_begin);
        row_width = width_from(word_begin);
      }
      if (items_.size() > row_begin && row_width + advance > room) {
        finish_row(items_.size());
        row_width = 0;
      }
    }
    items_.push_back(Item{face, glyph, code_point, advance, style.colour & 0xFFFFFF,
                          std::min<uint32_t>(style.alpha, 255), style.underline != 0});
    row_width += advance;
  }
  if (items_.size() > row_begin) finish_row(items_.size());
}

TextExtent FontRenderer::Extent() const {
  TextExtent extent;
  int64_t height = 0;
  for (const Row& row : rows_) {
    extent.width = std::max(extent.width, row.width);
    height += row.height + Clamp(record_.row_space, 1 << 16);
  }
  extent.height = static_cast<int32_t>(std::clamp<int64_t>(height, 0, INT32_MAX));
  extent.rows = static_cast<int32_t>(rows_.size());
  return extent;
}

TextExtent FontRenderer::MeasureText(int32_t width, const char* text) {
  if (!text) return {};
  std::lock_guard lock(mutex_);
  TrimStore();
  Layout(text, RoomFor(width, RowStart(0)));
  return Extent();
}

int32_t FontRenderer::MeasureHeight(int32_t width, const char* text) { return MeasureText(width, text).height; }

int32_t FontRenderer::LayoutScript(const char* text, int32_t length) {
  if (!text || length < 0) return 0;
  if (length == 0) return 1;
  const size_t n = strnlen(text, static_cast<size_t>(length));
  std::lock_guard lock(mutex_);
  return ApplyMarkupTag(std::string_view(text, n), record_) ? 1 : 0;
}

TextPosition FontRenderer::DrawTextBlock(int32_t width, int32_t height, const char* text, TextBlock* block,
                                         int32_t horizontal, int32_t vertical, int32_t inset) {
  if (!text) return {};
  std::lock_guard lock(mutex_);
  TrimStore();
  inset = std::clamp(inset, 0, kMaxCoordinate);
  const int32_t start = RowStart(0);
  const int32_t room = std::max(0, RoomFor(width, start) - 2 * inset);
  Layout(text, room);
  const TextExtent extent = Extent();
  if (block) {
    block->text_width = extent.width;
    block->text_height = extent.height;
  }
  auto place = [&](int32_t placement, int32_t space, int32_t size) {
    if (placement == kPlaceCentre) return inset + (space - size) / 2;
    if (placement == kPlaceEnd) return inset + space - size;
    return inset;
  };
  const int32_t rows_room = std::max(0, Clamp(height, kMaxCoordinate) - 2 * inset);
  return {start + place(horizontal, room, extent.width), place(vertical, rows_room, extent.height)};
}

void FontRenderer::DrawText(uint32_t* pixels, int32_t width, int32_t height, int32_t x, int32_t y, const char* text,
                            uint32_t object_key) {
  (void)object_key;  // carried for the caller's hooks; the drawing does not depend on it
  if (!pixels || width <= 0 || height <= 0 || !text) return;
  std::lock_guard lock(mutex_);
  TrimStore();
  x = Clamp(x, kMaxCoordinate);
  y = Clamp(y, kMaxCoordinate);
  const int32_t start = RowStart(x);
  Layout(text, RoomFor(width, start));

  const Surface surface{pixels, width, height};
  const int64_t row_space = Clamp(record_.row_space, 1 << 16);
  int64_t top = y;
  for (const Row& row : rows_) {
    if (top >= height) break;
    if (top + row.height > 0) {
      int64_t pen = start;
      const int64_t baseline = top + row.baseline;
      for (size_t i = row.begin; i < row.end && pen < width; ++i) {
        Item& item = items_[i];
        const int64_t next = pen + item.advance;
        // Glyphs may overhang their cell by a little, so those just left of the surface count.
        if (next + item.face->height > 0 && item.alpha > 0) {
          Face& face = *item.face;
          const uint32_t rgb = SurfaceRgb(item.colour);
          // A cell that touches a keyed pixel gets the glyph without anti-aliasing.
          const int64_t cell_top = baseline - face.baseline;
          const int64_t x0 = std::max<int64_t>(pen, 0), x1 = std::min<int64_t>(next, width);
          const int64_t y0 = std::max<int64_t>(cell_top, 0), y1 = std::min<int64_t>(cell_top + face.height, height);
          bool keyed = false;
          for (int64_t cy = y0; cy < y1 && !keyed; ++cy) {
            const uint32_t* line = surface.pixels + cy * width;
            for (int64_t cx = x0; cx < x1; ++cx) {
              if (Keyed(line[cx])) {
                keyed = true;
                break;
              }
            }
          }
          const platform::GlyphImage* image =
              item.code_point == U' ' ? nullptr : ImageFor(face, *item.glyph, item.code_point, !keyed);
          if (image && image->width > 0) {
            const int64_t left = pen + image->left;
            const int64_t first_row = baseline - image->top;
            const int64_t gx0 = std::max<int64_t>(0, -left), gx1 = std::min<int64_t>(image->width, width - left);
            const int64_t gy0 = std::max<int64_t>(0, -first_row);
            const int64_t gy1 = std::min<int64_t>(image->rows, height - first_row);
            for (int64_t gy = gy0; gy < gy1; ++gy) {
              const uint8_t* cover = image->coverage.data() + gy * image->width;
              uint32_t* line = surface.pixels + (first_row + gy) * width;
              for (int64_t gx = gx0; gx < gx1; ++gx) {
                if (cover[gx] != 0) Put(line[left + gx], cover[gx], rgb, item.alpha);
              }
            }
          }
          if (item.underline) {
            const int64_t thickness = std::max(1, face.height / 16);
            const int64_t under = baseline + std::max(1, (face.height - face.baseline) / 2);
            for (int64_t uy = std::max<int64_t>(under, 0); uy < std::min<int64_t>(under + thickness, height); ++uy) {
              uint32_t* line = surface.pixels + uy * width;
              for (int64_t ux = x0; ux < x1; ++ux) Put(line[ux], 255, rgb, item.alpha);
            }
          }
        }
        pen = next;
      }
    }
    top += row.height + row_space;
  }
}

}  // namespace engine
