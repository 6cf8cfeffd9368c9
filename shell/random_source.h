// The program's random numbers come from one replaceable source, so that a test can script
// every draw and nothing depends on a runtime's own rand() sequence.
#pragma once

#include <cstdint>

namespace shell {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Restarts the sequence from a seed (the table logic seeds from the tick count).
  virtual void Seed(uint32_t seed) = 0;
  // The next draw, in [0, 2^31).
  virtual uint32_t Next() = 0;
};

// A small, fast generator (xorshift32 under a seed scramble); the program's default.
class DefaultRandom final : public RandomSource {
 public:
  explicit DefaultRandom(uint32_t seed = 1) { Seed(seed); }
  void Seed(uint32_t seed) override;
  uint32_t Next() override;

 private:
  uint32_t state_ = 1;
};

// The installed source (a DefaultRandom until something else is installed).
RandomSource& CurrentRandom();
// Installs a source (not owned); null reinstalls the default. Returns the previous one.
RandomSource* InstallRandom(RandomSource* source);

// While alive, the given source is installed; the previous one comes back afterwards.
class ScopedRandom {
 public:
  explicit ScopedRandom(RandomSource& source) : previous_(InstallRandom(&source)) {}
  ~ScopedRandom() { InstallRandom(previous_); }
  ScopedRandom(const ScopedRandom&) = delete;
  ScopedRandom& operator=(const ScopedRandom&) = delete;

 private:
  RandomSource* previous_;
};

// A random integer in [0, n); 0 when n < 1.
int RandomBelow(int n);
// Seeds the installed source.
void SeedRandom(uint32_t seed);
// The next draw of the installed source, in [0, 2^31).
int RandomNext();

}  // namespace shell
