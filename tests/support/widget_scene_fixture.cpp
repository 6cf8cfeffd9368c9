#include "tests/support/widget_scene_fixture.h"

namespace test {

void WidgetSceneFixture::SetUp() {
  EngineFixture::SetUp();
  core_ = std::make_unique<engine::GameCore>();
  core_->SetDefaultSettings();
  ASSERT_EQ(core_->LoadModule(new FakeModule(engine::module_id::kResource), true, false), engine::QUILLARON_RETURN_OK);
  objects_ = new engine::ObjectModule();
  paint_ = new engine::GdiPaintModule();
  ASSERT_EQ(core_->LoadModule(objects_, true, false), engine::QUILLARON_RETURN_OK);
  ASSERT_EQ(core_->LoadModule(paint_, true, false), engine::QUILLARON_RETURN_OK);
  objects_->SetFontRenderer(&renderer_);
  objects_->SetViewCentre(400, 300);
  objects_->SetViewSize(800, 600);
  paint_->SetSize(800, 600);
  services_ = new engine::ObjectServices();
  objects_->AddObject(services_, nullptr);
  listener_ = new TestObject();
  objects_->AddObject(listener_, nullptr);
}

void WidgetSceneFixture::TearDown() {
  core_.reset();
  EngineFixture::TearDown();
}

void WidgetSceneFixture::FireInput(engine::EngineObject* under_pointer, uint32_t event) {
  std::vector<engine::ObjectMessage> messages;
  int cursor = 0;
  while (const engine::ObjectMessage* m = under_pointer->NextSubscription(event, &cursor)) messages.push_back(*m);
  for (const engine::ObjectMessage& m : messages) objects_->DeliverMessage(&m);
}

int WidgetSceneFixture::Received(uint32_t id) const { return listener_->Count(id); }

}  // namespace test
