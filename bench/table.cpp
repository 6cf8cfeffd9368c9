// The table scene at 1024 x 768 with the default skin: three 32-card hands (the user's face up,
// the others' backs), the three boards, the background and the buttons, drawn by the real
// paint module.
//   SweepFrame  one engine frame while the pointer sweeps across the user's hand with the button
//               held: each frame one more card (or, sweeping back, one card fewer) is marked
//   FullRedraw  the same table painted whole
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/core/input_module.h"
#include "engine/core/object_module.h"
#include "engine/core/rect_object.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/resource_module.h"
#include "platform/clock.h"
#include "shell/enter_game_data.h"
#include "shell/game_app_base.h"
#include "table/card_view.h"
#include "table/table_messages.h"
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
    view = new table::CTableView();
    view->SetName("MainGame");
    root->AddToScene(view);
    const platform::RECT rect{0, 0, kWidth, kHeight};
    view->SetRect(&rect);
    view->RefreshSeatedBoards();
    for (int32_t chair = 0; chair < 3; ++chair) {
      for (int32_t k = 0; k < kHand; ++k) {
        table::CCardView* card = view->CardView(chair * kHand + k);
        card->chair = chair;
        card->position = view->ChairToPosition(chair);
        card->place = table::card_place::kHand;
        card->index = k;
        card->face_up = chair == 0 ? 1 : 0;
        card->card_id = chair == 0 ? chair * kHand + k : -1;
      }
      view->LayoutChairCards(chair);
    }
    view->SortHand(table::sort_mode::kValueFalling);
    Frame();
    objects->RedrawAll();
  }
  void Frame() {
    clock->Advance(11);
    core->RunFrame();
  }
  // Sends the view what a card of the user's hand sends it, with the pointer at x.
  void CardMessage(uint32_t id, table::CCardView* card, int32_t x) {
    snapshot.x = x;
    snapshot.y = static_cast<int32_t>(card->GetY());
    const engine::ObjectMessage m = engine::MakeMessage(view->GetKey(), id, reinterpret_cast<uintptr_t>(card),
                                                        reinterpret_cast<uintptr_t>(&snapshot));
    view->OnMessage(&m);
  }
  table::CCardView* OwnCard(int index) {
    for (int i = 0; i < kHand; ++i) {
      if (view->CardView(i)->index == index) return view->CardView(i);
    }
    return nullptr;
  }

  platform::ScopedManualClock clock{1000};
  shell::CGameAppBase app;
  std::unique_ptr<engine::GameCore> core;
  engine::ObjectModule* objects = nullptr;
  engine::GdiPaintModule* paint = nullptr;
  engine::RectObject* root = nullptr;
  table::CTableView* view = nullptr;
  engine::InputSnapshot snapshot;
};

void SweepFrame(benchmark::State& state) {
  Table table;
  table::CCardView* first = table.OwnCard(0);
  const int spacing = first->GetOwnSpacing();
  const int left = static_cast<int>(first->GetLeft());
  table.CardMessage(table::view_msg::kCardLeftDown, first, left + 2);
  int reach = 0;
  int step = 1;
  for (auto _ : state) {
    if (reach + step < 0 || reach + step >= kHand) step = -step;
    reach += step;
    // Over the strip of card `reach` that no later card covers.
    table.CardMessage(table::view_msg::kCardMove, first, left + reach * spacing + spacing / 2);
    table.Frame();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
  // Cards marked when the timing ended: the sweep did reach over the hand.
  int marked = 0;
  for (int i = 0; i < kHand; ++i) marked += table.view->CardView(i)->swept;
  state.counters["marked"] = marked;
}
BENCHMARK(SweepFrame)->Unit(benchmark::kMicrosecond);

void FullRedraw(benchmark::State& state) {
  Table table;
  for (auto _ : state) {
    table.objects->RedrawAll();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
}
BENCHMARK(FullRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
