#include "app/skin-gen/skin_sounds.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace skin {
namespace {

class Voice {
 public:
  explicit Voice(size_t samples) : mix_(samples, 0.0) {}

  size_t size() const { return mix_.size(); }

  // A tone from `start` seconds, lasting `length`, with a sharp attack and an exponential decay
  // (`decay` per second); `harmonics` adds the second and third partials.
  void Tone(double start, double length, double hz, double gain, double decay, double harmonics = 0.0,
            double glide_to = 0.0) {
    const size_t first = static_cast<size_t>(start * kSampleRate);
    const size_t count = static_cast<size_t>(length * kSampleRate);
    double phase = 0;
    for (size_t i = 0; i < count && first + i < mix_.size(); ++i) {
      const double t = static_cast<double>(i) / kSampleRate;
      const double f = glide_to > 0 ? hz + (glide_to - hz) * (t / length) : hz;
      phase += 2 * std::numbers::pi * f / kSampleRate;
      const double attack = std::min(1.0, t / 0.004);
      const double release = std::min(1.0, (length - t) / 0.01);
      const double env = attack * release * std::exp(-decay * t);
      const double wave = std::sin(phase) + harmonics * (0.5 * std::sin(2 * phase) + 0.25 * std::sin(3 * phase));
      mix_[first + i] += gain * env * wave / (1 + harmonics * 0.75);
    }
  }

  // Filtered noise: `brightness` 0 .. 1 sets the one-pole low-pass.
  void Noise(double start, double length, double gain, double decay, double brightness, uint32_t seed) {
    const size_t first = static_cast<size_t>(start * kSampleRate);
    const size_t count = static_cast<size_t>(length * kSampleRate);
    double low = 0;
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < count && first + i < mix_.size(); ++i) {
      state = state * 1664525u + 1013904223u;
      const double white = (state >> 8) / 8388608.0 - 1.0;
      low += brightness * (white - low);
      const double t = static_cast<double>(i) / kSampleRate;
      const double env = std::min(1.0, t / 0.002) * std::exp(-decay * t) * std::min(1.0, (length - t) / 0.01);
      mix_[first + i] += gain * env * low;
    }
  }

  std::vector<int16_t> Samples() const {
    std::vector<int16_t> out(mix_.size());
    for (size_t i = 0; i < mix_.size(); ++i) {
      out[i] = static_cast<int16_t>(std::lround(std::clamp(mix_[i], -1.0, 1.0) * 30000));
    }
    return out;
  }

 private:
  std::vector<double> mix_;
};

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> WaveFile(const std::vector<int16_t>& samples) {
  const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
  Put32(out, 36 + data);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, kSampleRate);
  Put32(out, kSampleRate * 2);  // bytes a second
  Put16(out, 2);                // block align
  Put16(out, 16);               // bits a sample
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  Put32(out, data);
  for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
  return out;
}

// Pitches of a major scale from C5 (523 Hz), by step.
double Note(int step) {
  static const int kSemitones[] = {0, 2, 4, 5, 7, 9, 11};
  const int octave = step / 7;
  return 523.25 * std::pow(2.0, (kSemitones[step % 7] + 12 * octave) / 12.0);
}

}  // namespace

std::vector<uint8_t> SynthesiseWave(const SoundRow& row) {
  const double length = row.milliseconds / 1000.0;
  Voice v(static_cast<size_t>(length * kSampleRate));
  const double k = row.strength;
  switch (row.tone) {
    case Tone::kTick:
      v.Tone(0, length, 2400, 0.18, 90);
      break;
    case Tone::kClick:
      v.Tone(0, length, 1100, 0.35, 55, 0.4);
      v.Noise(0, 0.015, 0.25, 200, 0.6, 1);
      break;
    case Tone::kBlip:
      v.Tone(0, length, 1320, 0.3, 30, 0.2);
      break;
    case Tone::kCardTap:
      v.Noise(0, length, 0.55, 60, 0.35, 2);
      v.Tone(0, 0.04, 220, 0.25, 60);
      break;
    case Tone::kShuffle:
      for (int i = 0; i < 5; ++i) v.Noise(i * 0.045, 0.05, 0.35, 70, 0.45, 3 + i);
      break;
    case Tone::kArpeggio:
      for (int i = 0; i < 3; ++i) v.Tone(i * 0.11, length - i * 0.11, Note(i * 2), 0.28, 7, 0.5);
      break;
    case Tone::kSlap:
      v.Noise(0, length, 0.7, 35, 0.5, 4);
      v.Tone(0, 0.08, 150, 0.4, 40);
      break;
    case Tone::kPass:
      v.Tone(0, 0.13, Note(4), 0.25, 14, 0.3);
      v.Tone(0.12, length - 0.12, Note(2), 0.25, 12, 0.3);
      break;
    case Tone::kBoom:
      v.Noise(0, length, 0.55 + 0.08 * k, 7.5 - k, 0.08 + 0.03 * k, 5);
      v.Tone(0, length, 80 - 6 * k, 0.5, 6, 0.6, 40);
      v.Noise(0, 0.05, 0.4, 60, 0.7, 6);
      break;
    case Tone::kFanfare: {
      const int steps[] = {0, 2, 4, 7};
      const double beat = length / (k > 1 ? 5.0 : 4.5);
      for (int i = 0; i < 4; ++i) {
        const double start = i * beat;
        const double len = i == 3 ? length - start : beat * 1.2;
        v.Tone(start, len, Note(steps[i]), 0.22, i == 3 ? 3.5 : 9, 0.7);
        v.Tone(start, len, Note(steps[i]) * 1.5, 0.08, i == 3 ? 3.5 : 9);
      }
      break;
    }
    case Tone::kStart:
      v.Tone(0, length, Note(0), 0.18, 5, 0.5);
      v.Tone(0.08, length - 0.08, Note(2), 0.18, 5, 0.5);
      v.Tone(0.16, length - 0.16, Note(4), 0.2, 4, 0.5);
      break;
    case Tone::kChime:
      v.Tone(0, 0.16, Note(4), 0.28, 10, 0.3);
      v.Tone(0.12, length - 0.12, Note(7), 0.28, 8, 0.3);
      break;
    case Tone::kBell:
      v.Tone(0, length, 660, 0.3, 5, 0.8);
      v.Tone(0, length, 660 * 2.76, 0.07, 9);
      break;
    case Tone::kCall:
      v.Tone(0, length * 0.55, 600, 0.3, 2, 0.4, 900);
      v.Tone(length * 0.5, length * 0.5, 900, 0.3, 4, 0.4, 650);
      break;
    case Tone::kDingDong:
      v.Tone(0, 0.22, Note(4), 0.3, 8, 0.6);
      v.Tone(0.18, length - 0.18, Note(2), 0.3, 7, 0.6);
      break;
    case Tone::kWhoosh:
      v.Noise(0, length, 0.3, 6, 0.15, 7);
      v.Tone(0.05, length - 0.05, 1500, 0.15, 12, 0, 2200);
      break;
  }
  return WaveFile(v.Samples());
}

}  // namespace skin
