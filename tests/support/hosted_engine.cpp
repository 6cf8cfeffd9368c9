#include "tests/support/hosted_engine.h"

#include "platform/win_messages.h"
#include "platform/window.h"

namespace test {

int InputProbe::OnMessage(const engine::ObjectMessage* message) {
  if (message && engine::IsInputEvent(message->id)) {
    ReceivedInput got;
    got.id = message->id;
    if (message->p2 != 0) {
      got.has_snapshot = true;
      got.snapshot = *reinterpret_cast<const engine::InputSnapshot*>(message->p2);
    }
    inputs.push_back(got);
  }
  return TestObject::OnMessage(message);
}

std::vector<uint32_t> InputProbe::Ids() const {
  std::vector<uint32_t> ids;
  for (const ReceivedInput& r : inputs) ids.push_back(r.id);
  return ids;
}

void HostedEngine::SetUp() {
  EngineFixture::SetUp();
  ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
  window_ = std::make_unique<engine::CQuillaronWnd>();
  // A popup, as the game's skinned window is: its window rectangle is its client area.
  ASSERT_TRUE(window_->CreateEngineWindow("engine", platform::WS_VISIBLE | platform::WS_POPUP, 0,
                                          engine::RECT{kLeft, kTop, kLeft + 800, kTop + 600}, nullptr));
  root_ = new CountingRoot();
  window_->InitEngine(root_, nullptr);
  objects_ = dynamic_cast<engine::ObjectModule*>(window_->GetCore()->FindModule(engine::module_id::kObject));
  input_ = dynamic_cast<engine::InputModule*>(window_->GetCore()->FindModule(engine::module_id::kInput));
  ASSERT_NE(objects_, nullptr);
  ASSERT_NE(input_, nullptr);
  Frames(1);
}

void HostedEngine::TearDown() {
  if (window_) window_->DestroyWindow();
  window_.reset();
  platform::ShutdownWindowSystem();
  EngineFixture::TearDown();
}

void HostedEngine::Frames(int count) {
  for (int i = 0; i < count; ++i) clock_->Advance(5);
}

void HostedEngine::Mouse(uint32_t message, int x, int y, uint32_t flags) {
  Post(message, flags, platform::MakePointLParam(x, y));
}

void HostedEngine::Post(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  window_->PostMessage(message, wparam, lparam);
  platform::PumpMessages();
}

void HostedEngine::Click(int x, int y) {
  Mouse(platform::WM_MOUSEMOVE, x, y);
  Deliver();
  Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
  Mouse(platform::WM_LBUTTONUP, x, y);
  Deliver();
}

uint32_t HostedEngine::Pixel(int x, int y) const {
  return window_->PresentedFrame()[static_cast<size_t>(y) * window_->FrameWidth() + x] & 0xFFFFFF;
}

InputProbe* HostedEngine::AddProbe(double x, double y, double w, double h, std::initializer_list<uint32_t> events) {
  auto* probe = new InputProbe();
  // Its dummy picture is for recording paint modules: a real one would draw it.
  probe->drawable = false;
  objects_->AddObject(probe, nullptr);
  probe->Place(x, y, w, h);
  for (uint32_t e : events) probe->SubscribeSelf(e);
  return probe;
}

}  // namespace test
