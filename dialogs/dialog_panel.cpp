#include "dialogs/dialog_panel.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/ui/image_button.h"

namespace dialogs {
namespace {

namespace lf = engine::link_flag;

constexpr uint32_t kPanelLinks = lf::kFollowAll;
// What stands on the panel moves, changes depth, shows and hides with it.
constexpr uint32_t kChildLinks =
    lf::kRotate | lf::kInvalidate | lf::kDepth | lf::kMove | lf::kAlwaysShow | lf::kAlwaysHide;
constexpr double kChildDepth = 0.2;
constexpr int32_t kTitleTop = 16;

}  // namespace

engine::CanvasObject* DialogPanel::GetPanel() const { return dynamic_cast<engine::CanvasObject*>(CurrentSkin()); }

bool DialogPanel::BuildPanel(const char* picture, int32_t width, int32_t height, double depth) {
  picture_ = GetPictureInfo(picture, 0);
  if (picture_.record != nullptr) {
    width = picture_.width;
    height = picture_.height;
  }
  engine::CanvasObject* panel = CreateCanvas(std::max(width, 1), std::max(height, 1), engine::kColourKey);
  if (panel == nullptr) {
    engine::WriteGameLog("dialog: no canvas for the panel");
    return false;
  }
  panel->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  // The panel and the dialog stand at the same depth, so that moving one moves the other alike.
  EngineObject::SetDepth(depth);
  panel->SetDepth(depth);
  SetSkin(panel, kPanelLinks);
  SetTakesInput(true);
  SetDraggable(true);
  return true;
}

void DialogPanel::DrawPanel(const char* title) {
  engine::CanvasObject* panel = GetPanel();
  if (panel == nullptr) return;
  if (picture_.record != nullptr) {
    panel->SetFillColour(engine::kColourKey);
    panel->Clear();
    panel->DrawImage(&picture_, 0, 0, 0, 0, 0.0, 1.0);
  } else {
    panel->SetFillColour(kPlainFill);
    panel->Clear();
    panel->DrawBorder(kPlainFrame, 1);
  }
  panel->SetFont(kTextSize, 700, engine::kDefaultFaceName);
  panel->SetTextColour(kTitleColour, 1.0);
  panel->DrawTextCentred(panel->GetSurfaceWidth() / 2, kTitleTop, title);
  panel->Invalidate();
}

void DialogPanel::DrawLabel(int32_t x, int32_t y, const char* text, engine::COLORREF colour) {
  engine::CanvasObject* panel = GetPanel();
  if (panel == nullptr || text == nullptr) return;
  panel->SetFont(kTextSize, 400, engine::kDefaultFaceName);
  panel->SetTextColour(colour, 1.0);
  panel->DrawText(x, y - kTextSize / 2, text);
  panel->Invalidate();
}

engine::ImageButton* DialogPanel::AddButton(const char* picture, uint32_t id, int32_t x, int32_t y) {
  engine::ImageButton* button =
      engine::MakeImageButton(this, GetPictureInfo(picture, 0), engine::MakeMessage(GetKey(), id, 0, 0));
  if (button == nullptr) return nullptr;
  button->SetSound(1, "SndTouchButton");
  button->SetSound(2, "SndHitButton");
  Attach(button, x, y);
  return button;
}

void DialogPanel::AddOkCancelButtons(uint32_t ok_id, uint32_t cancel_id) {
  ok_id_ = ok_id;
  cancel_id_ = cancel_id;
  const auto w = static_cast<int32_t>(GetWidth());
  const auto h = static_cast<int32_t>(GetHeight());
  AddButton("btn_gameset_ok", ok_id, w / 2 - 40, h - 24);
  AddButton("btn_gameset_cancel", cancel_id, w / 2 + 40, h - 24);
}

int DialogPanel::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey() && message->id != 0) {
    if (message->id == ok_id_) {
      OnOk();
      return 1;
    }
    if (message->id == cancel_id_) {
      OnCancel();
      return 1;
    }
  }
  return WidgetBase::OnMessage(message);
}

void DialogPanel::HideDialog() {
  Hide();
  Invalidate();
}

void DialogPanel::Attach(engine::EngineObject* child, int32_t x, int32_t y) {
  Place(child, x, y);
  engine::SetDepthExactly(child, GetDepth() + kChildDepth);
  if (IsVisible()) {
    child->Show();
  } else {
    child->Hide();
  }
  AddChild(child, kChildLinks);
}

void DialogPanel::Place(engine::EngineObject* child, int32_t x, int32_t y) {
  if (child == nullptr) return;
  child->MoveTo(GetLeft() + x, GetTop() + y);
  child->Invalidate();
}

void DialogPanel::CentreInWindow() {
  MoveTo(GetScreenWidth() / 2, GetScreenHeight() / 2);
  Invalidate();
}

}  // namespace dialogs
