// How late the MIDI player releases events against their due time, on the real clock and the
// real device thread, for a dense song: chords of 12 notes every 5 ms with controller changes.
// Reported per run: the median and the 99th percentile of the lateness, in microseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/media/midi_stream_player.h"
#include "platform/clock.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"

namespace {

void PutVariableLength(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[4];
  int count = 0;
  do {
    groups[count++] = value & 0x7F;
    value >>= 7;
  } while (value != 0 && count < 4);
  while (count > 1) out.push_back(groups[--count] | 0x80);
  out.push_back(groups[0]);
}

// seconds of music at 480 ticks a quarter and 500000 us a quarter (about 1 ms a tick), spread
// over four tracks.
std::vector<uint8_t> DenseSong(int seconds) {
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 4, 480 >> 8, 480 & 0xFF};
  for (int t = 0; t < 4; ++t) {
    std::vector<uint8_t> track;
    if (t == 0) track.insert(track.end(), {0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20});
    const int chords = seconds * 200;
    uint32_t pending_delta = 0;
    for (int c = 0; c < chords; ++c) {
      for (int n = 0; n < 3; ++n) {
        PutVariableLength(track, n == 0 ? pending_delta : 0);
        const uint8_t note = static_cast<uint8_t>(48 + t * 6 + n + c % 12);
        track.insert(track.end(), {static_cast<uint8_t>(0x90 | t), note, static_cast<uint8_t>(c % 2 ? 0 : 90)});
      }
      if (c % 20 == 0) {
        PutVariableLength(track, 0);
        track.insert(track.end(), {static_cast<uint8_t>(0xB0 | t), 7, static_cast<uint8_t>(60 + c % 60)});
      }
      pending_delta = 5;  // 5 ticks between chords
    }
    track.insert(track.end(), {0, 0xFF, 0x2F, 0});
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    const uint32_t length = static_cast<uint32_t>(track.size());
    file.insert(file.end(), {static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16),
                             static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    file.insert(file.end(), track.begin(), track.end());
  }
  return file;
}

void BM_MidiReleaseLateness(benchmark::State& state) {
  const std::vector<uint8_t> song = DenseSong(static_cast<int>(state.range(0)));
  std::vector<int64_t> lateness;
  size_t events = 0;
  for (auto _ : state) {
    platform::MidiRecorder recorder(&platform::CurrentClock());
    recorder.Reserve(200000);
    platform::SetMidiMapperSink(&recorder);
    {
      engine::MidiStreamPlayer player;
      if (player.Load(song.data(), song.size(), nullptr) != 1) {
        state.SkipWithError("the song does not load");
        break;
      }
      player.Play(false);
      while (player.IsPlaying()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    platform::SetMidiMapperSink(nullptr);
    for (const platform::MidiRecorder::Entry& entry : recorder.Entries()) {
      lateness.push_back(entry.played_us - entry.due_us);
    }
    events += recorder.Count();
  }
  if (lateness.empty()) return;
  std::sort(lateness.begin(), lateness.end());
  auto at = [&](double q) { return static_cast<double>(lateness[static_cast<size_t>(q * (lateness.size() - 1))]); };
  state.counters["events"] = static_cast<double>(events);
  state.counters["late_median_us"] = at(0.5);
  state.counters["late_p99_us"] = at(0.99);
  state.counters["late_max_us"] = static_cast<double>(lateness.back());
  state.counters["early_min_us"] = static_cast<double>(lateness.front());
}
BENCHMARK(BM_MidiReleaseLateness)->Arg(5)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Loading alone: the file is checked, the device opened, both buffers filled, all closed again.
void BM_MidiLoad(benchmark::State& state) {
  const std::vector<uint8_t> song = DenseSong(60);
  platform::MidiRecorder recorder;
  platform::SetMidiMapperSink(&recorder);
  for (auto _ : state) {
    engine::MidiStreamPlayer player;
    benchmark::DoNotOptimize(player.Load(song.data(), song.size(), nullptr));
  }
  platform::SetMidiMapperSink(nullptr);
}
BENCHMARK(BM_MidiLoad)->Unit(benchmark::kMicrosecond);

}  // namespace
