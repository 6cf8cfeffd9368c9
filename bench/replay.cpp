// Replay playback at the 1024 x 768 table with the default skin, through the replay bar as the
// client plays a file: N "game started" records, all at time 0, each dealing the recorded hands
// (32 cards a chair) again, handed to the table a few an engine frame.
//   DealsAtOnce/N   the whole replay from its start to its last record, frames included; the
//                   time per record (items) stays the same as N grows: playback is linear in
//                   the records
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "bench/table_scene.h"
#include "dialogs/replay_bar.h"
#include "dialogs/replay_file.h"

namespace {

using bench::kHand;

// The cards in order: chair 0 holds 0-31, chair 1 32-63, chair 2 64-95.
std::vector<int32_t> CardsInOrder() {
  std::vector<int32_t> ids(3 * kHand);
  std::iota(ids.begin(), ids.end(), 0);
  return ids;
}

// A recorded game at the scene's table: its hands, and n deals at time 0.
dialogs::ReplayFile ManyDeals(size_t n) {
  dialogs::ReplayFile replay;
  replay.start_time = {2026, 12, 7, 21, 0, 0, 0};
  replay.table.chair_count = 3;
  replay.table.own_chair = 0;
  replay.table.user_id = 1001;
  replay.table.players = {{1001, 0, 0, 0, 0, "alice"}, {1002, 1, 0, 0, 0, "bob"}, {1003, 2, 0, 0, 0, "张三"}};
  replay.state_block.assign(dialogs::kReplayStateWords, -1);
  for (int32_t i = 0; i < 3 * kHand; ++i) replay.state_block[static_cast<size_t>(i)] = i;
  replay.records.assign(n, dialogs::ReplayRecord{0, 211040, {}});
  return replay;
}

struct Replay : bench::TableScene<table::CTableView> {
  explicit Replay(size_t records) : TableScene(CardsInOrder()) {
    path = (std::filesystem::temp_directory_path() / ("zipai-bench-" + std::to_string(::getpid()) + ".rep")).string();
    dialogs::SaveReplayFile(path, ManyDeals(records), nullptr);
    app.SetReplayMode(true);
    view->CreateReplayRecorder();
    bar = view->GetReplayBar();
    if (bar != nullptr) bar->OpenReplay(path, 3, nullptr);
    Frame();
  }
  ~Replay() { std::filesystem::remove(path); }
  // From the start to the last record, a frame at a time.
  void PlayThrough() {
    bar->Rewind();
    bar->Play();
    while (!bar->IsFinished()) Frame();
  }

  std::string path;
  dialogs::CReplayBar* bar = nullptr;
};

void DealsAtOnce(benchmark::State& state) {
  const auto records = static_cast<size_t>(state.range(0));
  Replay replay(records);
  if (replay.bar == nullptr || !replay.bar->IsOpen()) {
    state.SkipWithError("the replay did not open");
    return;
  }
  for (auto _ : state) {
    replay.PlayThrough();
    benchmark::DoNotOptimize(replay.bar->GetPlayed());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(records));
  state.SetComplexityN(static_cast<int64_t>(records));
}
BENCHMARK(DealsAtOnce)->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
