// ctest-labels: table tsan
// Hands at the table: dealing rows to their chairs, the card sprites' pictures and places, the
// own hand's sort modes, selection by click and by sweep through the window, and the queries the
// play flow reads hands with. The game's cards (80 ids, values 1 to 20) are the test rules'.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/core/sprite_object.h"
#include "engine/ui/number_display.h"
#include "platform/win_messages.h"
#include "shell/game_frame_wnd.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "engine/core/game_core.h"
#include "engine/media/paint_module.h"
#include "tests/support/solid_pictures.h"
#include "tests/support/table_view_fixture.h"

namespace {

using table::CCardView;
namespace place = table::card_place;

class Hands : public test::TableViewFixture {
 protected:
  void SetUp() override {
    TableViewFixture::SetUp();
    Start();
    frame().SetTableRect(platform::RECT{0, 0, 1024, 768});
  }
  // Deals the own chair these ids and each other chair `others` cards of its own.
  void DealOwn(const std::vector<int32_t>& ids, int others = 0) {
    std::vector<std::vector<int32_t>> hands(3);
    hands[0] = ids;
    int32_t next = 79;
    for (int c = 1; c < 3; ++c) {
      for (int k = 0; k < others; ++k) {
        while (std::find(ids.begin(), ids.end(), next) != ids.end()) --next;
        hands[static_cast<size_t>(c)].push_back(next--);
      }
    }
    view().DealHands(hands);
  }
  std::vector<int32_t> RowIds() {
    std::vector<int32_t> ids;
    for (const CCardView* card : view().OwnRow()) ids.push_back(card->card_id);
    return ids;
  }
  std::vector<int32_t> Selected() {
    std::vector<int32_t> ids;
    for (const CCardView* card : view().OwnRow()) {
      if (card->selected != 0) ids.push_back(card->card_id);
    }
    return ids;
  }
  // Own row of ten cards at 1024 x 768: 82 wide, 20 apart, card i's visible strip starts at
  // 381 + 20 i, the last card shows whole.
  static int VisibleX(int i) { return 381 + 20 * i + 10; }
  static constexpr int kRowY = 768 - (120 / 2 + 48);
  // Enough frames for the input module to hand on what it holds (it ticks every 100 ms).
  void Settle() { Frames(22); }
  void Click(int x, int y) {
    Mouse(platform::WM_MOUSEMOVE, x, y);
    Mouse(platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
    Settle();
    Mouse(platform::WM_LBUTTONUP, x, y);
    Settle();
  }
  void Sweep(int from_x, int to_x) {
    Mouse(platform::WM_MOUSEMOVE, from_x, kRowY);
    Mouse(platform::WM_LBUTTONDOWN, from_x, kRowY, platform::MK_LBUTTON);
    Settle();
    const int step = from_x < to_x ? 7 : -7;
    for (int x = from_x; step > 0 ? x < to_x : x > to_x; x += step) {
      Mouse(platform::WM_MOUSEMOVE, x, kRowY, platform::MK_LBUTTON);
      Frames(1);
    }
    Mouse(platform::WM_MOUSEMOVE, to_x, kRowY, platform::MK_LBUTTON);
    Settle();
    Mouse(platform::WM_LBUTTONUP, to_x, kRowY);
    Settle();
  }
};

const std::vector<int32_t> kTen = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

TEST_F(Hands, DealingGivesEachChairItsRowFaceUpForTheUserAndHiddenForTheOthers) {
  const std::vector<std::vector<int32_t>> hands = rules_->Deal(3, 20, 11);
  view().DealHands(hands);
  EXPECT_EQ(view().CountChairCards(0, place::kHand), 20);
  EXPECT_EQ(view().CountChairCards(1, place::kHand), 20);
  EXPECT_EQ(view().CountChairCards(2, place::kHand), 20);
  EXPECT_EQ(view().CountChairCards(-1, place::kHand), 60);
  EXPECT_EQ(view().CountChairCards(-1, place::kPlayedEarlier), 20);
  for (const CCardView* card : view().OwnRow()) {
    EXPECT_TRUE(card->IsShowingFace());
    EXPECT_EQ(card->group_count, 20);
  }
  // The others' rows: small backs, turned to the players, numbered in sprite order and sorted.
  for (int32_t id : hands[1]) {
    const CCardView* card = view().CardView(id);
    EXPECT_EQ(card->card_id, -1);
    EXPECT_FALSE(card->IsShowingFace());
    EXPECT_STREQ(card->GetShownPicture(), "牌背面50x68");
    EXPECT_EQ(card->GetSprite()->GetAngle(), 270);
    EXPECT_EQ(card->position, 1);
  }
  for (int32_t id : hands[2]) EXPECT_EQ(view().CardView(id)->GetSprite()->GetAngle(), 90);
  // Rows of hidden cards spread 8 pixels apart around the middle of the side.
  const CCardView* first = view().FindChairCardByIndex(1, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetX(), 68 / 2 + 48);
  EXPECT_EQ(first->GetY(), 384 + (8 * 20) / 2);
  EXPECT_EQ(view().FindChairCardByIndex(1, 19)->GetY(), 384 + 80 - 19 * 8);
  EXPECT_EQ(view().FindChairCardByIndex(2, 0)->GetX(), 1024 - 82);
  EXPECT_EQ(view().FindChairCardByIndex(2, 0)->GetY(), 384 - 80);

  // The counts stand under the rows' ends: chair 1 under its card 0, chair 2 under its last.
  table::CPlayerBoard* left = view().BoardAt(1);
  ASSERT_TRUE(left->GetCountDisplay()->IsVisible());
  EXPECT_EQ(left->GetCountDisplay()->GetValue(), 20);
  const int half_count = static_cast<int>(left->GetCountDisplay()->GetHeight()) / 2;
  EXPECT_EQ(left->GetCountX(), first->target.x);
  EXPECT_EQ(left->GetCountY(), first->target.y + 25 + half_count + 5);
  const CCardView* last = view().FindChairCardByIndex(2, 19);
  EXPECT_EQ(view().BoardAt(2)->GetCountY(), last->target.y + 25 + half_count + 5);
  EXPECT_FALSE(view().BoardAt(0)->GetCountDisplay()->IsVisible());
}

TEST_F(Hands, AnEmptyRowSetsItsCountToNothingAndLeavesItWhereItWas) {
  DealOwn({0, 1}, 3);
  table::CPlayerBoard* left = view().BoardAt(1);
  const int x = left->GetCountX();
  const int y = left->GetCountY();
  for (int32_t i = 0; i < view().CardViewCount(); ++i) {
    if (view().CardView(i)->chair == 1) view().CardView(i)->place = place::kPlayedEarlier;
  }
  view().LayoutChairCards(1);
  EXPECT_FALSE(left->GetCountDisplay()->IsVisible());
  EXPECT_EQ(left->GetCountX(), x);
  EXPECT_EQ(left->GetCountY(), y);
}

TEST_F(Hands, CardSpritesPickTheirFaceTheirSizeAndTheirLook) {
  DealOwn({0, 1, 2, 3, 4});
  std::vector<CCardView*> row = view().OwnRow();
  // Size class 2 at 1024: the 82 x 120 face of the card's kind.
  EXPECT_STREQ(row[0]->GetShownPicture(), "牌正面82x110");
  EXPECT_EQ(row[0]->GetSprite()->ForwardImageCall3(), 0);
  EXPECT_EQ(row[3]->GetSprite()->ForwardImageCall3(), 3);
  EXPECT_EQ(row[0]->GetAlpha(), 1.0);
  EXPECT_EQ(row[0]->GetSprite()->GetBackdropColour(), CCardView::kNoTint);

  const double y = row[2]->GetY();
  row[2]->Select();
  EXPECT_EQ(row[2]->GetY(), y - 10);
  row[2]->Unselect();
  EXPECT_EQ(row[2]->GetY(), y);

  row[1]->swept = 1;
  row[1]->Refresh();
  EXPECT_DOUBLE_EQ(row[1]->GetAlpha(), 0.7);
  EXPECT_EQ(row[1]->GetSprite()->GetBackdropColour(), CCardView::kTint);
  row[1]->swept = 0;
  row[1]->hover = 1;
  row[1]->Refresh();
  EXPECT_DOUBLE_EQ(row[1]->GetAlpha(), 0.9);
  EXPECT_EQ(row[1]->GetSprite()->GetBackdropColour(), CCardView::kTint);
  row[1]->hover = 0;
  row[1]->Refresh();
  EXPECT_EQ(row[1]->GetAlpha(), 1.0);

  // Face down, the same card shows the large back.
  row[4]->face_up = 0;
  row[4]->Refresh();
  EXPECT_STREQ(row[4]->GetShownPicture(), "牌背面82x110");
  EXPECT_FALSE(row[4]->IsShowingFace());

  // Hidden places are never shown by a refresh.
  for (int32_t p : {place::kPlayedEarlier, place::kOutOfPlay, 5}) {
    row[4]->place = p;
    row[4]->Refresh();
    EXPECT_FALSE(row[4]->IsVisible()) << p;
  }
}

TEST_F(Hands, TheBaseCardsFaceFramesFollowTheCardIdModulo54) {
  auto* card = new CCardView();
  view().AddToScene(card);
  card->LoadBackImage();
  EXPECT_EQ(card->GetFaceFrame(53), 53);
  EXPECT_EQ(card->GetFaceFrame(54), 0);
  EXPECT_EQ(card->GetFaceFrame(215), 53);
  EXPECT_EQ(card->GetFaceFrame(-1), -1);
  card->place = place::kHand;
  card->position = 0;
  card->chair = 0;
  card->group_count = 1;
  card->index = 0;
  card->face_up = 1;
  card->card_id = 215;
  card->Refresh();
  EXPECT_TRUE(card->IsShowingFace());
  EXPECT_EQ(card->GetSprite()->ForwardImageCall3(), 53);
  card->card_id = 216;
  card->Refresh();
  EXPECT_FALSE(card->IsShowingFace());
  // Played without a face to show: its back, not nothing.
  card->place = place::kPlayed;
  card->card_id = -1;
  card->Refresh();
  EXPECT_TRUE(card->IsVisible());
  EXPECT_FALSE(card->IsShowingFace());
}

TEST_F(Hands, TheOwnRowOfFiveInTheSmallestClassStartsThirtyTwoLeftOfTheMiddle) {
  frame().SetTableRect(platform::RECT{0, 0, 1000, 700});
  DealOwn({10, 11, 12, 13, 14});
  const std::vector<CCardView*> row = view().OwnRow();
  ASSERT_EQ(row.size(), 5u);
  EXPECT_EQ(row[0]->large_width, 71);
  EXPECT_EQ(row[0]->GetX(), 500 - 32);
  EXPECT_EQ(row[4]->GetX(), 500 - 32 + 64);
}

TEST_F(Hands, HandCardsHaveTheirSizeClassesSizeWhateverTheirFacePictureMeasures) {
  // A skin whose faces are two pixels larger than its backs.
  auto* paint = dynamic_cast<engine::PaintModule*>(app_->GetMainWnd()->GetCore()->FindModule(engine::module_id::kPaint));
  ASSERT_NE(paint, nullptr);
  paint->RemovePicture("牌正面71x96");
  const engine::PictureInfo back = view().GetPictureInfo("牌背面71x96", 0);
  ASSERT_GT(back.height, 0);
  test::AddSolidFrames(paint, "牌正面71x96", back.width + 2, back.height + 2, std::vector<uint32_t>(20, 0xF0F0F0));
  frame().SetTableRect(platform::RECT{0, 0, 1000, 768});
  DealOwn({10, 11, 12}, 2);
  for (CCardView* card : view().OwnRow()) {
    ASSERT_TRUE(card->IsShowingFace());
    EXPECT_EQ(card->GetSprite()->GetWidth(), back.width);
    EXPECT_EQ(card->GetSprite()->GetHeight(), back.height);
    EXPECT_EQ(card->GetY(), 768 - (back.height / 2 + 48));
  }
  // In the largest class the other rows show the "71x96" pictures as their small size.
  frame().SetTableRect(platform::RECT{0, 0, 1500, 768});
  CCardView* left = view().FindChairCardByIndex(1, 0);
  left->face_up = 1;
  left->card_id = 70;
  left->Refresh();
  ASSERT_TRUE(left->IsShowingFace());
  EXPECT_EQ(left->GetSprite()->GetWidth(), back.width);
  EXPECT_EQ(left->GetSprite()->GetHeight(), back.height);
}

TEST_F(Hands, PlayedCardsOfTheRightSeatLieAboveTheLeftSeatsAndAFlightLeavesThemWhereTheyAre) {
  DealOwn({}, 2);
  CCardView* a = view().FindChairCardByIndex(1, 0);
  CCardView* b = view().FindChairCardByIndex(2, 0);
  for (CCardView* card : {a, b}) {
    card->place = place::kPlayed;
    card->card_id = card == a ? 5 : 6;
    card->index = 0;
    card->group_count = 1;
  }
  a->Refresh();
  b->Refresh();
  EXPECT_EQ(a->GetDepth(), 2000 + 9 * 324);
  EXPECT_EQ(b->GetDepth(), 2000 + 8 * 324);
  EXPECT_GT(a->GetDepth(), b->GetDepth());  // position 1 above position 2
  EXPECT_TRUE(a->IsShowingFace());
  // Left seat: x = W/2 + H + 85.
  EXPECT_EQ(a->GetX(), 41 + 120 + 85);
  EXPECT_EQ(a->GetY(), 384);
  // A card in flight keeps where it stands until its flight ends.
  b->moving = 1;
  b->MoveTo(300, 300);
  b->Refresh();
  EXPECT_EQ(b->GetX(), 300);
  const engine::ObjectMessage arrived = engine::MakeMessage(b->GetKey(), table::view_msg::kCardArrived, 0, 0);
  b->OnMessage(&arrived);
  EXPECT_EQ(b->moving, 0);
  EXPECT_EQ(b->GetX(), b->target.x);
}

TEST_F(Hands, CardsFlyingFewerPixelsThanStepsStillArrive) {
  DealOwn({}, 3);
  std::vector<CCardView*> cards = {view().FindChairCardByIndex(1, 0), view().FindChairCardByIndex(1, 1),
                                   view().FindChairCardByIndex(1, 2)};
  // Played: each card's place on the table is computed, and it is set off 2, 3 and 157 pixels
  // from it, to fly 0, 30 and 60 ms from now.
  const int distance[] = {2, 3, 157};
  for (int i = 0; i < 3; ++i) {
    CCardView* card = cards[static_cast<size_t>(i)];
    card->card_id = 40 + i;
    card->place = place::kPlayed;
    card->group_count = 3;
    card->moving = 1;
    card->Refresh();
    card->MoveTo(card->target.x - distance[i], card->target.y);
    card->FlyTo(card->target.x, card->target.y, static_cast<uint32_t>(30 * i));
  }
  Frames(6);
  EXPECT_EQ(cards[2]->GetX(), cards[2]->target.x - 157);
  Frames(200);
  for (CCardView* card : cards) {
    EXPECT_EQ(card->moving, 0);
    EXPECT_EQ(card->GetX(), card->target.x);
    EXPECT_EQ(card->GetY(), card->target.y);
  }
}

TEST_F(Hands, EverySortModeOrdersTheOwnHand) {
  // Values: 0, 20 -> 1; 5, 25 -> 6; 10 -> 11; 15 -> 16; 39 -> 20. Big cards (suit 1): 10, 15, 39.
  DealOwn({0, 20, 5, 15, 25, 39, 10});
  const int spacing = view().OwnRow()[0]->GetOwnSpacing();
  view().SortHand(table::sort_mode::kValueFalling);
  EXPECT_EQ(RowIds(), (std::vector<int32_t>{39, 15, 10, 5, 25, 0, 20}));
  const std::vector<CCardView*> row = view().OwnRow();
  for (size_t r = 1; r < row.size(); ++r) EXPECT_EQ(row[r]->GetX() - row[r - 1]->GetX(), spacing);
  view().SortHand(table::sort_mode::kValueRising);
  EXPECT_EQ(RowIds(), (std::vector<int32_t>{0, 20, 5, 25, 10, 15, 39}));
  view().SortHand(table::sort_mode::kCountRising);
  EXPECT_EQ(RowIds(), (std::vector<int32_t>{10, 15, 39, 0, 20, 5, 25}));
  view().SortHand(table::sort_mode::kCountFalling);
  EXPECT_EQ(RowIds(), (std::vector<int32_t>{5, 25, 0, 20, 39, 15, 10}));

  // Any other mode keeps the row's order and closes the gaps in its places.
  std::vector<CCardView*> gappy = view().OwnRow();
  for (size_t r = 0; r < gappy.size(); ++r) gappy[r]->index = static_cast<int32_t>(3 * r + 1);
  view().SortHand(table::sort_mode::kPlace);
  EXPECT_EQ(RowIds(), (std::vector<int32_t>{5, 25, 0, 20, 39, 15, 10}));
  for (size_t r = 0; r < gappy.size(); ++r) EXPECT_EQ(view().OwnRow()[r]->index, static_cast<int32_t>(r));
}

TEST_F(Hands, BySuitGroupsTheFrameworksSuits) {
  table::InstallCardCallbacks(table::DefaultCardCallbacks());
  // Default deck: suit = id / 13, value = id % 13 + 1.
  DealOwn({0, 12, 14, 27, 40});
  view().SortHand(table::sort_mode::kSuit);
  EXPECT_EQ(RowIds(), (std::vector<int32_t>{40, 27, 14, 12, 0}));
  view().SortHand(table::sort_mode::kValueFalling);
  EXPECT_EQ(RowIds(), (std::vector<int32_t>{12, 40, 27, 14, 0}));
}

TEST_F(Hands, ASortOfOneCardPutsItAtTheRowsPlace) {
  DealOwn({7});
  const double x = view().OwnRow()[0]->GetX();
  view().SortHand(table::sort_mode::kValueRising);
  EXPECT_EQ(view().OwnRow()[0]->index, 0);
  EXPECT_EQ(view().OwnRow()[0]->GetX(), x);
}

TEST_F(Hands, AClickRaisesACardAndASecondClickLowersIt) {
  DealOwn(kTen, 4);
  Click(VisibleX(3), kRowY);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{3}));
  EXPECT_EQ(view().OwnRow()[3]->GetY(), kRowY - 10);
  EXPECT_EQ(view().OwnRow()[3]->swept, 0);
  EXPECT_EQ(view().throw_updates, 1);
  Click(VisibleX(3), kRowY - 5);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(view().throw_updates, 2);
}

TEST_F(Hands, ASweepRaisesEveryCardItPassesInEitherDirection) {
  DealOwn(kTen, 4);
  Sweep(VisibleX(2), VisibleX(6));
  EXPECT_EQ(Selected(), (std::vector<int32_t>{2, 3, 4, 5, 6}));
  view().ClearSelection();
  Sweep(VisibleX(7), VisibleX(3));
  EXPECT_EQ(Selected(), (std::vector<int32_t>{3, 4, 5, 6, 7}));
  view().ClearSelection();
  // Past the row's right end: up to the last card.
  Sweep(VisibleX(6), 900);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{6, 7, 8, 9}));
}

TEST_F(Hands, ASweepOverRaisedCardsLowersThemAndOverAMixRaisesThemAll) {
  DealOwn(kTen, 4);
  Sweep(VisibleX(2), VisibleX(4));
  Sweep(VisibleX(2), VisibleX(4));
  EXPECT_TRUE(Selected().empty());
  Click(VisibleX(3), kRowY);
  Sweep(VisibleX(2), VisibleX(4));
  EXPECT_EQ(Selected(), (std::vector<int32_t>{2, 3, 4}));
}

TEST_F(Hands, AWatcherAndOtherSeatsCardsDoNotSelect) {
  DealOwn(kTen, 4);
  CCardView* other = view().FindChairCardByIndex(1, 0);
  engine::ObjectMessage press =
      engine::MakeMessage(view().GetKey(), table::view_msg::kCardLeftDown, reinterpret_cast<uintptr_t>(other), 0);
  EXPECT_EQ(view().OnMessage(&press), 0);
  // A message naming no card of the view is refused without touching it.
  int not_a_card = 0;
  press.p1 = reinterpret_cast<uintptr_t>(&not_a_card);
  EXPECT_EQ(view().OnMessage(&press), 0);

  app_.reset();
  Start(test::CommandLineFor(0, 0x1000000, true));
  frame().SetTableRect(platform::RECT{0, 0, 1024, 768});
  view().DealHands({kTen, {}, {}}, true);
  Sweep(VisibleX(2), VisibleX(6));
  EXPECT_TRUE(Selected().empty());
}

TEST_F(Hands, ARaisedCardTakesTheHoverLookOnlyAfterAMoment) {
  DealOwn(kTen, 4);
  Frames(62);  // the engine's clock past its first 300 ms
  Mouse(platform::WM_MOUSEMOVE, VisibleX(1), kRowY);
  Settle();
  EXPECT_EQ(view().OwnRow()[1]->hover, 1);
  EXPECT_DOUBLE_EQ(view().OwnRow()[1]->GetAlpha(), 0.9);
  // Raised just now: the pointer coming over it within 300 ms gives it no hover look.
  view().OwnRow()[5]->SelectTimed();
  Mouse(platform::WM_MOUSEMOVE, VisibleX(5), kRowY - 10);
  Settle();
  EXPECT_LT(services().GetElapsedMs() - view().OwnRow()[5]->raise_time, 300u);
  EXPECT_EQ(view().OwnRow()[5]->hover, 0);
  EXPECT_EQ(view().OwnRow()[1]->hover, 0);
  Mouse(platform::WM_MOUSEMOVE, VisibleX(1), kRowY);
  Frames(62);
  Mouse(platform::WM_MOUSEMOVE, VisibleX(5), kRowY - 10);
  Settle();
  EXPECT_EQ(view().OwnRow()[5]->hover, 1);
  EXPECT_DOUBLE_EQ(view().OwnRow()[5]->GetAlpha(), 0.9);
}

TEST_F(Hands, ARightClickOnNothingClearsTheSelection) {
  DealOwn(kTen, 4);
  view().SelectCards(std::vector<int32_t>{1, 2}.data(), 2);
  EXPECT_EQ(Selected().size(), 2u);
  Mouse(platform::WM_MOUSEMOVE, 500, 200);
  Settle();
  Mouse(platform::WM_RBUTTONDOWN, 500, 200, 0x2);
  Settle();
  EXPECT_TRUE(Selected().empty());
}

TEST_F(Hands, ALongSweepLooksForTheWidestSequenceOnAnOpenTrick) {
  DealOwn(kTen, 4);
  view().has_state = true;
  view().state.chair_on_table = -1;
  // Two sequences are found; the one of more distinct values wins.
  view().hint_answers = {{table::COMBO_PAIR_STRAIGHT, {2, 3, 4, 5}}, {table::COMBO_STRAIGHT, {3, 4, 5, 6, 7}}};
  Sweep(VisibleX(2), VisibleX(7));
  std::vector<uint32_t> masks;
  for (const auto& call : view().hint_calls) {
    EXPECT_TRUE(call.largest);
    EXPECT_EQ(call.to_beat, 0u);
    EXPECT_EQ(call.cards.size(), 6u);
    masks.push_back(call.mask);
  }
  EXPECT_EQ(masks, (std::vector<uint32_t>{0x400, 0x20, 0x200, 0x100, 0x40}));
  EXPECT_EQ(Selected(), (std::vector<int32_t>{3, 4, 5, 6, 7}));

  // Four cards or fewer: no search.
  view().ClearSelection();
  view().hint_calls.clear();
  Sweep(VisibleX(2), VisibleX(5));
  EXPECT_TRUE(view().hint_calls.empty());
  EXPECT_EQ(Selected().size(), 4u);
}

TEST_F(Hands, ALongSweepFollowingABigPlayLooksForTheSmallestThatBeatsIt) {
  DealOwn(kTen, 4);
  view().has_state = true;
  view().state.chair_on_table = 1;
  view().state.combo.type = table::COMBO_PAIR_STRAIGHT;
  view().state.combo.card_count = 4;
  view().hint_answers = {{table::COMBO_PAIR_STRAIGHT, {6, 7, 8, 9}}};
  Sweep(VisibleX(3), VisibleX(9));
  ASSERT_EQ(view().hint_calls.size(), 1u);
  EXPECT_FALSE(view().hint_calls[0].largest);
  EXPECT_EQ(view().hint_calls[0].mask, table::COMBO_PAIR_STRAIGHT);
  EXPECT_EQ(view().hint_calls[0].to_beat, table::COMBO_PAIR_STRAIGHT);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{6, 7, 8, 9}));

  // A smaller play on the table: the sweep stays as swept.
  view().ClearSelection();
  view().hint_calls.clear();
  view().state.combo.card_count = 3;
  Sweep(VisibleX(3), VisibleX(9));
  EXPECT_TRUE(view().hint_calls.empty());
  EXPECT_EQ(Selected().size(), 7u);
}

TEST_F(Hands, QueriesReadTheHandRowLastFirst) {
  DealOwn({0, 20, 5, 15, 39, 19}, 3);
  view().SortHand(table::sort_mode::kValueRising);  // 0, 20, 5, 15, 19, 39
  int32_t ids[table::CTableView::kCardList];
  EXPECT_EQ(view().GetHandCards(ids), 6);
  EXPECT_EQ(std::vector<int32_t>(ids, ids + 7), (std::vector<int32_t>{39, 19, 15, 5, 20, 0, -1}));
  view().SelectCards(std::vector<int32_t>{20, 15}.data(), 2);
  EXPECT_EQ(view().GetSelectedCards(ids), 2);
  EXPECT_EQ(std::vector<int32_t>(ids, ids + 3), (std::vector<int32_t>{15, 20, -1}));
  EXPECT_EQ(view().CountSelected(), 2);
  // Value 20 is held twice (19 and 39), value 1 twice (0 and 20).
  EXPECT_EQ(view().GetCardsOfCount(ids, 2), 4);
  EXPECT_EQ(std::vector<int32_t>(ids, ids + 4), (std::vector<int32_t>{39, 19, 20, 0}));
  EXPECT_EQ(view().GetCardsOfCount(ids, 1), 2);
}

TEST_F(Hands, SelectingByIdsTakesTheHandsFirstCardForAnIdTheHandDoesNotHold) {
  DealOwn({1, 0, 2, 3}, 3);
  const int32_t ids[] = {2, -1, 3};
  view().SelectCards(ids, 3);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{2, 3}));
  view().ClearSelection();
  const int32_t strangers[] = {60, 61};
  view().SelectCards(strangers, 2);
  const std::vector<int32_t> first{view().FindChairCardById(0, 60)->card_id};
  EXPECT_EQ(Selected(), first);
  // A hint of a type selects its cards the same way.
  view().hint_answers = {{0x1, {61}}};
  EXPECT_EQ(view().SelectHintOfType(strangers, 2, 0x1, 1), 1);
  EXPECT_EQ(Selected(), first);
}

TEST_F(Hands, GroupSelectionCountsValuesAboveFifteen) {
  // Values: 15, 35 -> 16; 19, 39 -> 20; 18 -> 19; 0 -> 1.
  DealOwn({15, 35, 19, 39, 18, 0});
  view().SelectGroupsOfCount(2);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{15, 35, 19, 39}));
  EXPECT_EQ(view().throw_updates, 1);
  view().ClearSelection();
  view().SelectGroupsOfCount(1);
  EXPECT_EQ(Selected(), (std::vector<int32_t>{18, 0}));
}

TEST_F(Hands, CountingByValueKeepsToItsCounters) {
  DealOwn({15, 35, 19, 39, 18, 0, 1, 21});
  int32_t counters[17];
  std::fill(counters, counters + 17, 99);
  // Sixteen counters: values 16 and up have none and are not counted.
  EXPECT_EQ(view().CountHandByValue(counters, table::CTableView::kValueCounters), 3);
  EXPECT_EQ(counters[1], 1);
  EXPECT_EQ(counters[2], 2);
  EXPECT_EQ(counters[15], 0);
  EXPECT_EQ(counters[16], 99);
  const int32_t ids[] = {0, 20, 1, 15, 39};
  EXPECT_EQ(view().CountDistinctValues(ids, 5), 2);
}

TEST_F(Hands, SortingIdsByOrderPutsTheValidOnesFirst) {
  int32_t ids[] = {-1, 3, -1, 23, 7, -1};
  EXPECT_EQ(view().SortCardsByOrder(ids, 6), 3);
  // Orders: 7 -> 8, 3 and 23 -> 4 (23 is the higher id).
  EXPECT_EQ(std::vector<int32_t>(ids, ids + 6), (std::vector<int32_t>{7, 23, 3, -1, -1, -1}));
}

TEST_F(Hands, ACardIdOfMinusOneIsNoCard) {
  DealOwn({4, 5}, 2);
  EXPECT_EQ(view().FindCardById(-1), nullptr);
  EXPECT_EQ(view().FindCardById(5), view().CardView(5));
  // A chair's hidden row answers its first card for any id.
  EXPECT_EQ(view().FindChairCardById(1, 33), view().FindChairCardById(1, -1));
  EXPECT_NE(view().FindChairCardById(1, 33), nullptr);
  EXPECT_EQ(view().FindChairCardById(0, 5), view().CardView(5));
  EXPECT_EQ(view().FindChairCardById(0, 60), view().CardView(4));
}

TEST_F(Hands, ReplayHandsFillAHiddenRowOnlyWhenTheCountsMatch) {
  DealOwn({0}, 3);
  const int32_t wrong[] = {10, 11};
  view().SetChairHand(1, wrong, 2);
  EXPECT_EQ(view().FindChairCardByIndex(1, 0)->card_id, -1);
  const int32_t ids[] = {10, 31, 12};
  const std::vector<int32_t> kept(ids, ids + 3);
  view().SetChairHand(1, ids, 3);
  // The caller's list is not sorted in place.
  EXPECT_EQ(std::vector<int32_t>(ids, ids + 3), kept);
  // Order x 1000 + id, falling: 31 (12), 12 (13)... values: 10 -> 11, 31 -> 12, 12 -> 13.
  EXPECT_EQ(view().FindChairCardByIndex(1, 0)->card_id, 12);
  EXPECT_EQ(view().FindChairCardByIndex(1, 1)->card_id, 31);
  EXPECT_EQ(view().FindChairCardByIndex(1, 2)->card_id, 10);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(view().FindChairCardByIndex(1, i)->face_up, 1);
    EXPECT_TRUE(view().FindChairCardByIndex(1, i)->IsShowingFace());
  }
}

}  // namespace
