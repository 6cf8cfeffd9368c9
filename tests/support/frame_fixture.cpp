#include "tests/support/frame_fixture.h"

#include "platform/desktop.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "platform/window.h"

namespace test {

int StubChild::OnMessage(const engine::ObjectMessage* message) {
  if (message == nullptr) return 0;
  if (message->id == shell::app_msg::kSystemText || message->id == shell::app_msg::kNoticeText) {
    // Texts posted to the side panel are its to free.
    texts.push_back(reinterpret_cast<const char*>(message->p1));
    shell::FreeHeapText(message->p1);
    return 1;
  }
  if (log_ != nullptr) log_->push_back(ChildMessage{name_, message->id, message->p1});
  return 1;
}

void TestGameFrame::LoadSkinPackages() {
  if (!skin_) return;
  for (const char* name : {"skin-frame.qzr", "skin-table.qzr", "skin-sound.qzr"}) {
    const std::string path = std::string(ZP_BINARY_DIR) + "/app/" + name;
    EXPECT_TRUE(OpenResourcePackage(path.c_str())) << path;
  }
}

void TestGameFrame::CreateChildren() {
  if (!children_) return;
  table = new_table ? nullptr : new StubChild("MainGame", log_);
  panel = new StubChild("SubSystem", log_);
  SetMainGame(new_table ? new_table() : table);
  SetSubSystem(panel);
}

void TestGameFrame::ShowMessageBox(const char* text, const engine::ObjectMessage* ok,
                                   const engine::ObjectMessage* cancel, int32_t buttons, int32_t style,
                                   const char* icon) {
  ShownBox box;
  box.text = text != nullptr ? text : "";
  box.buttons = buttons;
  box.style = style;
  box.icon = icon != nullptr ? icon : "";
  if (ok != nullptr) box.ok = *ok;
  if (cancel != nullptr) box.cancel = *cancel;
  boxes.push_back(box);
  GameFrame::ShowMessageBox(text, ok, cancel, buttons, style, icon);
}

void FrameFixture::SetUp() {
  EngineFixture::SetUp();
  ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
  platform::GetHeadlessDesktop().work_area = platform::RECT{0, 0, 1024, 768};
  server_ = std::make_unique<ScopedFakeServer>(clock_.clock());
  app_ = std::make_unique<FrameApp>();
}

void FrameFixture::TearDown() {
  app_.reset();
  server_.reset();
  platform::ShutdownWindowSystem();
  EngineFixture::TearDown();
}

void FrameFixture::Start(const std::string& command_line, bool seat) {
  app_->skin = skin_;
  app_->children = children_;
  ASSERT_TRUE(app_->InitInstance(command_line));
  ASSERT_NE(app_->frame, nullptr);
  music_ = RecordingMusicModule::Install(app_->window->GetCore());
  if (seat) {
    const std::vector<uint8_t> bytes = MakeTable().Serialize();
    ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
  }
  Frames(3);
}

void FrameFixture::StartOffline() {
  app_->skin = skin_;
  app_->children = children_;
  app_->SetOfflineMode(true);
  ASSERT_TRUE(app_->CreateMainWindow());
  ASSERT_NE(app_->frame, nullptr);
  music_ = RecordingMusicModule::Install(app_->window->GetCore());
  Frames(3);
}

void FrameFixture::Frames(int count) {
  for (int i = 0; i < count; ++i) {
    clock_->Advance(5);
    platform::PumpMessages();
  }
}

void FrameFixture::SetWorkArea(const platform::RECT& area) { platform::GetHeadlessDesktop().work_area = area; }

void FrameFixture::Mouse(uint32_t message, int x, int y, uint32_t flags) {
  window().PostMessage(message, flags, platform::MakePointLParam(x, y));
  // The input's messages to the objects are delivered in the object module's next turn.
  Frames(3);
}

platform::RECT FrameFixture::WindowRect() const {
  platform::RECT r{};
  app_->window->GetWindowRect(&r);
  return r;
}

}  // namespace test
