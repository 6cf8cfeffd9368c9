// A table on the scripted server, as the play tests drive it: the game's card values, the
// headless window, the manual clock, the sounds asked for, and the scripted game.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ui/image_button.h"
#include "platform/win_messages.h"
#include "shell/game_frame_wnd.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "tests/support/recording_music.h"
#include "tests/support/scripted_game.h"

namespace test {

class PlayFixture : public TableViewFixture {
 protected:
  void SetUp() override {
    TableViewFixture::SetUp();
    // The game plays with the default card values.
    table::InstallCardCallbacks(table::DefaultCardCallbacks());
    make_table_ = MakePlayTable;
  }
  void TearDown() override {
    game_.reset();
    TableViewFixture::TearDown();
  }
  // The user on the chair of a 1024 x 768 table; a recording table starts recording as it is
  // entered.
  void BeginTable(int chair, uint32_t options, bool watching, bool enter_game) {
    Start(CommandLineFor(chair, options, watching));
    frame().SetTableRect(platform::RECT{0, 0, 1024, 768});
    view().RefreshSeatedBoards();
    if (enter_game) view().OnEnterGame();
    music_ = RecordingMusicModule::Install(app_->GetMainWnd()->GetCore());
    game_ = std::make_unique<ScriptedGame>(app_.get(), &server_->server(), [this](int n) { Frames(n); });
  }
  PlayTableView& play() { return dynamic_cast<PlayTableView&>(view()); }
  ScriptedGame& game() { return *game_; }
  void Seconds(int s) { Frames(200 * s); }
  void Send(uint32_t id, uintptr_t p1 = 0, uintptr_t p2 = 0) {
    const engine::ObjectMessage m = engine::MakeMessage(view().GetKey(), id, p1, p2);
    view().OnMessage(&m);
  }
  // Clicks at a client point through the window, and lets the input module hand it on.
  void Click(double x, double y) {
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    Mouse(platform::WM_MOUSEMOVE, ix, iy);
    Mouse(platform::WM_LBUTTONDOWN, ix, iy, platform::MK_LBUTTON);
    Frames(22);
    Mouse(platform::WM_LBUTTONUP, ix, iy);
    Frames(22);
  }
  void ClickButton(engine::ImageButton* button) { Click(button->GetX(), button->GetY()); }
  std::vector<int32_t> SelectedIds() {
    std::vector<int32_t> ids;
    for (const table::CCardView* card : view().OwnRow()) {
      if (card->selected != 0) ids.push_back(card->card_id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  bool Shown(engine::ImageButton* b) { return b != nullptr && b->IsVisible() != 0; }
  bool Usable(engine::ImageButton* b) { return Shown(b) && b->TakesInput() != 0; }
  // How often the sound was asked for.
  size_t Count(const std::string& sound) {
    return static_cast<size_t>(std::count(music_->asked.begin(), music_->asked.end(), sound));
  }
  // The chat lines that contain the text.
  size_t Lines(const std::string& text) {
    return static_cast<size_t>(std::count_if(app_->system_texts.begin(), app_->system_texts.end(),
                                             [&](const std::string& l) { return l.find(text) != std::string::npos; }));
  }

  RecordingMusicModule* music_ = nullptr;
  std::unique_ptr<ScriptedGame> game_;
};

}  // namespace test
