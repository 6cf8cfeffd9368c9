// ctest-labels: play table tsan
// The table's notifications and game messages as the table view shows them: malformed bodies
// refused without harm, the chat lines with names that cannot open tags, the look-on request
// box and its answers, the round banner, the information boxes, waiting game messages, the
// ask-card-view button's rest, starting, continuing and the sort buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "dialogs/look_on_request_box.h"
#include "engine/core/canvas_object.h"
#include "engine/core/game_core.h"
#include "engine/media/paint_module.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "engine/ui/text_markup.h"
#include "net/request_ids.h"
#include "platform/win_messages.h"
#include "shell/game_frame_wnd.h"
#include "shell/game_handler.h"
#include "table/card_attributes.h"
#include "table/card_view.h"
#include "table/player_board.h"
#include "table/table_messages.h"
#include "tests/support/colour_match.h"
#include "tests/support/play_fixture.h"
#include "tests/support/solid_pictures.h"

namespace {

using table::CCardView;
namespace place = table::card_place;

constexpr const char* kTrickyName = "<url_text=c:/,x>李#四";

class Messages : public test::PlayFixture {
 protected:
  void Begin(int chair = 0, uint32_t options = 0x1000000, bool watching = false) {
    BeginTable(chair, options, watching, false);
  }
  // The player on chair 2 gets a name full of markup.
  void RenameChairTwo() {
    shell::EnterGameData table = test::MakeTable();
    table.players[2] = test::MakePlayer(1003, 2, kTrickyName);
    const std::vector<uint8_t> bytes = table.Serialize();
    ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
  }
  std::string Joined() {
    std::string all;
    for (const std::string& l : app_->system_texts) all += l;
    return all;
  }
  // Every framework game message goes in a 229500 of this form.
  std::vector<uint8_t> GameMessage(int32_t id, const std::vector<uint8_t>& data) {
    return test::GameMessageBody(77, 1001, id, data);
  }
  static std::vector<uint8_t> Truncated(std::vector<uint8_t> body, size_t size) {
    body.resize(size);
    return body;
  }
  static std::vector<uint8_t> WithWord(std::vector<uint8_t> body, size_t offset, uint32_t word) {
    if (body.size() < offset + 4) body.resize(offset + 4, 0);
    table::PutWord(body.data() + offset, word);
    return body;
  }
};

const std::vector<std::vector<int32_t>> kHands = {{5, 18, 30, 8}, {40, 41, 42, 43}, {44, 45, 46, 47}};

// ---- Malformed bodies ----

TEST_F(Messages, MalformedPlaysAreRefusedWithoutHarm) {
  Begin();
  game().Start(kHands, 1);
  const std::vector<uint8_t> good = test::PlayBody(1, test::ComboOf({40}), 0, 20);
  ASSERT_EQ(good.size(), 68u);
  const std::vector<std::vector<uint8_t>> bad = {
      {},
      Truncated(good, 3),
      Truncated(good, 60),
      Truncated(good, 64),                               // the count says one id, none follows
      WithWord(good, 60, 200),                           // 200 cards
      WithWord(Truncated(good, 64), 60, 0xFFFFFFFF),     // -1 cards
      WithWord(WithWord(good, 60, 65), 64 + 64 * 4, 1),  // 65 ids, all present
      WithWord(good, 12, 3),                             // no chair 3 at a table of 3
      WithWord(good, 12, 0xFFFFFFFF),                    // chair -1
      WithWord(good, 12, 0x7FFFFFFF),
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    (*server_)->Push(221170, bad[i]);
    EXPECT_FALSE(view().PlayRecordedMessage(221170, bad[i].data(), static_cast<uint32_t>(bad[i].size()))) << i;
  }
  EXPECT_EQ(view().PlayRecordedMessage(221170, nullptr, 68), false);
  EXPECT_EQ(view().CountChairCards(-1, place::kPlayed), 0);
  EXPECT_EQ(view().CountChairCards(1, place::kHand), 4);
  EXPECT_EQ(play().state.chair_on_table, -1);
  EXPECT_EQ(Count("Snd_Throw"), 0u);
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 1);

  // A card id that is no card of the table moves nothing.
  const std::vector<uint8_t> stranger = WithWord(good, 64, 5000);
  EXPECT_TRUE(view().PlayRecordedMessage(221170, stranger.data(), static_cast<uint32_t>(stranger.size())));
  EXPECT_EQ(view().CountChairCards(-1, place::kPlayed), 0);
  EXPECT_EQ(view().CountChairCards(1, place::kHand), 4);
  play().state.chair_on_table = -1;
  app_->GetTableStateHolder()->SetActiveChair(1);

  // A longer body than the play needs is read up to its ids.
  std::vector<uint8_t> longer = good;
  longer.resize(400, 0xEE);
  EXPECT_TRUE(view().PlayRecordedMessage(221170, longer.data(), static_cast<uint32_t>(longer.size())));
  EXPECT_EQ(view().CountChairCards(1, place::kPlayed), 1);
  EXPECT_EQ(play().state.chair_on_table, 1);
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 0);
  // A next chair off the table leaves the clock where it was.
  const std::vector<uint8_t> lost = test::PlayBody(2, test::ComboOf({44}), 9, 20);
  EXPECT_TRUE(view().PlayRecordedMessage(221170, lost.data(), static_cast<uint32_t>(lost.size())));
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 0);
}

TEST_F(Messages, MalformedPassesAreRefusedWithoutHarm) {
  Begin();
  game().Start(kHands, 1);
  game().Play(1, {40});
  const std::vector<uint8_t> good = test::PassBody(0, 2, false, 20);
  const std::vector<std::vector<uint8_t>> bad = {
      {},
      Truncated(good, 35),
      WithWord(good, 8, 3),
      WithWord(good, 8, 0xFFFFFFFF),
      WithWord(good, 16, 3),
      WithWord(good, 16, 0xFFFFFFFE),
      WithWord(good, 16, 0x80000000),
  };
  const size_t passes = Count("Snd_Pass");
  for (size_t i = 0; i < bad.size(); ++i) {
    (*server_)->Push(223100, bad[i]);
    EXPECT_FALSE(view().PlayRecordedMessage(223100, bad[i].data(), static_cast<uint32_t>(bad[i].size()))) << i;
  }
  EXPECT_EQ(Count("Snd_Pass"), passes);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(view().BoardOfChair(c)->GetStatusPicture(), "") << c;
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 0);
  EXPECT_EQ(view().CountChairCards(1, place::kPlayed), 1);
  // With no chair to act next the pass still shows; the clock stays.
  const std::vector<uint8_t> last = test::PassBody(0, -1, false, 20);
  EXPECT_TRUE(view().PlayRecordedMessage(223100, last.data(), static_cast<uint32_t>(last.size())));
  EXPECT_EQ(view().BoardOfChair(0)->GetStatusPicture(), "不出");
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 0);
}

TEST_F(Messages, MalformedGameMessagesAreRefusedWithoutHarm) {
  Begin();
  game().Start(kHands, 1);
  const std::vector<uint8_t> on = GameMessage(19840329, test::Words({0}));
  const std::vector<std::vector<uint8_t>> bad = {
      {},
      Truncated(on, 19),
      WithWord(on, 16, 5),           // five bytes of data, four there
      WithWord(on, 16, 0xFFFFFFFF),  // a length that wraps
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    (*server_)->Push(229500, bad[i]);
    EXPECT_FALSE(view().PlayRecordedMessage(229500, bad[i].data(), static_cast<uint32_t>(bad[i].size()))) << i;
  }
  // Well framed, but the data do not name a chair of the table.
  for (const std::vector<uint8_t>& data : {std::vector<uint8_t>{}, std::vector<uint8_t>{0, 0}, test::Words({3}),
                                           test::Words({0xFFFFFFFF}), test::Words({1u << 31})}) {
    for (int32_t id : {19840324, 19840329, 19840330}) (*server_)->Push(229500, GameMessage(id, data));
  }
  EXPECT_EQ(view().IsAutoPlay(), 0);
  EXPECT_TRUE(app_->system_texts.size() <= 3u);  // the banner's lines only
  // 19840337: a chair's cards, checked against their count.
  const std::vector<std::vector<uint8_t>> cards_bad = {
      test::Words({0, 1}),
      test::Words({0, 7, 1, 40}),
      test::Words({0, 1, 65}),
      test::Words({0, 1, 0xFFFFFFFF}),
      test::Words({0, 1, 4, 40, 41}),
  };
  for (const auto& data : cards_bad) (*server_)->Push(229500, GameMessage(19840337, data));
  EXPECT_EQ(view().CardView(40)->card_id, -1);
  (*server_)->Push(229500, GameMessage(19840337, test::Words({0, 1, 4, 40, 41, 42, 43})));
  EXPECT_EQ(view().CardView(40)->face_up, 1);
  EXPECT_EQ(view().CountChairCards(1, place::kHand), 4);
  std::vector<int32_t> shown;
  for (int32_t i = 40; i < 44; ++i) shown.push_back(view().CardView(i)->card_id);
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<int32_t>{40, 41, 42, 43}));
}

// ---- Chat lines ----

TEST_F(Messages, PlayersStartingDroppingOutAndComingBackAreToldWithNamesThatOpenNoTags) {
  Begin();
  RenameChairTwo();
  const std::string escaped = engine::EscapeMarkupText(kTrickyName);
  ASSERT_NE(escaped.find("#<"), std::string::npos);
  (*server_)->Push(201160, test::Words({1003, 77, 5, 2}));
  EXPECT_EQ(Lines("<c=8421504> " + escaped + " 已经开始\r\n"), 1u);
  EXPECT_TRUE(view().BoardOfChair(2)->GetBanner()->IsVisible());
  (*server_)->Push(201160, test::Words({1001, 77, 5, 0}));  // the user: only the ready mark
  EXPECT_EQ(Lines("已经开始"), 1u);
  (*server_)->Push(201160, test::Words({1003, 77, 5, 9}));  // no chair 9
  EXPECT_EQ(Lines("已经开始"), 1u);

  (*server_)->Push(211240, test::Words({1003}));
  EXPECT_EQ(Lines(" <z=qm系统通知> <c=4953725>" + escaped + "掉线了!\r\n"), 1u);
  EXPECT_EQ(view().BoardOfChair(2)->IsOffline(), 1);
  (*server_)->Push(229500, GameMessage(19840324, test::Words({2})));
  EXPECT_EQ(Lines(" <z=qm系统通知> <c=16150832>" + escaped + "重新回到了游戏!\r\n"), 1u);
  EXPECT_EQ(view().BoardOfChair(2)->IsOffline(), 0);
  // A second "back" for a board that is not offline says nothing.
  (*server_)->Push(229500, GameMessage(19840324, test::Words({2})));
  EXPECT_EQ(Lines("重新回到了游戏"), 1u);
  EXPECT_EQ(Joined().find(kTrickyName), std::string::npos);

  // The user's own chair dropping out: the server is told, the chat is not.
  const size_t lines = app_->system_texts.size();
  (*server_)->Push(211240, test::Words({1001}));
  EXPECT_EQ(app_->system_texts.size(), lines);
  const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kTableMessage);
  ASSERT_NE(sent, nullptr);
  EXPECT_EQ(test::HexWords(sent->body), test::HexWords(test::Words({77, 1001, 19840325, 0, 0})));
  // A looker dropping out is no player's news.
  (*server_)->Push(211240, test::Words({2001}));
  EXPECT_EQ(app_->system_texts.size(), lines);
}

TEST_F(Messages, TheRoundBannerNamesTheTableGameAndStake) {
  Begin();
  app_->GetTableStateHolder()->SetGameNumber(4);
  app_->GetTableStateHolder()->SetBaseSilver(300);
  view().ShowRoundBanner();
  ASSERT_EQ(app_->system_texts.size(), 2u);
  EXPECT_EQ(app_->system_texts[0], "\r\n<c=16711680><size=16><第5桌,第4局>\r\n");
  EXPECT_EQ(app_->system_texts[1], "\r\n<size=12>【第4局】基础银：<c=255>300<>两\r\n");
  ASSERT_NE(view().GetInfoBox(), nullptr);
  EXPECT_TRUE(view().GetInfoBox()->IsVisible());
  EXPECT_EQ(view().GetInfoBox()->GetAlpha(), 0.0);
  Frames(100);
  EXPECT_EQ(view().GetInfoBox()->GetAlpha(), 1.0);
  EXPECT_EQ(view().GetInfoBox()->GetLeft(), 10);
  EXPECT_EQ(view().GetInfoBox()->GetTop(), 10);
  EXPECT_TRUE(play().advert_scripts.empty());

  app_->system_texts.clear();
  app_->SetMatch(true);
  app_->GetMatchData().round = 3;
  app_->GetMatchData().ranking_text = "1. alice";
  view().ShowRoundBanner();
  ASSERT_EQ(app_->system_texts.size(), 1u);
  EXPECT_EQ(app_->system_texts[0], " <c=255><size=16>淘汰赛第三轮\r\n");
  EXPECT_EQ(play().advert_scripts, std::vector<std::string>{"刷新排名"});

  app_->system_texts.clear();
  app_->SetReplayMode(true);
  view().ShowRoundBanner();
  EXPECT_TRUE(app_->system_texts.empty());
}

// ---- The match box ----

TEST_F(Messages, TheMatchBoxWritesTheFormatNoteInItsColourAndTheServersTextPlain) {
  Begin();
  app_->SetMatch(true);
  app_->GetMatchData().format_name = "定局淘汰";
  app_->GetMatchData().format_description = "前八名晋级";
  app_->GetTableStateHolder()->SetRoundNumber(2);
  app_->GetTableStateHolder()->SetBaseScore(50);
  // Without the user's own match record the box stays a frame, unshown.
  view().ShowMatchInfoBox();
  ASSERT_NE(view().GetInfoBox(), nullptr);
  EXPECT_FALSE(view().GetInfoBox()->IsVisible());

  std::vector<uint8_t> extra(288, 0);
  table::PutWord(extra.data(), 1001);
  ASSERT_TRUE(app_->SetTableExtra(0, extra.data(), extra.size()));
  view().ShowMatchInfoBox();
  const engine::CanvasObject* box = view().GetInfoBox();
  EXPECT_TRUE(box->IsVisible());
  EXPECT_EQ(box->GetLeft(), 0);
  EXPECT_EQ(box->GetTop(), 0);
  // The note's colour 0x09FEC5 as the tag reads it (RRGGBB "C5FE09"); read as decimal it would
  // have been 0x214065.
  // The note's line (from y 80).
  // The note itself: right of "赛制说明: " on the line at y 80.
  constexpr platform::RECT kNote{82, 78, 200, 94};
  EXPECT_GT(test::PixelsOf(box, 0x09FEC5, kNote), 0u);
  EXPECT_EQ(test::PixelsOf(box, 0x214065, kNote), 0u);
  EXPECT_GT(test::PixelsOf(box, 0x81C593), 0u);
  const size_t red = test::PixelsOf(box, 0x0000FF, kNote);
  // The server's note cannot switch the colour.
  app_->GetMatchData().format_description = "<c=255>前八名晋级";
  view().ShowMatchInfoBox();
  EXPECT_EQ(test::PixelsOf(view().GetInfoBox(), 0x0000FF, kNote), red);
  EXPECT_GT(test::PixelsOf(view().GetInfoBox(), 0x09FEC5, kNote), 0u);
}

TEST_F(Messages, AnInformationBoxOfTheOtherKindTakesItsOwnSizeAndIsPlacedByIt) {
  Begin();
  auto* paint = dynamic_cast<engine::PaintModule*>(app_->GetMainWnd()->GetCore()->FindModule(engine::module_id::kPaint));
  ASSERT_NE(paint, nullptr);
  for (const auto& [name, w, h] : {std::tuple{"比赛信息框", 180, 100}, std::tuple{"游戏信息框", 101, 50}}) {
    paint->RemovePicture(name);
    test::AddSolidFrames(paint, name, w, h, {0x404040});
  }
  app_->SetMatch(true);
  std::vector<uint8_t> extra(288, 0);
  table::PutWord(extra.data(), 1001);
  ASSERT_TRUE(app_->SetTableExtra(0, extra.data(), extra.size()));
  frame().SetTableRect(platform::RECT{33, 0, 1400, 600});
  view().ShowMatchInfoBox();
  view().ShowGameInfoBox();
  frame().SetTableRect(platform::RECT{33, 0, 1400, 600});
  const engine::CanvasObject* box = view().GetInfoBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetWidth(), 101);
  EXPECT_EQ(box->GetHeight(), 50);
  EXPECT_EQ(box->GetX(), 83.5);
  EXPECT_EQ(box->GetY(), 25);
}

// ---- Looking on ----

TEST_F(Messages, ALookOnRequestShowsItsBoxAndTheAnswerGoesOutOnce) {
  Begin();
  (*server_)->Push(229550, test::Words({2001}));
  ASSERT_EQ(play().look_on_boxes.size(), 1u);
  const test::PlayTableView::LookOnBox& box = play().look_on_boxes[0];
  EXPECT_EQ(box.name, "watcher");
  EXPECT_EQ(box.accept.target, view().GetKey());
  EXPECT_EQ(box.accept.id, 80000007u);
  EXPECT_EQ(box.accept.p1, 2001u);
  EXPECT_EQ(box.accept.p2, 1u);
  EXPECT_EQ(box.refuse.p2, 0u);
  auto* shown = dynamic_cast<dialogs::CLookOnRequestBox*>(box.object);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->GetText(), "<c=255>watcher<c=0> 请求看牌!");
  EXPECT_EQ(shown->GetDepth(), 90000);
  EXPECT_EQ(Count("SndHi"), 1u);
  (*server_)->Push(229550, test::Words({9999}));  // nobody at this table
  EXPECT_EQ(play().look_on_boxes.size(), 1u);

  // The server refuses the answer: no answer line, the user is told.
  (*server_)->AnswerOnce(net::request::kLookOnPermission, 1020);
  Send(box.accept.id, box.accept.p1, box.accept.p2);
  EXPECT_EQ(Lines("看牌 "), 0u);
  EXPECT_EQ(Lines("看牌的回答没有送到服务器"), 1u);
  // The box's own accept button answers.
  shown->Accept();
  Frames(3);
  const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kLookOnPermission);
  ASSERT_NE(sent, nullptr);
  EXPECT_EQ(test::HexWords(sent->body), test::HexWords(test::Words({1001, 77, 5, 0, 2001, 1})));
  EXPECT_EQ(Lines(" <c=2906200>alice允许watcher看牌 \r\n"), 1u);
}

TEST_F(Messages, ARefusedLookTurnsTheWatchedHandFaceDownAndAnAllowedOneChangesNothing) {
  Begin(1, 0x1000000, true);  // user 2001 watches chair 1
  std::vector<std::vector<int32_t>> hands = kHands;
  view().DealHands(hands, true);
  ASSERT_EQ(view().HasFaceUpOwnCards(), 1);
  (*server_)->Push(229570, test::Words({1002, 77, 5, 1, 2001, 1}));
  EXPECT_EQ(Lines(" <c=2906200>bob允许watcher看牌 \r\n"), 1u);
  EXPECT_EQ(view().HasFaceUpOwnCards(), 1);
  (*server_)->Push(229570, test::Words({1002, 77, 5, 1, 2002, 0}));  // another watcher refused
  EXPECT_EQ(view().HasFaceUpOwnCards(), 1);
  (*server_)->Push(229570, test::Words({1002, 77, 5, 7, 2001, 0}));  // no chair 7
  EXPECT_EQ(view().HasFaceUpOwnCards(), 1);
  (*server_)->Push(229570, test::Words({1002, 77, 5, 1, 2001, 0}));
  EXPECT_EQ(Lines(" <c=2906200>bob禁止watcher看牌 \r\n"), 1u);
  EXPECT_EQ(view().HasFaceUpOwnCards(), 0);
  for (int32_t id : hands[1]) {
    EXPECT_EQ(view().CardView(id)->card_id, -1);
    EXPECT_FALSE(view().CardView(id)->IsShowingFace());
  }
}

TEST_F(Messages, TheAskCardViewButtonRestsFifteenSecondsAfterAPress) {
  Begin(1, 0x1000000, true);
  app_->GetTableStateHolder()->SetStateFlags(shell::IGameHandler::kStateInProgress);
  view().ShowGameButtons(1);
  engine::ImageButton* ask = view().GetAskCardViewButton();
  ASSERT_TRUE(ask->IsVisible());
  Click(ask->GetX(), ask->GetY());
  EXPECT_EQ((*server_)->CountOf(net::request::kAskToSeeCards), 1u);
  EXPECT_EQ(Lines(" <c=2906200>请求bob给我看牌\r\n"), 1u);
  EXPECT_EQ(ask->TakesInput(), 0);
  Click(ask->GetX(), ask->GetY());
  Seconds(14);
  Click(ask->GetX(), ask->GetY());
  EXPECT_EQ((*server_)->CountOf(net::request::kAskToSeeCards), 1u);
  Seconds(1);
  EXPECT_NE(ask->TakesInput(), 0);
  Click(ask->GetX(), ask->GetY());
  EXPECT_EQ((*server_)->CountOf(net::request::kAskToSeeCards), 2u);
  // Shown the watched cards, the button goes.
  (*server_)->Push(229500, GameMessage(19840337, test::Words({0, 1, 2, 40, 41})));
  EXPECT_FALSE(ask->IsVisible());
}

// ---- Game messages sent ----

TEST_F(Messages, AWaitingGameMessageHandsOnlyAnAcceptedAnswerOnAsANotification) {
  Begin();
  game().Start(kHands, 1);
  const int32_t own = 0;
  (*server_)->AnswerOnce(net::request::kTableMessage, 0, GameMessage(19840329, test::Words({0})));
  EXPECT_EQ(view().SendGameMessage(19840329, 4, &own, 1), 0);
  EXPECT_EQ(view().IsAutoPlay(), 1);
  // A refused answer is a failure: its body is not handed on.
  (*server_)->AnswerOnce(net::request::kTableMessage, 1020, GameMessage(19840330, test::Words({0})));
  EXPECT_EQ(view().SendGameMessage(19840330, 4, &own, 1), 10100);
  EXPECT_EQ(view().IsAutoPlay(), 1);
  (*server_)->StaySilent(net::request::kTableMessage);
  EXPECT_EQ(view().SendGameMessage(19840330, 4, &own, 1), 10100);
  // Without waiting: the send's code.
  EXPECT_EQ(view().SendGameMessage(19840330, 4, &own, 0), 0);
  (*server_)->SetConnected(false);
  EXPECT_EQ(view().SendGameMessage(19840330, 4, &own, 0), 10100);
}

// ---- Starting and continuing ----

TEST_F(Messages, TheStartStepAsksForTheGameTheTableWants) {
  Begin(0, 0x10000C0);
  Send(table::view_msg::kStartButton);
  EXPECT_EQ((*server_)->CountOf(net::request::kStartAuto), 1u);
  EXPECT_EQ((*server_)->CountOf(net::request::kStart), 0u);
  EXPECT_FALSE(view().GetStartButton()->IsVisible());
  (*server_)->AnswerOnce(net::request::kStartAuto, 1020);
  Send(table::view_msg::kStartButton);
  EXPECT_TRUE(view().GetStartButton()->IsVisible());

  // The continue request under options 0x40 and 0x80.
  view().BoardAt(0)->ShowReady();
  Send(table::view_msg::kRequestContinue);
  EXPECT_EQ((*server_)->CountOf(net::request::kContinue), 1u);
  EXPECT_FALSE(view().BoardAt(0)->GetBanner()->IsVisible());
}

// ---- Group and sort buttons ----

TEST_F(Messages, GroupButtonsSelectAndASecondPressClears) {
  Begin();
  game().Start({{5, 18, 30, 8, 9, 22, 35}, {40}, {44}}, 0);  // 6 6 5 9 10 10 10
  Send(table::view_msg::kSort2);
  std::vector<int32_t> selected;
  for (const CCardView* card : view().OwnRow()) {
    if (card->selected != 0) selected.push_back(card->card_id);
  }
  std::sort(selected.begin(), selected.end());
  EXPECT_EQ(selected, (std::vector<int32_t>{5, 18}));
  Send(table::view_msg::kSort2);
  EXPECT_EQ(view().CountSelected(), 0);
  Send(table::view_msg::kSort3);
  EXPECT_EQ(view().CountSelected(), 3);
  Send(table::view_msg::kSort1);
  EXPECT_EQ(view().CountSelected(), 2);
  EXPECT_EQ(Count("Snd_HitCard"), 4u);
}

TEST_F(Messages, SortButtonsStepThroughTheirModes) {
  Begin();
  game().Start({{5, 18, 30, 8, 9, 22, 35}, {40}, {44}}, 0);
  EXPECT_EQ(view().GetSortMode(), 1);
  Send(table::view_msg::kSortType);
  EXPECT_EQ(view().GetSortMode(), 5);
  Send(table::view_msg::kSortType);
  EXPECT_EQ(view().GetSortMode(), 6);
  Send(table::view_msg::kSortType);
  EXPECT_EQ(view().GetSortMode(), 5);
  Send(table::view_msg::kSortSuit);
  EXPECT_EQ(view().GetSortMode(), 3);
  Send(table::view_msg::kSortSuit);
  EXPECT_EQ(view().GetSortMode(), 5);
  Send(table::view_msg::kSortSuit);
  Send(table::view_msg::kSortBig);  // from suits: back to 5 first, then falling values
  EXPECT_EQ(view().GetSortMode(), 1);
  Send(table::view_msg::kSortBig);
  EXPECT_EQ(view().GetSortMode(), 4);
  EXPECT_EQ(Count("snd_sort"), 8u);
}

TEST_F(Messages, BoardScoresStopAtAPlayerWithoutASeat) {
  Begin();
  // Each plate is painted over with a mark; a board that takes its score draws its plate again.
  constexpr engine::COLORREF kMark = 0x123456;
  auto mark = [&] {
    for (int32_t c = 0; c < 3; ++c) {
      engine::CanvasObject* plate = view().BoardOfChair(c)->GetPlate();
      plate->SetFillColour(kMark);
      plate->FillRect(0, 0, plate->GetSurfaceWidth(), plate->GetSurfaceHeight());
    }
  };
  auto drawn = [&] {
    std::string boards;
    for (int32_t c = 0; c < 3; ++c) {
      const engine::CanvasObject* plate = view().BoardOfChair(c)->GetPlate();
      boards += plate->GetPixel(plate->GetSurfaceWidth() / 2, plate->GetSurfaceHeight() / 2) != kMark ? '1' : '0';
    }
    return boards;
  };
  // No entries: the own board alone.
  mark();
  view().ShowBoardScores();
  EXPECT_EQ(drawn(), "100");
  // The second entry's player has no seat: the third entry (chair 2) is not reached.
  shell::ScoreEntries& scores = app_->GetScoreEntries();
  scores.common = 1;
  for (uint32_t user : {1002u, 9999u, 1003u}) {
    std::array<uint8_t, 64> entry{};
    table::PutWord(entry.data(), user);
    table::PutWord(entry.data() + 4, 30);
    scores.entries.push_back(entry);
  }
  mark();
  Send(table::view_msg::kShowBoardScores);
  EXPECT_EQ(drawn(), "010");
  mark();
  Send(table::view_msg::kRefreshOwnBoardScore);
  EXPECT_EQ(drawn(), "100");
}

// ---- Table events and buttons ----

TEST_F(Messages, ARearrangedTableClearsTheGameAndBindsEveryBoardToItsChairAgain) {
  Begin(1);
  game().Start(kHands, 1);
  game().Play(1, {5});
  ASSERT_EQ(view().CountChairCards(1, place::kPlayed), 1);
  view().BoardOfChair(2)->Clear();
  Send(table::view_msg::kTableRearranged);
  EXPECT_EQ(view().CountChairCards(-1, place::kHand), 0);
  EXPECT_EQ(view().CountChairCards(-1, place::kPlayed), 0);
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), -1);
  for (int32_t c = 0; c < 3; ++c) EXPECT_EQ(view().BoardOfChair(c)->GetChair(), c) << c;
  EXPECT_EQ(view().BoardAt(0)->GetChair(), 1);
  EXPECT_EQ(Count("snd_ArrageTable"), 1u);
  Send(table::view_msg::kRefreshSeatedBoards);
  EXPECT_EQ(Count("snd_ArrageTable"), 2u);
}

TEST_F(Messages, AfterTheSettlementTheStartButtonComesBackOnlyForAPlayerBetweenGames) {
  Begin();
  engine::ImageButton* start = view().GetStartButton();
  start->Hide();
  app_->SetGameRunning(true);
  Send(table::view_msg::kSettlementClosed);
  EXPECT_FALSE(start->IsVisible());
  app_->SetGameRunning(false);
  app_->SetMatch(true);
  Send(table::view_msg::kSettlementClosed);
  EXPECT_FALSE(start->IsVisible());
  app_->SetMatch(false);
  Send(table::view_msg::kSettlementClosed);
  EXPECT_TRUE(start->IsVisible());

  // Continuing after the result: the ready marks come back and the next game is asked for.
  app_->GetTableStateHolder()->SetChairFlags(2, shell::IGameHandler::kChairReady);
  Send(table::view_msg::kContinueAfterResult);
  EXPECT_EQ((*server_)->CountOf(net::request::kStart), 1u);
  EXPECT_FALSE(start->IsVisible());
  EXPECT_TRUE(view().BoardOfChair(2)->GetBanner()->IsVisible());
  app_->SetReplayMode(true);
  Send(table::view_msg::kContinueAfterResult);
  EXPECT_EQ((*server_)->CountOf(net::request::kStart), 1u);
}

TEST_F(Messages, TheSoundOptionMutesAndUnmutesTheTable) {
  Begin();
  app_->SetSoundOn(false);
  Send(table::view_msg::kApplySoundSetting);
  EXPECT_NE(music_->muted, 0u);
  view().PlaySound("Snd_Pass", 1, nullptr);
  EXPECT_TRUE(music_->played.empty());
  app_->SetSoundOn(true);
  Send(table::view_msg::kApplySoundSetting);
  view().PlaySound("Snd_Pass", 1, nullptr);
  EXPECT_EQ(music_->played, std::vector<std::string>{"Snd_Pass"});
}

TEST_F(Messages, TheBombButtonSelectsTheFourJokersAndEveryBombAndASecondPressClears) {
  Begin();
  // Four 5s, the two jokers of each deck, a 9 and a pair of 6s.
  game().Start({{4, 17, 30, 43, 52, 53, 106, 107, 8, 5, 18}, {40}, {44}}, 0);
  Send(table::view_msg::kSortBomb);
  std::vector<int32_t> selected;
  for (const CCardView* card : view().OwnRow()) {
    if (card->selected != 0) selected.push_back(card->card_id);
  }
  std::sort(selected.begin(), selected.end());
  EXPECT_EQ(selected, (std::vector<int32_t>{4, 17, 30, 43, 52, 53, 106, 107}));
  Send(table::view_msg::kSortBomb);
  EXPECT_EQ(view().CountSelected(), 0);
  EXPECT_EQ(Count("Snd_HitCard"), 2u);
}

TEST_F(Messages, ARightClickOnACardPlaysTheRaisedCards) {
  Begin();
  game().Start(kHands, 0);
  view().SelectCards(std::vector<int32_t>{5, 18}.data(), 2);
  view().UpdateThrowButton();
  const CCardView* card = view().FindCardById(30);
  const int x = static_cast<int>(card->GetSprite()->GetLeft() + 4);
  const int y = static_cast<int>(card->GetY());
  Mouse(platform::WM_MOUSEMOVE, x, y);
  Mouse(platform::WM_RBUTTONDOWN, x, y, platform::MK_RBUTTON);
  Frames(22);
  const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kPlay);
  ASSERT_NE(sent, nullptr);
  ASSERT_EQ(sent->body.size(), 72u);
  EXPECT_EQ(table::GetWord(sent->body.data() + 60), 2u);
}

TEST_F(Messages, TheTableChoicesGoToTheServerAsTheirTwoWords) {
  Begin();
  const uint32_t ids[] = {table::view_msg::kTableChoice1, table::view_msg::kTableChoice2,
                          table::view_msg::kTableChoice3, table::view_msg::kTableChoice4};
  const uint32_t words[][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 0}};
  for (size_t i = 0; i < 4; ++i) {
    Send(ids[i]);
    const test::FakeGameServer::Received* sent = (*server_)->Last(net::request::kTableChoice);
    ASSERT_NE(sent, nullptr);
    ASSERT_GE(sent->body.size(), 8u);
    const uint8_t* tail = sent->body.data() + sent->body.size() - 8;
    EXPECT_EQ(table::GetWord(tail), words[i][0]) << i;
    EXPECT_EQ(table::GetWord(tail + 4), words[i][1]) << i;
  }
}

TEST_F(Messages, TheNextTurnGoesToTheChairAfterTheOneNamedAndABadChairIsRefused) {
  Begin();
  game().Start(kHands, 1);
  (*server_)->Push(221165, test::Words({77, 2}));
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 1);
  EXPECT_EQ(view().GetClock()->GetValue(), 20);
  (*server_)->Push(221165, test::Words({77, 1}));
  EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 0);
  for (const std::vector<uint8_t>& bad :
       {std::vector<uint8_t>{}, test::Words({77}), test::Words({77, 3}), test::Words({77, 0xFFFFFFFF})}) {
    (*server_)->Push(221165, bad);
    EXPECT_EQ(app_->GetTableStateHolder()->GetActiveChair(), 0);
  }
}

TEST_F(Messages, AWatchersOwnAutoPlayNoticeChangesTheBoardButNotTheUsersAutoPlay) {
  Begin(1, 0x1000000, true);
  game().Start(kHands, 1);
  const size_t lines = app_->system_texts.size();
  (*server_)->Push(229500, GameMessage(19840329, test::Words({1})));
  EXPECT_EQ(view().IsAutoPlay(), 0);
  EXPECT_EQ(app_->system_texts.size(), lines);
  EXPECT_EQ(view().BoardOfChair(1)->GetStatusPicture(), "animation_AutoPlay");
  (*server_)->Push(229500, GameMessage(19840330, test::Words({1})));
  EXPECT_EQ(app_->system_texts.size(), lines);
  EXPECT_EQ(view().GetAutoPlayOffTime(), 0u);
  EXPECT_NE(view().BoardOfChair(1)->GetStatusPicture(), "animation_AutoPlay");
}

}  // namespace
