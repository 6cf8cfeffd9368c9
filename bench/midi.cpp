// How late MIDI events sound against their due time: a dense song (chords of 12 notes every
// 5 ms, with controller changes) played by the stream player on the real clock and the real
// device thread into FluidSynth. The audio device is stood in for by a thread that pulls 256
// frames at a time on the real clock (at real-time priority where the system allows it, as audio
// threads run), so lateness is measured where it is heard: the output frame each event sounds
// from against the frame its due time falls on.
//
// The second argument is how many busy threads per processor core run beside it: 0, or 2 for a
// machine loaded twice over. Counters, per run: the median, 99th percentile and largest
// lateness and the most an event sounded early (in microseconds; an event handed over in time
// sounds within half a synthesiser block, 725 us, of its time), and how late the device's pulls
// came at worst (device_rt: whether it ran at real-time priority).
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/media/midi_stream_player.h"
#include "platform/files.h"
#include "platform/fluidsynth_sink.h"
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

// notes note-ons at tick 0, each in a track of its own or all in one track.
std::vector<uint8_t> NotesAtOnce(int notes, bool one_track) {
  const int tracks = one_track ? 1 : notes;
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, static_cast<uint8_t>(tracks >> 8),
                               static_cast<uint8_t>(tracks), 480 >> 8, 480 & 0xFF};
  auto add_track = [&](int first, int count) {
    const uint32_t length = static_cast<uint32_t>(count) * 4 + 4;
    file.insert(file.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16),
                             static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    for (int n = first; n < first + count; ++n) {
      file.insert(file.end(), {0, static_cast<uint8_t>(0x90 | n % 16), static_cast<uint8_t>(n % 128), 64});
    }
    file.insert(file.end(), {0, 0xFF, 0x2F, 0});
  };
  if (one_track) {
    add_track(0, notes);
  } else {
    for (int n = 0; n < notes; ++n) add_track(n, 1);
  }
  return file;
}

// Loads the song into a new player and plays it to its end, looking every poll; false when it
// does not load.
bool PlayToItsEnd(const std::vector<uint8_t>& song, std::chrono::microseconds poll) {
  engine::MidiStreamPlayer player;
  if (player.Load(song.data(), song.size(), nullptr) != 1) return false;
  player.Play(false);
  while (player.IsPlaying()) std::this_thread::sleep_for(poll);
  return true;
}

// The audio device: pulls the synthesiser's output a period at a time on the real clock.
class PullingDevice {
 public:
  static constexpr int kPeriodFrames = 256;

  explicit PullingDevice(platform::FluidSynthSink& sink) : sink_(sink), thread_([this] { Run(); }) {}
  ~PullingDevice() {
    stop_ = true;
    thread_.join();
  }
  bool RealTime() const { return real_time_; }
  // The latest a pull came after its time since the last call, in microseconds.
  int64_t TakeLatestPull() { return latest_pull_us_.exchange(0); }

 private:
  void Run() {
    sched_param priority{};
    priority.sched_priority = 10;
    real_time_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) == 0;
    std::vector<float> left(kPeriodFrames), right(kPeriodFrames);
    const auto period = std::chrono::nanoseconds(int64_t{kPeriodFrames} * 1000000000 / sink_.SampleRate());
    auto next = std::chrono::steady_clock::now();
    while (!stop_) {
      std::this_thread::sleep_until(next);
      const int64_t late =
          std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - next).count();
      if (late > latest_pull_us_) latest_pull_us_ = late;
      sink_.Pull(kPeriodFrames, left.data(), right.data());
      next += period;
    }
  }

  platform::FluidSynthSink& sink_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> real_time_{false};
  std::atomic<int64_t> latest_pull_us_{0};
  std::thread thread_;
};

// Threads that keep the processors busy while alive.
class BusyThreads {
 public:
  explicit BusyThreads(int count) {
    for (int i = 0; i < count; ++i) {
      threads_.emplace_back([this] {
        while (!stop_.load(std::memory_order_relaxed)) {
        }
      });
    }
  }
  ~BusyThreads() {
    stop_ = true;
    for (std::thread& thread : threads_) thread.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

void BM_MidiLatenessAtTheSynthesiser(benchmark::State& state) {
  const std::vector<uint8_t> song = DenseSong(static_cast<int>(state.range(0)));
  const char* font = platform::FluidSynthSink::kDefaultSoundFont;
  std::unique_ptr<platform::FluidSynthSink> sink =
      platform::FluidSynthSink::CreateWithoutDevice(platform::FileExists(font) ? font : "");
  if (sink == nullptr) {
    state.SkipWithError("no synthesiser");
    return;
  }
  sink->Timeline().KeepPlayed(true);
  platform::SetMidiMapperSink(sink.get());
  PullingDevice device(*sink);
  std::vector<int64_t> lateness;
  int64_t latest_pull_us = 0;
  for (auto _ : state) {
    BusyThreads load(static_cast<int>(state.range(1) * std::thread::hardware_concurrency()));
    device.TakeLatestPull();
    if (!PlayToItsEnd(song, std::chrono::milliseconds(5))) {
      state.SkipWithError("the song does not load");
      break;
    }
    // The last notes, due as the song ended, sound at the device's next pulls.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    latest_pull_us = std::max(latest_pull_us, device.TakeLatestPull());
    for (const platform::MidiTimeline::Played& played : sink->Timeline().TakePlayed()) {
      // The stop's notes-off are sent to sound at once, not timed.
      if (played.source == 0) continue;
      lateness.push_back((played.played_frame - played.due_frame) * 1000000 / sink->SampleRate());
    }
  }
  platform::SetMidiMapperSink(nullptr);
  if (lateness.empty()) return;
  std::sort(lateness.begin(), lateness.end());
  auto at = [&](double q) { return static_cast<double>(lateness[static_cast<size_t>(q * (lateness.size() - 1))]); };
  state.counters["events"] = static_cast<double>(lateness.size());
  state.counters["late_median_us"] = at(0.5);
  state.counters["late_p99_us"] = at(0.99);
  state.counters["late_max_us"] = static_cast<double>(lateness.back());
  state.counters["early_max_us"] = static_cast<double>(-lateness.front());
  state.counters["device_late_max_us"] = static_cast<double>(latest_pull_us);
  state.counters["device_rt"] = device.RealTime() ? 1 : 0;
}
BENCHMARK(BM_MidiLatenessAtTheSynthesiser)
    ->Args({5, 0})
    ->Args({5, 2})
    ->ArgNames({"seconds", "busy_per_core"})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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

// A song of many one-note tracks played to its end into a recorder: every event is chosen from
// all the tracks, so this is what the merge costs. The same notes in one track, for comparison.
void BM_MidiManyTracks(benchmark::State& state) {
  const int notes = static_cast<int>(state.range(0));
  const std::vector<uint8_t> song = NotesAtOnce(notes, state.range(1) != 0);
  platform::MidiRecorder recorder;
  platform::SetMidiMapperSink(&recorder);
  for (auto _ : state) {
    if (!PlayToItsEnd(song, std::chrono::microseconds(200))) {
      state.SkipWithError("the song does not load");
      break;
    }
    recorder.Clear();
  }
  platform::SetMidiMapperSink(nullptr);
  state.counters["events"] = notes;
}
BENCHMARK(BM_MidiManyTracks)
    ->Args({4096, 0})
    ->Args({32768, 0})
    ->Args({65535, 0})
    ->Args({65535, 1})
    ->ArgNames({"notes", "one_track"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
