// A random source that answers a scripted sequence of draws (then repeats its last one),
// and remembers the seeds it was given.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/random_source.h"

class ScriptedRandom final : public shell::RandomSource {
 public:
  explicit ScriptedRandom(std::vector<uint32_t> draws = {0}) : draws_(std::move(draws)) {}
  void Seed(uint32_t seed) override { seeds.push_back(seed); }
  uint32_t Next() override {
    if (draws_.empty()) return 0;
    uint32_t v = draws_[next_ < draws_.size() ? next_ : draws_.size() - 1];
    ++next_;
    return v;
  }
  void Script(std::vector<uint32_t> draws) {
    draws_ = std::move(draws);
    next_ = 0;
  }
  std::vector<uint32_t> seeds;

 private:
  std::vector<uint32_t> draws_;
  size_t next_ = 0;
};
