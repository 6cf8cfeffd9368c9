// The user's turn at the 1024 x 768 table with the default skin: a 32-card hand (default card
// values) against a pair on the table, the other seats' 32 backs, drawn by the real paint module.
//   TurnToHint        the turn notification (the play buttons, the check whether anything beats
//                     the table) and the hint button (the next hint selected, the play button
//                     enabled)
//   TurnToHintFrame   the same, and the engine frame that draws it
//   FullRedraw        the same table painted whole
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/rect_object.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/resource_module.h"
#include "engine/ui/image_button.h"
#include "platform/clock.h"
#include "shell/enter_game_data.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "table/card_rules.h"
#include "table/card_view.h"
#include "table/table_view.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kHand = 32;

shell::PlayerRecord Player(uint32_t user, int32_t chair, const char* name) {
  shell::PlayerRecord r;
  r.SetWord(shell::PlayerRecord::kUserId, user);
  r.SetWord(shell::PlayerRecord::kChair, static_cast<uint32_t>(chair));
  r.SetText(shell::PlayerRecord::kName, shell::PlayerRecord::kNameBytes, name);
  return r;
}

// A game's table: its own record of the table.
class GameTable : public table::CTableView {
 public:
  table::TableGameState* GetGameState() override { return &state; }
  table::TableGameState state;
};

struct Table {
  Table() {
    app.ParseCommandLine("9|zipai|127.0.0.1|0|4242|1001|5|0|0");
    shell::EnterGameData start;
    start.players = {Player(1001, 0, "alice"), Player(1002, 1, "bob"), Player(1003, 2, "张三")};
    const std::vector<uint8_t> bytes = start.Serialize();
    app.TakeStartData(bytes.data(), bytes.size());

    core = std::make_unique<engine::GameCore>();
    core->SetDefaultSettings();
    core->LoadModule(new engine::ResourceModule(), true, true);
    objects = new engine::ObjectModule();
    paint = new engine::GdiPaintModule();
    core->LoadModule(objects, true, false);
    core->LoadModule(paint, true, true);
    paint->SetSize(kWidth, kHeight);
    objects->SetViewCentre(kWidth / 2, kHeight / 2);
    objects->SetViewSize(kWidth, kHeight);
    root = new engine::RectObject();
    objects->AddObject(root, nullptr);
    for (const char* package : {"skin-frame.qzr", "skin-table.qzr"}) {
      root->OpenResourcePackage((std::string(ZP_BINARY_DIR) + "/app/" + package).c_str());
    }
    view = new GameTable();
    view->SetName("MainGame");
    root->AddToScene(view);
    const platform::RECT rect{0, 0, kWidth, kHeight};
    view->SetRect(&rect);
    view->RefreshSeatedBoards();
    // Two default decks, shuffled; the user's 32 cards face up, the others' backs.
    std::vector<int32_t> deck(108);
    for (size_t i = 0; i < deck.size(); ++i) deck[i] = static_cast<int32_t>(i);
    std::mt19937 random(5);
    std::shuffle(deck.begin(), deck.end(), random);
    for (int32_t chair = 0; chair < 3; ++chair) {
      for (int32_t k = 0; k < kHand; ++k) {
        const int32_t id = deck[static_cast<size_t>(chair * kHand + k)];
        table::CCardView* card = view->CardView(id);
        card->chair = chair;
        card->position = view->ChairToPosition(chair);
        card->place = table::card_place::kHand;
        card->index = k;
        card->face_up = chair == 0 ? 1 : 0;
        card->card_id = chair == 0 ? id : -1;
      }
      view->LayoutChairCards(chair);
    }
    view->SortHand(table::sort_mode::kValueFalling);
    // Chair 1 played a pair of 3s (it lies on the table); the turn is the user's.
    view->state.chair_on_table = 1;
    table::SearchRules search;
    table::CARD_COMBO_LIST list;
    const int32_t threes[2] = {2, 15};
    search->FindAllCombos(1, threes, 2, &list, table::kJokerBeatMask);
    view->state.combo = list.records[0];
    app.GetTableStateHolder()->SetActiveChair(0);
    Frame();
    objects->RedrawAll();
  }
  void Frame() {
    clock->Advance(11);
    core->RunFrame();
  }
  // The turn notification and the hint button.
  void TurnAndHint() {
    view->ClearSelection();
    view->OnTurnNotify(shell::NotifyBody{});
    view->ShowNextHint();
  }

  platform::ScopedManualClock clock{1000};
  shell::CGameAppBase app;
  std::unique_ptr<engine::GameCore> core;
  engine::ObjectModule* objects = nullptr;
  engine::GdiPaintModule* paint = nullptr;
  engine::RectObject* root = nullptr;
  GameTable* view = nullptr;
};

void TurnToHint(benchmark::State& state) {
  Table table;
  for (auto _ : state) {
    table.TurnAndHint();
    benchmark::DoNotOptimize(table.view->CountSelected());
  }
  state.counters["selected"] = table.view->CountSelected();
  state.counters["enabled"] = table.view->GetThrowButton()->TakesInput();
}
BENCHMARK(TurnToHint)->Unit(benchmark::kMicrosecond);

void TurnToHintFrame(benchmark::State& state) {
  Table table;
  for (auto _ : state) {
    table.TurnAndHint();
    table.Frame();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
  state.counters["selected"] = table.view->CountSelected();
  state.counters["enabled"] = table.view->GetThrowButton()->TakesInput();
}
BENCHMARK(TurnToHintFrame)->Unit(benchmark::kMicrosecond);

void FullRedraw(benchmark::State& state) {
  Table table;
  for (auto _ : state) {
    table.objects->RedrawAll();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
}
BENCHMARK(FullRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
