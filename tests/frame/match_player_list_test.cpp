// ctest-labels: match tsan
// The match ranking in the client's window: the ranking stored from the wire (and refused when
// its records do not fit their count), each row's strip, texts and highlight, and what a click on
// a row and the entries of its menu send to the game server, the chat and the clipboard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/ui/menu_item.h"
#include "frame/match_list_bar.h"
#include "frame/match_player_list.h"
#include "frame/match_rank_row.h"
#include "frame/match_ranking.h"
#include "net/request_ids.h"
#include "platform/clipboard.h"
#include "tests/support/colour_match.h"
#include "tests/support/panel_fixture.h"

namespace {

using frame::MatchListBar;
using frame::MatchPlayerList;
using frame::MatchRankRecord;
using frame::MatchRankRow;

MatchRankRecord Rank(uint32_t user, int32_t score, int32_t rank, const std::string& name, int32_t status = 0,
                     uint32_t eliminated = 0) {
  MatchRankRecord r;
  r.SetWord(MatchRankRecord::kUserId, user);
  r.SetWord(MatchRankRecord::kScore, static_cast<uint32_t>(score));
  r.SetWord(MatchRankRecord::kRank, static_cast<uint32_t>(rank));
  r.SetWord(MatchRankRecord::kStatus, static_cast<uint32_t>(status));
  r.SetWord(MatchRankRecord::kEliminated, eliminated);
  r.SetText(MatchRankRecord::kName, MatchRankRecord::kNameBytes, name);
  return r;
}

using test::Near;

std::vector<uint8_t> Body(const std::vector<MatchRankRecord>& records) {
  std::vector<uint8_t> body;
  for (const MatchRankRecord& r : records) body.insert(body.end(), r.bytes, r.bytes + sizeof r.bytes);
  return body;
}

class MatchRanking : public test::PanelFixture {
 protected:
  // The client with the bar in the panel, laid out as the panel does, and this ranking shown.
  void StartWithRanking(const std::vector<MatchRankRecord>& rows,
                        const std::string& command_line = test::kTestCommandLine) {
    Start(command_line);
    bar_ = new MatchListBar();
    panel().AddToScene(bar_);
    ASSERT_TRUE(bar_->IsBuilt());
    bar_->PlaceIn(engine::RECT{774, 25, 774 + 246, 25 + 330});
    list_ = bar_->GetRankList();
    shell::MatchData& data = app_->GetMatchData();
    const std::vector<uint8_t> body = Body(rows);
    ASSERT_TRUE(frame::StoreMatchRanking(data, static_cast<int32_t>(rows.size()), body.data(), body.size()));
    data.players_left = static_cast<int32_t>(rows.size());
    data.own_rank = 1;
    bar_->RefreshRanking();
    Deliver();
  }
  MatchRankRow* Row(size_t i) { return list_->RowAt(i); }
  void ClickRow(size_t i) { Click(static_cast<int>(Row(i)->GetX()), static_cast<int>(Row(i)->GetY())); }
  void RightClickRow(size_t i) { RightClick(static_cast<int>(Row(i)->GetX()), static_cast<int>(Row(i)->GetY())); }
  void ClickItem(int i) {
    engine::MenuItem* item = list_->GetMenuItem(i);
    Click(static_cast<int>(item->GetX()), static_cast<int>(item->GetY()));
  }
  std::vector<uint8_t> LastBody(uint32_t request) {
    const test::FakeGameServer::Received* r = server_->server().Last(request);
    return r != nullptr ? r->body : std::vector<uint8_t>{};
  }

  MatchListBar* bar_ = nullptr;
  MatchPlayerList* list_ = nullptr;
};

const std::vector<MatchRankRecord> kFour = {Rank(1001, 120, 1, "alice"), Rank(1002, 80, 2, "bob"),
                                            Rank(5005, 40, 3, "stranger"), Rank(1003, 0, 4, "张三", 0, 1)};

TEST(MatchRankingStore, AnExactBodyIsStoredWithItsCountAndEveryMismatchIsRefusedWithoutChange) {
  shell::MatchData data;
  const std::vector<uint8_t> body = Body(kFour);
  ASSERT_TRUE(frame::StoreMatchRanking(data, 4, body.data(), body.size()));
  EXPECT_EQ(data.row_count, 4);
  ASSERT_EQ(data.ranking_records.size(), 4u);
  EXPECT_EQ(std::vector<uint8_t>(data.ranking_records[3].begin(), data.ranking_records[3].end()),
            std::vector<uint8_t>(kFour[3].bytes, kFour[3].bytes + 64));

  // A body one byte short, one byte long, a count that claims more or less, a negative count and
  // one beyond the bound: all refused, the stored ranking untouched.
  std::vector<uint8_t> shorter(body.begin(), body.end() - 1);
  std::vector<uint8_t> longer = body;
  longer.push_back(0);
  EXPECT_FALSE(frame::StoreMatchRanking(data, 4, shorter.data(), shorter.size()));
  EXPECT_FALSE(frame::StoreMatchRanking(data, 4, longer.data(), longer.size()));
  EXPECT_FALSE(frame::StoreMatchRanking(data, 5, body.data(), body.size()));
  EXPECT_FALSE(frame::StoreMatchRanking(data, 3, body.data(), body.size()));
  EXPECT_FALSE(frame::StoreMatchRanking(data, -1, body.data(), 0));
  EXPECT_FALSE(frame::StoreMatchRanking(data, frame::kMaxRankRows + 1, nullptr, 0));
  EXPECT_FALSE(frame::StoreMatchRanking(data, 1, nullptr, 64));
  EXPECT_EQ(data.row_count, 4);
  EXPECT_EQ(data.ranking_records.size(), 4u);

  // An empty ranking is a ranking.
  EXPECT_TRUE(frame::StoreMatchRanking(data, 0, nullptr, 0));
  EXPECT_EQ(data.row_count, 0);
  EXPECT_TRUE(data.ranking_records.empty());
}

TEST_F(MatchRanking, RowsTakeTheListsWidthTheBlocksHeightAndTheirRecordsInOrder) {
  StartWithRanking(kFour);
  ASSERT_EQ(list_->RowCount(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Row(i)->GetUserId(), kFour[i].UserId());
    EXPECT_EQ(Row(i)->GetCanvas()->GetSurfaceWidth(), list_->GetTextWidth());
    EXPECT_EQ(Row(i)->GetCanvas()->GetSurfaceHeight(), 22);
    EXPECT_NEAR(Row(i)->GetY(), list_->GetTop() + 22 * i + 11, 0.5);
  }
  EXPECT_EQ(Row(1)->ScoreText(), "80");
  EXPECT_EQ(Row(3)->ScoreText(), "出局");
}

TEST_F(MatchRanking, TheFirstRowTakesFrameOneAndBoldTextAndAHighlightedRowFrameZero) {
  StartWithRanking(kFour);
  MatchRankRow* head = Row(0);
  EXPECT_EQ(head->GetRowKind(), 5);
  EXPECT_EQ(head->BlockFrame(), 1);
  engine::FontRecord style{};
  head->GetCanvas()->GetTextStyle(&style);
  EXPECT_EQ(style.weight, 700);
  EXPECT_EQ(style.colour, MatchRankRow::kTextColour);
  head->SetHighlight(1);
  EXPECT_EQ(head->BlockFrame(), 0);
  head->GetCanvas()->GetTextStyle(&style);
  EXPECT_EQ(style.colour, MatchRankRow::kHighlightTextColour);
  Row(2)->GetCanvas()->GetTextStyle(&style);
  EXPECT_EQ(style.weight, 400);

  // The strip's frames differ, so the highlight shows in the row's pixels.
  engine::CanvasObject* canvas = Row(1)->GetCanvas();
  const uint32_t plain = canvas->GetPixel(2, 2);
  Row(1)->SetHighlight(1);
  EXPECT_NE(canvas->GetPixel(2, 2), plain);
  Row(1)->SetHighlight(0);
  EXPECT_EQ(canvas->GetPixel(2, 2), plain);
}

TEST_F(MatchRanking, TheRowsReachTheWindowAndFollowTheHighlight) {
  StartWithRanking(kFour);
  // The window's pixels are 0xRRGGBB; a canvas answers COLORREF 0xBBGGRR.
  auto window_pixel_of = [](engine::CanvasObject* canvas, int x, int y) {
    const uint32_t c = canvas->GetPixel(x, y);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  };
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    engine::CanvasObject* canvas = Row(i)->GetCanvas();
    EXPECT_TRUE(Near(Pixel(static_cast<int>(canvas->GetLeft()) + 3, static_cast<int>(canvas->GetTop()) + 3),
                     window_pixel_of(canvas, 3, 3)));
  }
  engine::CanvasObject* canvas = Row(2)->GetCanvas();
  const int x = static_cast<int>(canvas->GetLeft()) + 3;
  const int y = static_cast<int>(canvas->GetTop()) + 3;
  const uint32_t plain = Pixel(x, y);
  MoveTo(static_cast<int>(Row(2)->GetX()), static_cast<int>(Row(2)->GetY()));
  EXPECT_FALSE(Near(Pixel(x, y), plain));
  EXPECT_TRUE(Near(Pixel(x, y), window_pixel_of(canvas, 3, 3)));
}

TEST_F(MatchRanking, AnEliminatedPlayerShowsOutUnlessTheStatusShowsTheScore) {
  StartWithRanking({Rank(1001, 10, 1, "a"), Rank(1002, 20, 2, "b", -4, 1), Rank(1003, 30, 3, "c", 0, 1)});
  EXPECT_EQ(Row(0)->ScoreText(), "10");
  EXPECT_EQ(Row(1)->ScoreText(), "20");
  EXPECT_EQ(Row(2)->ScoreText(), "出局");
}

TEST_F(MatchRanking, ThePointerLightsARowAndLeavingPutsItOutAlsoForTheSelectedRow) {
  StartWithRanking(kFour);
  MoveTo(static_cast<int>(Row(2)->GetX()), static_cast<int>(Row(2)->GetY()));
  EXPECT_EQ(Row(2)->IsHighlighted(), 1);
  MoveTo(static_cast<int>(Row(1)->GetX()), static_cast<int>(Row(1)->GetY()));
  EXPECT_EQ(Row(2)->IsHighlighted(), 0);
  EXPECT_EQ(Row(1)->IsHighlighted(), 1);
  ClickRow(1);
  ASSERT_EQ(list_->GetSelected(), Row(1));
  MoveTo(20, 600);
  EXPECT_EQ(Row(1)->IsHighlighted(), 0);
  EXPECT_EQ(list_->GetSelected(), Row(1));
}

TEST_F(MatchRanking, ALeftClickSelectsWithASoundAndAsksTheServerForTheUserOnce) {
  StartWithRanking(kFour);
  ClickRow(2);
  EXPECT_EQ(list_->GetSelected(), Row(2));
  EXPECT_EQ(music_->asked, std::vector<std::string>{"SndSelectBlock"});
  EXPECT_EQ(LastBody(net::request::kQueryUser), test::Words({77, 1001, 5005, 0, 0, 0, 0, 0}));
  EXPECT_EQ(server_->server().CountOf(net::request::kQueryUser), 1u);

  // The selected row again: no second sound, but the details are asked for again.
  ClickRow(2);
  EXPECT_EQ(music_->asked.size(), 1u);
  EXPECT_EQ(server_->server().CountOf(net::request::kQueryUser), 2u);
}

TEST_F(MatchRanking, ARightClickOpensTheMenuBesideTheRowWithCallOnlyForUsersAtTheTable) {
  StartWithRanking(kFour);
  engine::CanvasObject* menu = list_->GetMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->IsVisible(), 0u);
  RightClickRow(1);
  EXPECT_EQ(list_->GetSelected(), Row(1));
  ASSERT_NE(menu->IsVisible(), 0u);
  EXPECT_DOUBLE_EQ(menu->GetX(), list_->GetRight() - 51 - 20);
  EXPECT_DOUBLE_EQ(menu->GetY(), Row(1)->GetY());
  EXPECT_GT(menu->GetDepth(), Row(1)->GetDepth());
  EXPECT_STREQ(list_->GetMenuItem(0)->GetText(), "查看详细");
  EXPECT_STREQ(list_->GetMenuItem(1)->GetText(), "呼叫玩家");
  EXPECT_STREQ(list_->GetMenuItem(2)->GetText(), "复制玩家名");
  // The entries fill the menu inside its frame.
  EXPECT_DOUBLE_EQ(list_->GetMenuItem(0)->GetTop(), menu->GetTop() + 1);
  EXPECT_DOUBLE_EQ(list_->GetMenuItem(2)->GetBottom(), menu->GetBottom() - 1);
  EXPECT_NE(list_->GetMenuItem(1)->TakesInput(), 0);

  // A stranger sits at no chair of this table.
  RightClickRow(2);
  EXPECT_EQ(list_->GetSelected(), Row(2));
  EXPECT_EQ(list_->GetMenuItem(1)->TakesInput(), 0);
  EXPECT_EQ(music_->asked.size(), 2u);

  // A left click elsewhere in the list hides it.
  ClickRow(0);
  EXPECT_EQ(menu->IsVisible(), 0u);
}

TEST_F(MatchRanking, TheDetailsEntryAsksForTheSelectedUserAndHidesTheMenu) {
  StartWithRanking(kFour);
  RightClickRow(1);
  ClickItem(0);
  EXPECT_EQ(list_->GetMenu()->IsVisible(), 0u);
  EXPECT_EQ(LastBody(net::request::kQueryUser), test::Words({77, 1001, 1002, 0, 0, 0, 0, 0}));
}

TEST_F(MatchRanking, CallingAPlayerAtTheTableSendsTheCallAndShowsItInTheChatAsTheCalleeSeesIt) {
  StartWithRanking(kFour);
  RightClickRow(1);
  ClickItem(1);
  EXPECT_EQ(list_->GetMenu()->IsVisible(), 0u);
  EXPECT_EQ(LastBody(net::request::kCallPlayer), test::Words({1001, 77, 5, 0, 1002, 1}));
  ASSERT_FALSE(app_->system_texts.empty());
  EXPECT_EQ(app_->system_texts.back(), " alice呼叫 <c=32768>bob\n");
}

TEST_F(MatchRanking, NoCallGoesOutAtARandomSeatingTable) {
  StartWithRanking(kFour, "9|zipai|127.0.0.1|0|4242|1001|5|0|0x1000008");
  ASSERT_TRUE(app_->TestTableOption8());
  RightClickRow(1);
  ClickItem(1);
  EXPECT_EQ(server_->server().CountOf(net::request::kCallPlayer), 0u);
}

TEST_F(MatchRanking, CopyingTheNamePutsItOnTheClipboardWithinItsThirtyTwoBytes) {
  MatchRankRecord unterminated = Rank(1002, 1, 2, "");
  for (size_t i = 0; i < MatchRankRecord::kNameBytes; ++i) unterminated.bytes[MatchRankRecord::kName + i] = 'n';
  StartWithRanking({Rank(1001, 2, 1, "张三丰"), unterminated});
  RightClickRow(0);
  ClickItem(2);
  EXPECT_EQ(list_->GetMenu()->IsVisible(), 0u);
  EXPECT_EQ(platform::GetClipboardText(), "张三丰");
  RightClickRow(1);
  ClickItem(2);
  EXPECT_EQ(platform::GetClipboardText(), std::string(32, 'n'));
}

TEST_F(MatchRanking, ANameWithTagsIsDrawnAsItStands) {
  StartWithRanking({Rank(1001, 1, 1, "a"), Rank(1002, 2, 2, "<c=255><size=40>x")});
  EXPECT_EQ(Row(1)->GetName(), "<c=255><size=40>x");
  // Drawn inert, the name keeps the row's colour: no red pixel anywhere in the row.
  engine::CanvasObject* canvas = Row(1)->GetCanvas();
  for (int y = 0; y < canvas->GetSurfaceHeight(); ++y) {
    for (int x = 0; x < canvas->GetSurfaceWidth(); ++x) ASSERT_NE(canvas->GetPixel(x, y), 0x0000FFu) << x << "," << y;
  }
}

TEST_F(MatchRanking, ARefreshWhileTheMenuIsOpenForgetsTheSelectedRowAndClosesTheMenu) {
  StartWithRanking(kFour);
  ASSERT_TRUE(platform::SetClipboardText("before"));
  RightClickRow(1);
  ASSERT_NE(list_->GetMenu()->IsVisible(), 0u);
  bar_->RefreshRanking();
  EXPECT_EQ(list_->GetSelected(), nullptr);
  EXPECT_EQ(list_->GetMenu()->IsVisible(), 0u);
  EXPECT_EQ(list_->RowCount(), 4u);
  // Entries that arrive now have no user to act on, and a press that names no row of the list
  // (as one from before the refresh would) is dropped.
  const uintptr_t not_a_row = reinterpret_cast<uintptr_t>(bar_);
  for (uint32_t id : {MatchPlayerList::kCopyName, MatchPlayerList::kDetails, MatchPlayerList::kCallPlayer,
                      MatchPlayerList::kRowLeftDown, MatchPlayerList::kRowRightDown}) {
    const engine::ObjectMessage m = engine::MakeMessage(list_->GetKey(), id, not_a_row, 0);
    list_->SendMessage(&m);
  }
  EXPECT_EQ(list_->GetSelected(), nullptr);
  EXPECT_EQ(server_->server().CountOf(net::request::kQueryUser), 0u);
  EXPECT_EQ(server_->server().CountOf(net::request::kCallPlayer), 0u);
  EXPECT_EQ(platform::GetClipboardText(), "before");
}

TEST_F(MatchRanking, AWiderListWidensItsRowsAndANarrowerOneNarrowsThem) {
  StartWithRanking(kFour);
  const int32_t before = list_->GetTextWidth();
  list_->Resize(list_->GetWidth() + 40, list_->GetHeight());
  EXPECT_EQ(list_->GetTextWidth(), before + 40);
  EXPECT_EQ(Row(3)->GetCanvas()->GetSurfaceWidth(), before + 40);
  list_->Resize(list_->GetWidth() - 100, list_->GetHeight());
  EXPECT_EQ(Row(0)->GetCanvas()->GetSurfaceWidth(), before - 60);
  EXPECT_EQ(list_->LineCount(), 4u);
}

}  // namespace
