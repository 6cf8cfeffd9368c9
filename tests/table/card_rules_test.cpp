// ctest-labels: rules
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "table/card_rules.h"
#include "tests/support/scripted_random.h"

namespace table {
namespace {

CCardRules* MakeRules(uint32_t flags, int chairs = 3, int32_t rising = 400, int32_t falling = 0,
                      int32_t default_bid = 100) {
  return new CCardRules(-1, -1, 1, chairs, flags, 0, 3, 216, 4, 64, 0, 0, 0, 0, nullptr, 30, 4, 2, rising, falling,
                        default_bid, DefaultCardValue, DefaultCardSuit, DefaultCardNumber, DefaultCardPoints,
                        DefaultCardOrder, DefaultValueOrder);
}

CARD_COMBO Combo(uint32_t type, uint32_t mask, uint32_t value) {
  CARD_COMBO c;
  c.type = type;
  c.beat_mask = mask;
  c.value = value;
  return c;
}

// ---- card attributes ----

TEST(CardAttributes, DefaultsAcrossDecksAndJokers) {
  ScopedCardCallbacks keep;
  InstallCardCallbacks(DefaultCardCallbacks());
  EXPECT_EQ(GetCardValue(52, 0), 14);
  EXPECT_EQ(GetCardValue(53, 0), 15);
  EXPECT_EQ(GetCardValue(106, 0), 14);
  EXPECT_EQ(GetCardValue(107, 0), 15);
  EXPECT_EQ(GetCardValue(0, 0), 1);
  EXPECT_EQ(GetCardValue(12, 0), 13);
  EXPECT_EQ(GetCardValue(13, 0), 1);
  EXPECT_EQ(GetCardValue(54 + 25, 0), 13);
  EXPECT_EQ(GetCardSuit(0, 0), 0);
  EXPECT_EQ(GetCardSuit(51, 0), 3);
  EXPECT_EQ(GetCardSuit(52, 0), 5);
  EXPECT_EQ(GetCardSuit(161, 0), 5);
  EXPECT_EQ(GetCardNumber(14, 0), 2);
  EXPECT_EQ(GetCardPoints(3, 0), 5);    // value 4
  EXPECT_EQ(GetCardPoints(8, 0), 10);   // value 9
  EXPECT_EQ(GetCardPoints(11, 0), 10);  // value 12
  EXPECT_EQ(GetCardPoints(12, 0), 0);
  EXPECT_EQ(GetCardPoints(52, 0), 0);
  EXPECT_EQ(GetValueOrder(14, 0, 0), 21);
  EXPECT_EQ(GetValueOrder(15, 0, 0), 22);
  EXPECT_EQ(GetValueOrder(7, 7, 0), 20);  // the level card ranks below the jokers
  EXPECT_EQ(GetValueOrder(7, 0, 0), 7);
  EXPECT_EQ(GetCardOrder(53, 0, 0), 22);
}

int32_t GameValue(int32_t id, int32_t) { return id % 21; }  // values up to 20, like the game's cards
int32_t GameOrder(int32_t value, int32_t, int32_t) { return 100 + value; }

TEST(CardAttributes, CallbacksAreProcessWideAndTheSearchObjectPutsThemBack) {
  ScopedCardCallbacks keep;
  std::unique_ptr<CCardRules> first(MakeRules(0));
  EXPECT_EQ(GetCardValue(20, 0), 8);
  CCardRules game(-1, -1, 1, 3, 0, 0, 3, 80, 1, 32, 0, 21, 10, 21, nullptr, 30, 4, 2, 3, 0, 1, GameValue, nullptr,
                  nullptr, nullptr, nullptr, GameOrder);
  // The newest object decides the attributes for the first one too.
  EXPECT_EQ(GetCardValue(20, 0), 20);
  {
    SearchRules search;  // the hint search's temporary object installs the defaults...
    EXPECT_EQ(GetCardValue(20, 0), 8);
    CARD_COMBO_LIST list;
    int32_t pair[] = {0, 13};
    EXPECT_TRUE(search->FindAllCombos(0, pair, 2, &list, COMBO_PAIR));
  }
  // ...and the game's callbacks are back once it is gone.
  EXPECT_EQ(GetCardValue(20, 0), 20);
  EXPECT_EQ(GetValueOrder(3, 0, 0), 103);
}

TEST(CardAttributes, CountersNeverWritePastSixteenValues) {
  ScopedCardCallbacks keep;
  CCardRules game(-1, -1, 1, 3, 0, 0, 3, 80, 1, 32, 0, 21, 10, 21, nullptr, 30, 4, 2, 3, 0, 1, GameValue, nullptr,
                  nullptr, nullptr, nullptr, GameOrder);
  struct Guarded {
    int32_t counts[16] = {};
    int32_t guard[8] = {};
  } g;
  int32_t cards[] = {17, 18, 19, 20, 3, -1, 500};
  int w = 0;
  EXPECT_EQ(game.CountHandByValue(cards, 7, g.counts, 16, &w), 5);  // -1 and 500 are no cards
  EXPECT_EQ(g.counts[3], 1);
  for (int32_t x : g.guard) EXPECT_EQ(x, 0);
  int32_t counts[16] = {};
  EXPECT_EQ(CountCardsByValue(cards, 7, counts, 16, 0), 5);
  EXPECT_EQ(counts[3], 1);
  // The search finders see no value they cannot hold.
  CARD_COMBO r;
  int32_t c2[16] = {};
  game.CountHandByValue(cards, 5, c2, 16, &w);
  EXPECT_FALSE(game.FindPair(cards, 5, c2, 16, 0, &r));
}

// ---- the beat rule ----

TEST(BeatRule, Matrix) {
  ScopedCardCallbacks keep;
  std::unique_ptr<CCardRules> rules(MakeRules(0));
  const CARD_COMBO empty;
  const CARD_COMBO single = Combo(COMBO_SINGLE, COMBO_SINGLE, 5);
  const CARD_COMBO pair = Combo(COMBO_PAIR, COMBO_PAIR, 9);
  const CARD_COMBO triple_pair = Combo(COMBO_TRIPLE_PAIR, COMBO_TRIPLE_PAIR, 30002);
  const CARD_COMBO bomb4 = Combo(COMBO_BOMB, kBombBeatMask, 13);
  const CARD_COMBO bomb5 = Combo(COMBO_BOMB, kBombBeatMask, 10003);
  const CARD_COMBO jokers = Combo(COMBO_FOUR_JOKERS, kJokerBeatMask, 1);
  const CARD_COMBO flush = Combo(COMBO_STRAIGHT_FLUSH, 0, 105);
  const CARD_COMBO long_set = Combo(COMBO_LONG_SET, 0, 20003);
  const CARD_COMBO any = Combo(COMBO_ANY, kJokerBeatMask, 1);

  for (const CARD_COMBO& c : {single, pair, bomb4, jokers, flush, long_set, any}) EXPECT_TRUE(rules->CanBeat(empty, c));
  EXPECT_FALSE(rules->CanBeat(single, pair));
  EXPECT_TRUE(rules->CanBeat(triple_pair, bomb4));
  EXPECT_TRUE(rules->CanBeat(bomb4, bomb5));  // more cards beat fewer
  EXPECT_FALSE(rules->CanBeat(bomb5, bomb4));
  EXPECT_TRUE(rules->CanBeat(bomb5, jokers));
  EXPECT_TRUE(rules->CanBeat(pair, jokers));
  EXPECT_FALSE(rules->CanBeat(jokers, bomb5));
  EXPECT_FALSE(rules->CanBeat(jokers, jokers));
  for (const CARD_COMBO& c : {single, bomb5, jokers, any, flush, long_set}) {
    EXPECT_FALSE(rules->CanBeat(flush, c));
    EXPECT_FALSE(rules->CanBeat(long_set, c));
  }
  EXPECT_FALSE(rules->CanBeat(pair, pair));  // equal values do not beat each other
  EXPECT_TRUE(rules->CanBeat(pair, Combo(COMBO_PAIR, COMBO_PAIR, 10)));
  // Values compare unsigned.
  EXPECT_TRUE(rules->CanBeat(single, Combo(COMBO_SINGLE, COMBO_SINGLE, 0x80000000u)));
  EXPECT_FALSE(rules->CanBeat(any, jokers));  // nothing is played on "any"
}

// ---- the combination record travels byte for byte ----

TEST(CardComboRecord, WrittenAndReadBackByteForByte) {
  CARD_COMBO c = Combo(COMBO_PAIR_STRAIGHT, COMBO_PAIR_STRAIGHT, 0x01020304);
  c.card_count = 4;
  c.cards[0] = 7;
  c.cards[1] = 0x12345678;
  c.cards[3] = -2;
  uint8_t bytes[272];
  ASSERT_TRUE(WriteCardCombo(c, bytes, sizeof bytes));
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 0x01);  // type 0x100, little-endian
  EXPECT_EQ(bytes[8], 0x04);
  EXPECT_EQ(bytes[11], 0x01);
  EXPECT_EQ(bytes[12], 4);
  EXPECT_EQ(bytes[16], 7);
  EXPECT_EQ(bytes[20], 0x78);
  EXPECT_EQ(bytes[23], 0x12);
  EXPECT_EQ(bytes[24], 0xFF);  // an empty place is -1
  EXPECT_EQ(bytes[28], 0xFE);
  CARD_COMBO back;
  ASSERT_TRUE(ReadCardCombo(bytes, sizeof bytes, &back));
  EXPECT_EQ(std::memcmp(&back, &c, sizeof c), 0);
  uint8_t again[272];
  WriteCardCombo(back, again, sizeof again);
  EXPECT_EQ(std::memcmp(bytes, again, sizeof bytes), 0);
  EXPECT_FALSE(WriteCardCombo(c, bytes, 271));
  EXPECT_FALSE(ReadCardCombo(bytes, 100, &back));
}

// ---- rules object basics ----

TEST(CardRules, ResetDefaultsFirstChairAndHooks) {
  platform::ScopedManualClock clock;
  ScopedCardCallbacks keep;
  ScriptedRandom random({2});
  shell::ScopedRandom use(random);
  std::unique_ptr<CCardRules> rules(MakeRules(0));
  EXPECT_EQ(rules->BestBid(), 100);
  EXPECT_EQ(rules->BidCount(), 0);
  EXPECT_EQ(rules->GetStartRecordSize(), 1096);
  EXPECT_EQ(rules->GetGameResultSize(), 456);
  EXPECT_EQ(rules->GetChairAfterNext(0), 1);
  EXPECT_EQ(rules->GetChairAfterNext(2), 0);
  EXPECT_TRUE(rules->IsGameMessage(table::kFirstFrameworkMessage));
  EXPECT_TRUE(rules->IsGameMessage(table::kLastFrameworkMessage2));
  EXPECT_FALSE(rules->IsGameMessage(table::kLastFrameworkMessage + 1));
  EXPECT_FALSE(rules->IsGameMessage(table::kFirstFrameworkMessage2 - 1));
  EXPECT_FALSE(rules->IsGameMessage(table::kLastFrameworkMessage2 + 3));  // the game's own moves
  int32_t cards[] = {0, 215, 216, -1, 53};
  EXPECT_EQ(rules->CountValidCards(cards, 5), 3);

  // First game at the table: a random chair; later games: the banker.
  int32_t info[61] = {};
  info[1] = 1;
  rules->SetTableInfo(info);
  for (int c = 0; c < 3; ++c) {
    auto p = std::make_unique<TablePlayer>();
    p->user_id = 100 + c;
    p->chair = c;
    ASSERT_EQ(rules->AddPlayer(std::move(p)), 1);
  }
  StartParams params;
  params.max_score = 1 << 30;
  params.min_score = -(1 << 30);
  params.max_player_games = 1000;
  params.max_table_games = 1000;
  int fault = -5;
  ASSERT_EQ(rules->StartGame(&fault, params), 1);
  EXPECT_EQ(rules->GameCounter(), 1);
  EXPECT_EQ(rules->Banker(), 2);
  EXPECT_EQ(rules->GetCurrentChair(), 2);
  EXPECT_EQ(rules->State() & 0x101u, 0x101u);  // the rules' game phase adds the play bit
  EXPECT_EQ(rules->IsFirstGame(), 1);
  random.Script({0});
  ASSERT_EQ(rules->StartGame(&fault, params), 1);
  EXPECT_EQ(rules->Banker(), 2);

  // The rules' start record is 1096 bytes: the table's 88, then zeros.
  std::vector<uint8_t> record(1096, 0xEE);
  EXPECT_EQ(rules->FillStartRecord(record.data(), 1095), 0);
  ASSERT_EQ(rules->FillStartRecord(record.data(), 1096), 1);
  EXPECT_EQ(GetWord(record.data() + 8), 3u);
  EXPECT_EQ(GetWord(record.data() + 52), 2u);  // the game counter
  for (size_t i = 60; i < record.size(); ++i) ASSERT_EQ(record[i], 0) << i;
  std::vector<uint8_t> state(40, 0xEE);
  rules->FillStateRecord(state.data(), 40);
  for (uint8_t b : state) EXPECT_EQ(b, 0);
}

// ---- the banker auction ----

std::vector<int32_t> Bid(int chair, int passed, int value) { return {0, 0, 0, chair, passed, value}; }

TEST(Bidding, RisingAuctionDecidesAtOnceOrAfterEveryChair) {
  platform::ScopedManualClock clock;
  ScopedCardCallbacks keep;
  std::unique_ptr<CCardRules> rules(MakeRules(kRuleAuctionClosesAfterAll));
  rules->SetCurrentChair(2);
  int decided = 0;
  EXPECT_EQ(rules->PlaceBid(Bid(2, 0, 150).data(), &decided), 1);
  EXPECT_EQ(decided, 0);
  EXPECT_EQ(rules->GetCurrentChair(), 1);  // the turn passes to the chair before
  rules->PlaceBid(Bid(1, 0, 300).data(), &decided);
  EXPECT_EQ(decided, 0);
  EXPECT_EQ(rules->GetCurrentChair(), 0);
  rules->PlaceBid(Bid(0, 0, 300).data(), &decided);
  EXPECT_EQ(decided, 1);
  EXPECT_EQ(rules->Banker(), 0);  // the later of equal bids
  EXPECT_EQ(rules->BestBid(), 300);
  EXPECT_EQ(rules->Bid(1).value, 300);
  EXPECT_EQ(rules->Bid(1).chair, 1);

  rules->AddStateBits(kStateAuction);
  EXPECT_EQ(rules->FinishAuction(), 1);
  EXPECT_EQ(rules->State() & kStateAuction, 0u);
  EXPECT_NE(rules->State() & kStatePlay, 0u);
  EXPECT_EQ(rules->GetCurrentChair(), 0);

  // A bid at the win-at-once value decides at once.
  rules->Reset(0);
  rules->SetCurrentChair(1);
  decided = 0;
  rules->PlaceBid(Bid(1, 0, 400).data(), &decided);
  EXPECT_EQ(decided, 1);
  EXPECT_EQ(rules->Banker(), 1);
  EXPECT_EQ(rules->BestBid(), 400);
}

TEST(Bidding, FallingAuctionAndAllPasses) {
  platform::ScopedManualClock clock;
  ScopedCardCallbacks keep;
  std::unique_ptr<CCardRules> rules(MakeRules(kRuleAuctionClosesAfterAll | kRuleFallingBids, 3, 400, 20, 100));
  rules->SetCurrentChair(0);
  int decided = 0;
  rules->PlaceBid(Bid(0, 0, 80).data(), &decided);
  EXPECT_EQ(rules->GetCurrentChair(), 2);  // wraps to the last chair
  rules->PlaceBid(Bid(2, 0, 60).data(), &decided);
  rules->PlaceBid(Bid(1, 0, 60).data(), &decided);
  EXPECT_EQ(decided, 1);
  EXPECT_EQ(rules->Banker(), 1);
  EXPECT_EQ(rules->BestBid(), 60);

  rules->Reset(0);
  rules->SetBanker(2);
  rules->SetCurrentChair(0);
  decided = 0;
  rules->PlaceBid(Bid(0, 0, 20).data(), &decided);  // equal to the falling win-at-once bid
  EXPECT_EQ(decided, 1);
  EXPECT_EQ(rules->Banker(), 0);

  rules->Reset(0);
  rules->SetBanker(2);
  rules->SetCurrentChair(0);
  decided = 0;
  for (int c : {0, 2, 1}) rules->PlaceBid(Bid(c, 1, 0).data(), &decided);
  EXPECT_EQ(decided, 1);
  EXPECT_EQ(rules->BestBid(), 100);
  EXPECT_EQ(rules->Banker(), 2);

  // Without close-after-all only a win-at-once bid decides; bids past the first chair-count
  // are not scanned at a close either.
  std::unique_ptr<CCardRules> open(MakeRules(0));
  open->SetCurrentChair(0);
  decided = 0;
  for (int i = 0; i < 6; ++i) open->PlaceBid(Bid(i % 3, 0, 200).data(), &decided);
  EXPECT_EQ(decided, 0);
}

TEST(Bidding, TheThirtyThirdBidIsRefused) {
  platform::ScopedManualClock clock;
  ScopedCardCallbacks keep;
  std::unique_ptr<CCardRules> rules(MakeRules(0));
  rules->SetCurrentChair(0);
  int decided = 0;
  for (int i = 0; i < kMaxBids; ++i) ASSERT_EQ(rules->PlaceBid(Bid(i % 3, 0, 10 + i).data(), &decided), 1);
  const int chair = rules->GetCurrentChair();
  EXPECT_EQ(rules->PlaceBid(Bid(0, 0, 5).data(), &decided), 0);
  EXPECT_EQ(rules->BidCount(), kMaxBids);
  EXPECT_EQ(rules->GetCurrentChair(), chair);
  EXPECT_EQ(rules->Bid(kMaxBids - 1).value, 10 + kMaxBids - 1);
  rules->Reset(0);
  EXPECT_EQ(rules->PlaceBid(Bid(0, 0, 5).data(), &decided), 1);
}

// ---- a play checked against the rules ----

class OwningRules : public CCardRules {
 public:
  OwningRules()
      : CCardRules(-1, -1, 1, 3, 0, 0, 3, 216, 4, 64, 0, 0, 0, 0, nullptr, 30, 4, 2, 400, 0, 100, DefaultCardValue,
                   DefaultCardSuit, DefaultCardNumber, DefaultCardPoints, DefaultCardOrder, DefaultValueOrder) {}
  CARD_RECORD* FindCardRecord(int32_t id) override {
    if (id < 0 || id >= 216) return nullptr;
    record_ = {id, id < 108 ? 1 : 2};
    return &record_;
  }

 private:
  CARD_RECORD record_;
};

TEST(CardRules, ValidatePlayChecksTurnOwnershipCountAndShape) {
  platform::ScopedManualClock clock;
  ScopedCardCallbacks keep;
  OwningRules rules;
  PLAY_MESSAGE play;
  play.head[3] = 1;
  play.combo.type = COMBO_PAIR;
  play.combo.card_count = 2;
  play.combo.cards[0] = 4;
  play.combo.cards[1] = 17;                // two 5s, both held by chair 1
  EXPECT_EQ(rules.ValidatePlay(play), 0);  // not in the play phase
  rules.AddStateBits(kStatePlay);
  rules.SetCurrentChair(1);
  EXPECT_EQ(rules.IsCurrentChairMessage(play), 1);
  EXPECT_EQ(rules.ValidatePlay(play), 1);
  PLAY_MESSAGE wrong = play;
  wrong.combo.card_count = 3;
  EXPECT_EQ(rules.ValidatePlay(wrong), 0);
  wrong = play;
  wrong.combo.cards[1] = 120;  // chair 2's card
  EXPECT_EQ(rules.ValidatePlay(wrong), 0);
  wrong = play;
  wrong.combo.cards[1] = 18;  // a 6: no pair
  EXPECT_EQ(rules.ValidatePlay(wrong), 0);
  wrong = play;
  wrong.combo.cards[1] = -1;
  wrong.combo.cards[5] = 120;  // chair 2's card, past the count
  EXPECT_EQ(rules.ValidatePlay(wrong), 0);
  wrong = play;
  wrong.head[3] = 0;
  EXPECT_EQ(rules.ValidatePlay(wrong), 0);
}

}  // namespace
}  // namespace table
