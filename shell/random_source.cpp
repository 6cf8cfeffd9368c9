#include "shell/random_source.h"

namespace shell {

void DefaultRandom::Seed(uint32_t seed) {
  // Scramble the seed so that neighbouring tick counts give unrelated sequences; xorshift
  // must never hold 0.
  uint32_t s = seed * 2654435761u + 0x9E3779B9u;
  s ^= s >> 16;
  state_ = s != 0 ? s : 0x6D2B79F5u;
}

uint32_t DefaultRandom::Next() {
  uint32_t x = state_;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  state_ = x;
  return x >> 1;
}

namespace {
DefaultRandom& Fallback() {
  static DefaultRandom fallback(1);
  return fallback;
}
RandomSource* g_source = nullptr;
}  // namespace

RandomSource& CurrentRandom() { return g_source != nullptr ? *g_source : Fallback(); }

RandomSource* InstallRandom(RandomSource* source) {
  RandomSource* previous = g_source;
  g_source = source;
  return previous;
}

int RandomBelow(int n) {
  if (n < 1) return 0;
  return static_cast<int>(CurrentRandom().Next() % static_cast<uint32_t>(n));
}

void SeedRandom(uint32_t seed) { CurrentRandom().Seed(seed); }

int RandomNext() { return static_cast<int>(CurrentRandom().Next() & 0x7FFFFFFFu); }

}  // namespace shell
