// sound-craft FOLDER: writes the crafted sound files that the Ogg and WAV readers' bounds are
// measured on (not built by default: `cmake --build build/release --target sound-craft`);
// tests/tools/crafted-sound-skin makes the skin's sounds of them for the client.
//   ogg_codebook_8388607_entries.ogg  the 200 ms tone whose setup header has one more codebook,
//                                      of 8,388,607 entries
//   ogg_256_codebooks.ogg              a setup header of 256 codebooks of 8,388,607 entries that
//                                      ends after them
//   ogg_3_links_60_codebooks.ogg       three links, each with 60 such codebooks more
//   ogg_codebook_of_no_dimensions.ogg  the tone with one more codebook, of vectors of no
//                                      dimensions
//   ogg_chain_10000_links.ogg          10,000 links of the tone
//   ogg_floor0_order_255.ogg           47 s at 96 kHz in two channels, blocks of 8192, floor 0
//                                      of order 255 and bark map 65535, packets of two bytes
//   ogg_residue0_8_stages.ogg          the same length, floor 1, and a residue of type 0 whose
//                                      partitions of a sample are read in 8 stages with codebooks
//                                      of 64 dimensions, packets of 20 bytes
//   ima_adpcm_*.wav                    32 MiB of IMA ADPCM blocks (256 bytes, 505 frames each)
//                                      stating 0 or 505 samples a block, or with a format chunk
//                                      of 16 bytes
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/wave_file.h"

namespace {

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::printf("%s\t%zu bytes\n", path.c_str(), bytes.size());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sound-craft FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  using test_support::CraftedOgg;
  constexpr uint32_t kHuge = 8388607;
  constexpr uint32_t kBlocks = (32u << 20) / 256;
  bool written = Write(folder + "ogg_codebook_8388607_entries.ogg",
                       test_support::MakeCraftedOgg(CraftedOgg{.books = 1, .entries = kHuge}));
  written &= Write(folder + "ogg_256_codebooks.ogg",
                   test_support::MakeCraftedOgg(CraftedOgg{.books = 256, .entries = kHuge, .cut = true}));
  written &= Write(folder + "ogg_3_links_60_codebooks.ogg",
                   test_support::MakeCraftedOgg(CraftedOgg{.links = 3, .books = 60, .entries = kHuge}));
  written &= Write(folder + "ogg_codebook_of_no_dimensions.ogg",
                   test_support::MakeCraftedOgg(CraftedOgg{.books = 1, .dimensions = 0, .lookup = 1}));
  written &= Write(folder + "ogg_chain_10000_links.ogg", test_support::MakeCraftedOgg(CraftedOgg{.links = 10000}));
  written &=
      Write(folder + "ogg_floor0_order_255.ogg",
            test_support::MakeBareOgg(
                {.rate = 96000, .channels = 2, .block_bits = 13, .packets = 1100, .order = 255, .bark_map = 65535}));
  written &= Write(folder + "ogg_residue0_8_stages.ogg", test_support::MakeBareOgg({.rate = 96000,
                                                                                    .channels = 2,
                                                                                    .block_bits = 13,
                                                                                    .packets = 1100,
                                                                                    .floor = 1,
                                                                                    .word_dimensions = 64,
                                                                                    .classifications = 1,
                                                                                    .residue_type = 0,
                                                                                    .stages = true,
                                                                                    .stage_count = 8,
                                                                                    .grouping = 1,
                                                                                    .classified = true}));
  using test_support::AdpcmWave;
  written &= Write(folder + "ima_adpcm_spb0.wav", test_support::MakeAdpcmWave({.blocks = kBlocks}));
  written &= Write(folder + "ima_adpcm_fmt16.wav",
                   test_support::MakeAdpcmWave({.blocks = kBlocks, .format = AdpcmWave::kShort}));
  written &=
      Write(folder + "ima_adpcm_spb505.wav", test_support::MakeAdpcmWave({.blocks = kBlocks, .frames_a_block = 505}));
  return written ? 0 : 1;
}
