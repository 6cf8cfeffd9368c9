// ctest-labels: play table frame tsan
// Every seat's things at the smallest windows the client is used at: the sample round (the game's
// deal, 21 and 20 cards) played in the game frame as the client lays it out, the table beside the
// side panel, at 800 x 600 with the panel closed and opened, 1050 x 600 and 1024 x 768. After
// every move the hands, the played stacks and the boards of different seats stand apart, and the
// clock stands on no hand and no played stack. The narrowest table's places are known to meet
// (kNarrowTable): those overlaps are let pass there, not asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include "engine/core/sprite_object.h"
#include "engine/ui/number_display.h"
#include "frame/splitter_bar.h"
#include "shell/game_handler.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "table/player_board.h"
#include "tests/support/frame_fixture.h"
#include "tests/support/scripted_game.h"

namespace {

using table::CCardView;
namespace place = table::card_place;

// The rectangle a seat's thing covers; empty until something is added.
struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
  bool empty = true;
  // A picture of w x h centred at (x, y), turned by angle degrees.
  void Add(double x, double y, double w, double h, double angle) {
    if (static_cast<int>(angle) % 180 == 90) std::swap(w, h);
    left = empty ? x - w / 2 : std::min(left, x - w / 2);
    top = empty ? y - h / 2 : std::min(top, y - h / 2);
    right = empty ? x + w / 2 : std::max(right, x + w / 2);
    bottom = empty ? y + h / 2 : std::max(bottom, y + h / 2);
    empty = false;
  }
};

bool Overlap(const Box& a, const Box& b) {
  return !a.empty && !b.empty && a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

struct Window {
  int width;
  int height;
  bool panel_open;
  std::set<std::string> overlaps;  // those the table's places are known to leave
};

class SeatLayout : public test::FrameFixture, public ::testing::WithParamInterface<Window> {
 protected:
  // What covers what now, by view position ("played 0 on played 1").
  void Check() {
    enum { kHand, kPlayed, kBoard, kKinds };
    const char* kNames[kKinds] = {"hand", "played", "board"};
    Box seat[3][kKinds];
    for (int i = 0; i < view_->CardViewCount(); ++i) {
      const CCardView& card = *view_->CardView(i);
      if (card.IsVisible() == 0 || card.position < 0 || card.position > 2) continue;
      const engine::SpriteObject& sprite = *card.GetSprite();
      const int kind = card.place == place::kHand ? kHand : card.place == place::kPlayed ? kPlayed : -1;
      if (kind < 0 || card.moving != 0) continue;
      seat[card.position][kind].Add(card.GetX(), card.GetY(), sprite.GetWidth(), sprite.GetHeight(), sprite.GetAngle());
    }
    for (int32_t c = 0; c < 3; ++c) {
      const table::CPlayerBoard* board = view_->BoardOfChair(c);
      if (board == nullptr || board->IsVisible() == 0) continue;
      seat[board->GetPosition()][kBoard].Add(board->GetX(), board->GetY(), board->GetWidth(), board->GetHeight(),
                                             board->GetAngle());
    }
    for (int p = 0; p < 3; ++p) {
      if (!seat[p][kPlayed].empty) seen_.insert("played " + std::to_string(p));
      for (int q = p + 1; q < 3; ++q) {
        for (int k = 0; k < kKinds; ++k) {
          for (int l = 0; l < kKinds; ++l) {
            if (Overlap(seat[p][k], seat[q][l])) Fault(kNames[k], p, kNames[l], q);
          }
        }
      }
    }
    const engine::NumberDisplay* clock = view_->GetClock();
    if (clock == nullptr || clock->IsVisible() == 0) return;
    Box at;
    at.Add(clock->GetX(), clock->GetY(), clock->GetWidth(), clock->GetHeight(), 0);
    const int turn = view_->ChairToPosition(app_->GetTableStateHolder()->GetActiveChair());
    seen_.insert("clock " + std::to_string(turn));
    for (int p = 0; p < 3; ++p) {
      if (Overlap(at, seat[p][kHand])) Fault("clock", turn, "hand", p);
      if (Overlap(at, seat[p][kPlayed])) Fault("clock", turn, "played", p);
    }
  }
  void Fault(const char* a, int p, const char* b, int q) {
    faults_.insert(std::string(a) + " " + std::to_string(p) + " on " + b + " " + std::to_string(q));
  }

  test::PlayTableView* view_ = nullptr;
  std::set<std::string> faults_;
  std::set<std::string> seen_;  // the seats whose played stack and clock were looked at
};

TEST_P(SeatLayout, EverySeatsHandPlayedCardsBoardAndClockStandApart) {
  const Window& window = GetParam();
  table::InstallCardCallbacks(table::DefaultCardCallbacks());
  SetWorkArea(platform::RECT{0, 0, window.width, window.height});
  app_->new_table = [this] { return view_ = new test::PlayTableView(); };
  Start();
  ASSERT_NE(view_, nullptr);
  frame::SplitterBar* splitter = frame().GetSplitter();
  if (window.panel_open != splitter->IsExpanded()) {
    const engine::ObjectMessage click = engine::MakeMessage(splitter->GetKey(), frame::SplitterBar::kClicked, 0, 0);
    splitter->OnMessage(&click);
    Frames(2);
  }
  ASSERT_EQ(splitter->IsExpanded(), window.panel_open);
  view_->RefreshSeatedBoards();
  test::ScriptedGame game(app_.get(), view_, &server(), [this](int n) {
    Frames(n);
    Check();
  });
  game.Start(test::kSampleSeed, test::kSampleFirst);
  EXPECT_GT(game.PlayRound(), 20);
  EXPECT_TRUE(game.Over());
  EXPECT_EQ(seen_, (std::set<std::string>{"clock 0", "clock 1", "clock 2", "played 0", "played 1", "played 2"}));
  std::set<std::string> unknown;
  std::set_difference(faults_.begin(), faults_.end(), window.overlaps.begin(), window.overlaps.end(),
                      std::inserter(unknown, unknown.end()));
  EXPECT_EQ(unknown, std::set<std::string>{});
}

// The table is 534 pixels wide at 800 x 600 with the side panel open: the side seats' played
// stacks, a card's height and 85 pixels in from the sides, reach the middle and meet each other
// and the own seat's, and the own seat's clock, 200 pixels left of the middle, stands on the foot
// of the left seat's row.
const std::set<std::string> kNarrowTable = {"clock 0 on hand 1", "played 0 on played 1", "played 0 on played 2",
                                            "played 1 on played 2"};

INSTANTIATE_TEST_SUITE_P(SmallestWindows, SeatLayout,
                         ::testing::Values(Window{800, 600, false, {}}, Window{800, 600, true, kNarrowTable},
                                           Window{1050, 600, true, {}}, Window{1024, 768, true, {}}),
                         [](const ::testing::TestParamInfo<Window>& info) {
                           return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) +
                                  (info.param.panel_open ? "PanelOpen" : "PanelClosed");
                         });

}  // namespace
