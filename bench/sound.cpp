// What decoding an Ogg Vorbis sound costs, through the client's path (DecodeSound into 16-bit
// samples for a mixer at 44,100 Hz): a real sound at the longest length allowed (47 s at 96 kHz
// in stereo, as libvorbisenc writes it at low and at the highest quality) beside hostile ones of
// a few KB whose packets make the decoder work as for whole blocks: residues of type 0 whose
// partitions of a sample each it visits eight times with codebooks of 64 or 16 dimensions, or
// once; the same over type 2's interleaved values; floor 0 of order 255. Counters: the file's
// size and whether it was refused (a refused sound costs the walk and the count of its packets).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/sound_decode.h"
#include "tests/support/wave_file.h"

namespace {

struct Counting final : platform::SoundSink {
  bool Begin(const platform::SoundForm&) override { return true; }
  bool Samples(const uint8_t*, size_t count) override {
    bytes += count;
    return true;
  }
  uint64_t bytes = 0;
};

void Decode(benchmark::State& state, const std::vector<uint8_t>& bytes) {
  bool played = false;
  const platform::ProblemSink previous = platform::SetProblemSink([](const std::string&) {});
  for (auto _ : state) {
    Counting sink;
    played = platform::DecodeSound(platform::SoundFileType::kOgg, bytes.data(), bytes.size(),
                                   platform::MixerForm(44100), sink);
    benchmark::DoNotOptimize(sink.bytes);
  }
  platform::SetProblemSink(previous);
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
  state.counters["refused"] = played ? 0 : 1;
}

const std::vector<uint8_t>& Real(float quality) {
  static const std::vector<uint8_t> low = test_support::MakeEncodedOgg({.milliseconds = 47400, .quality = 0.0f});
  static const std::vector<uint8_t> high = test_support::MakeEncodedOgg({.milliseconds = 47400, .quality = 1.0f});
  return quality < 0.5f ? low : high;
}

void BM_RealLongest(benchmark::State& state) { Decode(state, Real(static_cast<float>(state.range(0)) / 10)); }
BENCHMARK(BM_RealLongest)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond);

// Residue type (0 or 2), stages, the codebooks' dimensions, packets: 96 kHz stereo, blocks of 8192
// (1114 packets: 47.5 s; the others, the most that are not refused).
void BM_HostileResidue(benchmark::State& state) {
  const auto type = static_cast<uint16_t>(state.range(0));
  const auto stages = static_cast<uint8_t>(state.range(1));
  const auto dimensions = static_cast<uint16_t>(state.range(2));
  const std::vector<uint8_t> bytes = test_support::MakeBareOgg({.rate = 96000,
                                                                .channels = 2,
                                                                .block_bits = 13,
                                                                .packets = static_cast<uint32_t>(state.range(3)),
                                                                .floor = 1,
                                                                .vector_dimensions = dimensions,
                                                                .word_dimensions = dimensions,
                                                                .classifications = 1,
                                                                .residue_type = type,
                                                                .stages = true,
                                                                .stage_count = stages,
                                                                .grouping = 1,
                                                                .classified = true});
  Decode(state, bytes);
}
BENCHMARK(BM_HostileResidue)
    ->Args({0, 8, 64, 1114})
    ->Args({0, 8, 64, 84})
    ->Args({0, 8, 16, 1114})
    ->Args({0, 8, 16, 269})
    ->Args({0, 1, 64, 1114})
    ->Args({0, 1, 64, 484})
    ->Args({2, 8, 64, 1114})
    ->Args({2, 8, 64, 987})
    ->Unit(benchmark::kMillisecond);

// Floor 0 of order 255 over the whole block, at so many packets of blocks of 8192 (134: the most
// that are not refused).
void BM_HostileFloor0(benchmark::State& state) {
  Decode(state, test_support::MakeBareOgg({.rate = 96000,
                                           .channels = 2,
                                           .block_bits = 13,
                                           .packets = static_cast<uint32_t>(state.range(0)),
                                           .order = 255,
                                           .bark_map = 65535}));
}
BENCHMARK(BM_HostileFloor0)->Arg(134)->Arg(1100)->Unit(benchmark::kMillisecond);

}  // namespace
