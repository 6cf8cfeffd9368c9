// The side panel's scroll bar: a track (the bar's skin) with a draggable thumb, a grip picture
// centred on the thumb and two arrow buttons just outside the track's ends, horizontal or
// vertical. It keeps a position, a page and a total and never scrolls anything itself.
//
// What it sends, all to its owner:
//   panel_msg::kScrollChanged {owner, 19840362, ScrollPos*, orientation} after every change made
//       by a drag or a press on the track, and whenever the owner calls Notify; the ScrollPos is
//       a copy that lives during the call only.
//   panel_msg::kScrollUp / kScrollDown (vertical) and kScrollLeft / kScrollRight (horizontal)
//       from the arrow buttons; the owner decides the new range itself.
//
// The position always stays within 0 .. max(0, total - page): a page as large as the total (or
// larger) leaves nothing to scroll, the thumb then fills the track and rests at its start. The
// thumb is never shorter than the minimum thumb length (15) nor longer than the track.
#pragma once

#include <cstdint>

#include "engine/core/image_handle.h"
#include "engine/core/widget_base.h"

namespace engine {
class CanvasObject;
class ImageButton;
class SpriteObject;
}  // namespace engine

namespace frame {

// What a panel scroll bar tells its owner.
struct ScrollPos {
  double position = 0.0;
  double page = 0.0;
  double total = 0.0;
};

class PanelScrollBar : public engine::WidgetBase {
 public:
  static constexpr int32_t kHorizontal = 0;
  static constexpr int32_t kVertical = 1;
  static constexpr double kDefaultMinThumb = 15.0;
  // Link flags: the track as the bar's skin; the thumb and the buttons under the track; the grip
  // under the thumb.
  static constexpr uint32_t kTrackLinks = engine::link_flag::kFollowAll;
  static constexpr uint32_t kPartLinks = engine::link_flag::kFollowAllButScale;
  static constexpr uint32_t kGripLinks = engine::link_flag::kFollowPlace;
  // Fill colours of a bar without pictures.
  static constexpr engine::COLORREF kThumbFill = 0x808080;
  static constexpr engine::COLORREF kTrackFill = 0x808040;

  PanelScrollBar() = default;
  ~PanelScrollBar() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;
  // Vertical: the track takes the height left between the two buttons (horizontal: the width);
  // nothing changes when no room is left. The thumb is placed again.
  void Resize(double width, double height) override;

  // Builds the track and the thumb, width x height each; owner is the key that hears the bar.
  // The bar must be in a scene. Orientation 0 is horizontal, anything else vertical.
  virtual bool Create(uint32_t owner, int32_t width, int32_t height, int32_t orientation, int32_t flag);
  virtual void SetGripPicture(const engine::PictureInfo& picture);
  // Arrow buttons: up and down on vertical bars only, left and right on horizontal ones only.
  // A second call gives the button its new picture.
  virtual void SetUpButtonPicture(const engine::PictureInfo& picture);
  virtual void SetDownButtonPicture(const engine::PictureInfo& picture);
  virtual void SetLeftButtonPicture(const engine::PictureInfo& picture);
  virtual void SetRightButtonPicture(const engine::PictureInfo& picture);
  virtual void SetTrackPicture(const engine::PictureInfo& picture);
  // The thumb picture's frames are the thumb's states: 0 normal, 1 hovered, 2 pressed.
  virtual void SetThumbPicture(const engine::PictureInfo& picture);
  // The track's length and both buttons' along the bar.
  virtual int32_t GetTotalLength();
  virtual int32_t GetThumbLength();
  virtual void SetLength(double length);
  // Stores the three values (the position kept within 0 .. max(0, total - page)) and places the
  // thumb and the buttons. A total of 0 or less leaves the thumb where it is.
  virtual void SetRange(double position, double page, double total, double length);
  virtual void Notify();
  virtual void Redraw();
  virtual void SetMinThumbLength(double length);
  // trunc(total - page), never below 0.
  virtual int32_t GetMaxPos();
  virtual int32_t GetPos();

  double GetPosition() const { return position_; }
  double GetPage() const { return page_; }
  double GetTotal() const { return total_; }
  int32_t GetOrientation() const { return orientation_; }
  uint32_t GetOwner() const { return owner_; }
  int32_t GetThumbState() const { return thumb_picture_.frame; }
  engine::CanvasObject* GetTrack() const { return track_; }
  engine::CanvasObject* GetThumb() const { return thumb_; }
  engine::SpriteObject* GetGrip() const { return grip_; }
  engine::ImageButton* GetFirstButton() const { return first_button_; }
  engine::ImageButton* GetSecondButton() const { return second_button_; }

 private:
  bool IsVertical() const { return orientation_ != kHorizontal; }
  // Length of the track along the bar.
  double TrackLength() const;
  // The track's leading edge (top or left).
  double TrackLead() const;
  double ThumbLead() const;
  double MaxPosition() const;
  // Gives a canvas (and its object) a new size.
  static void SizeCanvas(engine::CanvasObject* canvas, int32_t width, int32_t height);
  engine::ImageButton* MakeButton(engine::ImageButton* existing, const engine::PictureInfo& picture, uint32_t id);
  void PlaceButtons();
  void SetThumbState(int32_t state);
  void OnDrag(const engine::ObjectMessage* message);
  void OnTrackPress(const engine::ObjectMessage* message);

  engine::CanvasObject* thumb_ = nullptr;
  int32_t orientation_ = kVertical;
  int32_t flag_ = 0;
  uint32_t owner_ = 0;
  double position_ = 0.0;
  double page_ = 0.0;
  double total_ = 0.0;
  double min_thumb_ = kDefaultMinThumb;
  double length_hint_ = 0.0;
  engine::ImageButton* first_button_ = nullptr;
  engine::ImageButton* second_button_ = nullptr;
  // Its frame is the thumb's state.
  engine::PictureInfo thumb_picture_{};
  engine::PictureInfo track_picture_{};
  engine::CanvasObject* track_ = nullptr;
  engine::SpriteObject* grip_ = nullptr;
  // Where along the thumb the pointer pressed it.
  double grab_offset_ = 0.0;
};

}  // namespace frame
