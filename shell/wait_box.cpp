#include "shell/wait_box.h"

#include "engine/core/engine_log.h"
#include "engine/core/rect_object.h"
#include "engine/ui/message_box_widget.h"
#include "shell/app_frame_view.h"
#include "shell/game_frame_wnd.h"

namespace shell {

void WaitBox::Show(CGameFrameWnd* window, engine::RectObject* root, const std::string& text) {
  Hide(root);
  if (root == nullptr || !root->IsRegistered()) return;
  engine::MessageBoxWidget* box = root->BuildTextBox(text.c_str(), nullptr, nullptr, 0);
  if (box == nullptr) {
    engine::WriteGameLog("wait box: could not be made for \"%s\"", text.c_str());
    return;
  }
  box_key_ = box->GetKey();
  const platform::RECT table = GetMainGameRect();
  if (table.right > table.left && table.bottom > table.top) {
    box->MoveTo((table.left + table.right) / 2.0, (table.top + table.bottom) / 2.0);
  } else {
    box->MoveTo(root->GetScreenWidth() / 2, root->GetScreenHeight() / 2);
  }
  box->SetDepth(engine::ObjectServices::kMessageBoxDepth);
  box->Show();
  box->Invalidate();
  if (window != nullptr) window->ShowSceneNow();
}

void WaitBox::Hide(engine::RectObject* root) {
  if (auto* box = dynamic_cast<engine::MessageBoxWidget*>(GetBox(root))) box->Close();
  box_key_ = 0;
}

engine::EngineObject* WaitBox::GetBox(engine::RectObject* root) const {
  if (box_key_ == 0 || root == nullptr || !root->IsRegistered()) return nullptr;
  auto* box = dynamic_cast<engine::MessageBoxWidget*>(root->FindObjectByKey(box_key_));
  return box != nullptr && !box->IsClosing() ? box : nullptr;
}

}  // namespace shell
