// Builds small WAV files in memory for tests.
#pragma once

#include <cstdint>
#include <vector>

namespace test_support {

// A mono 8-bit PCM RIFF WAVE file of the given length: a quiet square wave.
std::vector<uint8_t> MakeWave(uint32_t milliseconds, uint32_t sample_rate = 8000);

}  // namespace test_support
