#include "tests/support/table_view_fixture.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "engine/media/paint_module.h"
#include "platform/win_messages.h"
#include "platform/window.h"
#include "shell/game_frame_wnd.h"
#include "table/main_game_rect.h"
#include "table/table_messages.h"

namespace test {

int32_t ZipaiValue(int32_t id, int32_t) { return id < 0 ? 0 : id % 20 + 1; }
int32_t ZipaiSuit(int32_t id, int32_t) { return id < 0 ? 0 : (id % 20) / 10; }
int32_t ZipaiOrder(int32_t id, int32_t, int32_t) { return ZipaiValue(id, 0); }
int32_t ZipaiValueOrder(int32_t value, int32_t, int32_t) { return value; }

namespace {

int32_t ZipaiNumber(int32_t id, int32_t) { return id < 0 ? 0 : id % 10 + 1; }
int32_t ZipaiPoints(int32_t, int32_t) { return 0; }

}  // namespace

TestRules::TestRules()
    : CCardRules(-1, -1, 1, 3, 0, 0, 3, kCards, 1, 32, 0, 0, 0, 0, nullptr, 30, 4, 2, 400, 0, 100, ZipaiValue,
                 ZipaiSuit, ZipaiNumber, ZipaiPoints, ZipaiOrder, ZipaiValueOrder) {}

std::vector<std::vector<int32_t>> TestRules::Deal(int chairs, int per_chair, uint32_t seed) {
  std::vector<int32_t> deck(kCards);
  for (int32_t i = 0; i < kCards; ++i) deck[static_cast<size_t>(i)] = i;
  std::mt19937 random(seed);
  for (size_t i = deck.size() - 1; i > 0; --i) std::swap(deck[i], deck[random() % (i + 1)]);
  std::vector<std::vector<int32_t>> hands(static_cast<size_t>(chairs));
  size_t next = 0;
  for (int k = 0; k < per_chair; ++k) {
    for (auto& hand : hands) {
      if (next < deck.size()) hand.push_back(deck[next++]);
    }
  }
  return hands;
}

void TestTableView::CreateCardViews() {
  card_view_count_ = std::clamp(GetTotalCards(), 0, kMaxCardViews);
  for (int32_t i = 0; i < card_view_count_; ++i) {
    auto* card = new TestCardView();
    AddToScene(card);
    card->Hide();
    card->Invalidate();
    card_views_[i] = card;
  }
}

namespace {

int Answer(TestTableView* view, const int32_t* cards, int32_t count, int32_t* out, table::CARD_COMBO to_beat,
           table::CARD_COMBO* result, uint32_t mask, bool largest) {
  TestTableView::HintCall call;
  call.cards.assign(cards, cards + std::max(count, 0));
  call.mask = mask;
  call.to_beat = to_beat.type;
  call.largest = largest;
  view->hint_calls.push_back(call);
  for (const auto& [type, ids] : view->hint_answers) {
    if (type != mask || ids.empty()) continue;
    std::copy(ids.begin(), ids.end(), out);
    result->type = mask;
    result->card_count = static_cast<int32_t>(ids.size());
    std::copy(ids.begin(), ids.end(), result->cards);
    return 1;
  }
  return 0;
}

}  // namespace

int TestTableView::FindLargestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t,
                                   table::CARD_COMBO to_beat, table::CARD_COMBO* result, uint32_t mask, int32_t) {
  return Answer(this, cards, count, out, to_beat, result, mask, true);
}

int TestTableView::FindSmallestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t,
                                    table::CARD_COMBO to_beat, table::CARD_COMBO* result, uint32_t mask, int32_t) {
  return Answer(this, cards, count, out, to_beat, result, mask, false);
}

void TestTableView::DealHands(const std::vector<std::vector<int32_t>>& hands, bool open) {
  const int32_t own = table::AppOwnChair();
  for (size_t chair = 0; chair < hands.size(); ++chair) {
    const auto c = static_cast<int32_t>(chair);
    int32_t k = 0;
    for (const int32_t id : hands[chair]) {
      table::CCardView* card = CardView(id);
      if (card == nullptr) continue;
      card->chair = c;
      card->position = ChairToPosition(c);
      card->place = table::card_place::kHand;
      card->index = k++;
      card->face_up = c == own || open ? 1 : 0;
      card->card_id = c == own || open ? id : -1;
      card->selected = 0;
    }
    LayoutChairCards(c);
  }
}

std::vector<table::CCardView*> TestTableView::OwnRow() {
  std::vector<table::CCardView*> row(kMaxCardViews);
  row.resize(static_cast<size_t>(OwnHand(row.data(), kMaxCardViews)));
  std::sort(row.begin(), row.end(),
            [](const table::CCardView* a, const table::CCardView* b) { return a->index < b->index; });
  return row;
}

void TableFrame::OnAddedToScene() {
  SetName("GameFrame");
  for (const char* package : {"skin-frame.qzr", "skin-table.qzr", "skin-sound.qzr"}) {
    OpenResourcePackage((std::string(ZP_BINARY_DIR) + "/app/" + package).c_str());
  }
  table = make_table ? make_table() : new TestTableView();
  table->SetName("MainGame");
  AddToScene(table);
}

void TableFrame::OnRectChanged() {
  if (engine::PaintModule* paint = GetPaintModule()) paint->FillBase(kCloth);
  if (!fixed_rect) table_rect = platform::RECT{0, 0, GetScreenWidth(), GetScreenHeight()};
  if (table != nullptr) table->SetRect(&table_rect);
}

void TableFrame::SetTableRect(const platform::RECT& rect) {
  table_rect = rect;
  fixed_rect = true;
  if (table != nullptr) table->SetRect(&table_rect);
}

int TableFrame::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr &&
      (message->id == table::view_msg::kBoardLeftClick || message->id == table::view_msg::kBoardRightClick)) {
    received.push_back(*message);
    return 1;
  }
  return RectObject::OnMessage(message);
}

void TableFrame::OnPlayerEnter(const shell::PlayerRecord* record) {
  const engine::ObjectMessage m =
      engine::MakeMessage(0, table::view_msg::kPlayerSeated, reinterpret_cast<uintptr_t>(record), 0);
  if (table != nullptr) table->OnMessage(&m);
}

void TableFrame::OnPlayerLeave(const shell::PlayerRecord* record) {
  const engine::ObjectMessage m =
      engine::MakeMessage(0, table::view_msg::kPlayerLeft, reinterpret_cast<uintptr_t>(record), 0);
  if (table != nullptr) table->OnMessage(&m);
}

std::string TableFrame::GetAvatarImageName(int32_t character, int32_t size_type) {
  char name[40];
  std::snprintf(name, sizeof name, "Character%dType%d", static_cast<int>(character), static_cast<int>(size_type));
  return name;
}

std::string CommandLineFor(int chair, uint32_t options, bool watching) {
  char line[128];
  std::snprintf(line, sizeof line, "9|zipai|127.0.0.1|0|4242|%u|5|%d|0x%x%s", watching ? 2001u : 1001u + chair, chair,
                options, watching ? "|0|1" : "");
  return line;
}

void TableViewFixture::SetUp() {
  EngineFixture::SetUp();
  ASSERT_TRUE(platform::InitWindowSystem(backend_));
  server_ = std::make_unique<ScopedFakeServer>(clock_.clock());
  rules_ = std::make_unique<TestRules>();
}

void TableViewFixture::TearDown() {
  app_.reset();
  server_.reset();
  rules_.reset();
  platform::ShutdownWindowSystem();
  EngineFixture::TearDown();
}

void TableViewFixture::Start(const std::string& command_line) {
  // One application at a time: the one before goes first.
  app_.reset();
  app_ = std::make_unique<TableApp>();
  app_->make_table = make_table_;
  ASSERT_TRUE(app_->ParseCommandLine(command_line));
  const std::vector<uint8_t> bytes = MakeTable().Serialize();
  ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
  ASSERT_TRUE(app_->CreateMainWindow());
  ASSERT_NE(app_->frame, nullptr);
  Frames(3);
}

void TableViewFixture::Frames(int count) {
  for (int i = 0; i < count; ++i) {
    clock_->Advance(5);
    platform::PumpMessages();
  }
}

void TableViewFixture::Mouse(uint32_t message, int x, int y, uint32_t flags) {
  app_->GetMainWnd()->PostMessage(message, flags, platform::MakePointLParam(x, y));
  platform::PumpMessages();
}

}  // namespace test
