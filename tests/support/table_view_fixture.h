// The table scene under test, as the game would set it up: the test application (start data of
// app_fixture.h: users 1001, 1002, 1003 on chairs 0, 1, 2) with its main window on the headless
// window backend, a game frame that opens the default skin's packages and holds a test table
// view as "MainGame", the game's card rules (80 cards, values 1 to 20) and the scripted server.
// Frames run by stepping the manual clock; mouse input goes to the main window as messages.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/rect_object.h"
#include "platform/win_types.h"
#include "platform/window.h"
#include "shell/app_frame_view.h"
#include "table/card_attributes.h"
#include "table/card_rules.h"
#include "table/card_view.h"
#include "table/table_view.h"
#include "tests/support/app_fixture.h"

namespace test {

// The zipai deck's card attributes: 80 ids, kind = id mod 20 (0-9 small, 10-19 big), value =
// kind + 1 (1 to 20), suit 0 small and 1 big, order = value.
int32_t ZipaiValue(int32_t id, int32_t context);
int32_t ZipaiSuit(int32_t id, int32_t context);
int32_t ZipaiOrder(int32_t id, int32_t level, int32_t context);
int32_t ZipaiValueOrder(int32_t value, int32_t level, int32_t context);

// The game's rules as far as the table needs them: its callbacks (installed by the
// constructor, for the whole process) and a deal.
class TestRules : public table::CCardRules {
 public:
  static constexpr int32_t kCards = 80;
  TestRules();
  // Hands of `per_chair` cards for `chairs` chairs, from the deck shuffled by a fixed seed.
  std::vector<std::vector<int32_t>> Deal(int chairs, int per_chair, uint32_t seed);
};

// The game's card: the default skin's face of its kind.
class TestCardView : public table::CCardView {
 public:
  int32_t GetFaceFrame(int32_t id) override { return id < 0 ? -1 : table::FrameOfFaceKind(id % table::kFaceKinds); }
};

// The game's table view: 80 cards, a table record and chair records, and a deal; it keeps the
// hint searches and throw-button updates the framework asks of it.
class TestTableView : public table::CTableView {
 public:
  struct HintCall {
    std::vector<int32_t> cards;
    uint32_t mask = 0;
    uint32_t to_beat = 0;
    bool largest = false;
  };

  int32_t GetTotalCards() override { return total_cards; }
  void CreateCardViews() override;
  table::TableGameState* GetGameState() override { return has_state ? &state : nullptr; }
  table::ChairGameState* GetChairState(int32_t chair) override {
    return chair >= 0 && chair < shell::kMaxChairs ? &chair_states[chair] : nullptr;
  }
  int FindLargestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity, table::CARD_COMBO to_beat,
                      table::CARD_COMBO* result, uint32_t mask, int32_t wildcards) override;
  int FindSmallestHint(const int32_t* cards, int32_t count, int32_t* out, int32_t capacity, table::CARD_COMBO to_beat,
                       table::CARD_COMBO* result, uint32_t mask, int32_t wildcards) override;
  void UpdateThrowButton() override { ++throw_updates; }
  // The sweep's own search for a larger combination is what the hands tests watch.
  int CompleteSelection() override { return 0; }
  void OnClockTick() override { ++clock_ticks; }
  void ShowTableNotice(const uint8_t* record, size_t size) override {
    notices.emplace_back(reinterpret_cast<const char*>(record) + kNoticeTextOffset);
    notice_sizes.push_back(size);
  }

  // Gives each chair its hand (card sprite = card id), in place 1; the own chair's and, with
  // open, everyone's face up, the others' ids hidden (-1). Then lays the rows out.
  void DealHands(const std::vector<std::vector<int32_t>>& hands, bool open = false);
  // The own hand's cards by their place in the row.
  std::vector<table::CCardView*> OwnRow();

  int32_t total_cards = TestRules::kCards;
  bool has_state = false;
  table::TableGameState state;
  table::ChairGameState chair_states[shell::kMaxChairs];
  std::vector<HintCall> hint_calls;
  // The answer the hint searches give: the ids found (none: nothing found) per type mask.
  std::vector<std::pair<uint32_t, std::vector<int32_t>>> hint_answers;
  int throw_updates = 0;
  int clock_ticks = 0;
  std::vector<std::string> notices;
  std::vector<size_t> notice_sizes;
};

// The game frame as the table sees it: a root that opens the skin, fills the window with cloth,
// holds the table view and says where it lies.
class TableFrame : public engine::RectObject, public shell::AppFrameView {
 public:
  static constexpr platform::COLORREF kCloth = 0x3A5C1E;

  void OnAddedToScene() override;
  void OnRectChanged() override;
  platform::RECT GetMainGameRect() override { return table_rect; }
  std::string GetAvatarImageName(int32_t character, int32_t size_type) override;
  int OnMessage(const engine::ObjectMessage* message) override;
  void ShowExitBox(const char* text, int32_t, int32_t, const char* icon) override {
    exit_boxes.push_back(std::string(text) + "|" + icon);
  }
  using engine::RectObject::ShowMessageBox;
  void ShowMessageBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                      int32_t buttons, int32_t style, const char* icon) override {
    shown_boxes.emplace_back(text != nullptr ? text : "");
    shown_box_seconds.push_back(buttons);
    AppFrameView::ShowMessageBox(text, ok, cancel, buttons, style, icon);
  }
  // The table comes up when the start data were taken (0x85B1), as the game frame has it.
  void OnEnterGame() override {
    if (table != nullptr) table->OnEnterGame();
  }
  // Players sitting down and leaving reach the table as the game frame hands them on.
  void OnPlayerEnter(const shell::PlayerRecord* record) override;
  void OnPlayerLeave(const shell::PlayerRecord* record) override;

  // The table's rectangle (empty: the whole window).
  void SetTableRect(const platform::RECT& rect);

  TestTableView* table = nullptr;
  // Makes the table view (null: a TestTableView).
  std::function<TestTableView*()> make_table;
  platform::RECT table_rect{};
  bool fixed_rect = false;
  std::vector<engine::ObjectMessage> received;  // what the boards sent the frame
  std::vector<std::string> exit_boxes;
  std::vector<std::string> shown_boxes;    // the frame's message boxes
  std::vector<int32_t> shown_box_seconds;  // how long each stays (0: until a button is pressed)
};

class TableApp : public TestApp {
 public:
  engine::RectObject* NewGameFrameObject() override {
    frame = new TableFrame();
    frame->make_table = make_table;
    return frame;
  }
  int GetChairCount() override { return chairs; }
  TableFrame* frame = nullptr;
  std::function<TestTableView*()> make_table;
  int chairs = 3;
};

class TableViewFixture : public EngineFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The application seated with this command line (default: user 1001 on chair 0), the main
  // window opened and a few frames run.
  void Start(const std::string& command_line = kTestCommandLine);
  // Steps the clock one frame (5 ms) at a time, handling the window's messages.
  void Frames(int count);
  void Mouse(uint32_t message, int x, int y, uint32_t flags = 0);

  TestTableView& view() { return *app_->frame->table; }
  TableFrame& frame() { return *app_->frame; }
  engine::ObjectServices& services() { return *app_->frame; }

  // The window backend SetUp starts (a test on a real display sets it in its constructor).
  platform::WindowBackendKind backend_ = platform::WindowBackendKind::kHeadless;
  table::ScopedCardCallbacks callbacks_;
  // The table view Start makes (null: a TestTableView).
  std::function<TestTableView*()> make_table_;
  std::unique_ptr<TestRules> rules_;
  std::unique_ptr<ScopedFakeServer> server_;
  std::unique_ptr<TableApp> app_;
};

// The command line of a user on a chair (user 1001 + chair) with the table options.
std::string CommandLineFor(int chair, uint32_t options = 0x1000000, bool watching = false);

}  // namespace test
