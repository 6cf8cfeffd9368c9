// The side panel's top strip: the picture "SystemOperateBar" with room for three buttons side by
// side. It names itself "OpereateBar" (spelt so: the panels find it by that name). The game puts
// its buttons into the three places; the bar spaces them evenly on each layout: three buttons of
// the first one's width, with equal gaps before, between and after them. It sends nothing.
#pragma once

#include "engine/core/widget_base.h"

namespace frame {

class OperateBar : public engine::WidgetBase {
 public:
  static constexpr const char* kName = "OpereateBar";
  static constexpr const char* kPicture = "SystemOperateBar";

  OperateBar() = default;
  ~OperateBar() override = default;

  // Names the bar and shows its picture as its skin; a missing picture is reported to the
  // engine's monitor and leaves the bar without a skin.
  void OnAddedToScene() override;
  // Places the buttons that are present, when the first one is.
  virtual void Layout();

  // The three places (index 0..2); a button put here is laid out with the bar.
  void SetButton(int index, engine::EngineObject* button);
  engine::EngineObject* GetButton(int index) const { return index >= 0 && index < 3 ? buttons_[index] : nullptr; }

 private:
  engine::EngineObject* buttons_[3] = {};
};

}  // namespace frame
