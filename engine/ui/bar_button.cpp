#include "engine/ui/bar_button.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "platform/gbk.h"

namespace engine {
namespace {

// In front of everything of the layer it stands in.
constexpr double kTipDepth = 999000.0;

}  // namespace

CanvasObject* BarButton::GetCanvas() const { return dynamic_cast<CanvasObject*>(CurrentSkin()); }

bool BarButton::Create(EngineObject* target, const char* text, int32_t width) {
  if (target == nullptr) {
    WriteGameLog("BarButton::Create: no target for the tip");
    return false;
  }
  CanvasObject* canvas = CreateCanvas(1, 1, kBackColour);
  if (canvas == nullptr) {
    WriteGameLog("BarButton::Create: no canvas for the tip");
    return false;
  }
  target_key_ = target->GetKey();
  max_width_ = std::clamp(width > 0 ? width : kDefaultWidth, 2 * kPadding + kFontSize, CanvasObject::kMaxSide);
  SetSkin(canvas, link_flag::kFollowAll);
  // The tip never takes the pointer (nor input of any kind).
  canvas->SetTakesInput(false);
  EngineObject::SetTakesInput(false);
  MoveToTopLayer();
  SetDepth(kTipDepth);
  Hide();
  for (uint32_t event : {QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE, QUILLARON_EVENT_LBUTTON_DOWN}) {
    target->SubscribeMessage(event, GetKey(), event, 0, 0);
  }
  SetText(text);
  return true;
}

void BarButton::SetText(const char* text) {
  text_ = text != nullptr ? text : "";
  if (text_.size() > kMaxText) text_.resize(platform::GbkPrefixLength(text_, kMaxText));
  Draw();
  if (IsVisible()) Place();
}

void BarButton::Draw() {
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  canvas->SetFont(kFontSize, 400, kDefaultFaceName);
  canvas->SetTextColour(kTextColour, 1.0);
  canvas->SetTextSpacing(0, 0);
  // One row when the caption fits, else wrapped within the largest width.
  const int32_t one_row = canvas->EstimateWidth(text_.c_str(), text_.size()) + 2 * kPadding;
  const int32_t width = std::clamp(one_row, 2 * kPadding + 1, max_width_);
  canvas->SetTextMargins(kPadding, kPadding);
  const int32_t text_height = std::max(canvas->MeasureText(text_.c_str(), width), kFontSize);
  const int32_t height = std::min(text_height + 2 * kPadding, CanvasObject::kMaxSide);
  canvas->ResizeSurface(width, height);
  canvas->Resize(width, height);
  canvas->SetFillColour(kBackColour);
  canvas->Clear();
  canvas->DrawBorder(kFrameColour, 1);
  canvas->DrawText(kPadding, kPadding, text_.c_str());
  canvas->Invalidate();
}

void BarButton::Place() {
  EngineObject* target = FindObjectByKey(target_key_);
  if (target == nullptr) return;
  const double w = GetWidth();
  const double h = GetHeight();
  const double screen_w = GetScreenWidth();
  const double screen_h = GetScreenHeight();
  double top = target->GetBottom() + kGap;
  // No room below the target: above it.
  if (screen_h > 0 && top + h > screen_h) top = target->GetTop() - kGap - h;
  double left = target->GetX() - w / 2;
  if (screen_w > 0) left = std::min(left, screen_w - w);
  left = std::max(left, 0.0);
  top = std::max(top, 0.0);
  MoveTo(left + w / 2, top + h / 2);
}

void BarButton::ShowTip(bool show) {
  if (!show) {
    Hide();
    Invalidate();
    return;
  }
  if (text_.empty()) return;
  Place();
  Show();
  Invalidate();
}

int BarButton::OnMessage(const ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey()) {
    switch (message->id) {
      case QUILLARON_EVENT_MOUSE_ENTER:
        ShowTip(true);
        return 1;
      case QUILLARON_EVENT_MOUSE_LEAVE:
      case QUILLARON_EVENT_LBUTTON_DOWN:
        ShowTip(false);
        return 1;
      default:
        break;
    }
  }
  return WidgetBase::OnMessage(message);
}

}  // namespace engine
