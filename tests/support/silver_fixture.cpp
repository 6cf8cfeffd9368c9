#include "tests/support/silver_fixture.h"

#include <gtest/gtest.h>

#include "shell/player_record.h"

namespace test {

void SilverApp::ShowMessageBox(const char* text, const engine::ObjectMessage*, const engine::ObjectMessage*,
                               int32_t buttons, int32_t style, const char* icon) {
  const std::string shown = text != nullptr ? text : "";
  events.push_back("box " + shown);
  boxes.push_back(shown);
  last_buttons = buttons;
  last_style = style;
  last_icon = icon != nullptr ? icon : "";
}

void SilverApp::PostToCommThread(const char* text, int show) {
  events.push_back(show ? "wait " + std::string(text != nullptr ? text : "") : std::string("done"));
  TestApp::PostToCommThread(text, show);
}

void SilverFixture::SetUp() {
  HostedEngine::SetUp();
  ASSERT_TRUE(root_->OpenResourcePackage(ZP_BINARY_DIR "/app/skin-frame.qzr"));
  server_ = std::make_unique<ScopedFakeServer>(clock_.clock());
  app_ = std::make_unique<SilverApp>();
}

void SilverFixture::TearDown() {
  // The scene goes first: its objects may still reach the application.
  if (window_) window_->DestroyWindow();
  window_.reset();
  app_.reset();
  server_.reset();
  HostedEngine::TearDown();
}

void SilverFixture::SeatWithSilver(int32_t silver, const std::string& command_line) {
  ASSERT_TRUE(app_->ParseCommandLine(command_line));
  shell::EnterGameData table = MakeTable();
  table.players[0].SetWord(shell::PlayerRecord::kSilver, static_cast<uint32_t>(silver));
  const std::vector<uint8_t> bytes = table.Serialize();
  ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
}

std::vector<uint8_t> SilverFixture::SeatHeadAnd(std::initializer_list<uint32_t> words) {
  std::vector<uint32_t> all = {1001, 77, 5, 0};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<uint8_t> bytes;
  for (uint32_t w : all) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
  }
  return bytes;
}

TestObject* SilverFixture::AddNamedProbe(const char* name) {
  auto* probe = new TestObject();
  probe->drawable = false;
  objects_->AddObject(probe, nullptr);
  probe->SetName(name);
  return probe;
}

}  // namespace test
