#include "engine/ui/digit_strip.h"

#include <algorithm>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/media/paint_module.h"
#include "platform/gbk.h"

namespace engine {
namespace {

constexpr uint32_t kSpace = ' ';
constexpr uint32_t kLineFeed = '\n';
constexpr uint32_t kReturn = '\r';
// A key no character has: the lone lead byte at the end of a text.
constexpr uint32_t kNoCharacter = 0xFFFFFFFF;

struct Placed {
  const PictureInfo* glyph = nullptr;  // null: a space
  int32_t width = 0;
  int32_t height = 0;
};

struct Row {
  std::vector<Placed> items;
  int32_t width = 0;
  int32_t height = 0;
};

}  // namespace

CanvasObject* DigitStrip::GetCanvas() const { return dynamic_cast<CanvasObject*>(CurrentSkin()); }

CanvasObject* DigitStrip::EnsureCanvas() {
  if (CanvasObject* canvas = GetCanvas()) return canvas;
  CanvasObject* canvas = CreateCanvas(1, 1, kColourKey);
  if (canvas == nullptr) return nullptr;
  canvas->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  canvas->SetDepth(EngineObject::GetDepth());
  if (EngineObject::IsVisible()) canvas->Show();
  SetSkin(canvas, link_flag::kFollowAll);
  return canvas;
}

void DigitStrip::Setup(int32_t max_glyphs, int32_t row_advance, int32_t space_width) {
  max_glyphs_ = std::max(max_glyphs, 0);
  row_advance_ = std::max(row_advance, 0);
  space_width_ = std::max(space_width, 0);
  EnsureCanvas();
}

uint32_t DigitStrip::CharacterKey(std::string_view text, size_t i, size_t* length) {
  const auto lead = static_cast<uint8_t>(text[i]);
  if (!platform::IsDBCSLeadByte(lead)) {
    *length = 1;
    return lead;
  }
  if (i + 1 >= text.size() || text[i + 1] == '\0') {
    *length = 1;
    return kNoCharacter;
  }
  *length = 2;
  return static_cast<uint32_t>(lead) << 8 | static_cast<uint8_t>(text[i + 1]);
}

bool DigitStrip::AddGlyphPicture(const char* character, const PictureInfo* picture) {
  if (character == nullptr || character[0] == '\0' || picture == nullptr || picture->record == nullptr) return false;
  size_t length = 0;
  const uint32_t key = CharacterKey(character, 0, &length);
  if (key == kNoCharacter || key == kSpace || key == kLineFeed || key == kReturn) return false;
  glyphs_.try_emplace(key, *picture);
  return true;
}

bool DigitStrip::AddGlyph(const char* character, const char* image_name, int32_t frame) {
  if (image_name == nullptr || frame < 0) return false;
  PictureInfo info = GetPictureInfo(image_name, frame);
  // The cache wraps frame numbers round; a frame past the picture's last is not loaded.
  if (info.record == nullptr || frame >= static_cast<int32_t>(info.record->frame_count)) return false;
  return AddGlyphPicture(character, &info);
}

int32_t DigitStrip::AddGlyphs(const char* glyphs, const char* image_name) {
  if (glyphs == nullptr || image_name == nullptr) return 0;
  const PictureInfo first = GetPictureInfo(image_name, 0);
  if (first.record == nullptr) return 0;
  const std::string_view text(glyphs);
  int32_t loaded = 0;
  int32_t frame = 0;
  for (size_t i = 0, length = 0; i < text.size(); i += length, ++frame) {
    const uint32_t key = CharacterKey(text, i, &length);
    if (key == kNoCharacter || frame >= static_cast<int32_t>(first.record->frame_count)) continue;
    if (key == kSpace || key == kLineFeed || key == kReturn) continue;
    PictureInfo info = first;
    info.frame = frame;
    if (glyphs_.try_emplace(key, info).second) ++loaded;
  }
  return loaded;
}

bool DigitStrip::HasGlyph(std::string_view character) const {
  if (character.empty()) return false;
  size_t length = 0;
  return glyphs_.count(CharacterKey(character, 0, &length)) != 0;
}

const PictureInfo* DigitStrip::CurrentGlyph(uint32_t key) {
  auto found = glyphs_.find(key);
  if (found == glyphs_.end()) return nullptr;
  PictureInfo& info = found->second;
  ImageHandle handle;
  handle.SetParams(info);
  if (!handle.IsCurrent()) {
    // The cache let the picture go: bind the glyph to the picture it loads again.
    PaintModule* paint = GetPaintModule();
    if (paint == nullptr || paint->RefreshImage(&handle) == 0) return nullptr;
    const int32_t frame = info.frame;
    handle.GetParams(&info);
    info.frame = frame;
  }
  if (info.record == nullptr || info.frame >= static_cast<int32_t>(info.record->frame_count)) return nullptr;
  return &info;
}

void DigitStrip::Compose(CanvasObject* canvas, int32_t x, int32_t y, const char* text, int32_t* width,
                         int32_t* height) {
  std::vector<Row> rows(1);
  int32_t placed = 0;
  const std::string_view view(text != nullptr ? text : "");
  for (size_t i = 0, length = 0; i < view.size() && view[i] != '\0'; i += length) {
    const uint32_t key = CharacterKey(view, i, &length);
    if (key == kReturn) continue;
    if (key == kLineFeed) {
      rows.emplace_back();
      continue;
    }
    if (placed >= max_glyphs_) break;
    Placed item;
    if (key == kSpace) {
      item.width = space_width_;
    } else if (const PictureInfo* glyph = CurrentGlyph(key)) {
      item.glyph = glyph;
      item.width = glyph->width;
      item.height = glyph->height;
    } else {
      continue;  // not loaded: not drawn, no room taken
    }
    Row& row = rows.back();
    row.items.push_back(item);
    row.width += item.width;
    row.height = std::max(row.height, item.height);
    ++placed;
  }
  // A text that ends with a line break has no empty row after it.
  while (rows.size() > 1 && rows.back().items.empty()) rows.pop_back();

  int32_t total_width = 0;
  int32_t top = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    total_width = std::max(total_width, row.width);
    if (canvas != nullptr) {
      int32_t left = x;
      for (const Placed& item : row.items) {
        if (item.glyph != nullptr) {
          canvas->DrawImage(item.glyph, left, y + top + (row.height - item.height) / 2, -1, -1, 0.0, 1.0);
        }
        left += item.width;
      }
    }
    top += r + 1 < rows.size() ? std::max(row_advance_, row.height) : row.height;
  }
  if (width != nullptr) *width = total_width;
  if (height != nullptr) *height = top;
}

void DigitStrip::MeasureGlyphs(const char* text, int32_t* width, int32_t* height) {
  Compose(nullptr, 0, 0, text, width, height);
}

int32_t DigitStrip::DrawGlyphs(CanvasObject* canvas, int32_t x, int32_t y, const char* text) {
  if (canvas == nullptr) return 0;
  int32_t width = 0;
  Compose(canvas, x, y, text, &width, nullptr);
  return width;
}

void DigitStrip::SetText(const char* text) {
  text_ = text != nullptr ? text : "";
  if (text_.size() > kMaxText) {
    const size_t whole = text_.size();
    text_.resize(platform::GbkPrefixLength(text_, kMaxText));
    WriteGameLog("DigitStrip::SetText: text of %zu bytes cut to %zu", whole, text_.size());
  }
  CanvasObject* canvas = EnsureCanvas();
  if (canvas == nullptr) return;
  int32_t width = 0;
  int32_t height = 0;
  MeasureGlyphs(text_.c_str(), &width, &height);
  // An empty strip keeps a one-pixel transparent canvas.
  width = std::clamp(width, 1, CanvasObject::kMaxSide);
  height = std::clamp(height, 1, CanvasObject::kMaxSide);
  if (width != canvas->GetSurfaceWidth() || height != canvas->GetSurfaceHeight()) {
    canvas->ResizeSurface(width, height);
    canvas->Resize(width, height);
  }
  canvas->SetFillColour(kColourKey);
  canvas->Clear();
  Compose(canvas, 0, 0, text_.c_str(), nullptr, nullptr);
  canvas->Invalidate();
}

}  // namespace engine
