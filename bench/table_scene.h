// The table scene the table benchmarks draw: a 1024 x 768 view with the default skin, three
// seated players, the real paint module, and 32 cards in each chair's hand (the user's face up,
// the others' backs); on a core of its own, or in the engine of a host window.
#pragma once

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/pixman_layers.h"
#include "bench/side_by_side.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/rect_object.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/resource_module.h"
#include "platform/clock.h"
#include "shell/enter_game_data.h"
#include "shell/game_app_base.h"
#include "table/card_view.h"
#include "table/table_view.h"

namespace bench {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kHand = 32;

inline shell::PlayerRecord Player(uint32_t user, int32_t chair, const char* name) {
  shell::PlayerRecord r;
  r.SetWord(shell::PlayerRecord::kUserId, user);
  r.SetWord(shell::PlayerRecord::kChair, static_cast<uint32_t>(chair));
  r.SetText(shell::PlayerRecord::kName, shell::PlayerRecord::kNameBytes, name);
  return r;
}

template <class View>
struct TableScene {
  // card_ids[chair * kHand + k] is the k-th card of the chair's hand. The scene runs on a core of
  // its own with the resource, object and paint modules.
  explicit TableScene(const std::vector<int32_t>& card_ids) {
    StartApp();
    owned_core = std::make_unique<engine::GameCore>();
    core = owned_core.get();
    core->SetDefaultSettings();
    core->LoadModule(new engine::ResourceModule(), true, true);
    objects = new engine::ObjectModule();
    paint = recorder = new RecordingPaint();
    core->LoadModule(objects, true, false);
    core->LoadModule(paint, true, true);
    paint->SetSize(kWidth, kHeight);
    objects->SetViewCentre(kWidth / 2, kHeight / 2);
    objects->SetViewSize(kWidth, kHeight);
    root = new engine::RectObject();
    objects->AddObject(root, nullptr);
    Seat(card_ids, kWidth, kHeight);
  }
  // The same table in an engine that a host window built: its modules and its root object.
  TableScene(const std::vector<int32_t>& card_ids, engine::GameCore* hosted, engine::RectObject* hosted_root, int width,
             int height) {
    StartApp();
    core = hosted;
    objects = dynamic_cast<engine::ObjectModule*>(core->FindModule(engine::module_id::kObject));
    paint = dynamic_cast<engine::GdiPaintModule*>(core->FindModule(engine::module_id::kPaint));
    root = hosted_root;
    Seat(card_ids, width, height);
  }
  // One engine frame, 11 ms after the last.
  void Frame() {
    clock->Advance(11);
    core->RunFrame();
  }
  // The layers of one full redraw (a scene on a core of its own only).
  std::vector<Layer> RecordLayers() {
    recorder->layers.clear();
    recorder->recording = true;
    objects->RedrawAll();
    recorder->recording = false;
    return std::move(recorder->layers);
  }

  platform::ScopedManualClock clock{1000};
  shell::CGameAppBase app;
  std::unique_ptr<engine::GameCore> owned_core;
  engine::GameCore* core = nullptr;
  engine::ObjectModule* objects = nullptr;
  engine::GdiPaintModule* paint = nullptr;
  RecordingPaint* recorder = nullptr;
  engine::RectObject* root = nullptr;
  View* view = nullptr;

 private:
  void StartApp() {
    app.ParseCommandLine("9|zipai|127.0.0.1|0|4242|1001|5|0|0");
    shell::EnterGameData start;
    start.players = {Player(1001, 0, "alice"), Player(1002, 1, "bob"), Player(1003, 2, "张三")};
    const std::vector<uint8_t> bytes = start.Serialize();
    app.TakeStartData(bytes.data(), bytes.size());
  }
  void Seat(const std::vector<int32_t>& card_ids, int width, int height) {
    for (const char* package : {"skin-frame.qzr", "skin-table.qzr"}) {
      root->OpenResourcePackage((std::string(ZP_BINARY_DIR) + "/app/" + package).c_str());
    }
    view = new View();
    view->SetName("MainGame");
    root->AddToScene(view);
    const platform::RECT rect{0, 0, width, height};
    view->SetRect(&rect);
    view->RefreshSeatedBoards();
    for (int32_t chair = 0; chair < 3; ++chair) {
      for (int32_t k = 0; k < kHand; ++k) {
        const int32_t id = card_ids[static_cast<size_t>(chair * kHand + k)];
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
  }
};

// The table painted whole: what the table benchmarks are measured against.
template <class Table>
void FullRedraw(benchmark::State& state) {
  Table table;
  for (auto _ : state) {
    table.objects->RedrawAll();
    benchmark::DoNotOptimize(table.paint->PresentLayer());
  }
}

// The table painted whole beside pixman compositing the same layers upright.
template <class Table>
void FullRedrawBesidePixman(benchmark::State& state) {
  Table table;
  PixmanLayers pixman(table.paint->BaseLayer(), kWidth, kHeight, table.RecordLayers());
  SideBySide(
      state,
      [&] {
        table.objects->RedrawAll();
        benchmark::DoNotOptimize(table.paint->PresentLayer());
      },
      [&] {
        pixman.Composite();
        benchmark::DoNotOptimize(pixman.Frame());
      });
  state.counters["layers"] = static_cast<double>(pixman.LayerCount());
}

}  // namespace bench
