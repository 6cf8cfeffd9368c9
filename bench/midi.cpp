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
//
// Making a sound stream of a song (BM_MidiStream...): FluidSynth renders a dense real song of 40
// seconds (about 60 KB) into a wave, beside the fluidsynth program rendering the same song with
// the same sound font into a file (fluidsynth -ni -F out.wav FONT song.mid), each timed by the
// processor time it takes (ours: this thread's; the program's: the child's); ratio = ours / the
// program's. Beside it, songs made to cost: the most voices FluidSynth holds for as long as a
// stream may last, beside the program too; and songs refused at once (a SMPTE song of 64 KB whose
// packets stand 0x0FFFFFFF ticks apart, a plain one of 1 MB and two hours), with their time
// against the dense song's of its size (ratio_to_dense).
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/side_by_side.h"

#include "engine/media/midi_stream_player.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/fluidsynth_sink.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"
#include "platform/sound_channel.h"
#include "platform/sound_channel_null.h"
#include "platform/sound_midi.h"
#include "tests/support/midi_file_builder.h"

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

// Events of one track at their ticks, written with their delta times in tick order.
class TimedTrack {
 public:
  void At(uint32_t tick, std::initializer_list<uint8_t> bytes) { events_.insert({{tick, order_++}, bytes}); }
  void Into(test_support::MidiTrackBuilder& track) const {
    uint32_t last = 0;
    for (const auto& [at, bytes] : events_) {
      track.Event(at.first - last, {});
      for (uint8_t byte : bytes) track.Raw({byte});
      last = at.first;
    }
    track.End();
  }

 private:
  std::multimap<std::pair<uint32_t, uint32_t>, std::vector<uint8_t>> events_;
  uint32_t order_ = 0;
};

// A real song's density for 40 seconds at 120 beats a minute (480 ticks a quarter), 60 KB: a
// piano in chords of three, strings with their expression swelling, a bass, a guitar bending its
// notes, a brass section, a flute, an organ and drums on channel 10, each in a track of its own.
std::vector<uint8_t> RealDenseSong() {
  constexpr uint32_t kQuarter = 480, kBars = 20;  // 4/4: 2 s a bar
  constexpr uint32_t kEnd = kBars * 4 * kQuarter;
  test_support::MidiFileBuilder file(1, kQuarter);
  file.AddTrack().Tempo(0, 500000).Meta(0, 0x58, {4, 2, 24, 8}).End(kEnd);
  const uint8_t programs[] = {0, 48, 33, 25, 61, 73, 16};
  const uint8_t scale[] = {0, 2, 4, 5, 7, 9, 11, 12};
  for (uint8_t channel = 0; channel < 7; ++channel) {
    TimedTrack track;
    track.At(0, {static_cast<uint8_t>(0xC0 | channel), programs[channel]});
    track.At(0, {static_cast<uint8_t>(0xB0 | channel), 7, 100});
    // Eighths for the most, sixteenths for the piano and the guitar.
    const uint32_t step = channel == 0 || channel == 3 ? kQuarter / 4 : kQuarter / 2;
    const uint8_t base = channel == 2 ? 36 : 48 + 4 * channel;
    for (uint32_t tick = 0, n = 0; tick < kEnd; tick += step, ++n) {
      const uint8_t note = static_cast<uint8_t>(base + scale[(n * 3 + channel) % 8]);
      const int voices = channel == 0 ? 3 : 1;
      for (int v = 0; v < voices; ++v) {
        const uint8_t key = static_cast<uint8_t>(note + 4 * v);
        track.At(tick, {static_cast<uint8_t>(0x90 | channel), key, static_cast<uint8_t>(70 + (n * 7) % 50)});
        track.At(tick + step * 3 / 2, {static_cast<uint8_t>(0x80 | channel), key, 64});
      }
    }
    if (channel == 1) {  // the strings' expression, every 15 ticks
      for (uint32_t tick = 0; tick < kEnd; tick += 15)
        track.At(tick, {0xB1, 11, static_cast<uint8_t>(64 + (tick / 15) % 60)});
    }
    if (channel == 5 || channel == 6) {  // the flute's vibrato and the organ's swell, every 20 ticks
      for (uint32_t tick = 0; tick < kEnd; tick += 20)
        track.At(tick, {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(channel == 5 ? 1 : 11),
                        static_cast<uint8_t>(40 + (tick / 20) % 80)});
    }
    if (channel == 3) {  // the guitar's bends, every 10 ticks
      for (uint32_t tick = 0; tick < kEnd; tick += 10) {
        const uint32_t bend = 8192 + ((tick / 10) % 64) * 32;
        track.At(tick, {0xE3, static_cast<uint8_t>(bend & 0x7F), static_cast<uint8_t>(bend >> 7)});
      }
    }
    track.Into(file.AddTrack());
  }
  TimedTrack drums;  // hi-hat in sixteenths, kick and snare in quarters
  for (uint32_t tick = 0; tick < kEnd; tick += kQuarter / 4) {
    drums.At(tick, {0x99, 42, 60});
    drums.At(tick + 60, {0x89, 42, 0});
    if (tick % kQuarter == 0) {
      const uint8_t key = (tick / kQuarter) % 2 == 0 ? 36 : 38;
      drums.At(tick, {0x99, key, 110});
      drums.At(tick + 120, {0x89, key, 0});
    }
  }
  drums.Into(file.AddTrack());
  return file.Bytes();
}

// FluidSynth's most voices (256) held for 47 seconds, an organ's: the costliest song a stream is
// made of.
std::vector<uint8_t> MostVoicesSong() {
  test_support::MidiFileBuilder file(0, 480);
  test_support::MidiTrackBuilder& track = file.AddTrack();
  track.Tempo(0, 500000);
  for (uint8_t channel = 0; channel < 16; ++channel) track.Event(0, {static_cast<uint8_t>(0xC0 | channel), 19});
  for (int n = 0; n < 256; ++n) track.Event(0, {static_cast<uint8_t>(0x90 | n % 16), static_cast<uint8_t>(24 + n % 96), 100});
  // All notes off on every channel at 47 s (the program renders on until every voice is over).
  for (uint8_t channel = 0; channel < 16; ++channel)
    track.Event(channel == 0 ? 47 * 2 * 480 : 0, {static_cast<uint8_t>(0xB0 | channel), 123, 0});
  track.End();
  return file.Bytes();
}

// A SMPTE song of 24 frames a second and a tick a frame whose F7 packets stand 0x0FFFFFFF ticks
// apart, of about 64 KB; and a plain song of about 1 MB that lasts two hours.
std::vector<uint8_t> PacketsApartSong() {
  test_support::MidiFileBuilder file(0, 0xE800 | 1);
  test_support::MidiTrackBuilder& track = file.AddTrack();
  for (int i = 0; i < 10925; ++i) track.Raw({0xFF, 0xFF, 0xFF, 0x7F, 0xF7, 1, 0xF8});
  track.End();
  return file.Bytes();
}
std::vector<uint8_t> TwoHourSong() {
  test_support::MidiFileBuilder file(0, 480);
  test_support::MidiTrackBuilder& track = file.AddTrack();
  track.Tempo(0, 500000);
  // 250,000 notes on and off, 14 ticks apart: 2 hours at 480 ticks a half second.
  for (int n = 0; n < 125000; ++n) {
    track.Event(n == 0 ? 0 : 14, {0x90, static_cast<uint8_t>(40 + n % 40), 80});
    track.Event(14, {0x80, static_cast<uint8_t>(40 + n % 40), 0});
  }
  track.End();
  return file.Bytes();
}

// The processor time of the children that ended so far, in seconds.
double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds() {
  return std::chrono::duration<double>(bench::ThreadCpuClock::now().time_since_epoch()).count();
}

// The fluidsynth program rendering the song into a wave file; false when it cannot run.
bool RenderWithTheProgram(const std::string& song, const std::string& wave) {
  const pid_t child = fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    // Held to 10 minutes: the program renders on while any voice sounds.
    execl("/usr/bin/timeout", "timeout", "600", "/usr/bin/fluidsynth", "-ni", "-q", "-r", "44100", "-F", wave.c_str(),
          platform::FluidSynthSink::kDefaultSoundFont, song.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Makes a stream of the song on null sound channels: whether it was made.
bool MakeStream(const std::vector<uint8_t>& song) {
  const platform::HSTREAM stream = platform::BASS_MIDI_StreamCreateFile(true, song.data(), 0, song.size(), 0, 0);
  platform::BASS_StreamFree(stream);
  return stream != 0;
}

// The null sound channels, open while it lives.
struct NullChannels {
  NullChannels() {
    platform::InstallSoundBackend(&channels);
    platform::BASS_Init(-1, 44100, 0, nullptr, nullptr);
  }
  ~NullChannels() {
    platform::BASS_Free();
    platform::InstallSoundBackend(nullptr);
  }
  platform::NullSoundBackend channels;
};

// Ours and the program's processor time for one song, in turns.
void StreamBesideTheProgram(benchmark::State& state, const std::vector<uint8_t>& song) {
  if (::access("/usr/bin/fluidsynth", X_OK) != 0 || !platform::FileExists(platform::FluidSynthSink::kDefaultSoundFont)) {
    state.SkipWithError("no fluidsynth program or no General MIDI font (scripts/bench installs them)");
    return;
  }
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("bench_midi_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string song_path = (folder / "song.mid").string(), wave_path = (folder / "out.wav").string();
  if (FILE* out = std::fopen(song_path.c_str(), "wb")) {
    std::fwrite(song.data(), 1, song.size(), out);
    std::fclose(out);
  }
  NullChannels channels;
  double ours = 0, peer = 0;
  for (auto _ : state) {
    const double c0 = ChildrenCpuSeconds();
    if (!RenderWithTheProgram(song_path, wave_path)) {
      state.SkipWithError("the fluidsynth program failed");
      break;
    }
    peer += ChildrenCpuSeconds() - c0;
    const double t0 = ThreadCpuSeconds();
    if (!MakeStream(song)) {
      state.SkipWithError("no stream was made of the song");
      break;
    }
    ours += ThreadCpuSeconds() - t0;
  }
  std::filesystem::remove_all(folder);
  const double runs = static_cast<double>(state.iterations());
  if (runs == 0) return;
  state.counters["song_kb"] = static_cast<double>(song.size()) / 1000;
  state.counters["ours_s"] = ours / runs;
  state.counters["program_s"] = peer / runs;
  state.counters["ratio"] = peer > 0 ? ours / peer : 0;
  state.counters["blocks"] = static_cast<double>(platform::LastMidiStreamMaking().blocks);
  state.counters["events"] = static_cast<double>(platform::LastMidiStreamMaking().events);
}

void BM_MidiStreamOfADenseSongBesideFluidSynth(benchmark::State& state) {
  StreamBesideTheProgram(state, RealDenseSong());
}
BENCHMARK(BM_MidiStreamOfADenseSongBesideFluidSynth)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();

void BM_MidiStreamOfTheMostVoicesBesideFluidSynth(benchmark::State& state) {
  StreamBesideTheProgram(state, MostVoicesSong());
}
BENCHMARK(BM_MidiStreamOfTheMostVoicesBesideFluidSynth)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// A song refused at once: its processor time against the dense song's for its size.
void BM_MidiStreamRefused(benchmark::State& state) {
  const std::vector<uint8_t> song = state.range(0) == 0 ? PacketsApartSong() : TwoHourSong();
  const std::vector<uint8_t> dense = RealDenseSong();
  NullChannels channels;
  const double d0 = ThreadCpuSeconds();
  const bool dense_made = MakeStream(dense);
  const double dense_s = ThreadCpuSeconds() - d0;
  double ours = 0;
  bool made = false;
  const platform::ProblemSink previous = platform::SetProblemSink([](const std::string&) {});
  for (auto _ : state) {
    const double t0 = ThreadCpuSeconds();
    made = MakeStream(song);
    ours += ThreadCpuSeconds() - t0;
  }
  platform::SetProblemSink(previous);
  const double runs = static_cast<double>(state.iterations());
  state.counters["song_kb"] = static_cast<double>(song.size()) / 1000;
  state.counters["refused"] = made ? 0 : 1;
  state.counters["blocks"] = static_cast<double>(platform::LastMidiStreamMaking().blocks);
  state.counters["ours_ms"] = ours / runs * 1000;
  // The dense song's time scaled to this song's size.
  const double dense_for_size = dense_s * static_cast<double>(song.size()) / static_cast<double>(dense.size());
  state.counters["ratio_to_dense"] = dense_made && dense_for_size > 0 ? ours / runs / dense_for_size : 0;
}
BENCHMARK(BM_MidiStreamRefused)->Arg(0)->Arg(1)->ArgNames({"two_hours"})->Unit(benchmark::kMillisecond);

}  // namespace
