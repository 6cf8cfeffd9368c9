// A scene for widget and overlay tests: the object module with a text renderer, the real paint
// module on an 800 x 600 screen (a stand-in resource module lets it load), an ObjectServices
// object to call the services on and a listener that records its messages.
#pragma once

#include <memory>

#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/ui/font_renderer.h"
#include "tests/support/engine_doubles.h"
#include "tests/support/engine_fixture.h"

namespace test {

class WidgetSceneFixture : public EngineFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // One frame after `ms` of the clock (long enough for the object module to tick).
  void Pass(uint32_t ms = 30) {
    Step(ms);
    core_->RunFrame();
  }
  // Delivers what the input module would for `event` on the object under the pointer: a copy of
  // each of the object's subscriptions to the event, right away.
  void FireInput(engine::EngineObject* under_pointer, uint32_t event);
  // Messages with this id that the listener received.
  int Received(uint32_t id) const;

  std::unique_ptr<engine::GameCore> core_;
  engine::FontRenderer renderer_;
  engine::ObjectModule* objects_ = nullptr;
  engine::GdiPaintModule* paint_ = nullptr;
  engine::ObjectServices* services_ = nullptr;
  TestObject* listener_ = nullptr;
};

}  // namespace test
