#include "frame/splitter_bar.h"

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_events.h"
#include "engine/ui/image_button.h"
#include "frame/game_frame.h"

namespace frame {
namespace {

constexpr const char* kBackPicture = "左右分隔条_bg";
constexpr const char* kArrowRight = "箭头右";
constexpr const char* kArrowLeft = "箭头左";
// The arrow follows the bar's moves, showing and hiding, not its size.
constexpr uint32_t kArrowLinks = engine::link_flag::kOwned | engine::link_flag::kInvalidate | engine::link_flag::kMove |
                                 engine::link_flag::kAlwaysShow | engine::link_flag::kAlwaysHide;

}  // namespace

void SplitterBar::OnAddedToScene() {
  SetName("SplitterBar");
  const engine::PictureInfo arrow = GetPictureInfo(kArrowRight, 0);
  const int32_t w = arrow.record != nullptr && arrow.width > 0 ? arrow.width : kDefaultArrowWidth;
  const int32_t h = arrow.record != nullptr && arrow.height > 0 ? arrow.height : kDefaultArrowHeight;
  skin_ = CreateCanvas(w, 10, engine::kColourKey);
  if (skin_ != nullptr) {
    SetSkin(skin_, engine::link_flag::kFollowAll);
    skin_->Show();
  }
  arrow_ = CreateCanvas(w, h, engine::kColourKey);
  if (arrow_ != nullptr && skin_ != nullptr) skin_->AddChild(arrow_, kArrowLinks);
  SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, GetKey(), kClicked, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, GetKey(), kPointerEntered, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, GetKey(), kPointerLeft, 0, 0);
  if (arrow_ != nullptr) arrow_->Show();
}

GameFrame* SplitterBar::Frame() { return dynamic_cast<GameFrame*>(FindObjectByName("GameFrame")); }

const char* SplitterBar::ArrowPicture() const { return collapsed_ == 0 ? kArrowRight : kArrowLeft; }

void SplitterBar::DrawArrow(int32_t frame) {
  if (arrow_ == nullptr) return;
  arrow_frame_ = frame;
  arrow_->Clear();
  const engine::PictureInfo picture = GetPictureInfo(ArrowPicture(), frame);
  if (picture.record != nullptr) arrow_->DrawImage(&picture, 0, 0, -1, -1, 0.0, 1.0);
  arrow_->Invalidate();
}

void SplitterBar::Layout() {
  const auto w = static_cast<int32_t>(GetWidth());
  const auto h = static_cast<int32_t>(GetHeight());
  if (skin_ != nullptr && w > 0 && h > 0) {
    skin_->ResizeSurface(w, h);
    skin_->SetSize(w, h);
    skin_->MoveTo(GetX(), GetY());
  }
  if (arrow_ != nullptr) {
    arrow_->SetDepth(GetDepth() + 0.001);
    arrow_->MoveTo(GetX(), GetY());
  }
  Redraw();
}

void SplitterBar::Redraw() {
  if (skin_ != nullptr) {
    skin_->Clear();
    const engine::PictureInfo back = GetPictureInfo(kBackPicture, 0);
    if (back.record != nullptr) skin_->DrawImage(&back, 0, 0, 0, 0, 0.0, 1.0);
    skin_->Invalidate();
  }
  DrawArrow(0);
}

int32_t SplitterBar::SetCollapsed(int32_t collapsed) {
  collapsed_ = collapsed;
  DrawArrow(0);
  return collapsed_;
}

int SplitterBar::OnMessage(const engine::ObjectMessage* message) {
  const uint32_t id = message != nullptr ? message->id : 0;
  if (id != kPointerEntered && id != kPointerLeft && id != kClicked) return WidgetBase::OnMessage(message);
  if (arrow_ == nullptr) return 1;
  if (id == kPointerEntered) {
    DrawArrow(1);
    PlaySound("SndTouchButton", 1, nullptr);
  } else if (id == kPointerLeft) {
    DrawArrow(0);
  } else {
    PlaySound("SndHitButton", 1, nullptr);
    GameFrame* frame = Frame();
    if (collapsed_ == 0) {
      collapsed_ = 1;
      if (frame != nullptr) frame->SetVisibleSidePanelWidth(0);
    } else {
      collapsed_ = 0;
      if (frame != nullptr) frame->SetVisibleSidePanelWidth(frame->DefaultSidePanelWidth());
    }
    if (frame != nullptr) frame->LayoutChildren();
    DrawArrow(0);
  }
  return 1;
}

}  // namespace frame
