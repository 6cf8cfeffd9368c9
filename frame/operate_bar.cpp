#include "frame/operate_bar.h"

#include <cmath>

#include "engine/core/engine_log.h"
#include "engine/core/engine_module.h"
#include "engine/core/game_core.h"
#include "engine/core/sprite_object.h"

namespace frame {
namespace {

namespace lf = engine::link_flag;

constexpr uint32_t kSkinLinks = lf::kFollowAll;

}  // namespace

void OperateBar::OnAddedToScene() {
  SetName(kName);
  const engine::PictureInfo picture = GetPictureInfo(kPicture, 0);
  if (picture.record == nullptr) {
    if (engine::GameCore* core = GetCore()) {
      static const char kReport[] = "OperateBar: the picture SystemOperateBar is missing";
      core->PostEvent(engine::module_id::kMonitor, engine::core_event::kFault, reinterpret_cast<uintptr_t>(kReport), 0);
    }
    return;
  }
  engine::SpriteObject* skin = CreateSprite(&picture);
  if (skin == nullptr) {
    engine::WriteGameLog("OperateBar: no picture object for the bar");
    return;
  }
  skin->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  SetSkin(skin, kSkinLinks);
  Show();
  Layout();
}

void OperateBar::SetButton(int index, engine::EngineObject* button) {
  if (index < 0 || index >= 3) return;
  buttons_[index] = button;
}

void OperateBar::Layout() {
  if (buttons_[0] == nullptr) return;
  const auto width = static_cast<int32_t>(GetWidth());
  const auto button_width = static_cast<int32_t>(buttons_[0]->GetWidth());
  const int32_t gap = (width - 3 * button_width) / 4;
  const double left = GetLeft();
  const double y = GetY() - 2;
  for (int i = 0; i < 3; ++i) {
    if (buttons_[i] == nullptr) continue;
    buttons_[i]->MoveTo(left + (i + 1) * gap + (i + 0.5) * button_width, y);
    buttons_[i]->Invalidate();
  }
}

}  // namespace frame
