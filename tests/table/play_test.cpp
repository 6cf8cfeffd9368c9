// ctest-labels: play table
// A game at the table, played on the scripted server through the headless window and the
// manual clock: the user's turn, selection and play request, the echo's flying cards, passes
// that end a trick, the clock and auto-play at zero, the hint cycle, a whole round with its
// replay written and read back, and malformed notifications refused without harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/replay_recorder.h"
#include "engine/core/canvas_object.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "net/request_ids.h"
#include "platform/win_messages.h"
#include "shell/game_frame_wnd.h"
#include "shell/game_handler.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "tests/support/recording_music.h"
#include "tests/support/scripted_game.h"

namespace {

namespace fs = std::filesystem;
using table::CCardView;
namespace place = table::card_place;

// Request 229510's game message ids, in the order they were sent.
[[maybe_unused]] std::vector<int32_t> GameMessagesSent(const test::FakeGameServer& server) {
  std::vector<int32_t> ids;
  for (const auto& r : server.Requests()) {
    if (r.request_id == net::request::kTableMessage && r.body.size() >= 20) {
      ids.push_back(static_cast<int32_t>(table::GetWord(r.body.data() + 8)));
    }
  }
  return ids;
}

class Play : public test::TableViewFixture {
 protected:
  void SetUp() override {
    TableViewFixture::SetUp();
    // The game plays with the default card values.
    table::InstallCardCallbacks(table::DefaultCardCallbacks());
    make_table_ = test::MakePlayTable;
  }
  void TearDown() override {
    game_.reset();
    TableViewFixture::TearDown();
  }
  // A recorded table (option 0x20000) with the user on the chair.
  void Begin(int chair = 0, uint32_t options = 0x1020000, bool watching = false) {
    Start(test::CommandLineFor(chair, options, watching));
    frame().SetTableRect(platform::RECT{0, 0, 1024, 768});
    view().RefreshSeatedBoards();
    view().OnEnterGame();
    music_ = test::RecordingMusicModule::Install(app_->GetMainWnd()->GetCore());
    game_ = std::make_unique<test::ScriptedGame>(app_.get(), &server_->server(), [this](int n) { Frames(n); });
  }
  test::PlayTableView& play() { return dynamic_cast<test::PlayTableView&>(view()); }
  test::ScriptedGame& game() { return *game_; }
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
    for (const CCardView* card : view().OwnRow()) {
      if (card->selected != 0) ids.push_back(card->card_id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  bool Shown(engine::ImageButton* b) { return b != nullptr && b->IsVisible() != 0; }
  bool Usable(engine::ImageButton* b) { return Shown(b) && b->TakesInput() != 0; }
  size_t Count(const std::string& sound) {
    return static_cast<size_t>(std::count(music_->asked.begin(), music_->asked.end(), sound));
  }
  // The chat lines that contain the text.
  size_t Lines(const std::string& text) {
    return static_cast<size_t>(std::count_if(app_->system_texts.begin(), app_->system_texts.end(),
                                             [&](const std::string& l) { return l.find(text) != std::string::npos; }));
  }

  test::RecordingMusicModule* music_ = nullptr;
  std::unique_ptr<test::ScriptedGame> game_;
};

// Hands of the default deck (value = id mod 13 + 1 for ids below 52): the user on chair 0.
const std::vector<std::vector<int32_t>> kSmallHands = {
    {5, 18, 30, 8},    // 6, 6, 5, 9
    {40, 41, 42, 43},  // 2, 3, 4, 5
    {44, 45, 46, 47},  // 6, 7, 8, 9
};

TEST_F(Play, TheUsersPlayGoesOutByteForByteAndItsEchoFliesTheCardsToTheTable) {
  Begin();
  game().Start(kSmallHands, 0);
  // The user leads: the play button shows, disabled until the raised cards make a combination.
  EXPECT_TRUE(Shown(view().GetThrowButton()));
  EXPECT_FALSE(Usable(view().GetThrowButton()));
  EXPECT_FALSE(Shown(view().GetPassButton()));
  EXPECT_FALSE(Shown(view().GetRemindButton()));
  EXPECT_EQ(view().GetClock()->GetValue(), 20);

  CCardView* six = view().FindCardById(5);
  CCardView* other_six = view().FindCardById(18);
  Click(six->GetSprite()->GetLeft() + 4, six->GetY());
  EXPECT_EQ(SelectedIds(), (std::vector<int32_t>{5}));
  EXPECT_TRUE(Usable(view().GetThrowButton()));  // a single leads
  Click(other_six->GetSprite()->GetLeft() + 4, other_six->GetY());
  EXPECT_EQ(SelectedIds(), (std::vector<int32_t>{5, 18}));
  ClickButton(view().GetThrowButton());

  const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kPlay);
  ASSERT_NE(sent, nullptr);
  const table::CARD_COMBO pair = test::ComboOf({5, 18});
  ASSERT_EQ(pair.type, table::COMBO_PAIR);
  EXPECT_EQ(test::HexWords(sent->body),
            test::HexWords(
                test::Words({1001, 77, 5, 0, 0, 2, 0, 0, 0, 0, 0, 0, table::COMBO_PAIR, table::COMBO_PAIR, pair.value,
                             2, static_cast<uint32_t>(pair.cards[0]), static_cast<uint32_t>(pair.cards[1])})));
  EXPECT_TRUE(sent->wants_answer);
  // The buttons went with the play.
  EXPECT_FALSE(Shown(view().GetThrowButton()));

  // The echo: both cards leave the hand and fly, the second 30 ms after the first.
  const double six_x = six->GetX();
  const double other_x = other_six->GetX();
  (*server_)->Push(221170, test::PlayBody(0, pair, 2, 20));
  CCardView* first = view().FindCardById(pair.cards[0]);
  CCardView* second = view().FindCardById(pair.cards[1]);
  EXPECT_EQ(first->place, place::kPlayed);
  EXPECT_EQ(first->moving, 1);
  EXPECT_EQ(second->moving, 1);
  EXPECT_EQ(view().CountChairCards(0, place::kHand), 2);
  EXPECT_EQ(play().state.chair_on_table, 0);
  EXPECT_EQ(play().state.combo.type, table::COMBO_PAIR);
  EXPECT_EQ(Count("Snd_Throw"), 1u);
  (void)six_x;
  (void)other_x;
  const double second_start = second->GetX();
  Frames(4);  // 20 ms: the first card is on its way, the second still waits
  EXPECT_NE(first->GetX(), first->target.x);
  EXPECT_EQ(second->GetX(), second_start);
  Frames(60);
  for (CCardView* card : {first, second}) {
    EXPECT_EQ(card->moving, 0);
    EXPECT_EQ(card->GetX(), card->target.x);
    EXPECT_EQ(card->GetY(), card->target.y);
    EXPECT_TRUE(card->IsShowingFace());
  }
  // The turn went on to chair 2: the clock stands by its board.
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 2);
  EXPECT_EQ(view().BoardOfChair(2)->IsHighlighted(), 1);
  EXPECT_EQ(view().BoardOfChair(0)->IsHighlighted(), 0);
}

TEST_F(Play, AScriptedRoundPlaysToItsEndAndItsReplayReadsBack) {
  Begin();
  game().Start(7, 0);
  EXPECT_EQ(view().CountChairCards(0, place::kHand), 32);
  const std::vector<std::vector<int32_t>> dealt = {game().Hand(0), game().Hand(1), game().Hand(2)};
  const int moves = game().PlayRound();
  EXPECT_GT(moves, 20);
  EXPECT_TRUE(game().Over());
  EXPECT_GT((*server_)->CountOf(net::request::kPlay), 3u);

  // The round was saved, announced, and reads back with its hands and every message.
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir_ / "Replay")) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Lines("游戏录像已保存到"), 1u);
  dialogs::CReplayRecorder reader;
  std::string error;
  ASSERT_TRUE(reader.LoadReplay(files[0].string(), &error)) << error;
  const dialogs::ReplayFile& replay = reader.GetReplay();
  ASSERT_GE(replay.records.size(), static_cast<size_t>(moves) + 2);
  EXPECT_EQ(replay.records.front().id, 211040);
  EXPECT_EQ(replay.records.back().id, 211080);
  size_t plays = 0;
  size_t passes = 0;
  for (const auto& r : replay.records) {
    plays += r.id == 221170 ? 1 : 0;
    passes += r.id == 223100 ? 1 : 0;
  }
  EXPECT_EQ(plays + passes, static_cast<size_t>(moves));
  const std::span<const int32_t> hands = std::as_const(reader).GetStateBlock();
  for (size_t c = 0; c < 3; ++c) {
    for (size_t k = 0; k < 32; ++k) EXPECT_EQ(hands[c * 32 + k], dealt[c][k]) << c << " " << k;
  }
  // After the round the table is cleared and no longer counts down.
  EXPECT_EQ(view().CountChairCards(-1, place::kHand), 0);
  EXPECT_EQ(view().CountChairCards(-1, place::kPlayed), 0);
}

}  // namespace
