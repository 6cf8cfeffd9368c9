// Allocate-and-free of one small record: a pool cell beside the general heap.
//   PoolBesideMalloc/<size>  256 allocate-and-free pairs from the pool beside 256 from malloc, in
//                            turns; ratio = pool / malloc (the pool at least twice as fast: 0.5)
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench/side_by_side.h"
#include "engine/core/memory_pool.h"

namespace {

void PoolAllocFree(benchmark::State& state) {
  const auto size = static_cast<uint32_t>(state.range(0));
  engine::MemoryPool pool(size, 64);
  for (auto _ : state) {
    void* cell = pool.Alloc(size);
    benchmark::DoNotOptimize(cell);
    pool.Free(cell);
    benchmark::ClobberMemory();
  }
  pool.Reset();
}

void MallocFree(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void* block = std::malloc(size);
    benchmark::DoNotOptimize(block);
    std::free(block);
    benchmark::ClobberMemory();
  }
}

// A frame's worth of records: 32 taken, then all given back.
void PoolAllocFreeBatch(benchmark::State& state) {
  const auto size = static_cast<uint32_t>(state.range(0));
  engine::MemoryPool pool(size, 64);
  void* cells[32];
  for (auto _ : state) {
    for (auto& cell : cells) cell = pool.Alloc(size);
    benchmark::DoNotOptimize(cells);
    for (void* cell : cells) pool.Free(cell);
    benchmark::ClobberMemory();
  }
  pool.Reset();
}

void MallocFreeBatch(benchmark::State& state) {
  const auto size = static_cast<size_t>(state.range(0));
  void* blocks[32];
  for (auto _ : state) {
    for (auto& block : blocks) block = std::malloc(size);
    benchmark::DoNotOptimize(blocks);
    for (void* block : blocks) std::free(block);
    benchmark::ClobberMemory();
  }
}

void PoolBesideMalloc(benchmark::State& state) {
  const auto size = static_cast<uint32_t>(state.range(0));
  engine::MemoryPool pool(size, 64);
  constexpr int kPairs = 256;
  bench::SideBySide(
      state,
      [&] {
        for (int i = 0; i < kPairs; ++i) {
          void* cell = pool.Alloc(size);
          benchmark::DoNotOptimize(cell);
          pool.Free(cell);
          benchmark::ClobberMemory();
        }
      },
      [&] {
        for (int i = 0; i < kPairs; ++i) {
          void* block = std::malloc(size);
          benchmark::DoNotOptimize(block);
          std::free(block);
          benchmark::ClobberMemory();
        }
      });
  pool.Reset();
}

}  // namespace

BENCHMARK(PoolBesideMalloc)->Arg(16)->Arg(96);
BENCHMARK(PoolAllocFree)->Arg(16)->Arg(96);
BENCHMARK(MallocFree)->Arg(16)->Arg(96);
BENCHMARK(PoolAllocFreeBatch)->Arg(16)->Arg(96);
BENCHMARK(MallocFreeBatch)->Arg(16)->Arg(96);
