// The skin's sounds: short tones synthesised into 16-bit mono PCM WAV files.
#pragma once

#include <cstdint>
#include <vector>

#include "app/skin-gen/skin_inventory.h"

namespace skin {

inline constexpr uint32_t kSampleRate = 22050;

// A whole RIFF WAVE file for the row.
std::vector<uint8_t> SynthesiseWave(const SoundRow& row);

}  // namespace skin
