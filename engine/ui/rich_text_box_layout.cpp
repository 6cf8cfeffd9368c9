// The rich-text view: measuring, laying out lines, scrolling, placing the inline objects and
// drawing.
//
// Items are measured once, when appended (glyph sizes are cached per font), and laid out from the
// line that holds the first changed item: appending to a long view lays out only its last lines.
// Lines break before an item that would pass the text area's right edge (a Latin word moves to the
// next line whole, unless it is the line's only word) and after a line feed; items sit on their
// line's bottom. Drawing covers only the lines in sight.
#include <cstring>

#include "engine/core/canvas_object.h"
#include "engine/core/object_module.h"
#include "engine/ui/font_renderer.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/rich_text_box.h"
#include "engine/ui/rich_text_scroll_bar.h"

namespace engine {
namespace {

// Largest character height drawn; larger sizes are drawn at this one.
constexpr int32_t kMaxDrawnSize = 512;
// Background of selected text (COLORREF) and its text colour.
constexpr COLORREF kSelectionBack = 0xC07830;
constexpr COLORREF kSelectionText = 0xFFFFFF;
// The wheel scrolls by this many pixels.
constexpr int32_t kWheelStep = 48;

// 0x00BBGGRR to an opaque surface pixel 0xAARRGGBB.
uint32_t OpaquePixel(COLORREF colour) {
  return 0xFF000000u | (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

bool IsWordGlyph(const RichTextItem& item) {
  if (item.kind != RichTextItem::kGlyph || item.length != 1) return false;
  const auto c = static_cast<uint8_t>(item.bytes[0]);
  return c > ' ' && c < 0x80;
}

}  // namespace

FontRecord RichTextBox::RecordFor(const RichTextStyle& style) const {
  FontRecord record{};
  const std::string_view face(style.font.lfFaceName, strnlen(style.font.lfFaceName, sizeof style.font.lfFaceName));
  SetFaceName(record, face.empty() ? std::string_view(kDefaultFaceName) : face);
  const int64_t height = style.font.lfHeight < 0 ? -int64_t{style.font.lfHeight} : style.font.lfHeight;
  record.height = height == 0 ? kDefaultTextSize : static_cast<int32_t>(std::min<int64_t>(height, kMaxDrawnSize));
  const bool bold = (style.text_style & rich_text::kTextBold) != 0;
  record.weight = bold ? 700 : (style.font.lfWeight > 0 ? std::min(style.font.lfWeight, 1000) : 400);
  record.italic = (style.text_style & rich_text::kTextItalic) != 0 || style.font.lfItalic != 0 ? 1 : 0;
  record.underline = (style.text_style & rich_text::kTextUnderline) != 0 || style.font.lfUnderline != 0 ? 1 : 0;
  record.colour = style.colour & 0xFFFFFF;
  record.wrap = 0;
  record.alpha = 255;
  return record;
}

uint32_t RichTextBox::FontIndexFor(const RichTextStyle& style) {
  const FontRecord record = RecordFor(style);
  // Only face, height, weight and slant change a glyph's size.
  std::string key(FaceName(record));
  key.push_back('\0');
  key.append(reinterpret_cast<const char*>(&record.height), sizeof record.height);
  key.push_back(record.weight >= 600 ? 'b' : 'n');
  key.push_back(record.italic != 0 ? 'i' : 'n');
  auto [it, inserted] = font_index_.try_emplace(std::move(key), static_cast<uint32_t>(fonts_.size()));
  if (inserted) {
    auto metrics = std::make_unique<FontMetrics>();
    metrics->record = record;
    metrics->record.colour = 0;
    metrics->record.underline = 0;
    metrics->height = record.height;
    if (FontRenderer* renderer = Renderer()) {
      FontRecord saved{};
      renderer->GetFont(&saved);
      renderer->SetFont(&metrics->record);
      const TextExtent extent = renderer->MeasureText(1 << 20, "A");
      renderer->SetFont(&saved);
      if (extent.height > 0) metrics->height = extent.height;
    }
    fonts_.push_back(std::move(metrics));
  }
  return it->second;
}

FontRenderer* RichTextBox::Renderer() const {
  ObjectModule* objects = IsRegistered() ? EngineObject::GetObjectModule() : nullptr;
  return objects != nullptr ? objects->GetFontRenderer() : nullptr;
}

void RichTextBox::Measure(RichTextItem& item) {
  FontMetrics& metrics = *fonts_[FontIndexFor(styles_[item.style])];
  const auto b0 = static_cast<uint8_t>(item.bytes[0]);
  if (item.IsLineFeed() || (item.length == 1 && b0 < 0x20 && b0 != '\t')) {
    item.width = 0;
    item.height = metrics.height;
    return;
  }
  const uint32_t code =
      uint32_t{item.length} << 16 | uint32_t{b0} << 8 | (item.length == 2 ? static_cast<uint8_t>(item.bytes[1]) : 0u);
  if (auto it = metrics.sizes.find(code); it != metrics.sizes.end()) {
    item.width = it->second.first;
    item.height = it->second.second;
    return;
  }
  char text[3] = {};
  if (item.length == 2) {
    text[0] = item.bytes[0];
    text[1] = item.bytes[1];
  } else {
    // A lead byte without its trail byte shows as '?'; a tab as a space.
    text[0] = b0 >= 0x81 ? '?' : (b0 == '\t' ? ' ' : item.bytes[0]);
  }
  int32_t width = 0;
  int32_t height = metrics.height;
  if (FontRenderer* renderer = Renderer()) {
    FontRecord saved{};
    renderer->GetFont(&saved);
    renderer->SetFont(&metrics.record);
    const TextExtent extent = renderer->MeasureText(1 << 20, text);
    renderer->SetFont(&saved);
    width = extent.width;
    if (extent.height > 0) height = extent.height;
  } else {
    const int32_t h = metrics.record.height;
    width = item.length == 2 ? h : (h + 1) / 2;
  }
  metrics.sizes.emplace(code, std::make_pair(width, height));
  item.width = width;
  item.height = height;
}

// ---- size and layout ----

void RichTextBox::Resize(double width, double height) {
  width_ = static_cast<int32_t>(std::clamp(width, 1.0, static_cast<double>(CanvasObject::kMaxSide)));
  height_ = static_cast<int32_t>(std::clamp(height, 1.0, static_cast<double>(CanvasObject::kMaxSide)));
  for (CanvasObject* canvas : {GetCanvas(), background_}) {
    if (canvas == nullptr) continue;
    canvas->ResizeSurface(width_, height_);
    canvas->SetSize(width_, height_);
  }
  SetSize(width_, height_);
  if (background_ != nullptr) background_->Clear();
  Layout(width_ - text_x_, height_ - text_y_);
}

void RichTextBox::SetScrollTarget(int32_t x, int32_t y) {
  text_x_ = std::clamp(x, -CanvasObject::kMaxSide, CanvasObject::kMaxSide);
  text_y_ = std::clamp(y, -CanvasObject::kMaxSide, CanvasObject::kMaxSide);
  Layout(layout_width_, layout_height_);
}

void RichTextBox::Layout(int32_t width, int32_t height) { LayoutWithGap(width, height, 0); }

void RichTextBox::LayoutWithGap(int32_t width, int32_t height, int32_t bar_gap) {
  layout_width_ = std::clamp(width, 0, CanvasObject::kMaxSide);
  layout_height_ = std::clamp(height, 0, CanvasObject::kMaxSide);
  bar_gap_ = bar_gap;
  const int32_t bar_width = scroll_bar_ != nullptr ? scroll_bar_->GetBarWidth() : 0;
  const int32_t text_width = std::max(0, layout_width_ - bar_width);
  const bool rewrap = text_width != text_width_;
  text_width_ = text_width;
  text_height_ = layout_height_;
  if (scroll_bar_ != nullptr) {
    scroll_bar_->SetHeight(std::max(layout_height_, 1));
    if (CanvasObject* canvas = GetCanvas()) {
      scroll_bar_->MoveTo(canvas->GetLeft() + text_x_ + text_width_ + bar_gap_ + bar_width / 2.0,
                          canvas->GetTop() + text_y_ + std::max(layout_height_, 1) / 2.0);
    }
  }
  Relayout(rewrap ? 0 : SIZE_MAX);
}

void RichTextBox::Relayout(size_t first_item) {
  if (first_item != SIZE_MAX) LayoutFrom(first_item);
  scroll_y_ = std::clamp(scroll_y_, 0, GetScrollRange());
  if (caret_index_ != SIZE_MAX) PlaceCaret(caret_index_);
  PlaceObjects();
  UpdateScrollBar();
  ScheduleRedraw();
}

size_t RichTextBox::LineAtY(int32_t y) const {
  if (lines_.empty()) return 0;
  auto it = std::upper_bound(lines_.begin(), lines_.end(), y,
                             [](int32_t value, const RichTextLine& line) { return value < line.top; });
  return it == lines_.begin() ? 0 : static_cast<size_t>(it - lines_.begin()) - 1;
}

void RichTextBox::LayoutFrom(size_t first_item) {
  if (items_.empty()) {
    lines_.clear();
    return;
  }
  // The line holding the first changed item, and the one before it (which may now take items).
  size_t line_index = 0;
  if (!lines_.empty()) {
    auto it = std::upper_bound(lines_.begin(), lines_.end(), first_item,
                               [](size_t value, const RichTextLine& line) { return value < line.first; });
    line_index = it == lines_.begin() ? 0 : static_cast<size_t>(it - lines_.begin()) - 1;
    if (line_index > 0) --line_index;
  }
  const size_t start = line_index < lines_.size() ? lines_[line_index].first : 0;
  int32_t top = line_index < lines_.size() ? lines_[line_index].top : 0;
  lines_.resize(std::min(line_index, lines_.size()));

  const bool wrap = (style_ & rich_text::kViewSingleLine) == 0 && text_width_ > 0;
  // A line that goes on from a wrapped one starts at the indent; one after a line feed at 0.
  const int64_t indent = wrap ? std::min(wrap_indent_, text_width_ / 2) : 0;
  RichTextLine line{start, start, top, 0, 0};
  int64_t x = start > 0 && !items_[start - 1].IsLineFeed() ? indent : 0;
  auto finish = [&](size_t end, int64_t next_x) {
    line.end = end;
    FinishLine(line, top);
    top = static_cast<int32_t>(std::min<int64_t>(int64_t{line.top} + line.height + line_spacing_, INT32_MAX / 2));
    line = RichTextLine{end, end, top, 0, 0};
    x = next_x;
  };
  for (size_t i = start; i < items_.size(); ++i) {
    RichTextItem& item = items_[i];
    if (item.kind == RichTextItem::kObject) {
      InlineObject* object = ObjectOf(item);
      if (object != nullptr && text_width_ > 0 && object->GetWidth() > text_width_) {
        const ObjectMessage too_wide =
            MakeMessage(object->GetKey(), rich_text::kMsgObjectTooWide, static_cast<uintptr_t>(text_width_), 0);
        SendMessage(&too_wide);
        object = ObjectOf(item);
      }
      item.width = object != nullptr ? static_cast<int32_t>(std::clamp(object->GetWidth(), 0.0, 65535.0)) : 0;
      item.height = object != nullptr ? static_cast<int32_t>(std::clamp(object->GetHeight(), 0.0, 65535.0)) : 0;
    }
    if (item.IsLineFeed()) {
      item.x = static_cast<int32_t>(x);
      finish(i + 1, 0);
      continue;
    }
    if (wrap && i > line.first && x + item.width > text_width_) {
      size_t brk = i;
      if (IsWordGlyph(item)) {
        size_t word = i;
        while (word > line.first && IsWordGlyph(items_[word - 1])) --word;
        if (word > line.first) brk = word;
      }
      finish(brk, indent);
      for (size_t j = brk; j < i; ++j) {
        items_[j].x = static_cast<int32_t>(x);
        x += items_[j].width;
      }
    }
    item.x = static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX / 2));
    x += item.width;
  }
  if (line.first < items_.size()) finish(items_.size(), 0);
}

void RichTextBox::FinishLine(RichTextLine& line, int32_t top) {
  line.top = top;
  int32_t height = 0;
  int64_t width = 0;
  for (size_t i = line.first; i < line.end; ++i) {
    height = std::max(height, items_[i].height);
    width += items_[i].width;
  }
  line.height = height;
  line.width = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX / 2));
  for (size_t i = line.first; i < line.end; ++i) items_[i].y = top + height - items_[i].height;
  lines_.push_back(line);
}

int32_t RichTextBox::GetContentHeight() const { return lines_.empty() ? 0 : lines_.back().top + lines_.back().height; }

int32_t RichTextBox::GetScrollRange() const { return std::max(0, GetContentHeight() - text_height_); }

void RichTextBox::SetScrollPos(int32_t y) {
  y = std::clamp(y, 0, GetScrollRange());
  if (y == scroll_y_) {
    UpdateScrollBar();
    return;
  }
  scroll_y_ = y;
  if (caret_index_ != SIZE_MAX) PlaceCaret(caret_index_);
  PlaceObjects();
  UpdateScrollBar();
  ScheduleRedraw();
}

void RichTextBox::ScrollToEnd() {
  if ((style_ & rich_text::kViewNoAutoScroll) != 0) return;
  SetScrollPos(GetScrollRange());
}

void RichTextBox::ScrollBy(int32_t dy) {
  SetScrollPos(static_cast<int32_t>(std::clamp<int64_t>(int64_t{scroll_y_} + dy, 0, INT32_MAX)));
}

int32_t RichTextBox::WheelStep() const { return kWheelStep; }

RichTextBox::CaretBox RichTextBox::CaretBoxAt(size_t index) const {
  CaretBox box;
  if (items_.empty() || lines_.empty()) {
    box.height = fonts_.empty() ? (font_.lfHeight > 0 ? font_.lfHeight : kDefaultTextSize) : fonts_[0]->height;
    return box;
  }
  if (index < items_.size()) {
    const RichTextLine& line = lines_[LineOfItem(index)];
    box.x = items_[index].x;
    box.top = line.top;
    box.height = line.height;
    return box;
  }
  const RichTextItem& last = items_.back();
  const RichTextLine& line = lines_.back();
  if (last.IsLineFeed()) {
    box.x = 0;
    box.top = line.top + line.height + line_spacing_;
    box.height = line.height;
  } else {
    box.x = last.x + last.width;
    box.top = line.top;
    box.height = line.height;
  }
  return box;
}

size_t RichTextBox::LineOfItem(size_t index) const {
  auto it = std::upper_bound(lines_.begin(), lines_.end(), index,
                             [](size_t value, const RichTextLine& line) { return value < line.first; });
  return it == lines_.begin() ? 0 : static_cast<size_t>(it - lines_.begin()) - 1;
}

void RichTextBox::ScrollToShow(size_t index) {
  const CaretBox box = CaretBoxAt(index);
  if ((style_ & rich_text::kViewSingleLine) != 0) {
    const int32_t room = std::max(text_width_ - 1, 0);
    int32_t x = scroll_x_;
    if (box.x - x > room) x = box.x - room;
    if (box.x < x) x = box.x;
    // No empty room is kept right of the text.
    const int32_t end = lines_.empty() ? 0 : lines_.back().width;
    x = std::clamp(x, 0, std::max(0, end - room));
    if (x != scroll_x_) {
      scroll_x_ = x;
      if (caret_index_ != SIZE_MAX) PlaceCaret(caret_index_);
      PlaceObjects();
      ScheduleRedraw();
    }
    return;
  }
  int32_t y = scroll_y_;
  if (box.top + box.height - y > text_height_) y = box.top + box.height - text_height_;
  if (box.top < y) y = box.top;
  SetScrollPos(y);
}

// ---- objects, bar and caret ----

void RichTextBox::PlaceObjects() {
  CanvasObject* canvas = GetCanvas();
  std::vector<uint32_t> placed;
  if (canvas != nullptr && !lines_.empty()) {
    const double left = canvas->GetLeft() + text_x_ - scroll_x_;
    const double top = canvas->GetTop() + text_y_ - scroll_y_;
    RECT area =
        MakeRect(static_cast<int32_t>(canvas->GetLeft()) + text_x_, static_cast<int32_t>(canvas->GetTop()) + text_y_,
                 static_cast<int32_t>(canvas->GetLeft()) + text_x_ + text_width_,
                 static_cast<int32_t>(canvas->GetTop()) + text_y_ + text_height_);
    if ((canvas->GetFlags() & object_flag::kLimitRect) != 0) {
      RECT own{};
      canvas->GetLimitRect(&own);
      platform::IntersectRect(&area, area, own);
    }
    const bool shown = IsVisible() != 0;
    for (size_t l = LineAtY(scroll_y_); l < lines_.size() && lines_[l].top < scroll_y_ + text_height_; ++l) {
      if (lines_[l].top + lines_[l].height <= scroll_y_) continue;
      for (size_t i = lines_[l].first; i < lines_[l].end; ++i) {
        const RichTextItem& item = items_[i];
        InlineObject* object = ObjectOf(item);
        if (object == nullptr) continue;
        object->MoveTo(left + item.x + item.width / 2.0, top + item.y + item.height / 2.0);
        object->SetLimitRect(area);
        object->AddFlags(object_flag::kLimitMoves);
        if (shown) object->Show();
        object->Invalidate();
        object->SetShownInView(shown);
        placed.push_back(item.object);
      }
    }
  }
  std::sort(placed.begin(), placed.end());
  for (uint32_t key : placed_objects_) {
    if (std::binary_search(placed.begin(), placed.end(), key)) continue;
    ObjectModule* objects = IsRegistered() ? EngineObject::GetObjectModule() : nullptr;
    if (auto* object = objects != nullptr ? dynamic_cast<InlineObject*>(objects->FindObjectByKey(key)) : nullptr) {
      object->Hide();
      object->Invalidate();
      object->SetShownInView(false);
    }
  }
  placed_objects_ = std::move(placed);
}

void RichTextBox::UpdateScrollBar() {
  if (scroll_bar_ != nullptr) scroll_bar_->SetRange(GetContentHeight(), text_height_, scroll_y_);
}

void RichTextBox::PlaceCaret(size_t index) {
  caret_index_ = std::min(index, items_.size());
  if (caret_ == nullptr) return;
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  const CaretBox box = CaretBoxAt(caret_index_);
  const int32_t height = std::clamp(box.height, 1, CanvasObject::kMaxSide);
  if (caret_->GetSurfaceHeight() != height) {
    caret_->ResizeSurface(1, height);
    caret_->SetSize(1, height);
  }
  caret_->SetFillColour((colour_ & 0xFFFFFF) == kColourKey ? 0 : (colour_ & 0xFFFFFF));
  caret_->Clear();
  caret_->Invalidate();
  const double x = canvas->GetLeft() + text_x_ + std::min(box.x - scroll_x_, std::max(text_width_ - 1, 0)) + 0.5;
  caret_->MoveTo(x, canvas->GetTop() + text_y_ + box.top - scroll_y_ + height / 2.0);
  RECT area =
      MakeRect(static_cast<int32_t>(canvas->GetLeft()) + text_x_, static_cast<int32_t>(canvas->GetTop()) + text_y_,
               static_cast<int32_t>(canvas->GetLeft()) + text_x_ + text_width_,
               static_cast<int32_t>(canvas->GetTop()) + text_y_ + text_height_);
  caret_->SetLimitRect(area);
  caret_->AddFlags(object_flag::kLimitMoves);
}

void RichTextBox::ShowCaret(bool shown) {
  if (caret_ == nullptr) return;
  if (shown && IsVisible() != 0) {
    if (caret_index_ == SIZE_MAX) PlaceCaret(items_.size());
    caret_->Show();
  } else {
    caret_->Hide();
  }
  caret_->Invalidate();
}

// ---- drawing ----

void RichTextBox::ScheduleRedraw() {
  if (redraw_pending_ || !IsRegistered()) return;
  redraw_pending_ = true;
  const ObjectMessage redraw = MakeMessage(GetKey(), rich_text::kMsgRedraw, 0, 0);
  PostMessage(&redraw);
}

void RichTextBox::Redraw() {
  redraw_pending_ = false;
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr || canvas->GetPixels() == nullptr) return;
  const int32_t w = canvas->GetSurfaceWidth();
  const int32_t h = canvas->GetSurfaceHeight();
  uint32_t* pixels = canvas->GetPixels();
  const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
  if (background_ != nullptr && background_->GetPixels() != nullptr && background_->GetSurfaceWidth() == w &&
      background_->GetSurfaceHeight() == h) {
    std::memcpy(pixels, background_->GetPixels(), count * sizeof(uint32_t));
  } else {
    std::fill(pixels, pixels + count, 0u);
  }
  // The text is drawn into a copy of the text area, so nothing of it reaches the margins.
  const int32_t x0 = std::max(text_x_, 0);
  const int32_t y0 = std::max(text_y_, 0);
  const int32_t x1 = std::min<int32_t>(text_x_ + text_width_, w);
  const int32_t y1 = std::min<int32_t>(text_y_ + text_height_, h);
  if (x1 > x0 && y1 > y0) {
    const int32_t sw = x1 - x0;
    const int32_t sh = y1 - y0;
    scratch_.resize(static_cast<size_t>(sw) * static_cast<size_t>(sh));
    for (int32_t y = 0; y < sh; ++y) {
      std::memcpy(&scratch_[static_cast<size_t>(y) * sw], pixels + static_cast<size_t>(y0 + y) * w + x0,
                  static_cast<size_t>(sw) * sizeof(uint32_t));
    }
    DrawItems(scratch_.data(), sw, sh, text_x_ - x0 - scroll_x_, text_y_ - y0 - scroll_y_);
    for (int32_t y = 0; y < sh; ++y) {
      std::memcpy(pixels + static_cast<size_t>(y0 + y) * w + x0, &scratch_[static_cast<size_t>(y) * sw],
                  static_cast<size_t>(sw) * sizeof(uint32_t));
    }
  }
  canvas->PixelsChanged();
  canvas->Invalidate();
}

void RichTextBox::DrawItems(uint32_t* pixels, int32_t width, int32_t height, int32_t origin_x, int32_t origin_y) {
  if (lines_.empty()) return;
  FontRenderer* renderer = Renderer();
  const size_t selection_first = GetSelectionStart();
  const size_t selection_end = GetSelectionEnd();
  FontRecord saved{};
  if (renderer != nullptr) renderer->GetFont(&saved);
  std::string run;
  for (size_t l = LineAtY(-origin_y); l < lines_.size() && lines_[l].top + origin_y < height; ++l) {
    const RichTextLine& line = lines_[l];
    if (line.top + line.height + origin_y <= 0) continue;
    // Selected items first get their background.
    for (size_t i = std::max(line.first, selection_first); i < std::min(line.end, selection_end); ++i) {
      const RichTextItem& item = items_[i];
      const int32_t left = std::max(item.x + origin_x, 0);
      const int32_t right = std::min(item.x + item.width + origin_x, width);
      const int32_t top = std::max(line.top + origin_y, 0);
      const int32_t bottom = std::min(line.top + line.height + origin_y, height);
      for (int32_t y = top; y < bottom; ++y) {
        if (right > left)
          std::fill(pixels + static_cast<size_t>(y) * width + left, pixels + static_cast<size_t>(y) * width + right,
                    OpaquePixel(kSelectionBack));
      }
    }
    if (renderer == nullptr) continue;
    // Runs of glyphs in one style go to the renderer together. A '<' stands alone (the renderer
    // would read a run from it to a '>' as its own markup); so do characters drawn as '?'.
    size_t i = line.first;
    while (i < line.end) {
      const RichTextItem& first = items_[i];
      const auto b0 = static_cast<uint8_t>(first.bytes[0]);
      if (first.kind != RichTextItem::kGlyph || first.IsLineFeed() || (first.length == 1 && b0 < 0x20 && b0 != '\t')) {
        ++i;
        continue;
      }
      const bool selected = i >= selection_first && i < selection_end;
      run.clear();
      size_t j = i;
      for (; j < line.end; ++j) {
        const RichTextItem& item = items_[j];
        const auto c = static_cast<uint8_t>(item.bytes[0]);
        if (item.kind != RichTextItem::kGlyph || item.style != first.style || item.IsLineFeed()) break;
        if ((j >= selection_first && j < selection_end) != selected) break;
        if (item.length == 1 && (c < 0x20 && c != '\t')) break;
        const bool alone = item.length == 1 && (c == '<' || c >= 0x81);
        if (alone && j > i) break;
        if (item.length == 2) {
          run.append(item.bytes, 2);
        } else {
          run.push_back(c >= 0x81 ? '?' : (c == '\t' ? ' ' : item.bytes[0]));
        }
        if (alone) {
          ++j;
          break;
        }
      }
      FontRecord record = RecordFor(styles_[first.style]);
      if (selected) record.colour = kSelectionText;
      renderer->SetFont(&record);
      renderer->DrawText(pixels, width, height, first.x + origin_x, first.y + origin_y, run.c_str(), GetKey());
      i = j;
    }
  }
  if (renderer != nullptr) renderer->SetFont(&saved);
}

// ---- hit tests ----

size_t RichTextBox::HitIndex(int32_t canvas_x, int32_t canvas_y) const {
  if (lines_.empty()) return 0;
  const int32_t x = canvas_x - text_x_ + scroll_x_;
  const int32_t y = canvas_y - text_y_ + scroll_y_;
  if (y < 0) return 0;
  if (y >= GetContentHeight() && !items_.empty() && items_.back().IsLineFeed()) return items_.size();
  const RichTextLine& line = lines_[LineAtY(y)];
  for (size_t i = line.first; i < line.end; ++i) {
    const RichTextItem& item = items_[i];
    if (item.IsLineFeed() || x < item.x + item.width / 2) return i;
  }
  return line.end;
}

size_t RichTextBox::ItemAtPoint(int32_t canvas_x, int32_t canvas_y) const {
  if (lines_.empty()) return SIZE_MAX;
  const int32_t x = canvas_x - text_x_ + scroll_x_;
  const int32_t y = canvas_y - text_y_ + scroll_y_;
  if (canvas_x < text_x_ || canvas_x >= text_x_ + text_width_ || canvas_y < text_y_ ||
      canvas_y >= text_y_ + text_height_) {
    return SIZE_MAX;
  }
  const RichTextLine& line = lines_[LineAtY(y)];
  if (y < line.top || y >= line.top + line.height) return SIZE_MAX;
  for (size_t i = line.first; i < line.end; ++i) {
    const RichTextItem& item = items_[i];
    if (x >= item.x && x < item.x + item.width) return i;
  }
  return SIZE_MAX;
}

}  // namespace engine
