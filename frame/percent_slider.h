// A skinned slider holding a whole percent, 0 to 100: a track picture (the widget's skin) with a
// thumb picture that the user drags, or pages by 20 with a press on the track beside the thumb,
// and a small 25 x 20 tip that shows the value while the pointer is over the slider or the thumb
// is held. Vertical sliders grow upwards (0 at the track's bottom), horizontal ones to the right.
//
// What it sends: when the user changes the value, the change message given at creation (when its
// target is not 0), at once, with p1 pointing at the slider's value (an int32_t that lives as
// long as the slider). SetValue never sends it.
//
// A disabled slider is drawn dimmed and ignores the pointer, but still hides its tip on release.
// Private ids on itself: 80000002 to 80000007.
#pragma once

#include <cstdint>

#include "engine/core/image_handle.h"
#include "engine/core/object_message.h"
#include "engine/core/widget_base.h"

namespace engine {
class CanvasObject;
}  // namespace engine

namespace frame {

class PercentSlider : public engine::WidgetBase {
 public:
  static constexpr int32_t kVertical = 1;
  static constexpr int32_t kHorizontal = 0;
  static constexpr int32_t kPageStep = 20;
  static constexpr int32_t kTipWidth = 25;
  static constexpr int32_t kTipHeight = 20;
  static constexpr engine::COLORREF kTipBack = 0xF7F2F1;
  static constexpr engine::COLORREF kTipText = 0x575757;
  // The thumb under the pointer is tinted with this colour at this strength.
  static constexpr engine::COLORREF kHoverTint = 255;
  static constexpr double kHoverTintAmount = 0.2;

  // The slider's own messages, subscribed on itself from its pointer events.
  static constexpr uint32_t kMsgEnter = 80000002;
  static constexpr uint32_t kMsgLeave = 80000003;
  static constexpr uint32_t kMsgPress = 80000004;
  static constexpr uint32_t kMsgRelease = 80000005;
  static constexpr uint32_t kMsgDrag = 80000006;
  static constexpr uint32_t kMsgPage = 80000007;

  PercentSlider() = default;
  ~PercentSlider() override = default;

  int OnMessage(const engine::ObjectMessage* message) override;
  // Redraws when the flag changes; the slider checks it itself on every pointer message.
  void SetEnabled(bool enabled) override;

  // Builds the track, thumb and tip canvases from the two pictures and subscribes the pointer
  // events. change: the message sent on a change by the user (null: none); value: 0 to 100
  // (anything else gives 0). The slider must be in a scene; false when no canvas could be made.
  virtual bool Create(const engine::PictureInfo* track, const engine::PictureInfo* thumb, int32_t orientation,
                      const engine::ObjectMessage* change, int32_t value, bool enabled);
  // Draws the track and the thumb, places the thumb for the value and refreshes the tip.
  virtual void Redraw();
  // Takes a value from 0 to 100 and redraws; refuses anything else. Sends nothing.
  virtual void SetValue(int32_t value);
  // Sends the change message with p1 pointing at the value.
  virtual void NotifyChange();

  int32_t GetValue() const { return value_; }
  double GetFraction() const { return value_ / 100.0; }
  const engine::PictureInfo& GetTrackPicture() const { return track_picture_; }
  const engine::PictureInfo& GetThumbPicture() const { return thumb_picture_; }
  engine::CanvasObject* GetTrack() const { return track_; }
  engine::CanvasObject* GetThumb() const { return thumb_; }
  engine::CanvasObject* GetTip() const { return tip_; }
  bool IsEnabled() const { return enabled_; }
  bool IsHovered() const { return hovered_; }
  // Takes only kVertical and kHorizontal.
  void SetOrientation(int32_t orientation);
  int32_t GetOrientation() const { return orientation_; }

 private:
  void DrawThumb();
  void PlaceThumb();
  void DrawTip();
  void ShowTip();
  // A value from the user: clamped, and sent on when it changed.
  void Change(int64_t value);

  engine::CanvasObject* track_ = nullptr;
  engine::CanvasObject* thumb_ = nullptr;
  bool hovered_ = false;
  bool enabled_ = true;
  int32_t value_ = 0;
  engine::PictureInfo track_picture_{};
  engine::PictureInfo thumb_picture_{};
  engine::ObjectMessage change_{};
  engine::CanvasObject* tip_ = nullptr;
  int32_t orientation_ = kVertical;
};

}  // namespace frame
