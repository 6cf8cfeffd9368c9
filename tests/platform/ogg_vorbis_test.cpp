// ctest-labels: sound
// Ogg Vorbis sounds: setup headers held to what a real sound needs before libvorbis builds their
// decoders, and chained streams decoded one link at a time.
#include "platform/ogg_vorbis.h"

#include <gtest/gtest.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <cstring>
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
  std::vector<int16_t> first;  // the first samples
};

// Decodes the bytes as an Ogg Vorbis sound played by the mixer (or in the form given).
Decoded Decode(const std::vector<uint8_t>& bytes, const SoundForm& played = MixerForm(44100)) {
  struct Sink final : SoundSink {
    bool Begin(const SoundForm&) override { return begun = true; }
    bool Samples(const uint8_t* samples, size_t count) override {
      const size_t keep = std::min(count / 2, size_t{65536} - std::min(first.size(), size_t{65536}));
      first.insert(first.end(), reinterpret_cast<const int16_t*>(samples),
                   reinterpret_cast<const int16_t*>(samples) + keep);
      bytes += count;
      most = std::max(most, test_support::HeapInUse());
      return true;
    }
    bool begun = false;
    uint64_t bytes = 0;
    size_t most = 0;
    std::vector<int16_t> first;
  } sink;
  sink.first.reserve(65536);
  Decoded decoded;
  const ProblemSink previous = SetProblemSink([&](const std::string& line) { decoded.problem += line; });
  const size_t before = test_support::HeapInUse();
  decoded.played = DecodeSound(SoundFileType::kOgg, bytes.data(), bytes.size(), played, sink);
  SetProblemSink(previous);
  decoded.begun = sink.begun;
  decoded.bytes = sink.bytes;
  decoded.heap_growth = sink.most > before ? sink.most - before : 0;
  decoded.first = std::move(sink.first);
  return decoded;
}

// What the first link's blocks cost the decoder as the count made before decoding works it out
// (VorbisBlockWork for each), and the frames its last granule position states.
struct StreamWork {
  uint64_t work = 0;
  uint64_t frames = 0;
};
StreamWork WorkOf(const std::vector<uint8_t>& bytes) {
  StreamWork counted;
  OggVorbisLinks links(bytes.data(), bytes.size());
  if (!links.NextLink()) return counted;
  vorbis_info info;
  vorbis_comment comment;
  vorbis_info_init(&info);
  vorbis_comment_init(&comment);
  VorbisSetup setup;
  std::string why;
  ogg_packet packet;
  for (int i = 0; i < 3 && links.NextPacket(&packet); ++i) {
    if (i == 2) WalkVorbisSetup(packet.packet, static_cast<size_t>(packet.bytes), 2, &setup, &why);
    vorbis_synthesis_headerin(&info, &comment, &packet);
  }
  const auto channels = static_cast<uint32_t>(info.channels);
  const long short_size = vorbis_info_blocksize(&info, 0);
  const uint64_t work[2] = {VorbisBlockWork(setup, static_cast<uint32_t>(short_size), channels),
                            VorbisBlockWork(setup, static_cast<uint32_t>(vorbis_info_blocksize(&info, 1)), channels)};
  while (links.NextPacket(&packet)) {
    const long size = vorbis_packet_blocksize(&info, &packet);
    if (size > 0) counted.work += work[size == short_size ? 0 : 1];
    if (packet.granulepos >= 0) counted.frames = static_cast<uint64_t>(packet.granulepos);
  }
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return counted;
}

TEST(OggVorbisTest, SetupHeadersPastTheBoundsAreRefusedBeforeAnyDecoderIsBuilt) {
  // Each of these plays on libvorbis (every codeword tree is whole), is refused by it, or (those
  // of no dimensions) sends it into an endless loop or a division by zero; none is what a real
  // sound holds.
  using test_support::BareOgg;
  using test_support::MakeBareOgg;
  const struct {
    std::vector<uint8_t> bytes;
    const char* why;
  } refused[] = {
      {MakeCraftedOgg({.books = 1, .entries = 131072}), "has 131072 entries (the most is 65536)"},
      {MakeCraftedOgg({.books = 1, .dimensions = 65, .lookup = 2}), "has 65 dimensions (the most is 64)"},
      {MakeCraftedOgg({.books = 80, .entries = 4096}), "its setup would take more than 4 MiB to decode"},
      {MakeCraftedOgg({.milliseconds = 100, .links = 160}),
       "its links' decoders would take more than 32 MiB to set up"},
      {MakeCraftedOgg({.books = 1, .dimensions = 0, .lookup = 1}), "has a lattice of no dimensions"},
      {MakeBareOgg({.floor = 1, .vector_dimensions = 0, .residue_type = 0, .stages = true}),
       "one of its residues reads vectors of no dimensions"},
      {MakeCraftedOgg({.books = 1, .entries = 4, .long_codewords = true}), "has lengths that no codewords fit"},
      {MakeBareOgg({.floor = 1, .partitions = 8, .class_dimensions = 8}), "floors has more than 65 points"},
      {MakeBareOgg({.classifications = 3}), "has more classifications than its codebook"},
  };
  for (const auto& [bytes, why] : refused) {
    const Decoded decoded = Decode(bytes);
    EXPECT_FALSE(decoded.played) << why;
    EXPECT_FALSE(decoded.begun) << why;
    EXPECT_NE(decoded.problem.find(why), std::string::npos) << decoded.problem;
  }
  // At the bounds it plays: four codebooks of the most entries, a hundred links, a floor of 63
  // points and two more; and codebooks of no dimensions that libvorbis does not trip on: scalar
  // ones, lattices of no used entries, and vectors that only a residue of type 1 reads.
  const std::vector<uint8_t> plays[] = {
      MakeCraftedOgg({.books = 4, .entries = 65536}),
      MakeBareOgg({.floor = 1, .partitions = 9, .class_dimensions = 7}),
      MakeCraftedOgg({.books = 1, .entries = 4, .dimensions = 0}),
      MakeCraftedOgg({.books = 1, .entries = 4, .dimensions = 0, .lookup = 1, .unused = true}),
      MakeCraftedOgg({.books = 1, .entries = 4, .dimensions = 0, .lookup = 2}),
      MakeBareOgg({.floor = 1, .vector_dimensions = 0, .stages = true}),
  };
  for (const std::vector<uint8_t>& bytes : plays) {
    const Decoded decoded = Decode(bytes);
    EXPECT_TRUE(decoded.played && decoded.bytes > 0) << decoded.problem;
  }
  EXPECT_EQ(Decode(MakeCraftedOgg({.milliseconds = 100, .links = 100})).bytes, 100u * 800 * 2);
}

TEST(OggVorbisTest, ASoundThatWouldCostTheDecoderMoreThanTheLongestRealSoundIsRefusedBeforeItIsDecoded) {
  // 96 kHz stereo, blocks of 8192 and packets of a few bytes, which the decoder works out as for
  // a real sound: floor 0 of order 255 over 4096 points, 256 coupling steps, or a residue of
  // partitions of a sample visited eight times (type 0: with a loop of 64 turns each) make each
  // block cost many times what a real one does. Each is refused a packet past the bound, by
  // every term of what its blocks cost, and plays a packet short of it.
  using test_support::BareOgg;
  constexpr BareOgg kLong{.rate = 96000, .channels = 2, .block_bits = 13, .packets = 1100};
  auto with = [](BareOgg bare, uint32_t packets) {
    bare.packets = packets;
    return bare;
  };
  BareOgg floor0 = kLong;
  floor0.order = 255;
  floor0.bark_map = 65535;
  BareOgg order_only = floor0;  // short blocks, a point of the curve: its order is most of the cost
  order_only.block_bits = 8;
  order_only.bark_map = 1;
  BareOgg long_blocks = floor0;  // short blocks of 256, a mode of long ones
  long_blocks.block_bits = 8;
  long_blocks.long_bits = 13;
  BareOgg coupled = kLong;
  coupled.floor = 1;
  coupled.coupling_steps = 256;
  BareOgg residue0 = coupled;
  residue0.coupling_steps = 0;
  residue0.word_dimensions = 64;
  residue0.classifications = 1;
  residue0.residue_type = 0;
  residue0.stages = true;
  residue0.stage_count = 8;
  residue0.grouping = 1;
  residue0.classified = true;
  BareOgg residue2 = residue0;
  residue2.residue_type = 2;
  BareOgg last_stage = residue0;  // the eighth stage alone: the decoder goes through all eight
  last_stage.last_stage_only = true;
  const struct {
    BareOgg bare;
    bool refused;
  } rows[] = {
      {floor0, true},                   // 47 s: eight times the bound
      {with(floor0, 135), true},        // its points, their order, the channels, the samples
      {with(long_blocks, 135), true},   // the same, long blocks counted as such
      {with(order_only, 15303), true},  // the curve's order
      {coupled, true},                  // 47 s: seven times the bound
      {with(coupled, 165), true},       // the coupling steps, the samples
      {with(residue0, 1114), true},     // 47 s: 13 times the bound (seconds to decode)
      {with(residue0, 85), true},       // its partitions, stages and loops
      {with(residue2, 988), true},      // its partitions of both channels' values, stages
      {with(last_stage, 85), true},     // its stages up to the highest, those left out too
      {with(floor0, 134), false},
      {with(coupled, 164), false},
      {with(residue0, 84), false},
      {with(residue2, 987), false},
      {with(last_stage, 84), false},
  };
  for (const auto& [bare, refused] : rows) {
    const Decoded decoded = Decode(test_support::MakeBareOgg(bare));
    const std::string row = "floor " + std::to_string(bare.floor) + ", residue " + std::to_string(bare.residue_type) +
                            ", " + std::to_string(bare.packets) + " packets";
    if (!refused) {
      EXPECT_TRUE(decoded.played) << row << ": " << decoded.problem;
      EXPECT_EQ(decoded.bytes, (bare.packets - 1) * 4096u * 4) << row;
      continue;
    }
    EXPECT_FALSE(decoded.begun) << row;
    EXPECT_NE(decoded.problem.find("would take more work to decode than the longest sound allowed"), std::string::npos)
        << row << ": " << decoded.problem;
  }
}

TEST(OggVorbisTest, ARealSoundOfTheLongestLengthIsAcceptedAtEveryDeviceRateWithAQuarterOfItsWorkToSpare) {
  // libvorbisenc's 96 kHz stereo at its lowest and highest quality: what its blocks cost, at the
  // longest length allowed and a quarter more, is within the bound.
  const uint64_t longest = kMaxSoundBytes / 4 * 96000 / 44100;
  for (const float quality : {0.0f, 1.0f}) {
    const StreamWork second = WorkOf(test_support::MakeEncodedOgg({.quality = quality}));
    ASSERT_GT(second.frames, 90000u) << quality;
    EXPECT_LE(second.work * 5 / 4 * longest / second.frames, MaxVorbisWork(longest))
        << quality << ": " << static_cast<double>(second.work) / static_cast<double>(second.frames) << " a frame";
  }
  // Played on a device at 44,100 Hz or slower, where the sound may be longer (95 s at 22,050 Hz,
  // 262 s at 8,000 Hz), a second of it repeated up to that length is accepted: only the sink,
  // which takes no samples, refuses it.
  struct Refusing final : SoundSink {
    bool Begin(const SoundForm&) override { return !(begun = true); }
    bool Samples(const uint8_t*, size_t) override { return false; }
    bool begun = false;
  };
  for (const uint32_t device : {44100u, 22050u, 8000u}) {
    const uint64_t frames = kMaxSoundBytes / 4 * 96000 / device;
    const std::vector<uint8_t> bytes = test_support::MakeEncodedOgg({.quality = 0.0f, .frames = frames});
    ASSERT_GT(WorkOf(bytes).frames, frames - 2048) << device;
    Refusing sink;
    std::string problem;
    const ProblemSink previous = SetProblemSink([&](const std::string& line) { problem += line; });
    EXPECT_FALSE(DecodeSound(SoundFileType::kOgg, bytes.data(), bytes.size(), MixerForm(device), sink));
    SetProblemSink(previous);
    EXPECT_TRUE(sink.begun) << device << " Hz: " << problem;
    EXPECT_NE(problem.find("its samples cannot be played"), std::string::npos) << problem;
  }
}

TEST(OggVorbisTest, PagesAndLinksAreReadAsLibvorbisReadsThem) {
  // A page whose checksum fails is skipped, as libogg skips it: the last of the tone's two pages
  // of sound is lost.
  std::vector<uint8_t> broken = test_support::MakeOgg(10000);
  size_t last = broken.size() - 4;
  while (std::memcmp(&broken[last], "OggS", 4) != 0) --last;
  broken[last + 22] ^= 1;
  const Decoded skipped = Decode(broken);
  EXPECT_TRUE(skipped.played) << skipped.problem;
  EXPECT_LT(skipped.bytes, 10u * 8000 * 2);
  EXPECT_GT(skipped.bytes, 5u * 8000 * 2);
  // A link that ends without the end-of-stream flag ends where the next begins.
  EXPECT_EQ(Decode(MakeCraftedOgg({.links = 3, .unended_link = 2})).bytes, 3u * 1600 * 2);
  // Of two Vorbis streams in a link, the first is played.
  EXPECT_EQ(Decode(MakeCraftedOgg({.links = 2, .second_stream_ms = 400})).bytes, 2u * 1600 * 2);
  // A link is as long as its last granule position says, not as its blocks would make it: 2 s at
  // 8000 Hz take all of a sound's bytes once converted at 1,048,576 Hz.
  const Decoded held = Decode(test_support::MakeOgg(2000), MixerForm(1048576));
  EXPECT_TRUE(held.played) << held.problem;
  EXPECT_EQ(held.bytes, 16000u * 2);
  // Links that change the rate are refused before any of them is decoded.
  const Decoded changing = Decode(MakeCraftedOgg({.links = 2, .last_link_rate = 16000}));
  EXPECT_FALSE(changing.begun);
  EXPECT_NE(changing.problem.find("changes its rate or channels"), std::string::npos) << changing.problem;
}

TEST(OggVorbisTest, SamplesPastFullScaleAreClampedAndKeepTheirSign) {
  // A full-scale square wave (40 samples up, 40 down) rings past full scale at its edges.
  const Decoded square = Decode(MakeCraftedOgg({.milliseconds = 1000, .square = true}));
  ASSERT_TRUE(square.played) << square.problem;
  ASSERT_EQ(square.first.size(), 8000u);
  size_t full = 0;
  for (size_t i = 0; i < square.first.size(); ++i) {
    const int16_t sample = square.first[i];
    if (sample == 32767 || sample == -32768) ++full;
    if (i % 40 >= 8 && i % 40 < 32) {
      EXPECT_EQ(sample > 0, i / 40 % 2 == 0) << i << ": " << sample;
    }
  }
  EXPECT_GT(full, 0u);
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
