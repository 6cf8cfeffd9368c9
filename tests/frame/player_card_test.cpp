// ctest-labels: frame tsan
// The floating player card: the user card made from a player record, the duan card made from a
// player's match record (names copied within their fields), the rates it shows, where it is put
// next to a point or beside the user list, and how the table's player boards show and hide it.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/ui/image_button.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "platform/cursor.h"
#include "platform/win_messages.h"
#include "shell/app_messages.h"
#include "shell/lobby_link.h"
#include "shell/server_notify.h"
#include "tests/support/colour_match.h"
#include "tests/support/frame_fixture.h"

namespace {

using shell::PlayerRecord;

class PlayerCard : public test::FrameFixture {
 protected:
  shell::LobbyStandIn& lobby() { return *static_cast<shell::LobbyStandIn*>(app_->GetLobby()); }
  void Send(uint32_t id, uintptr_t p1 = 0, uintptr_t p2 = 0) {
    const engine::ObjectMessage m = engine::MakeMessage(frame().GetKey(), id, p1, p2);
    frame().OnMessage(&m);
  }
  PlayerRecord Record(uint32_t user, int32_t character) {
    PlayerRecord r = test::MakePlayer(user, 1, "bob");
    r.SetWord(PlayerRecord::kAvatarId, static_cast<uint32_t>(character));
    r.SetWord(PlayerRecord::kSilver, 12000);
    r.SetWord(PlayerRecord::kWins, 3);
    r.SetWord(PlayerRecord::kLosses, 1);
    return r;
  }
  // The user details the lobby hands the window as record 7.
  bool DeliverUserCard(const std::vector<uint8_t>& bytes) {
    return shell::LobbyStandIn::DeliverRecord(window(), shell::lobby_record::kUserCard, bytes);
  }
  int SmallBoardHeight() {
    const engine::PictureInfo info = frame().GetPictureInfo("PlayerBoardSmall", 0);
    return info.record != nullptr ? info.height : 0;
  }
};

TEST(CardRates, NoGamesShowTheirOwnTextAndOthersTwoDecimals) {
  EXPECT_EQ(frame::RateText(0, 0, "100%"), "100%");
  EXPECT_EQ(frame::RateText(0, 0, "0.00%"), "0.00%");
  EXPECT_EQ(frame::RateText(3, 4, "100%"), "75.00%");
  EXPECT_EQ(frame::RateText(1, 3, "100%"), "33.33%");
  EXPECT_EQ(frame::RateText(0, 7, "100%"), "0.00%");
}

TEST(CardRates, CountsAtTheEdgeOfTheirWordsStillMakeARateBetweenNoneAndAll) {
  EXPECT_EQ(frame::GamesPlayed(INT32_MAX, INT32_MAX, INT32_MAX), int64_t{INT32_MAX} * 3);
  EXPECT_EQ(frame::RateText(INT32_MAX, frame::GamesPlayed(INT32_MAX, 1, 0), "100%"), "100.00%");
  // A count below zero is no game at all, and no share is more than all or less than none.
  EXPECT_EQ(frame::GamesPlayed(-5, 3, INT32_MIN), 3);
  EXPECT_EQ(frame::RateText(9, 4, "0.00%"), "100.00%");
  EXPECT_EQ(frame::RateText(-9, 4, "0.00%"), "0.00%");
}

TEST(DuanCardRecord, IsFilledFromTheMatchRecordWithItsNamesKeptInTheirFields) {
  shell::TableExtraRecord extra;
  for (size_t i = 0; i < extra.kSize; ++i) extra.bytes[i] = static_cast<uint8_t>(i);
  // Unterminated names: 32 and 16 bytes with no NUL, and beyond.
  std::memset(extra.bytes + 20, 'n', 48);
  const frame::DuanCardRecord r = frame::DuanCardFromTableExtra(extra);
  for (size_t i = 0; i < 20; ++i) EXPECT_EQ(r.bytes[i], i);
  EXPECT_EQ(r.Text(20, 32), std::string(31, 'n'));
  EXPECT_EQ(r.bytes[51], 0);
  EXPECT_EQ(r.Text(52, 16), std::string(15, 'n'));
  EXPECT_EQ(r.bytes[67], 0);
  EXPECT_EQ(r.Word(68), extra.Word(96));
  EXPECT_EQ(r.Word(72), extra.Word(100));
  EXPECT_EQ(r.Word(76), extra.Word(264));
  for (size_t i = 0; i < 20; ++i) EXPECT_EQ(r.bytes[80 + i], extra.bytes[108 + i]);
  EXPECT_EQ(r.Word(100), 0u);
  for (size_t i = 0; i < 24; ++i) EXPECT_EQ(r.bytes[104 + i], extra.bytes[184 + i]);
  EXPECT_EQ(r.Word(128), extra.Word(208));
  EXPECT_EQ(r.Word(132), extra.Word(212));
  for (size_t i = 136; i < r.kSize; ++i) EXPECT_EQ(r.bytes[i], 0);
}

TEST_F(PlayerCard, AUserCardIsMadeFromAPlayerRecord) {
  Start();
  frame().ShowUserCard(Record(1002, 4));
  engine::CanvasObject* card = frame().GetCard();
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(frame().GetCardUser(), 1002u);
  EXPECT_EQ(frame().GetCardCharacter(), 4);
  EXPECT_EQ(card->GetWidth(), 340);
  EXPECT_EQ(card->GetHeight(), 320);
  EXPECT_EQ(card->GetDepth(), 70000.0);
  // Its buttons: the red cross at the top right, and the buy button offering the character.
  ASSERT_NE(frame().GetCardCloseButton(), nullptr);
  EXPECT_EQ(frame().GetCardCloseButton()->GetX(), card->GetRight() - 11 - 10);
  EXPECT_EQ(frame().GetCardCloseButton()->GetY(), card->GetTop() + 19);
  auto* buy = dynamic_cast<engine::ImageButton*>(frame().GetCardButton());
  ASSERT_NE(buy, nullptr);
  EXPECT_EQ(buy->GetX(), card->GetX());
  EXPECT_EQ(buy->GetMessage().id, frame::frame_msg::kOpenShopItem);
  EXPECT_EQ(buy->GetMessage().p1, 4u);
  // The character's large picture is drawn at (10, 10).
  const engine::PictureInfo big = frame().GetPictureInfo("Character4Type3", 0);
  ASSERT_NE(big.record, nullptr);
  EXPECT_NE(card->GetPixelAlpha(70, 140), 0);
  // A record without a user makes nothing.
  frame().ShowUserCard(Record(0, 4));
  EXPECT_EQ(frame().GetCardUser(), 1002u);
}

// Where the cards write their texts: the name, and (user card) the lines below it.
constexpr platform::RECT kCardName{180, 40, 340, 64};
constexpr platform::RECT kUserCardLines{140, 40, 340, 260};

TEST_F(PlayerCard, TheLobbysUserDetailsShowAsTheyAreWhateverTheirNamesAndCountsHold) {
  Start();
  PlayerRecord r = Record(1003, 2);
  r.SetText(PlayerRecord::kName, PlayerRecord::kNameBytes, "<c=255>X");
  r.SetText(PlayerRecord::kLevelText, PlayerRecord::kLevelTextBytes, "<c=255>高手");
  // Counts whose sum does not fit a word.
  r.SetWord(PlayerRecord::kWins, 0x7FFFFFFF);
  r.SetWord(PlayerRecord::kLosses, 1);
  r.SetWord(PlayerRecord::kDraws, 0x7FFFFFFF);
  r.SetWord(PlayerRecord::kDisconnects, 0x7FFFFFFF);
  DeliverUserCard(std::vector<uint8_t>(r.bytes, r.bytes + sizeof r.bytes));
  const engine::CanvasObject* card = frame().GetCard();
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(frame().GetCardUser(), 1003u);
  EXPECT_GT(test::PixelsOf(card, 0x38D8E6, kCardName), 0u);       // the name in its own colour
  EXPECT_EQ(test::PixelsOf(card, 0x0000FF, kUserCardLines), 0u);  // nothing red
}

TEST_F(PlayerCard, TheServersDuanCardShowsItsNameAsItIsWhateverItsCountsHold) {
  app_->SetMatch(true);
  Start(test::kTestCommandLine, false);
  frame::DuanCardRecord r;
  r.SetWord(frame::DuanCardRecord::kUserId, 1002);
  r.SetText(frame::DuanCardRecord::kName, frame::DuanCardRecord::kNameBytes, "<c=255>X");
  r.SetWord(frame::DuanCardRecord::kWins, 0x7FFFFFFF);
  r.SetWord(frame::DuanCardRecord::kLosses, 1);
  server().Push(shell::notify::kPlayerDuan, std::vector<uint8_t>(r.bytes, r.bytes + sizeof r.bytes));
  const engine::CanvasObject* card = frame().GetCard();
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(frame().GetCardUser(), 1002u);
  EXPECT_GT(test::PixelsOf(card, 0x38D8E6, kCardName), 0u);
  EXPECT_EQ(test::PixelsOf(card, 0x0000FF, kCardName), 0u);
}

TEST_F(PlayerCard, ACardForAPointLeansTowardTheMiddleAndKeepsItsMargin) {
  Start();
  frame().ShowUserCard(Record(1002, 1));
  const int m = SmallBoardHeight();
  ASSERT_GT(m, 0);
  // The table is (4, 25)-(762, 764); the card 340 x 320.
  frame().PlaceCardAtPoint(1002, 600, 500);  // lower right: above and to the left
  EXPECT_EQ(frame().GetCard()->GetX(), 600 - 170);
  EXPECT_EQ(frame().GetCard()->GetY(), 500 - 160);
  EXPECT_TRUE(frame().GetCard()->IsVisible());
  frame().PlaceCardAtPoint(1002, 100, 100);  // upper left: below and to the right
  EXPECT_EQ(frame().GetCard()->GetX(), 100 + 170);
  EXPECT_EQ(frame().GetCard()->GetY(), 100 + 160);
  frame().PlaceCardAtPoint(1002, 600, 760);  // near the bottom: pushed up to keep the margin
  EXPECT_EQ(frame().GetCard()->GetY(), 764 - 160 - m);
  frame().PlaceCardAtPoint(1002, 10, 30);  // near the top left corner: pushed down and right
  EXPECT_EQ(frame().GetCard()->GetY(), 25 + 160 + m);
  EXPECT_EQ(frame().GetCard()->GetX(), 4 + 170 + m);
}

TEST_F(PlayerCard, BesideTheUserListTheCardIsPinnedAgainstTheSplitter) {
  Start();
  frame().ShowUserCard(Record(1002, 1));
  frame().PlaceCardByUserList(1002, 1);
  EXPECT_EQ(frame().IsCardPinned(), 1);
  EXPECT_EQ(frame().GetCard()->GetRight(), 762);
  EXPECT_EQ(frame().GetCard()->GetY(), 25 + 739 / 3);
  // A pinned card stays when the pointer leaves it; the cross unpins and hides it.
  engine::InputSnapshot away{};
  Send(frame::frame_msg::kCardLeft, 0, reinterpret_cast<uintptr_t>(&away));
  Frames(20);
  EXPECT_TRUE(frame().GetCard()->IsVisible());
  Send(frame::frame_msg::kCardClose);
  EXPECT_EQ(frame().IsCardPinned(), 0);
  EXPECT_FALSE(frame().GetCard()->IsVisible());
}

TEST_F(PlayerCard, OneClickOnTheCrossOrARightClickOnTheCardTakesItOffTheScreen) {
  Start();
  auto shown = [&] { return window().PresentedFrame()[600 * window().FrameWidth() + 620] & 0xFFFFFF; };
  for (const bool right : {false, true}) {
    frame().ShowUserCard(Record(1002, 1));
    frame().PlaceCardAtPoint(1002, 300, 300);  // the card stands at (300, 300)-(640, 620)
    Frames(3);
    const uint32_t on_card = shown();
    const engine::WidgetBase* cross = frame().GetCardCloseButton();
    const int x = right ? 500 : static_cast<int>(cross->GetX());
    const int y = right ? 500 : static_cast<int>(cross->GetY());
    Mouse(platform::WM_MOUSEMOVE, x, y);
    const uint32_t button = right ? platform::MK_RBUTTON : platform::MK_LBUTTON;
    Mouse(right ? platform::WM_RBUTTONDOWN : platform::WM_LBUTTONDOWN, x, y, button);
    Mouse(right ? platform::WM_RBUTTONUP : platform::WM_LBUTTONUP, x, y);
    EXPECT_FALSE(frame().GetCard()->IsVisible()) << right;
    EXPECT_NE(shown(), on_card) << right;  // the table shows again where the card stood
  }
}

TEST_F(PlayerCard, ACardStaysInsideTheWindowWhenTheWindowGetsSmaller) {
  Start();
  frame().ShowUserCard(Record(1002, 1));
  frame().PlaceCardAtPoint(1002, 700, 740);  // low on the right of the maximised table
  frame().ToggleMaximize();
  ASSERT_EQ(frame().IsMaximized(), 0);
  const engine::CanvasObject* card = frame().GetCard();
  EXPECT_GE(card->GetLeft(), frame::GameFrame::kBorder);
  EXPECT_LE(card->GetRight(), frame().GetScreenWidth() - frame::GameFrame::kBorder);
  EXPECT_LE(card->GetBottom(), frame().GetScreenHeight() - frame::GameFrame::kBottom);
  EXPECT_DOUBLE_EQ(frame().GetCardCloseButton()->GetY(), card->GetTop() + 19);  // its cross came along
}

TEST_F(PlayerCard, APlayerBoardAsksTheLobbyForTheUsersDetailsWhichShowTheCard) {
  Start();
  Send(frame::frame_msg::kShowUserCard, 1003);
  ASSERT_FALSE(lobby().Posts().empty());
  EXPECT_EQ(lobby().Posts().back().message, shell::lobby_msg::kUserDetails);
  EXPECT_EQ(lobby().Posts().back().lparam, 1003);
  // The lobby's answer: record 7 with the user's record.
  const PlayerRecord r = Record(1003, 2);
  EXPECT_FALSE(DeliverUserCard(std::vector<uint8_t>(r.bytes, r.bytes + 100)));  // short: refused
  EXPECT_EQ(frame().GetCard(), nullptr);
  DeliverUserCard(std::vector<uint8_t>(r.bytes, r.bytes + sizeof r.bytes));
  ASSERT_NE(frame().GetCard(), nullptr);
  EXPECT_EQ(frame().GetCardUser(), 1003u);
  EXPECT_TRUE(frame().GetCard()->IsVisible());
}

TEST_F(PlayerCard, AtARandomSeatTableOnlyTheOwnCardShowsToAPlayer) {
  Start("9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000008");
  const size_t posts = lobby().Posts().size();
  Send(frame::frame_msg::kShowUserCard, 1003);
  EXPECT_EQ(lobby().Posts().size(), posts);
  Send(frame::frame_msg::kShowUserCard, 1001);
  EXPECT_EQ(lobby().Posts().size(), posts + 1);
}

TEST_F(PlayerCard, OfflineTheCardShowsAtThePointerFromTheTablesOwnRecords) {
  StartOffline();
  ASSERT_TRUE(app_->ParseCommandLine(test::kTestCommandLine));
  const std::vector<uint8_t> bytes = test::MakeTable().Serialize();
  ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
  platform::POINT at{200, 300};
  window().ClientToScreen(&at);
  platform::SetCursorPos(at.x, at.y);
  frame().ShowUserCardOf(1002, 1);
  ASSERT_NE(frame().GetCard(), nullptr);
  EXPECT_EQ(frame().GetCardUser(), 1002u);
  EXPECT_EQ(frame().GetCard()->GetX(), 200 + 170);
  EXPECT_EQ(frame().GetCard()->GetY(), 300 + 160);
  frame().ShowUserCardOf(57, 1);  // a stranger: nothing changes
  EXPECT_EQ(frame().GetCardUser(), 1002u);
}

TEST_F(PlayerCard, LeavingTheBoardFadesTheCardOutUnlessThePointerIsOnTheCard) {
  Start();
  frame().ShowUserCard(Record(1002, 1));
  frame().PlaceCardAtPoint(1002, 300, 300);
  engine::InputSnapshot on_card{};
  on_card.hovered = frame().GetCard()->GetKey();
  Send(frame::frame_msg::kHideUserCard, 1002, reinterpret_cast<uintptr_t>(&on_card));
  Frames(40);
  EXPECT_TRUE(frame().GetCard()->IsVisible());
  Send(frame::frame_msg::kHideUserCard, 1003, 0);  // another user's board: not this card
  Frames(40);
  EXPECT_TRUE(frame().GetCard()->IsVisible());
  Send(frame::frame_msg::kHideUserCard, 1002, 0);
  Frames(60);
  EXPECT_FALSE(frame().GetCard()->IsVisible());
}

TEST_F(PlayerCard, ACardAskedForAgainWhileItFadesOutStaysShown) {
  Start();
  const PlayerRecord r = Record(1003, 2);
  const std::vector<uint8_t> details(r.bytes, r.bytes + sizeof r.bytes);
  Send(frame::frame_msg::kShowUserCard, 1003);
  DeliverUserCard(details);
  ASSERT_NE(frame().GetCard(), nullptr);
  // The pointer leaves the board: the card begins to fade out.
  Send(frame::frame_msg::kHideUserCard, 1003, 0);
  for (int i = 0; i < 20 && frame().GetCard()->GetAlpha() == 1.0; ++i) Frames(1);
  ASSERT_TRUE(frame().GetCard()->IsVisible());
  ASSERT_LT(frame().GetCard()->GetAlpha(), 1.0);
  // The board is pointed at again before the fade ends, and the lobby's details come back.
  Send(frame::frame_msg::kShowUserCard, 1003);
  DeliverUserCard(details);
  Frames(60);
  EXPECT_TRUE(frame().GetCard()->IsVisible());
  EXPECT_EQ(frame().GetCard()->GetAlpha(), 1.0);
}

TEST_F(PlayerCard, InAMatchTheCardIsTheDuanCardOfTheMatchRecord) {
  app_->SetMatch(true);
  Start(test::kTestCommandLine, false);
  Send(frame::frame_msg::kShowUserCard, 1002);  // no match record: no card
  EXPECT_EQ(frame().GetCardUser(), 0u);
  shell::TableExtraRecord extra;
  extra.SetWord(0, 1002);
  extra.SetText(20, 32, "bob");
  extra.SetWord(96, 5);
  ASSERT_TRUE(app_->SetTableExtra(1, extra.bytes, sizeof extra.bytes));
  Send(frame::frame_msg::kShowUserCard, 1002);
  ASSERT_NE(frame().GetCard(), nullptr);
  EXPECT_EQ(frame().GetCardUser(), 1002u);
  // The duan card's form: its buy button sits on the left.
  EXPECT_EQ(frame().GetCardButton()->GetX(), frame().GetCard()->GetLeft() + 75);
}

}  // namespace
