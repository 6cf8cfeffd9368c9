// The side panel's popup menu: a framed column of equally high entries, each a captioned button
// that delivers the message it was given when clicked (at once, to the message's target). An
// entry may carry an icon left of its caption, be bold, be disabled (drawn faint, takes no
// clicks) and draw an etched separator line under itself.
//
// The owner builds the menu once, then shows it at a point and gives it the input focus
// (SetFocusObject with the menu's key); the menu hides itself when the focus goes elsewhere, so
// a click anywhere else closes it. It stands in the engine's top-most layer. Entries are never
// removed; an empty menu hides.
#pragma once

#include <cstdint>

#include "engine/core/image_handle.h"
#include "engine/core/widget_base.h"
#include "engine/ui/text_button.h"

namespace engine {
class CanvasObject;
}

namespace frame {

class PopupMenuItem : public engine::TextButton {
 public:
  static constexpr int32_t kDefaultSeparatorInset = 4;
  static constexpr int32_t kDefaultTextX = 40;
  static constexpr engine::COLORREF kDefaultNormalBack = 0xF0F0F0;
  static constexpr engine::COLORREF kDefaultHoverBack = 0xCBDADC;
  static constexpr engine::COLORREF kDefaultSeparatorDark = 0xA0A0A0;
  static constexpr engine::COLORREF kDefaultSeparatorLight = 0xFFFFFF;
  // An icon up to 23 pixels high is drawn at its own height, a larger one at 24.
  static constexpr int32_t kMaxIconSize = 24;
  static constexpr double kDisabledOpacity = 0.3;

  PopupMenuItem() = default;
  ~PopupMenuItem() override = default;

  void DrawState(uint32_t state) override;
  // Keeps the colour and redraws in state 0.
  void SetTextColour(engine::COLORREF colour) override;

  // Copies the picture record; drawn when its height is above 0.
  virtual void SetIcon(const engine::PictureInfo& icon);
  virtual void SetSeparator(bool on);
  // Stores x when it is above 0; returns the stored value.
  virtual int32_t SetTextX(int32_t x);
  virtual bool SetBold(bool bold);
  // Backgrounds of states 0, 1 and 2; a pressed background of 0 draws only a frame.
  virtual void SetBackColours(engine::COLORREF normal, engine::COLORREF hover, engine::COLORREF pressed);
  virtual void SetSeparatorColours(engine::COLORREF dark, engine::COLORREF light);
  virtual void SetSeparatorInset(int32_t inset);
  // The side of the square the icon is drawn in.
  virtual int32_t GetIconSize() const;

  int32_t GetTextX() const { return text_x_; }
  bool IsBold() const { return bold_; }
  bool HasSeparator() const { return separator_; }
  const engine::PictureInfo& GetIcon() const { return icon_; }
  PopupMenuItem* GetNext() const { return next_; }

 private:
  friend class PopupMenu;
  void DrawCaption(engine::CanvasObject* canvas);

  int32_t separator_inset_ = kDefaultSeparatorInset;
  engine::COLORREF text_colour_ = 0;
  engine::COLORREF normal_back_ = kDefaultNormalBack;
  engine::COLORREF hover_back_ = kDefaultHoverBack;
  engine::COLORREF pressed_back_ = 0;
  engine::COLORREF separator_dark_ = kDefaultSeparatorDark;
  engine::COLORREF separator_light_ = kDefaultSeparatorLight;
  PopupMenuItem* next_ = nullptr;
  bool separator_ = false;
  engine::PictureInfo icon_{};
  int32_t text_x_ = kDefaultTextX;
  bool bold_ = false;
};

class PopupMenu : public engine::WidgetBase {
 public:
  static constexpr int32_t kDefaultPadding = 2;
  // Link flags of the entries: they move, change depth, show and hide with the menu.
  static constexpr uint32_t kItemLinks = 0x198020;
  static constexpr uint32_t kSkinLinks = engine::link_flag::kFollowAll;
  // Entries stand just in front of the menu.
  static constexpr double kItemDepthStep = 0.01;

  PopupMenu() = default;
  ~PopupMenu() override = default;

  // Makes the menu's picture (entry width x entry height, colour key), makes the menu hide
  // itself when it loses the focus and raises it to the top-most layer. The menu must be in a
  // scene; it starts hidden.
  virtual bool Create(int32_t entry_width, int32_t entry_height, int32_t font_size, engine::COLORREF colour_key);
  // Adds an entry at the end: its caption, the message a click delivers (null: none), the
  // caption's colour, a word that is not kept, and the bold flag. Null when it cannot be made.
  virtual PopupMenuItem* AddItem(const char* text, const engine::ObjectMessage* message, engine::COLORREF text_colour,
                                 uint32_t unused, bool bold);
  // Gives the last entry its separator line; 0 when there is no entry.
  virtual int AddSeparator();
  // Enables or disables every entry whose message goes to that target with that id.
  virtual void EnableByMessage(uint32_t target, uint32_t id, bool enable);
  // Sizes the menu to its entries (plus the padding on each side), draws its frame and places
  // the entries one under the other inside the padding.
  virtual void Layout();
  virtual PopupMenuItem* GetItem(int index);
  // The first entry whose caption is exactly the text.
  virtual PopupMenuItem* FindItemByText(const char* text);
  virtual void SetItemBackColours(engine::COLORREF normal, engine::COLORREF hover, engine::COLORREF pressed);
  virtual void SetBorderColour(engine::COLORREF colour);
  virtual void SetSeparatorColours(engine::COLORREF dark, engine::COLORREF light);
  virtual void SetSeparatorInset(int32_t inset);
  // Centres every caption: text x = (entry width - (caption bytes / 2) x font size) / 2, kept
  // when that comes to 0 or less.
  virtual void CentreTexts();

  int GetItemCount() const;
  int32_t GetEntryWidth() const { return entry_width_; }
  int32_t GetEntryHeight() const { return entry_height_; }
  int32_t GetFontSize() const { return font_size_; }
  int32_t GetPadding() const { return padding_; }
  engine::CanvasObject* GetCanvas() const;

 private:
  PopupMenuItem* LastItem() const;

  int32_t entry_width_ = 0;
  int32_t entry_height_ = 0;
  int32_t font_size_ = 12;
  int32_t padding_ = kDefaultPadding;
  PopupMenuItem* first_ = nullptr;
};

}  // namespace frame
