// ctest-labels: replay table tsan
// Replay mode at the table: a round of the scripted game is recorded live (every notification
// through the application's own notification handler), then started again as the client starts
// a replay (the recorded table, offline, the replay bar opening the file) and played back
// headless on the manual clock. The replay reaches the table the live game left (hands, played
// cards, boards), each record at its recorded time with long pauses cut to 5000 ms, pauses and
// steps as the bar's buttons ask, and damaged files are refused whole with a message box.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <typeinfo>
#include <utility>
#include <vector>

#include "dialogs/replay_bar.h"
#include "dialogs/replay_file.h"
#include "dialogs/replay_table.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "frame/chat_box.h"
#include "frame/chat_display.h"
#include "net/answer_codes.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "shell/game_handler.h"
#include "shell/lobby_link.h"
#include "shell/server_notify.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "tests/dialogs/replay_samples.h"
#include "tests/support/scripted_game.h"

namespace {

namespace fs = std::filesystem;
using table::CCardView;
namespace place = table::card_place;

// The table view of the game, keeping when each recorded message reached it.
class WatchedTable : public test::PlayTableView {
 public:
  bool PlayRecordedMessage(int32_t id, const uint8_t* data, uint32_t length) override {
    played.emplace_back(id, platform::GetTickCount());
    return PlayTableView::PlayRecordedMessage(id, data, length);
  }
  std::vector<std::pair<int32_t, uint32_t>> played;  // id, tick
};

// What a player sees of the table: each chair's hand, its cards on the table now and earlier,
// its board's pass mark and highlight, and the combination on the table.
struct TableState {
  std::vector<std::vector<int32_t>> hands;           // ids, sorted
  std::vector<std::vector<int32_t>> played;          // this trick's cards, sorted
  std::vector<std::vector<int32_t>> played_earlier;  // earlier tricks' cards, sorted
  std::vector<std::string> status;                   // the board's status picture
  std::vector<int32_t> highlighted;
  int32_t chair_on_table = -1;
  std::vector<int32_t> combo;
  bool operator==(const TableState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TableState& s) {
  for (size_t c = 0; c < s.hands.size(); ++c) {
    out << "\nchair " << c << ": hand " << s.hands[c].size() << ", played " << s.played[c].size() << ", earlier "
        << s.played_earlier[c].size() << ", status '" << s.status[c] << "', highlighted " << s.highlighted[c];
  }
  return out << "\non the table: chair " << s.chair_on_table << ", " << s.combo.size() << " cards";
}

class ReplayMode : public test::TableViewFixture {
 protected:
  void SetUp() override {
    TableViewFixture::SetUp();
    // The game plays with the default card values.
    table::InstallCardCallbacks(table::DefaultCardCallbacks());
    make_table_ = [] { return new WatchedTable(); };
  }
  void TearDown() override {
    game_.reset();
    TableViewFixture::TearDown();
  }

  WatchedTable& watched() { return dynamic_cast<WatchedTable&>(view()); }
  dialogs::CReplayBar& bar() { return *view().GetReplayBar(); }

  // A round played live at a recording table: the table just before the round ended, and the
  // replay saved when it did.
  TableState PlayLiveRound(uint32_t seed, int32_t first, std::string* path) {
    Start(test::CommandLineFor(0, 0x1020000));
    frame().SetTableRect(platform::RECT{0, 0, 1024, 768});
    view().RefreshSeatedBoards();
    view().OnEnterGame();
    game_ = std::make_unique<test::ScriptedGame>(app_.get(), &server_->server(), [this](int n) { Frames(n); });
    // Every notification goes through the application's own handler, which records.
    EXPECT_EQ(typeid(*app_->GetNotifyHandler()), typeid(shell::CCardServerNotify));
    game_->Start(seed, first);
    dealt_.clear();
    for (int32_t c = 0; c < 3; ++c) {
      std::vector<int32_t> hand = game_->Hand(c);
      std::sort(hand.begin(), hand.end());
      dealt_.push_back(hand);
    }
    // The live table records through its replay bar, which stays hidden.
    EXPECT_NE(view().GetReplayBar(), nullptr);
    if (view().GetReplayBar() != nullptr) {
      EXPECT_TRUE(view().GetReplayBar()->IsRecording());
      EXPECT_EQ(view().GetReplayBar()->IsVisible(), 0u);
    }
    for (int moves = 0; !game_->Over() && moves < 400; ++moves) {
      if (game_->ToAct() == 0) {
        EXPECT_TRUE(game_->OwnMove());
      } else {
        game_->OtherMove(game_->ToAct());
      }
    }
    EXPECT_TRUE(game_->Over());
    const TableState live = State();
    remaining_.clear();
    for (int32_t c = 0; c < 3; ++c) {
      std::vector<int32_t> hand = game_->Hand(c);
      std::sort(hand.begin(), hand.end());
      remaining_.push_back(hand);
    }
    game_->End();
    game_.reset();
    const std::vector<fs::path> files = Files();
    EXPECT_EQ(files.size(), 1u);
    *path = files.empty() ? std::string() : files[0].string();
    return live;
  }

  std::vector<fs::path> Files() const {
    std::vector<fs::path> files;
    if (fs::exists(dir_ / "Replay")) {
      for (const auto& entry : fs::directory_iterator(dir_ / "Replay")) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  // The client's way into a replay: the file read and checked, the recorded table started offline,
  // and the table brought up by the main window, whose replay bar opens the file and plays.
  void StartReplay(const std::string& path) {
    dialogs::ReplayFile replay;
    std::string error;
    ASSERT_TRUE(dialogs::LoadReplayFile(path, &replay, &error)) << error;
    shell::LobbyCommandLine command;
    shell::EnterGameData start;
    app_.reset();
    app_ = std::make_unique<test::TableApp>();
    app_->make_table = make_table_;
    ASSERT_TRUE(dialogs::MakeReplayTable(replay, app_->GetChairCount(), &command, &start, &error)) << error;
    ASSERT_TRUE(app_->StartReplay(path, command, start));
    ASSERT_NE(app_->frame, nullptr);
    frame().SetTableRect(platform::RECT{0, 0, 1024, 768});
    Frames(3);
  }
  // A replay whose start went through but whose file the bar refuses.
  void StartRefusedReplay(const std::string& path) {
    app_.reset();
    app_ = std::make_unique<test::TableApp>();
    app_->make_table = make_table_;
    shell::LobbyCommandLine command;
    command.user_id = 1001;
    ASSERT_TRUE(app_->StartReplay(path, command, test::MakeTable()));
    Frames(3);
  }

  // Runs frames until the replay has played its last record (at most `seconds`).
  void PlayToTheEnd(int seconds = 600) {
    for (int i = 0; i < seconds * 20 && !bar().IsFinished(); ++i) Frames(10);
    Frames(60);  // the last flights land
  }

  TableState State() {
    TableState s;
    s.hands.resize(3);
    s.played.resize(3);
    s.played_earlier.resize(3);
    for (int32_t i = 0; i < view().CardViewCount(); ++i) {
      const CCardView* card = view().CardView(i);
      if (card == nullptr || card->chair < 0 || card->chair >= 3) continue;
      const auto c = static_cast<size_t>(card->chair);
      if (card->place == place::kHand) s.hands[c].push_back(card->card_id);
      if (card->place == place::kPlayed) s.played[c].push_back(card->card_id);
      if (card->place == place::kPlayedEarlier) s.played_earlier[c].push_back(card->card_id);
    }
    for (int32_t c = 0; c < 3; ++c) {
      for (auto* list : {&s.hands, &s.played, &s.played_earlier}) {
        std::sort((*list)[static_cast<size_t>(c)].begin(), (*list)[static_cast<size_t>(c)].end());
      }
      const table::CPlayerBoard* board = view().BoardOfChair(c);
      s.status.push_back(board != nullptr ? board->GetStatusPicture() : "?");
      s.highlighted.push_back(board != nullptr ? board->IsHighlighted() : -1);
    }
    const test::PlayTableView& table = watched();
    s.chair_on_table = table.state.chair_on_table;
    s.combo.assign(table.state.combo.cards, table.state.combo.cards + std::max(table.state.combo.card_count, 0));
    return s;
  }

  std::unique_ptr<test::ScriptedGame> game_;
  std::vector<std::vector<int32_t>> dealt_;      // the hands the server dealt, sorted
  std::vector<std::vector<int32_t>> remaining_;  // the hands the server held at the round's end
};

TEST_F(ReplayMode, TheRecordedRoundPlaysBackToTheTableTheLiveGameLeft) {
  // The sample replay's round.
  std::string path;
  const TableState live = PlayLiveRound(test::kSampleSeed, test::kSampleFirst, &path);
  ASSERT_FALSE(path.empty());
  dialogs::ReplayFile replay;
  std::string error;
  ASSERT_TRUE(dialogs::LoadReplayFile(path, &replay, &error)) << error;

  const size_t requests = (*server_)->Requests().size();
  StartReplay(path);
  EXPECT_TRUE(app_->IsReplayMode());
  EXPECT_EQ(app_->IsOfflineMode(), 1);
  EXPECT_EQ(app_->GetChair(), 0);
  EXPECT_EQ(app_->GetChairName(2), "张三");
  ASSERT_NE(view().GetReplayBar(), nullptr);
  EXPECT_TRUE(view().IsRecorderShown());
  EXPECT_NE(bar().IsVisible(), 0u);
  EXPECT_TRUE(bar().IsOpen());
  EXPECT_TRUE(bar().IsPlaying());
  EXPECT_EQ(bar().GetRecordCount(), replay.records.size());
  // The bar stands across the table above the middle, where the side chairs' played cards land.
  EXPECT_EQ(bar().GetX(), 512);
  EXPECT_EQ(bar().GetY(), table::CTableView::kReplayBarTop);
  EXPECT_EQ(bar().GetDepth(), table::CGameView::kRecorderDepth);
  EXPECT_EQ(bar().GetMaxStepDelay(), 5000u);
  ASSERT_FALSE(app_->system_texts.empty());
  // The table is numbered from 1, as the welcome line numbers it, and the room is the replay.
  EXPECT_EQ(app_->GetTableRecordId(), 5u);
  EXPECT_NE(app_->system_texts[0].find("播放录像：第6桌"), std::string::npos) << app_->system_texts[0];
  EXPECT_EQ(app_->FormatRoomName(), dialogs::kReplayRoomName);
  EXPECT_NE(app_->system_texts[0].find("alice、bob、张三"), std::string::npos);

  // The deal: every hand, face up, as the server dealt it (21 cards to the banker, who leads).
  Frames(4);
  ASSERT_FALSE(watched().played.empty());
  EXPECT_EQ(watched().played[0].first, 211040);
  for (int32_t c = 0; c < 3; ++c) {
    EXPECT_EQ(view().CountChairCards(c, place::kHand), c == test::kSampleFirst ? 21 : 20) << c;
    EXPECT_EQ(State().hands[static_cast<size_t>(c)], dealt_[static_cast<size_t>(c)]) << c;
    const CCardView* card = view().FindChairCardByIndex(c, 0);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(card->IsShowingFace()) << c;
  }
  // The side rows' card counts stand below their rows, off the cards (turned on their sides, the
  // cards reach half their width above and below their places).
  for (int32_t c = 1; c < 3; ++c) {
    const table::CPlayerBoard* board = view().BoardOfChair(c);
    ASSERT_NE(board, nullptr);
    const engine::NumberDisplay* count = board->GetCountDisplay();
    ASSERT_NE(count, nullptr);
    double lowest = 0;
    for (int32_t i = 0; i < view().CardViewCount(); ++i) {
      const CCardView* card = view().CardView(i);
      if (card->chair == c && card->place == place::kHand)
        lowest = std::max(lowest, card->GetY() + card->GetWidth() / 2);
    }
    EXPECT_GE(count->GetY() - count->GetHeight() / 2, lowest) << c;
  }
  EXPECT_NE(view().GetClock()->IsVisible(), 0u);

  PlayToTheEnd();
  ASSERT_TRUE(bar().IsFinished());
  EXPECT_FALSE(bar().IsPlaying());
  const TableState replayed = State();
  EXPECT_EQ(replayed.played, live.played);
  EXPECT_EQ(replayed.played_earlier, live.played_earlier);
  EXPECT_EQ(replayed.status, live.status);
  EXPECT_EQ(replayed.chair_on_table, live.chair_on_table);
  EXPECT_EQ(replayed.combo, live.combo);
  // The own hand as the user saw it; the others' hands face up, as the server held them.
  EXPECT_EQ(replayed.hands[0], live.hands[0]);
  for (size_t c = 0; c < 3; ++c) EXPECT_EQ(replayed.hands[c], remaining_[c]) << c;
  EXPECT_EQ(replayed.highlighted, std::vector<int32_t>({0, 0, 0}));  // the clock stopped at the end
  EXPECT_EQ(view().GetClockTimer(), 0u);
  EXPECT_EQ(app_->IsGameRunning(), 0);
  EXPECT_NE(app_->system_texts.back().find("录像播放完毕"), std::string::npos);

  // Every record reached the table once, in order, at its recorded time (the round has no pause
  // longer than 5000 ms).
  const std::vector<std::pair<int32_t, uint32_t>>& played = watched().played;
  ASSERT_EQ(played.size(), replay.records.size());
  for (size_t i = 0; i < played.size(); ++i) {
    EXPECT_EQ(played[i].first, replay.records[i].id) << i;
    const uint32_t at = played[i].second - played[0].second;
    const uint32_t recorded = replay.records[i].time_ms - replay.records[0].time_ms;
    EXPECT_GE(at, recorded) << i;
    EXPECT_LE(at, recorded + 40) << i;
  }
  // Nothing went to a server, not even the clock's reminder at zero, and nothing was saved again.
  EXPECT_EQ(view().SendGameMessage(table::game_msg::kClockAtZero, 0, nullptr, 0), net::answer::kNotSent);
  EXPECT_EQ((*server_)->Requests().size(), requests);
  // Nor to the lobby, which is not there.
  const auto* lobby = dynamic_cast<shell::LobbyStandIn*>(app_->GetLobby());
  ASSERT_NE(lobby, nullptr);
  EXPECT_TRUE(lobby->Posts().empty());
  EXPECT_TRUE(lobby->Records().empty());
  EXPECT_EQ(Files().size(), 1u);
}

TEST_F(ReplayMode, PausesLongerThanTheLongestStepAreCutTo5000Ms) {
  std::string path;
  PlayLiveRound(11, 1, &path);
  dialogs::ReplayFile replay;
  std::string error;
  ASSERT_TRUE(dialogs::LoadReplayFile(path, &replay, &error)) << error;
  ASSERT_GE(replay.records.size(), 6u);
  // A minute's pause before record 3, and 5001 ms before record 5.
  const uint32_t gap3 = replay.records[3].time_ms - replay.records[2].time_ms;
  const uint32_t gap5 = replay.records[5].time_ms - replay.records[4].time_ms;
  for (size_t i = 3; i < replay.records.size(); ++i) replay.records[i].time_ms += 60000;
  for (size_t i = 5; i < replay.records.size(); ++i) replay.records[i].time_ms += 5001;
  const uint32_t gap2 = replay.records[2].time_ms - replay.records[1].time_ms;
  const std::string long_path = (dir_ / "long.rep").string();
  ASSERT_TRUE(dialogs::SaveReplayFile(long_path, replay, &error)) << error;

  StartReplay(long_path);
  const std::vector<uint32_t>& schedule = bar().GetSchedule();
  ASSERT_EQ(schedule.size(), replay.records.size());
  EXPECT_EQ(schedule[2] - schedule[1], gap2);
  EXPECT_EQ(schedule[3] - schedule[2], 5000u);
  EXPECT_EQ(schedule[5] - schedule[4], 5000u);
  EXPECT_EQ(replay.DurationMs() - bar().GetLength(), (60000 + gap3 - 5000) + (5001 + gap5 - 5000));

  for (int i = 0; i < 4000 && watched().played.size() < 6; ++i) Frames(5);
  const std::vector<std::pair<int32_t, uint32_t>>& played = watched().played;
  ASSERT_GE(played.size(), 6u);
  const uint32_t pause = played[3].second - played[2].second;
  EXPECT_GE(pause, 4990u);
  EXPECT_LE(pause, 5040u);
  EXPECT_GE(played[5].second - played[4].second, 4990u);
  EXPECT_LE(played[5].second - played[4].second, 5040u);
}

TEST_F(ReplayMode, TheBarPausesStepsSpeedsUpAndPlaysAgainFromTheStart) {
  std::string path;
  PlayLiveRound(3, 2, &path);
  StartReplay(path);
  Frames(4);
  const size_t dealt = bar().GetPlayed();
  EXPECT_GE(dealt, 1u);

  // Paused: nothing more reaches the table, and its clock stands still.
  view().GetClock()->SetValue(15);
  ASSERT_NE(bar().GetPlayButton(), nullptr);
  const engine::ObjectMessage play = bar().GetPlayButton()->GetMessage();
  bar().SendMessage(&play);
  EXPECT_FALSE(bar().IsPlaying());
  const size_t held = bar().GetPlayed();
  Frames(200 * 8);
  EXPECT_EQ(bar().GetPlayed(), held);
  EXPECT_EQ(view().GetClock()->GetValue(), 15);
  const std::string paused_at = bar().GetTimeText();

  // A step plays one record at once and stays paused.
  const engine::ObjectMessage step = bar().GetStepButton()->GetMessage();
  bar().SendMessage(&step);
  EXPECT_EQ(bar().GetPlayed(), held + 1);
  EXPECT_FALSE(bar().IsPlaying());
  Frames(200 * 3);
  EXPECT_EQ(bar().GetPlayed(), held + 1);

  // On again, twice as fast: the clock counts on, and the next pause is half as long.
  const engine::ObjectMessage speed = bar().GetSpeedButton()->GetMessage();
  bar().SendMessage(&speed);
  EXPECT_EQ(bar().GetSpeed(), 2);
  EXPECT_NE(bar().GetTimeText().find("x2"), std::string::npos);
  bar().SendMessage(&play);
  EXPECT_TRUE(bar().IsPlaying());
  const size_t before = watched().played.size();
  const uint32_t due = bar().GetSchedule()[bar().GetPlayed()] - bar().GetPosition();
  const uint32_t started = platform::GetTickCount();
  for (int i = 0; i < 2000 && watched().played.size() == before; ++i) Frames(1);
  const uint32_t took = platform::GetTickCount() - started;
  EXPECT_GE(took + 5, due / 2);
  EXPECT_LE(took, due / 2 + 40);
  EXPECT_NE(view().GetClockTimer(), 0u);
  bar().SendMessage(&speed);
  bar().SendMessage(&speed);
  EXPECT_EQ(bar().GetSpeed(), 1);

  PlayToTheEnd();
  const TableState first_time = State();
  // Played again from its beginning: the same table at the end.
  watched().played.clear();
  bar().SendMessage(&play);
  EXPECT_TRUE(bar().IsPlaying());
  EXPECT_EQ(bar().GetPlayed(), 1u);  // the deal again, at once
  EXPECT_EQ(view().CountChairCards(-1, place::kPlayed), 0);
  PlayToTheEnd();
  EXPECT_EQ(State(), first_time);
  EXPECT_EQ(watched().played.size(), bar().GetRecordCount());
  EXPECT_NE(paused_at, bar().GetTimeText());
}

TEST_F(ReplayMode, DealsDueAllAtOnceReachTheTableAFewAFrameAndTheRoundThenPlaysAsRecorded) {
  std::string path;
  PlayLiveRound(7, 0, &path);
  StartReplay(path);
  PlayToTheEnd();
  const TableState whole = State();

  // The same round, its deal recorded a hundred times over at its start.
  dialogs::ReplayFile replay;
  std::string error;
  ASSERT_TRUE(dialogs::LoadReplayFile(path, &replay, &error)) << error;
  ASSERT_EQ(replay.records[0].id, 211040);
  replay.records.insert(replay.records.begin(), 100, replay.records[0]);
  const std::string many = (dir_ / "many_deals.rep").string();
  ASSERT_TRUE(dialogs::SaveReplayFile(many, replay, &error)) << error;
  StartReplay(many);
  for (int frame = 0; frame < 10; ++frame) {
    const size_t before = watched().played.size();
    Frames(1);
    ASSERT_LE(watched().played.size() - before, dialogs::CReplayBar::kRecordsPerTurn) << frame;
  }
  // The buttons are answered at once, with deals still due: paused, nothing more is played, and
  // a step plays one.
  ASSERT_LT(bar().GetPlayed(), 100u);
  const engine::ObjectMessage play = bar().GetPlayButton()->GetMessage();
  bar().SendMessage(&play);
  const size_t held = bar().GetPlayed();
  Frames(200);
  EXPECT_EQ(bar().GetPlayed(), held);
  const engine::ObjectMessage step = bar().GetStepButton()->GetMessage();
  bar().SendMessage(&step);
  EXPECT_EQ(bar().GetPlayed(), held + 1);
  bar().SendMessage(&play);
  PlayToTheEnd();
  EXPECT_EQ(watched().played.size(), replay.records.size());
  EXPECT_EQ(State(), whole);
}

// A file of the table's size that is refused: a message box, nothing dealt, nothing played.
class DamagedReplay : public ReplayMode {
 protected:
  void ExpectRefused(const std::vector<uint8_t>& bytes, const char* what) {
    SCOPED_TRACE(what);
    const std::string path = (dir_ / "damaged.rep").string();
    ASSERT_TRUE(platform::WriteFileAtomic(path, bytes.data(), bytes.size()));
    StartRefusedReplay(path);
    ASSERT_NE(view().GetReplayBar(), nullptr);
    EXPECT_FALSE(bar().IsOpen());
    EXPECT_FALSE(bar().IsPlaying());
    ASSERT_EQ(frame().shown_boxes.size(), 1u);
    EXPECT_EQ(frame().shown_boxes[0], dialogs::CReplayBar::kDamagedText);
    // It stays until the player presses OK.
    EXPECT_EQ(frame().shown_box_seconds[0], 0);
    Frames(200 * 3);
    EXPECT_TRUE(watched().played.empty());
    EXPECT_EQ(view().CountChairCards(-1, place::kHand), 0);
    EXPECT_NE(GameLog().find("damaged.rep refused"), std::string::npos);
  }
  std::vector<uint8_t> Sample() { return replay_samples::Encode(replay_samples::SampleReplay(false, 12)); }
};

TEST_F(DamagedReplay, AFileThatEndsEarlyIsRefused) {
  std::vector<uint8_t> file = Sample();
  file.resize(file.size() - 9);
  ExpectRefused(file, "cut short");
  ExpectRefused(std::vector<uint8_t>(file.begin(), file.begin() + 60), "only a header's start");
  ExpectRefused({}, "empty");
}

TEST_F(DamagedReplay, AFileThatLiesAboutItsLengthsIsRefused) {
  namespace h = dialogs::replay_header;
  const std::vector<uint8_t> file = Sample();
  std::vector<uint8_t> stored = file;
  replay_samples::SetU32(stored, h::kStoredLength, static_cast<uint32_t>(file.size()));
  ExpectRefused(stored, "stored length");
  std::vector<uint8_t> records = file;
  replay_samples::SetU32(records, h::kRecordCount, 13);
  ExpectRefused(records, "record count");
  // The last record claims more bytes than the body holds.
  const std::vector<uint8_t> claim = replay_samples::WithBody(file, [](std::vector<uint8_t>& body) {
    const dialogs::ReplayFile sample = replay_samples::SampleReplay(false, 12);
    const size_t last = body.size() - sample.records.back().data.size() - 4;
    engine::WriteU32(body.data() + last, static_cast<uint32_t>(sample.records.back().data.size() + 1));
  });
  ExpectRefused(claim, "record length");
}

TEST_F(DamagedReplay, AFileNamingChairsOutOfRangeIsRefused) {
  // The encoder refuses such a file: it is forged in the body.
  std::vector<uint8_t> file = replay_samples::Encode(replay_samples::SampleReplay(false, 4));
  file = replay_samples::WithBody(
      file, [](std::vector<uint8_t>& body) { engine::WriteU32(body.data() + dialogs::kReplayPlayerEntrySize + 4, 3); });
  ExpectRefused(file, "a player's chair");
  std::vector<uint8_t> own = replay_samples::Encode(replay_samples::SampleReplay(false, 4));
  replay_samples::SetU32(own, dialogs::replay_header::kOwnChair, 3);
  ExpectRefused(own, "own chair");
  std::vector<uint8_t> chairs = replay_samples::Encode(replay_samples::SampleReplay(false, 4));
  replay_samples::SetU32(chairs, dialogs::replay_header::kChairCount, 9);
  ExpectRefused(chairs, "chair count");
}

TEST_F(DamagedReplay, AFileThatIsNotThereIsRefusedAsMissing) {
  StartRefusedReplay((dir_ / "gone.rep").string());
  ASSERT_NE(view().GetReplayBar(), nullptr);
  EXPECT_FALSE(bar().IsOpen());
  ASSERT_EQ(frame().shown_boxes.size(), 1u);
  EXPECT_EQ(frame().shown_boxes[0], dialogs::CReplayBar::kMissingText);
  Frames(200);
  EXPECT_TRUE(watched().played.empty());
  EXPECT_EQ(view().CountChairCards(-1, place::kHand), 0);
}

TEST_F(DamagedReplay, AReplayOfAnotherTableSizeIsRefused) {
  dialogs::ReplayFile four = replay_samples::SampleReplay(false, 4);
  four.table.chair_count = 4;
  ExpectRefused(replay_samples::Encode(four), "four chairs");
  std::string error;
  shell::LobbyCommandLine command;
  shell::EnterGameData start;
  EXPECT_FALSE(dialogs::MakeReplayTable(four, 3, &command, &start, &error));
  EXPECT_NE(error.find("4 chairs"), std::string::npos) << error;
}

TEST_F(ReplayMode, RecordsTheTableRefusesAreSkippedAndTheRestPlays) {
  std::string path;
  PlayLiveRound(5, 0, &path);
  dialogs::ReplayFile replay;
  std::string error;
  ASSERT_TRUE(dialogs::LoadReplayFile(path, &replay, &error)) << error;
  // A play by chair 7, a pass cut short and a record the table does not know.
  dialogs::ReplayRecord bad_play = replay.records[1];
  ASSERT_EQ(bad_play.id, 221170);
  engine::WriteU32(bad_play.data.data() + 12, 7);
  dialogs::ReplayRecord short_pass{replay.records[1].time_ms, 223100, {1, 2, 3}};
  dialogs::ReplayRecord unknown{replay.records[1].time_ms, 211300, {}};
  replay.records.insert(replay.records.begin() + 1, {bad_play, short_pass, unknown});
  const std::string forged = (dir_ / "forged.rep").string();
  ASSERT_TRUE(dialogs::SaveReplayFile(forged, replay, &error)) << error;

  StartReplay(path);
  PlayToTheEnd();
  const TableState whole = State();
  StartReplay(forged);
  PlayToTheEnd();
  EXPECT_TRUE(bar().IsFinished());
  EXPECT_EQ(watched().played.size(), replay.records.size());
  EXPECT_NE(GameLog().find("3 of"), std::string::npos);
  EXPECT_EQ(State(), whole);
}

// The names a replay file holds are other people's text: shown as they are, whatever bytes they
// hold, and a lead byte without its trail byte does not take a following '<' out of the escaping.
TEST_F(ReplayMode, NamesFromTheFileShowAsTheyAreWithNoLinkOrColourInTheChatLine) {
  dialogs::ReplayFile replay = replay_samples::SampleReplay(false, 0);
  replay.table.players[0].name = "\x81<url_text=http://e.co,WIN>";
  replay.table.players[2].name = "\x81<c=255>";
  const std::string path = (dir_ / "names.rep").string();
  std::string error;
  ASSERT_TRUE(dialogs::SaveReplayFile(path, replay, &error)) << error;
  StartReplay(path);
  ASSERT_FALSE(app_->system_texts.empty());
  // The line read as the chat box reads it.
  auto* display = new frame::ChatDisplay();
  services().AddToScene(display);
  display->Create(400, 200, frame::ChatBox::kDisplayStyle, frame::ChatBox::kDisplayCreationValue);
  display->ResetStyle();
  display->AppendText(app_->system_texts[0].c_str());
  for (size_t i = 0; i < display->ItemCount(); ++i) {
    const engine::RichTextItem& item = display->ItemAt(i);
    EXPECT_EQ(item.link, 0u) << i;
    if (item.kind == engine::RichTextItem::kGlyph) {
      EXPECT_EQ(display->StyleOf(item).colour, 0u) << i;
    }
  }
  EXPECT_NE(display->GetPlainText(0, display->ItemCount()).find("，<url_text=http://e.co,WIN>、lucky_player、<c=255>"),
            std::string::npos)
      << display->GetPlainText(0, display->ItemCount());
}

}  // namespace
