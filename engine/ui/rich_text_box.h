// The rich-text view: a list of items (glyphs and inline objects) laid out in lines inside a text
// area, drawn into the view's canvas over its background, with its own vertical scroll bar, live
// links, selection with the pointer, and (in EditBox) an edit mode.
//
// Text arrives as markup (AppendText). The reader keeps the markup state of the view: the font
// record (LOGFONTA: height = text size in pixels, weight, italic, underline, face), the colour
// (COLORREF), the text style word (kTextItalic, kTextUnderline, kTextBold, kTextLink) and the size
// bound (SetMaxTextSize, 1000 at construction), which caps every size a tag asks for. It reads:
//   '#' + '#', '<', '>' or '/'   that character as text (an escape)
//   '#' + two digits             the '#' and the digits as text
//   '#' + a letter               a colour code (ParseTag with the two bytes): w b k r g y
//   '#' + four more bytes        an object token (ParseObjectTag with the five bytes)
//   '<' ... '>'                  a tag: ParseTag, else ParseObjectTag; neither: '<' shows as text
//   "<>"                         back to the state the append started with
//   carriage return              skipped; line feed ends the line
// Tags do not nest and have no closing form; whatever a tag changed lasts until "<>" or the end of
// the append, which restores the state from before it. No input makes the reader look past the
// text it was given: a lead byte without its trail byte is one character, a '<' without a later
// '>' is text.
//
// The view's own tags (subclasses add theirs): "notify"; "e=b", "e=u", "e=i"; "c=N" (decimal
// COLORREF); "color=RRGGBB"; "#x" (colour letter); "size=N" (pixels, 1 up to the size bound);
// "face=NAME" (31 bytes at most); "url=TARGET" and "url_text=TARGET,TEXT[,HOVER PICTURE]" (links,
// shown as plain text unless links are live); "url_load=..." (the LoadUrl hook, with
// kViewLoadAllowed). Object tags: "z=PICTURE[,FRAME[,W,H]]", "m=ANIMATION[,,W,H]" and, with live
// links, "url_btn=TARGET,PICTURE[,FRAME]". A value runs to the first ';' or the end of the tag.
//
// Messages the view handles: 80000007 (p1 = the target text, p2 = the sending link object's key
// or 0) opens the target through OpenUrl; a target from a link object that has gone meanwhile is
// dropped. It sends 1050 (p1 = the text area's width) to an inline object wider than its text
// area. Private ids on itself: 1051 (redraw), 1060 (scroll position from its bar).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/core/image_handle.h"
#include "engine/core/widget_base.h"
#include "engine/ui/font_record.h"
#include "platform/win_types.h"

namespace engine {

class CanvasObject;
class FontRenderer;
class InlineObject;
class LinkObject;
class RichTextScrollBar;
struct InputSnapshot;

namespace rich_text {
// The text style word.
inline constexpr uint32_t kTextItalic = 0x10;
inline constexpr uint32_t kTextUnderline = 0x20;
inline constexpr uint32_t kTextBold = 0x80;
inline constexpr uint32_t kTextLink = 0x2000;

// The view style word.
inline constexpr uint32_t kViewScrollBars = 0x1;       // scroll bars in use
inline constexpr uint32_t kViewPointer = 0x2;          // hover and clicks on the text
inline constexpr uint32_t kViewSelection = 0x4;        // the pointer selects text
inline constexpr uint32_t kViewVerticalBar = 0x8;      // with kViewScrollBars: the vertical bar
inline constexpr uint32_t kViewBackPicture = 0x100;    // the background is a picture
inline constexpr uint32_t kViewBackColour = 0x200;     // the background is a colour
inline constexpr uint32_t kViewLinksLive = 0x400;      // links are shown as links and open
inline constexpr uint32_t kViewLoadAllowed = 0x800;    // the "url_load=" attribute is read
inline constexpr uint32_t kViewNoAutoScroll = 0x2000;  // appending does not scroll to the end
inline constexpr uint32_t kViewEdit = 0x4000;          // keys edit the text
inline constexpr uint32_t kViewCaret = 0x20000;        // a caret shows while focused
inline constexpr uint32_t kViewSingleLine = 0x40000;   // one line, no wrapping
inline constexpr uint32_t kViewHideOnFocusLoss = 0x80000;

// Item flags the links set.
inline constexpr uint32_t kItemLinkFirst = 0x400;
inline constexpr uint32_t kItemLinkLast = 0x800;

// Message ids.
inline constexpr uint32_t kMsgOpenLink = 80000007;
inline constexpr uint32_t kMsgObjectTooWide = 1050;
inline constexpr uint32_t kMsgRedraw = 1051;
inline constexpr uint32_t kMsgScrollTo = 1060;

// Link colour (blue) and the style a link adds.
inline constexpr COLORREF kLinkColour = 0xFF0000;
inline constexpr uint32_t kLinkStyle = kTextUnderline | kTextLink;
}  // namespace rich_text

// One item of the view: a character (one byte, or a GBK lead and trail byte) in a style, or an
// inline object.
struct RichTextItem {
  enum Kind : uint8_t { kGlyph = 1, kObject = 2 };
  uint8_t kind = kGlyph;
  uint8_t length = 0;  // bytes of the character
  char bytes[2] = {};
  uint32_t flags = 0;   // rich_text::kItemLinkFirst, kItemLinkLast
  uint32_t style = 0;   // index of the item's style in the view's style table
  uint32_t link = 0;    // key of the link object whose text the glyph is; 0 for none
  uint32_t object = 0;  // key of the inline object
  // Laid out, in content coordinates (the text area's top left at scroll 0): the item's box.
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  bool IsLineFeed() const { return kind == kGlyph && length == 1 && bytes[0] == '\n'; }
  std::string_view Text() const { return {bytes, length}; }
};

// A laid-out line: items [first, end), its top and height in content coordinates, its width.
struct RichTextLine {
  size_t first = 0;
  size_t end = 0;
  int32_t top = 0;
  int32_t height = 0;
  int32_t width = 0;
};

// The style of a glyph: what the markup state was when it was appended.
struct RichTextStyle {
  LOGFONTA font;
  COLORREF colour = 0;
  uint32_t text_style = 0;
};

// Sets a font record's face name: cut to 31 bytes on a character boundary, the rest zeroed.
void SetFaceName(LOGFONTA& font, std::string_view name);

class RichTextBox : public WidgetBase {
 public:
  static constexpr int32_t kDefaultMaxTextSize = 1000;
  static constexpr int32_t kDefaultTextSize = 12;
  // Longest picture or animation name an object tag may give.
  static constexpr size_t kMaxPictureName = 63;
  // Largest width or height an object tag may ask for.
  static constexpr int32_t kMaxObjectSide = 1024;
  // Largest spacing between lines, in pixels.
  static constexpr int32_t kMaxLineSpacing = 1000;
  // Link flags of the view's canvas: everything but size and scale (the view sizes it itself).
  // Link flags of the objects that stand in the text: owned, following moves, depth and hiding.
  static constexpr uint32_t kObjectLinks = 0x19001;

  RichTextBox();
  ~RichTextBox() override;

  void Show() override;                                  // 11
  void Resize(double width, double height) override;     // 18: canvases and the text area
  int OnMessage(const ObjectMessage* message) override;  // 43
  // The spacing between lines, in pixels (its absolute value).
  void SetAbsDouble(int32_t value) override;  // 155

  // Builds the view's canvases (width x height) and, with kViewScrollBars | kViewVerticalBar, its
  // scroll bar; creation_value adds style bits (0x200: a colour background). The view must be in
  // a scene. False when no canvas could be made.
  virtual bool Create(int32_t width, int32_t height, uint32_t style, uint32_t creation_value);
  // A colour background: kViewBackColour on, kViewBackPicture off; fills the background.
  virtual void SetBackColour(COLORREF colour);
  // Draws a picture into the background at that place and size.
  virtual void DrawBackImage(const PictureInfo* picture, int32_t x, int32_t y, int32_t width, int32_t height);
  // Where the text area starts in the canvas; lays out with the current size.
  virtual void SetScrollTarget(int32_t x, int32_t y);
  // The text area and its scroll bar: width x height from the scroll target, the text area being
  // the width less the bar's width, the bar flush at its right.
  virtual void Layout(int32_t width, int32_t height);
  // Drops every item (their objects leave the scene) and the selection.
  virtual void Clear();
  // Appends markup text (AppendMarkup), then scrolls to the end unless kViewNoAutoScroll.
  virtual void AppendText(const char* text);
  virtual void ScrollToEnd();
  virtual void SetMaxTextSize(int32_t size);
  virtual void SetTextSize(int32_t size);
  virtual void SetTextColor(COLORREF colour);
  virtual uint32_t GetStyle() const { return style_; }
  // Links live (kViewLinksLive) or not.
  virtual void SetReadOnly(bool links_live);
  // Selects every item, or none.
  virtual void SetSelected(bool all);

  // The markup reader and its hooks.
  virtual void AppendMarkup(const char* text);
  // Applies one tag's attributes; non-zero when it recognised the tag.
  virtual int ParseTag(std::string_view tag);
  // Inserts an inline object for an object tag; non-zero when it inserted one (or, for a picture
  // that does not exist, when the tag was one).
  virtual int ParseObjectTag(std::string_view token);
  // Appends the first character of text as a glyph in the current state; the bytes it used (0
  // for an empty text).
  virtual int AppendChar(std::string_view text);
  // Registers a link: the glyphs from first_item to the next one flagged kItemLinkLast are the
  // text of the link object link_key.
  virtual void AddLink(size_t first_item, uint32_t link_key);
  // Takes the object into the view (it stands in the text from now on, and leaves the scene with
  // the view or its item) and returns its item.
  virtual RichTextItem InsertObject(InlineObject* object);
  // Puts an item into the list where the current append goes (the end, or an edit box's caret).
  virtual void AppendItem(const RichTextItem& item);
  // Lays out from the first new item, updates the scroll range and redraws.
  virtual void FinishAppend();
  // Opens a link's target: web pages only (see link_opener.h).
  virtual void OpenUrl(const char* target);
  virtual void OnFocusLost();
  // The "url_load=" hook (text, target, flag, extra); 0 here.
  virtual int LoadUrl(const char* text, const char* target, int flag, const char* extra);
  // Hides the selection and forgets it.
  virtual void RefreshAll();

  // An inline object appended as an item of its own, laid out at once (rows of a list).
  void AppendObject(InlineObject* object);
  // Where a line that wrapped goes on: that many pixels into the text area (0 at first; lines
  // after a line feed start at 0 all the same).
  void SetWrapIndent(int32_t pixels);
  int32_t GetWrapIndent() const { return wrap_indent_; }

  // State.
  const LOGFONTA& GetFont() const { return font_; }
  void SetFont(const LOGFONTA& font) { font_ = font; }
  COLORREF GetTextColor() const { return colour_; }
  uint32_t GetTextStyle() const { return text_style_; }
  void SetTextStyle(uint32_t style) { text_style_ = style; }
  int32_t GetMaxTextSize() const { return max_text_size_; }
  int32_t GetLineSpacing() const { return line_spacing_; }

  // Items, lines and styles, as laid out.
  size_t ItemCount() const { return items_.size(); }
  const RichTextItem& ItemAt(size_t index) const { return items_[index]; }
  const RichTextStyle& StyleOf(const RichTextItem& item) const { return styles_[item.style]; }
  size_t LineCount() const { return lines_.size(); }
  const RichTextLine& LineAt(size_t index) const { return lines_[index]; }
  InlineObject* ObjectOf(const RichTextItem& item) const;
  // The items' text: glyph bytes, and each object's plain-text form.
  std::string GetPlainText(size_t first, size_t end) const;
  std::string GetSelectedText() const;
  size_t GetSelectionStart() const { return std::min(selection_anchor_, selection_end_); }
  size_t GetSelectionEnd() const { return std::max(selection_anchor_, selection_end_); }

  // The text area (in the canvas) and the scrolling.
  int32_t GetTextLeft() const { return text_x_; }
  int32_t GetTextTop() const { return text_y_; }
  int32_t GetTextWidth() const { return text_width_; }
  int32_t GetTextHeight() const { return text_height_; }
  int32_t GetContentHeight() const;
  int32_t GetScrollPos() const { return scroll_y_; }
  int32_t GetScrollX() const { return scroll_x_; }
  // The largest scroll position: content height less the text area's height, 0 at least.
  int32_t GetScrollRange() const;
  void SetScrollPos(int32_t y);
  void ScrollBy(int32_t dy);

  // 1 while the view has the input focus.
  uint32_t IsInputActive() const { return input_active_; }
  CanvasObject* GetCanvas() const;
  CanvasObject* GetBackground() const { return background_; }
  RichTextScrollBar* GetScrollBar() const { return scroll_bar_; }
  // Draws the view now (changes otherwise draw once, in the next frame).
  void Redraw();
  // The index of the item boundary nearest a point of the canvas (text area coordinates plus the
  // scroll): where a caret or a selection end goes.
  size_t HitIndex(int32_t canvas_x, int32_t canvas_y) const;
  // The item under a point of the canvas, or npos.
  size_t ItemAtPoint(int32_t canvas_x, int32_t canvas_y) const;

 protected:
  // The markup state.
  LOGFONTA font_;
  COLORREF colour_ = 0;
  uint32_t text_style_ = 0;
  int32_t max_text_size_ = kDefaultMaxTextSize;
  uint32_t style_ = 0;
  // The append in progress: its text, the read position, the first and last glyph appended.
  std::string_view append_text_;
  size_t read_pos_ = 0;
  int64_t first_glyph_ = -1;
  int64_t last_glyph_ = -1;

  struct MarkupState {
    LOGFONTA font;
    COLORREF colour;
    uint32_t text_style;
  };
  MarkupState SaveMarkupState() const { return MarkupState{font_, colour_, text_style_}; }
  void RestoreMarkupState(const MarkupState& state);

  // The scanner of AppendMarkup, over text up to its terminator.
  void ScanMarkup(const char* text);
  // A size a tag asks for, held between 1 and the size bound.
  int32_t BoundSize(int64_t size) const;
  // Appends text (no markup) glyph by glyph in the current state; the first and last glyph made,
  // or -1 when none.
  std::pair<int64_t, int64_t> AppendPlain(std::string_view text);
  // A link: with links live a link object with the shown text in the link colour and style,
  // else the shown text as it stands.
  void AppendLink(std::string_view target, std::string_view text, std::string_view hover_picture);
  // The position just after a tag's '>' in the append in progress, or npos when tag is not a
  // tag of it.
  size_t PositionAfterTag(std::string_view tag) const;
  // A picture as the markup names it, looked up without logging (names come from other players'
  // text); a null record when missing or when the name is too long.
  PictureInfo FindPicture(std::string_view name, int32_t frame);

  void LayoutWithGap(int32_t width, int32_t height, int32_t bar_gap);
  // Clears the input-active word and hides the caret: what losing the focus does before hiding.
  void EndInput();
  // Items to insert at, for the next append (an edit box moves it to its caret).
  void SetInsertPosition(size_t index) { insert_at_ = std::min(index, items_.size()); }
  size_t GetInsertPosition() const { return insert_at_; }
  // Removes items [first, end) (their objects leave the scene) and lays out again.
  void EraseItems(size_t first, size_t end);
  // Lays out from the line holding first_item on, places the objects, updates the bar, redraws.
  void Relayout(size_t first_item);
  // Scrolls (sideways in a single-line view) so that the item boundary index is visible.
  void ScrollToShow(size_t index);
  // Where a caret at the item boundary index stands, in content coordinates.
  struct CaretBox {
    int32_t x = 0;
    int32_t top = 0;
    int32_t height = 0;
  };
  CaretBox CaretBoxAt(size_t index) const;
  size_t LineOfItem(size_t index) const;
  // Caret and pointer handling for subclasses.
  void PlaceCaret(size_t index);
  size_t GetCaretIndex() const { return caret_index_; }
  int32_t WheelStep() const;
  FontRenderer* Renderer() const;
  void ShowCaret(bool shown);
  void ScheduleRedraw();
  // Makes sure an inline object is in the scene, linked to the view.
  void AdoptObject(InlineObject* object);

  uint32_t input_active_ = 0;
  size_t selection_anchor_ = 0;
  size_t selection_end_ = 0;
  bool selecting_ = false;
  bool control_down_ = false;

 private:
  // A font's glyph sizes, measured once each.
  struct FontMetrics {
    FontRecord record{};
    int32_t height = 0;  // an empty line's height in this font
    std::unordered_map<uint32_t, std::pair<int32_t, int32_t>> sizes;
  };
  uint32_t StyleIndex();
  uint32_t FontIndexFor(const RichTextStyle& style);
  FontRecord RecordFor(const RichTextStyle& style) const;
  void Measure(RichTextItem& item);
  void LayoutFrom(size_t first_item);
  void FinishLine(RichTextLine& line, int32_t top);
  void PlaceObjects();
  void UpdateScrollBar();
  // Draws the lines in sight into a surface whose (0, 0) is content point (-origin_x, -origin_y).
  void DrawItems(uint32_t* pixels, int32_t width, int32_t height, int32_t origin_x, int32_t origin_y);
  void HandlePointer(uint32_t id, const InputSnapshot* snapshot);
  void SetHoveredLink(uint32_t key, const ObjectMessage* message);
  bool CanvasPoint(const InputSnapshot* snapshot, int32_t* x, int32_t* y) const;
  size_t LineAtY(int32_t y) const;

  std::vector<RichTextItem> items_;
  std::vector<RichTextLine> lines_;
  std::vector<RichTextStyle> styles_;
  std::unordered_map<std::string, uint32_t> style_index_;
  RichTextStyle last_style_;
  uint32_t last_style_index_ = UINT32_MAX;
  std::vector<std::unique_ptr<FontMetrics>> fonts_;
  std::unordered_map<std::string, uint32_t> font_index_;
  // Links registered in the append in progress: first item and key.
  std::vector<std::pair<size_t, uint32_t>> pending_links_;
  // Keys of the link objects made for the items.
  std::vector<uint32_t> links_;
  size_t insert_at_ = 0;
  size_t relayout_from_ = SIZE_MAX;

  CanvasObject* background_ = nullptr;
  RichTextScrollBar* scroll_bar_ = nullptr;
  CanvasObject* caret_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t text_x_ = 0;
  int32_t text_y_ = 0;
  int32_t text_width_ = 0;
  int32_t text_height_ = 0;
  int32_t layout_width_ = 0;
  int32_t layout_height_ = 0;
  int32_t bar_gap_ = 0;
  int32_t scroll_y_ = 0;
  int32_t scroll_x_ = 0;
  int32_t line_spacing_ = 0;
  int32_t wrap_indent_ = 0;
  size_t caret_index_ = SIZE_MAX;
  uint32_t hovered_link_ = 0;
  bool redraw_pending_ = false;
  bool mouse_down_ = false;
  std::vector<uint32_t> placed_objects_;
  std::vector<uint32_t> scratch_;
};

}  // namespace engine
