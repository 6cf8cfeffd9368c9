// ctest-labels: sound
// Ogg Vorbis sounds: setup headers held to what a real sound needs before libvorbis builds their
// decoders, and chained streams decoded one link at a time.
#include "platform/ogg_vorbis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/sound_decode.h"
#include "tests/support/heap_use.h"
#include "tests/support/wave_file.h"

namespace platform {
namespace {

using test_support::CraftedOgg;
using test_support::MakeCraftedOgg;

struct Decoded {
  bool played = false;
  bool begun = false;
  uint64_t bytes = 0;      // of samples, as decoded (16-bit mono at 8000 Hz)
  size_t heap_growth = 0;  // the most the heap held more than before, as the samples came
  std::string problem;
};

// Decodes the bytes as an Ogg Vorbis sound played by the mixer.
Decoded Decode(const std::vector<uint8_t>& bytes) {
  struct Sink final : SoundSink {
    bool Begin(const SoundForm&) override { return begun = true; }
    bool Samples(const uint8_t*, size_t count) override {
      bytes += count;
      most = std::max(most, test_support::HeapInUse());
      return true;
    }
    bool begun = false;
    uint64_t bytes = 0;
    size_t most = 0;
  } sink;
  Decoded decoded;
  const ProblemSink previous = SetProblemSink([&](const std::string& line) { decoded.problem += line; });
  const size_t before = test_support::HeapInUse();
  decoded.played = DecodeSound(SoundFileType::kOgg, bytes.data(), bytes.size(), MixerForm(44100), sink);
  SetProblemSink(previous);
  decoded.begun = sink.begun;
  decoded.bytes = sink.bytes;
  decoded.heap_growth = sink.most > before ? sink.most - before : 0;
  return decoded;
}

TEST(OggVorbisTest, SetupHeadersPastTheBoundsAreRefusedBeforeAnyDecoderIsBuilt) {
  // Each of these plays on libvorbis (every codeword tree is whole); none is what a real sound
  // holds.
  const struct {
    CraftedOgg craft;
    const char* why;
  } refused[] = {
      {{.books = 1, .entries = 131072}, "has 131072 entries (the most is 65536)"},
      {{.books = 1, .dimensions = 65, .lookup = 2}, "has 65 dimensions (the most is 64)"},
      {{.books = 80, .entries = 4096}, "its setup would take more than 4 MiB to decode"},
      {{.milliseconds = 100, .links = 160}, "its links' decoders would take more than 32 MiB to set up"},
  };
  for (const auto& [craft, why] : refused) {
    const Decoded decoded = Decode(MakeCraftedOgg(craft));
    EXPECT_FALSE(decoded.played) << why;
    EXPECT_FALSE(decoded.begun) << why;
    EXPECT_NE(decoded.problem.find(why), std::string::npos) << decoded.problem;
  }
  // At the bounds it plays: four codebooks of the most entries, a hundred links.
  EXPECT_TRUE(Decode(MakeCraftedOgg({.books = 4, .entries = 65536})).played);
  EXPECT_EQ(Decode(MakeCraftedOgg({.milliseconds = 100, .links = 100})).bytes, 100u * 800 * 2);
}

TEST(OggVorbisTest, AChainedStreamIsDecodedLinkByLinkWithOneLinksSetUpHeldAtATime) {
  // Three links, each with 60 codebooks of 65,536 entries, one of them used: libvorbis holds
  // 3.9 MB of lengths for each link whose headers it has read, a few KB once its decoder is built.
  const Decoded chain = Decode(MakeCraftedOgg({.links = 3, .books = 60, .entries = 65536, .sparse = 1}));
  EXPECT_TRUE(chain.played) << chain.problem;
  EXPECT_EQ(chain.bytes, 3u * 1600 * 2);
  EXPECT_LT(chain.heap_growth, 2u << 20) << "the other links' set-ups are held while one plays";
}

}  // namespace
}  // namespace platform
