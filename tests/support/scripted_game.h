// A round of the card table played on the scripted server, for tests and for recording sample
// replays. The table view is the framework's own play flow (PlayTableView, on the default
// 54-card values); ScriptedGame plays the server: it starts the round with 211040, pushes each
// seat's plays and passes as notifications 221170 and 223100, echoes the user's own requests
// 221080 and 223000 back as those notifications, and ends the round with 211080. Everything it
// pushes goes through the application's own notification handler, which hands each table
// notification to the view and its replay recorder. It also plays the game's part, which this
// project does not hold: the deal, with the dealt hands kept beside a recording, and the
// table-state holder's record of the round.
//
// The deal is the game's: one deck of 80 cards, 20 to a hand and 21 to the player who leads
// (the banker), the other 19 left in the pile. On the default card values a zipai deck is the
// numerals 1 to 10 eight times over: ids 0-9, 13-22, 26-35, 39-48 of two 54-card decks
// (ZipaiDeck). The default skin shows suits 0 and 1 in the small form (一 to 十) and suits 2 and
// 3 in the big one (壹 to 拾), so the deck holds each of the 20 faces four times.
//
// Use: a TableViewFixture whose make_table_ makes a PlayTableView (see MakePlayTable), Start,
// then ScriptedGame game(app, server, frames); game.Start(seed, first_chair); game.PlayRound().
// On a recording table (table option 0x20000, the view's OnEnterGame called) the round is
// recorded with its dealt hands and saved as a replay in the recorder's folder when it ends;
// CTableView::PlayRecordedMessage plays such a replay's messages back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/server_notify.h"
#include "table/card_combo.h"
#include "tests/support/table_view_fixture.h"

namespace test {

// The framework's table view as a game that overrides nothing of the play flow would have it:
// 216 card sprites showing the default faces, its own game and chair records, and every search,
// check and tick the framework's. It keeps what it was asked of the frame's services (the
// look-on boxes it made are the framework's own).
class PlayTableView : public TestTableView {
 public:
  struct LookOnBox {
    std::string name;
    std::string avatar;
    engine::ObjectMessage accept{};
    engine::ObjectMessage refuse{};
    engine::EngineObject* object = nullptr;
  };

  PlayTableView() {
    total_cards = kMaxCardViews;
    has_state = true;
  }
  void CreateCardViews() override { CTableView::CreateCardViews(); }
  int FindLargestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity, table::CARD_COMBO to_beat,
                      table::CARD_COMBO* result, uint32_t mask, int32_t wildcards) override {
    return CTableView::FindLargestHint(cards, count, out, capacity, to_beat, result, mask, wildcards);
  }
  int FindSmallestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity, table::CARD_COMBO to_beat,
                       table::CARD_COMBO* result, uint32_t mask, int32_t wildcards) override {
    return CTableView::FindSmallestHint(cards, count, out, capacity, to_beat, result, mask, wildcards);
  }
  void UpdateThrowButton() override {
    ++throw_updates;
    CTableView::UpdateThrowButton();
  }
  int CompleteSelection() override { return CTableView::CompleteSelection(); }
  void OnClockTick() override {
    ++clock_ticks;
    CTableView::OnClockTick();
  }
  engine::EngineObject* CreateLookOnRequestBox(const char* name, const char* avatar,
                                               const engine::ObjectMessage* accept,
                                               const engine::ObjectMessage* refuse) override;
  void TakeFrameQueueEntry() override { ++queue_entries_taken; }
  void RunAdvertScript(const char* name) override { advert_scripts.emplace_back(name); }

  std::vector<LookOnBox> look_on_boxes;
  int queue_entries_taken = 0;
  std::vector<std::string> advert_scripts;
};

// Makes a PlayTableView, for TableViewFixture::make_table_.
inline TestTableView* MakePlayTable() { return new PlayTableView(); }

// Notification bodies as the server writes them.
std::vector<uint8_t> PlayBody(int32_t chair, const table::CARD_COMBO& combo, int32_t next_chair, int32_t seconds);
std::vector<uint8_t> PassBody(int32_t chair, int32_t next_chair, bool trick_over, int32_t seconds);
std::vector<uint8_t> GameMessageBody(uint32_t room, uint32_t user, int32_t id, const std::vector<uint8_t>& data);
// The combination the ids form, as the play check reads them (the strongest of them); type 0 for none.
table::CARD_COMBO ComboOf(const std::vector<int32_t>& ids);

// The 80 ids of one zipai deck on the default card values, in rising order.
std::vector<int32_t> ZipaiDeck();

// The deal and the first player of the sample replay the build records.
inline constexpr uint32_t kSampleSeed = 7;
inline constexpr int32_t kSampleFirst = 0;

class ScriptedGame {
 public:
  static constexpr int kHandCards = 20;
  static constexpr int kBankerCards = 21;
  static constexpr int32_t kSeconds = 20;
  // frames(n) runs n engine frames of 5 ms.
  ScriptedGame(TableApp* app, FakeGameServer* server, std::function<void(int)> frames);
  // The same for a table view under another frame (the game frame of frame_fixture.h).
  ScriptedGame(shell::CGameAppBase* app, PlayTableView* view, FakeGameServer* server,
               std::function<void(int)> frames);

  PlayTableView& view();
  // A new round, pushed as 211040, that the chair `first` leads: the game's deal from ZipaiDeck
  // shuffled by seed (kBankerCards to `first`, kHandCards to every other chair; a hand as much
  // shorter as a table of more chairs needs), or the hands given.
  void Start(uint32_t seed, int32_t first);
  void Start(const std::vector<std::vector<int32_t>>& hands, int32_t first);
  // The server's side of one seat's move: its play (221170) or its pass (223100).
  void Play(int32_t chair, const std::vector<int32_t>& ids);
  void Pass(int32_t chair);
  // The user's move through the view's buttons: its choice (the lead, or the auto-play choice
  // against the table), the play or pass button, and the server's echo of what it sent. False
  // when the view sent nothing.
  bool OwnMove();
  // Echoes the user's requests not echoed yet (221080 as 221170, 223000 as 223100).
  bool EchoOwnRequests();
  // Another seat's move: the weakest combination that beats the table (the lowest single to
  // lead), else a pass.
  void OtherMove(int32_t chair);
  // The round's end: 211080, the game no longer in progress, the table cleared (80000101).
  void End();
  // Moves until a hand is empty (at most max_moves), then End; the moves made.
  int PlayRound(int max_moves = 400);

  int32_t ToAct() const { return to_act_; }
  int32_t OnTable() const { return on_table_; }
  const table::CARD_COMBO& TableCombo() const { return table_combo_; }
  const std::vector<int32_t>& Hand(int32_t chair) const { return hands_[static_cast<size_t>(chair)]; }
  bool Over() const;
  // Frames run after each notification, so that flights land.
  int settle_frames = 40;

 private:
  int32_t Prev(int32_t chair) const { return (chair - 1 + chairs_) % chairs_; }
  void Remove(int32_t chair, const table::CARD_COMBO& combo);

  shell::CGameAppBase* app_;
  PlayTableView* view_;
  FakeGameServer* server_;
  std::function<void(int)> frames_;
  int32_t chairs_ = 3;
  std::vector<std::vector<int32_t>> hands_;
  int32_t to_act_ = -1;
  int32_t on_table_ = -1;
  table::CARD_COMBO table_combo_;
  size_t plays_echoed_ = 0;
  size_t passes_echoed_ = 0;
};

}  // namespace test
