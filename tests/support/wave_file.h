// Builds small sound files in memory for tests.
#pragma once

#include <cstdint>
#include <vector>

namespace test_support {

// An 8-bit PCM RIFF WAVE file of the given length: a quiet square wave on each channel.
std::vector<uint8_t> MakeWave(uint32_t milliseconds, uint32_t sample_rate = 8000, uint16_t channels = 1);

// An MP3 file of silent MPEG-2.5 layer III frames (8000 Hz mono, 72 ms each), frames long.
std::vector<uint8_t> MakeMp3(uint32_t frames);

// An Ogg Vorbis file of a mono tone at 8000 Hz, of the given length.
std::vector<uint8_t> MakeOgg(uint32_t milliseconds);

}  // namespace test_support
