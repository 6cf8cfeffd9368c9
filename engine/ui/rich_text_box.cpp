// The rich-text view: construction, the markup state, the markup reader and the item list.
// Layout and drawing are in rich_text_box_layout.cpp, input in rich_text_box_input.cpp.
#include "engine/ui/rich_text_box.h"

#include <cstring>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/core/object_module.h"
#include "engine/core/value.h"
#include "engine/media/paint_module.h"
#include "engine/ui/inline_object.h"
#include "engine/ui/link_object.h"
#include "engine/ui/link_opener.h"
#include "engine/ui/rich_text_scroll_bar.h"
#include "engine/ui/text_markup.h"

namespace engine {
namespace {

constexpr int32_t kDefaultWeight = 400;
constexpr uint8_t kGb2312Charset = 134;
// Link flags of the view's own parts (bar, background, caret, link objects): owned, and
// following the view's moves and depth.
constexpr uint32_t kPartLinks = link_flag::kOwned | link_flag::kMove | link_flag::kDepth;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Text cut to at most limit bytes, never inside a double-byte character.
std::string_view CutText(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t n = 0;
  while (n < text.size()) {
    const size_t w = MarkupCharBytes(text, n);
    if (n + w > limit) break;
    n += w;
  }
  return text.substr(0, n);
}

}  // namespace

void SetFaceName(LOGFONTA& font, std::string_view name) {
  const std::string_view cut = CutText(name.substr(0, name.find('\0')), sizeof(font.lfFaceName) - 1);
  std::memset(font.lfFaceName, 0, sizeof(font.lfFaceName));
  if (!cut.empty()) std::memcpy(font.lfFaceName, cut.data(), cut.size());
}

RichTextBox::RichTextBox() {
  font_.lfHeight = kDefaultTextSize;
  font_.lfWeight = kDefaultWeight;
  font_.lfCharSet = kGb2312Charset;
  SetFaceName(font_, kDefaultFaceName);
}

RichTextBox::~RichTextBox() = default;

bool RichTextBox::Create(int32_t width, int32_t height, uint32_t style, uint32_t creation_value) {
  if (!IsRegistered()) {
    WriteGameLog("RichTextBox::Create: the view is not in a scene");
    return false;
  }
  style_ = style | creation_value;
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  CanvasObject* canvas = CreateCanvas(width_, height_, kColourKey);
  if (canvas == nullptr || canvas->GetPixels() == nullptr) {
    WriteGameLog("RichTextBox::Create: no canvas of %d x %d", width_, height_);
    return false;
  }
  background_ = CreateCanvas(width_, height_, kColourKey);
  if (background_ != nullptr) canvas->AddChild(background_, link_flag::kOwned);
  SetSkin(canvas, link_flag::kFollowAllButSize);
  SetSize(width_, height_);
  SetFocusable(true);

  if ((style_ & rich_text::kViewScrollBars) != 0 && (style_ & rich_text::kViewVerticalBar) != 0) {
    scroll_bar_ = new RichTextScrollBar();
    AddToScene(scroll_bar_);
    scroll_bar_->Create(GetKey(), height_);
    scroll_bar_->SetDepth(GetDepth() + 0.002);
    canvas->AddChild(scroll_bar_, kPartLinks | link_flag::kAlwaysShow | link_flag::kAlwaysHide);
  }
  if ((style_ & rich_text::kViewCaret) != 0) {
    caret_ = CreateCanvas(1, font_.lfHeight > 0 ? font_.lfHeight : kDefaultTextSize, kColourKey);
    if (caret_ != nullptr) {
      caret_->SetDepth(GetDepth() + 0.003);
      canvas->AddChild(caret_, kPartLinks | link_flag::kAlwaysHide);
    }
  }
  // Input: the pointer over the text, the wheel and keys (through the focus), focus changes.
  if ((style_ & (rich_text::kViewPointer | rich_text::kViewSelection | rich_text::kViewEdit |
                 rich_text::kViewLinksLive | rich_text::kViewScrollBars)) != 0) {
    for (uint32_t event :
         {QUILLARON_EVENT_MOUSE_MOVE, QUILLARON_EVENT_MOUSE_LEAVE, QUILLARON_EVENT_LBUTTON_DOWN,
          QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_DRAG, QUILLARON_EVENT_CLICK, QUILLARON_EVENT_WHEEL_UP,
          QUILLARON_EVENT_WHEEL_DOWN, QUILLARON_EVENT_KEY_DOWN, QUILLARON_EVENT_KEY_UP, QUILLARON_EVENT_CHAR,
          QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_FOCUS_LOST}) {
      SubscribeMessage(event, GetKey(), event, 0, 0);
    }
  }
  Layout(width_, height_);
  return true;
}

CanvasObject* RichTextBox::GetCanvas() const { return dynamic_cast<CanvasObject*>(CurrentSkin()); }

void RichTextBox::SetBackColour(COLORREF colour) {
  style_ = (style_ | rich_text::kViewBackColour) & ~rich_text::kViewBackPicture;
  if (background_ != nullptr) {
    background_->SetFillColour(colour);
    background_->Clear();
  }
  ScheduleRedraw();
}

void RichTextBox::DrawBackImage(const PictureInfo* picture, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (background_ == nullptr || picture == nullptr || picture->record == nullptr) return;
  background_->DrawImage(picture, x, y, width, height, 0.0, 1.0);
  ScheduleRedraw();
}

void RichTextBox::SetMaxTextSize(int32_t size) { max_text_size_ = size; }

void RichTextBox::SetTextSize(int32_t size) { font_.lfHeight = size; }

void RichTextBox::SetTextColor(COLORREF colour) { colour_ = colour; }

void RichTextBox::SetReadOnly(bool links_live) {
  if (links_live) {
    style_ |= rich_text::kViewLinksLive;
  } else {
    style_ &= ~rich_text::kViewLinksLive;
  }
}

void RichTextBox::SetAbsDouble(int32_t value) {
  WidgetBase::SetAbsDouble(value);
  line_spacing_ = static_cast<int32_t>(std::min(GetSpacing(), static_cast<double>(kMaxLineSpacing)));
  Relayout(0);
}

void RichTextBox::SetWrapIndent(int32_t pixels) {
  pixels = std::clamp(pixels, 0, CanvasObject::kMaxSide);
  if (pixels == wrap_indent_) return;
  wrap_indent_ = pixels;
  Relayout(0);
}

void RichTextBox::RestoreMarkupState(const MarkupState& state) {
  font_ = state.font;
  colour_ = state.colour;
  text_style_ = state.text_style;
}

int32_t RichTextBox::BoundSize(int64_t size) const {
  const int64_t bound = std::max<int64_t>(max_text_size_, 1);
  return static_cast<int32_t>(std::clamp<int64_t>(size, 1, bound));
}

// ---- appending ----

void RichTextBox::AppendText(const char* text) {
  if (text == nullptr || text[0] == '\0') return;
  if ((style_ & rich_text::kViewEdit) == 0) SetInsertPosition(items_.size());
  AppendMarkup(text);
  if ((style_ & rich_text::kViewNoAutoScroll) == 0) ScrollToEnd();
}

void RichTextBox::AppendMarkup(const char* text) { ScanMarkup(text); }

void RichTextBox::ScanMarkup(const char* text) {
  if (text == nullptr) return;
  // A hook may append from inside an append: the outer one's reading state comes back after.
  const std::string_view outer_text = append_text_;
  const size_t outer_pos = read_pos_;
  const int64_t outer_first = first_glyph_;
  const int64_t outer_last = last_glyph_;

  const std::string_view all(text);
  append_text_ = all;
  read_pos_ = 0;
  first_glyph_ = -1;
  last_glyph_ = -1;
  const MarkupState start = SaveMarkupState();
  // Where the next '>' stands; found once per stretch, so a text full of '<' is read in one pass.
  size_t next_close = 0;
  bool close_known = false;

  while (read_pos_ < all.size()) {
    const size_t pos = read_pos_;
    const char c = all[pos];
    if (c == '#') {
      const char b = pos + 1 < all.size() ? all[pos + 1] : '\0';
      if (b == '#' || b == '<' || b == '>' || b == '/') {
        AppendChar(all.substr(pos + 1, 1));
        read_pos_ = pos + 2;
      } else if (IsDigit(b) && pos + 2 < all.size() && IsDigit(all[pos + 2])) {
        AppendChar(all.substr(pos, 1));
        read_pos_ = pos + 1;
      } else if (IsLetter(b)) {
        if (ParseTag(all.substr(pos, 2)) != 0) {
          if (read_pos_ == pos) read_pos_ = pos + 2;
        } else {
          AppendChar(all.substr(pos, 1));
          read_pos_ = pos + 1;
        }
      } else if (all.size() - pos >= 5 && ParseObjectTag(all.substr(pos, 5)) != 0) {
        if (read_pos_ == pos) read_pos_ = pos + 5;
      } else {
        AppendChar(all.substr(pos, 1));
        read_pos_ = pos + 1;
      }
      // A hook may move the reader on, never back.
      if (read_pos_ <= pos || read_pos_ > all.size()) read_pos_ = pos + 1;
      continue;
    }
    if (c == '<') {
      if (!close_known || (next_close != std::string_view::npos && next_close <= pos)) {
        next_close = all.find('>', pos + 1);
        close_known = true;
      }
      if (next_close == std::string_view::npos) {
        AppendChar(all.substr(pos, 1));
        read_pos_ = pos + 1;
        continue;
      }
      if (next_close == pos + 1) {
        RestoreMarkupState(start);
        read_pos_ = pos + 2;
        continue;
      }
      const std::string_view tag = all.substr(pos + 1, next_close - pos - 1);
      int recognised = ParseTag(tag);
      if (read_pos_ == pos && recognised == 0) recognised = ParseObjectTag(tag);
      if (read_pos_ != pos) {
        // A hook moved the reader itself (a self-link took the text up to its "<>").
        if (read_pos_ <= pos || read_pos_ > all.size()) read_pos_ = next_close + 1;
        continue;
      }
      if (recognised != 0) {
        read_pos_ = next_close + 1;
      } else {
        AppendChar(all.substr(pos, 1));
        read_pos_ = pos + 1;
      }
      continue;
    }
    if (c == '\r') {
      read_pos_ = pos + 1;
      continue;
    }
    const int used = AppendChar(all.substr(pos));
    read_pos_ = pos + static_cast<size_t>(std::max(used, 1));
  }
  FinishAppend();
  RestoreMarkupState(start);

  append_text_ = outer_text;
  read_pos_ = outer_pos;
  first_glyph_ = outer_first;
  last_glyph_ = outer_last;
}

int RichTextBox::ParseTag(std::string_view tag) {
  if (FindMarkupAttribute(tag, "notify") != std::string_view::npos) return 1;
  int recognised = 0;
  if (FindMarkupAttribute(tag, "e=b") != std::string_view::npos) {
    text_style_ |= rich_text::kTextBold;
    recognised = 1;
  }
  if (FindMarkupAttribute(tag, "e=u") != std::string_view::npos) {
    text_style_ |= rich_text::kTextUnderline;
    recognised = 1;
  }
  if (FindMarkupAttribute(tag, "e=i") != std::string_view::npos) {
    text_style_ |= rich_text::kTextItalic;
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "c=")) {
    colour_ = static_cast<COLORREF>(ReadMarkupNumber(*value));
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "color=")) {
    colour_ = ReadMarkupHexColour(*value);
    recognised = 1;
  }
  if (const size_t hash = tag.find('#'); hash != std::string_view::npos && hash + 1 < tag.size()) {
    if (auto colour = MarkupColourLetter(tag[hash + 1])) {
      colour_ = *colour;
      recognised = 1;
    }
  }
  if (auto value = FindMarkupValue(tag, "size=")) {
    font_.lfHeight = BoundSize(ReadMarkupNumber(*value));
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "face=")) {
    SetFaceName(font_, *value);
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "url=")) {
    AppendLink(*value, *value, {});
    recognised = 1;
  }
  if (auto value = FindMarkupValue(tag, "url_text=")) {
    std::vector<Value> values;
    if (ParseValueList(*value, values) >= 2) {
      AppendLink(values[0].Text(), values[1].Text(), values.size() >= 3 ? values[2].Text() : std::string_view{});
    }
    recognised = 1;
  }
  if ((style_ & rich_text::kViewLoadAllowed) != 0) {
    if (auto value = FindMarkupValue(tag, "url_load=")) {
      std::vector<Value> values;
      if (ParseValueList(*value, values) >= 2) {
        const int flag = values.size() >= 3 ? values[2].AsBool() : 0;
        recognised = LoadUrl(values[1].Text().c_str(), values[0].Text().c_str(), flag,
                             values.size() >= 4 ? values[3].Text().c_str() : nullptr);
      }
    }
  }
  return recognised;
}

int RichTextBox::ParseObjectTag(std::string_view token) {
  auto read_values = [](std::string_view value) {
    std::vector<Value> values;
    ParseValueList(value, values);
    return values;
  };
  auto side = [](const Value& v) { return std::clamp(v.AsInt(), 0, kMaxObjectSide); };
  if (auto value = FindMarkupValue(token, "z=")) {
    const std::vector<Value> values = read_values(*value);
    if (values.empty()) return 0;
    const int32_t frame = values.size() >= 2 ? values[1].AsInt() : 0;
    const bool sized = values.size() == 4;
    auto* object = new InlineObject();
    AddToScene(object);
    if (!object->SetPicture(values[0].Text().c_str(), frame, sized ? side(values[2]) : 0,
                            sized ? side(values[3]) : 0)) {
      DeleteObject(object, false);
      return 1;
    }
    AppendItem(InsertObject(object));
    return 1;
  }
  if (auto value = FindMarkupValue(token, "m=")) {
    const std::vector<Value> values = read_values(*value);
    if (values.empty()) return 0;
    const bool sized = values.size() == 4;
    auto* object = new InlineObject();
    AddToScene(object);
    if (!object->SetAnimation(values[0].Text().c_str(), sized ? side(values[2]) : 0, sized ? side(values[3]) : 0)) {
      DeleteObject(object, false);
      return 1;
    }
    object->SetPlainText("[图片]");
    AppendItem(InsertObject(object));
    return 1;
  }
  if (auto value = FindMarkupValue(token, "url_btn=")) {
    if ((style_ & rich_text::kViewLinksLive) == 0) return 0;
    const std::vector<Value> values = read_values(*value);
    if (values.size() < 2 || values[0].Text().empty()) return 0;
    auto* object = new InlineObject();
    AddToScene(object);
    if (!object->SetPicture(values[1].Text().c_str(), values.size() >= 3 ? values[2].AsInt() : 0, 0, 0)) {
      DeleteObject(object, false);
      return 1;
    }
    object->SetClickTarget(GetKey(), std::string(CutText(values[0].Text(), kMaxLinkTarget)));
    AppendItem(InsertObject(object));
    return 1;
  }
  return 0;
}

int RichTextBox::AppendChar(std::string_view text) {
  if (text.empty() || text[0] == '\0') return 0;
  RichTextItem item;
  item.kind = RichTextItem::kGlyph;
  item.length = static_cast<uint8_t>(MarkupCharBytes(text, 0));
  item.bytes[0] = text[0];
  if (item.length == 2) item.bytes[1] = text[1];
  item.style = StyleIndex();
  Measure(item);
  const size_t at = insert_at_;
  AppendItem(item);
  if (first_glyph_ < 0) first_glyph_ = static_cast<int64_t>(at);
  last_glyph_ = static_cast<int64_t>(at);
  return item.length;
}

std::pair<int64_t, int64_t> RichTextBox::AppendPlain(std::string_view text) {
  int64_t first = -1;
  int64_t last = -1;
  for (size_t i = 0; i < text.size() && text[i] != '\0';) {
    const int used = AppendChar(text.substr(i));
    if (used <= 0) break;
    if (first < 0) first = last_glyph_;
    last = last_glyph_;
    i += static_cast<size_t>(used);
  }
  return {first, last};
}

void RichTextBox::AppendLink(std::string_view target, std::string_view text, std::string_view hover_picture) {
  if (text.empty()) return;
  if ((style_ & rich_text::kViewLinksLive) == 0) {
    AppendPlain(text);
    return;
  }
  const COLORREF saved_colour = colour_;
  const uint32_t saved_style = text_style_;
  colour_ = rich_text::kLinkColour;
  text_style_ |= rich_text::kLinkStyle;
  auto* link = new LinkObject();
  AddToScene(link);
  const std::string bounded_target(CutText(target, kMaxLinkTarget));
  const std::string picture(CutText(hover_picture, kMaxPictureName));
  link->Set(bounded_target.c_str(), picture.c_str(), GetKey());
  if (CanvasObject* canvas = GetCanvas()) canvas->AddChild(link, link_flag::kOwned);
  links_.push_back(link->GetKey());
  const auto [first, last] = AppendPlain(text);
  if (first >= 0) {
    items_[static_cast<size_t>(first)].flags |= rich_text::kItemLinkFirst;
    AddLink(static_cast<size_t>(first), link->GetKey());
    items_[static_cast<size_t>(last)].flags |= rich_text::kItemLinkLast;
  }
  colour_ = saved_colour;
  text_style_ = saved_style;
}

size_t RichTextBox::PositionAfterTag(std::string_view tag) const {
  const char* begin = append_text_.data();
  if (begin == nullptr || tag.data() < begin || tag.data() + tag.size() >= begin + append_text_.size()) {
    return std::string_view::npos;
  }
  const size_t close = static_cast<size_t>(tag.data() - begin) + tag.size();
  return append_text_[close] == '>' ? close + 1 : std::string_view::npos;
}

void RichTextBox::AddLink(size_t first_item, uint32_t link_key) {
  if (first_item < items_.size()) pending_links_.emplace_back(first_item, link_key);
}

RichTextItem RichTextBox::InsertObject(InlineObject* object) {
  RichTextItem item;
  item.kind = RichTextItem::kObject;
  if (object == nullptr) return item;
  AdoptObject(object);
  item.object = object->GetKey();
  return item;
}

void RichTextBox::AdoptObject(InlineObject* object) {
  if (!object->IsRegistered()) AddToScene(object);
  object->Hide();
  object->SetDepth(GetDepth() + 0.001);
  if (CanvasObject* canvas = GetCanvas()) canvas->AddChild(object, kObjectLinks);
}

void RichTextBox::AppendItem(const RichTextItem& item) {
  if (item.kind == RichTextItem::kObject && item.object == 0) return;
  const size_t at = std::min(insert_at_, items_.size());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), item);
  insert_at_ = at + 1;
  relayout_from_ = std::min(relayout_from_, at);
  // Items after the insertion moved one place on: so did the selection and the caret there.
  if (at < items_.size() - 1) {
    if (selection_anchor_ > at) ++selection_anchor_;
    if (selection_end_ > at) ++selection_end_;
  }
}

void RichTextBox::AppendObject(InlineObject* object) {
  if (object == nullptr) return;
  SetInsertPosition(items_.size());
  AppendItem(InsertObject(object));
  FinishAppend();
}

void RichTextBox::FinishAppend() {
  for (const auto& [first, key] : pending_links_) {
    for (size_t i = first; i < items_.size() && i < insert_at_; ++i) {
      if (items_[i].kind != RichTextItem::kGlyph) continue;
      items_[i].link = key;
      if ((items_[i].flags & rich_text::kItemLinkLast) != 0) break;
    }
  }
  pending_links_.clear();
  if (relayout_from_ != SIZE_MAX) {
    const size_t from = relayout_from_;
    relayout_from_ = SIZE_MAX;
    Relayout(from);
  }
}

InlineObject* RichTextBox::ObjectOf(const RichTextItem& item) const {
  if (item.kind != RichTextItem::kObject || item.object == 0 || !IsRegistered()) return nullptr;
  ObjectModule* objects = EngineObject::GetObjectModule();
  return objects != nullptr ? dynamic_cast<InlineObject*>(objects->FindObjectByKey(item.object)) : nullptr;
}

void RichTextBox::EraseItems(size_t first, size_t end) {
  end = std::min(end, items_.size());
  if (first >= end) return;
  for (size_t i = first; i < end; ++i) {
    if (InlineObject* object = ObjectOf(items_[i])) DeleteObject(object, false);
  }
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(first), items_.begin() + static_cast<std::ptrdiff_t>(end));
  const size_t removed = end - first;
  auto shift = [&](size_t& index) {
    if (index >= end) {
      index -= removed;
    } else if (index > first) {
      index = first;
    }
  };
  shift(selection_anchor_);
  shift(selection_end_);
  shift(insert_at_);
  Relayout(first);
}

void RichTextBox::Clear() {
  for (const RichTextItem& item : items_) {
    if (InlineObject* object = ObjectOf(item)) DeleteObject(object, false);
  }
  if (ObjectModule* objects = IsRegistered() ? EngineObject::GetObjectModule() : nullptr) {
    for (uint32_t key : links_) {
      if (EngineObject* link = objects->FindObjectByKey(key)) DeleteObject(link, false);
    }
  }
  links_.clear();
  items_.clear();
  lines_.clear();
  styles_.clear();
  style_index_.clear();
  last_style_index_ = UINT32_MAX;
  pending_links_.clear();
  placed_objects_.clear();
  insert_at_ = 0;
  relayout_from_ = SIZE_MAX;
  scroll_y_ = 0;
  scroll_x_ = 0;
  hovered_link_ = 0;
  selection_anchor_ = selection_end_ = 0;
  selecting_ = false;
  Relayout(0);
}

std::string RichTextBox::GetPlainText(size_t first, size_t end) const {
  std::string text;
  end = std::min(end, items_.size());
  for (size_t i = first; i < end; ++i) {
    const RichTextItem& item = items_[i];
    if (item.kind == RichTextItem::kGlyph) {
      text.append(item.bytes, item.length);
    } else if (InlineObject* object = ObjectOf(item)) {
      text += object->GetPlainText();
    }
  }
  return text;
}

std::string RichTextBox::GetSelectedText() const { return GetPlainText(GetSelectionStart(), GetSelectionEnd()); }

void RichTextBox::SetSelected(bool all) {
  selection_anchor_ = 0;
  selection_end_ = all ? items_.size() : 0;
  selecting_ = false;
  ScheduleRedraw();
}

void RichTextBox::RefreshAll() {
  selection_anchor_ = selection_end_ = 0;
  selecting_ = false;
  ScheduleRedraw();
}

void RichTextBox::OpenUrl(const char* target) {
  if (target != nullptr) OpenWebPage(target);
}

int RichTextBox::LoadUrl(const char*, const char*, int, const char*) { return 0; }

PictureInfo RichTextBox::FindPicture(std::string_view name, int32_t frame) {
  return FindPictureQuietly(this, name, frame);
}

// ---- styles ----

uint32_t RichTextBox::StyleIndex() {
  RichTextStyle style;
  style.font = font_;
  style.colour = colour_;
  style.text_style = text_style_;
  // Glyphs mostly follow one another in one style.
  if (last_style_index_ < styles_.size() && std::memcmp(&style.font, &last_style_.font, sizeof style.font) == 0 &&
      style.colour == last_style_.colour && style.text_style == last_style_.text_style) {
    return last_style_index_;
  }
  std::string key(reinterpret_cast<const char*>(&style.font), sizeof style.font);
  key.append(reinterpret_cast<const char*>(&style.colour), sizeof style.colour);
  key.append(reinterpret_cast<const char*>(&style.text_style), sizeof style.text_style);
  auto [it, inserted] = style_index_.try_emplace(std::move(key), static_cast<uint32_t>(styles_.size()));
  if (inserted) styles_.push_back(style);
  last_style_ = style;
  last_style_index_ = it->second;
  return it->second;
}

}  // namespace engine
