// ctest-labels: play table tsan
// The turn clock through a whole round on the scripted server, with the default skin at each of
// the three card sizes: wherever the turn goes, the clock stands clear of every seat's played
// cards and of the hands at the sides.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "engine/core/sprite_object.h"
#include "engine/ui/number_display.h"
#include "table/card_view.h"
#include "tests/support/play_fixture.h"

namespace {

using table::CCardView;
namespace place = table::card_place;

struct Box {
  double left, top, right, bottom;
};

bool Overlap(const Box& a, const Box& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Where a card's picture lies, turned with it.
Box CardBox(const CCardView& card) {
  const engine::SpriteObject* sprite = card.GetSprite();
  const bool turned = static_cast<int>(sprite->GetAngle()) % 180 == 90;
  const double w = turned ? sprite->GetHeight() : sprite->GetWidth();
  const double h = turned ? sprite->GetWidth() : sprite->GetHeight();
  return Box{card.GetX() - w / 2, card.GetY() - h / 2, card.GetX() + w / 2, card.GetY() + h / 2};
}

class ClockPlace : public test::PlayFixture, public ::testing::WithParamInterface<int> {
 protected:
  // What the clock covers now, said once per kind of fault.
  void Check() {
    const engine::NumberDisplay* clock = view().GetClock();
    if (clock == nullptr || clock->IsVisible() == 0) return;
    const Box at{clock->GetLeft(), clock->GetTop(), clock->GetLeft() + clock->GetWidth(),
                 clock->GetTop() + clock->GetHeight()};
    for (int i = 0; i < view().CardViewCount(); ++i) {
      const CCardView& card = *view().CardView(i);
      const bool played = card.place == place::kPlayed && card.moving == 0;
      const bool side_hand = card.place == place::kHand && card.position != 0;
      if (card.IsVisible() == 0 || !(played || side_hand) || !Overlap(at, CardBox(card))) continue;
      std::ostringstream fault;
      fault << "clock on " << (played ? "the played cards" : "the hand") << " of position " << card.position;
      faults_.insert(fault.str());
    }
    if (view().CountChairCards(game_->ToAct(), place::kPlayed) > 0) seats_with_played_cards_.insert(game_->ToAct());
  }

  std::set<std::string> faults_;
  std::set<int32_t> seats_with_played_cards_;  // where the clock stood beside that seat's own play
};

TEST_P(ClockPlace, TheClockNeverStandsOnPlayedCardsOrTheSideHands) {
  BeginTable(0, 0x1000000, false, false);
  frame().SetTableRect(platform::RECT{4, 25, 4 + GetParam(), 25 + 740});
  game_ = std::make_unique<test::ScriptedGame>(app_.get(), &server_->server(), [this](int n) {
    Frames(n);
    Check();
  });
  game().Start(11, 0);
  EXPECT_GT(game().PlayRound(), 20);
  EXPECT_EQ(faults_, std::set<std::string>{});
  EXPECT_EQ(seats_with_played_cards_, (std::set<int32_t>{0, 1, 2}));
}

// Table widths of the small, middle and large cards.
INSTANTIATE_TEST_SUITE_P(CardSizes, ClockPlace, ::testing::Values(1000, 1200, 1500),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Width" + std::to_string(info.param);
                         });

}  // namespace
