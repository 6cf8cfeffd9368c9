// ctest-labels: foundation
#include "engine/core/memory_pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>

#include "tests/support/game_log_reader.h"

namespace engine {
namespace {

constexpr uint32_t kHeader = MemoryPool::kCellHeaderSize;

// What a pool of cellSize x cellCount plans for each block: (cell rounded + header) x count.
uint32_t PlannedBlock(uint32_t cellSize, uint32_t cellCount) {
  const uint32_t rounded = (cellSize + MemoryPool::kCellAlign - 1) / MemoryPool::kCellAlign * MemoryPool::kCellAlign;
  return (rounded + kHeader) * cellCount;
}

bool Aligned(const void* p) { return reinterpret_cast<uintptr_t>(p) % MemoryPool::kCellAlign == 0; }

TEST(MemoryPool, FirstBlockIsPlannedFromCellSizeAndCount) {
  const uint32_t reserved = PoolBytesReserved();
  const uint32_t inUse = PoolBytesInUse();
  {
    MemoryPool pool(28, 32);
    const uint32_t s = PlannedBlock(28, 32);
    EXPECT_EQ(s, 48u * 32u);
    EXPECT_EQ(PoolBytesReserved() - reserved, s);
    EXPECT_EQ(pool.TotalBytes(), s);
    EXPECT_EQ(pool.FreeBytes(), s);
    EXPECT_EQ(pool.BlockCount(), 1u);
    EXPECT_EQ(pool.NextBlockSize(), s);

    void* record = pool.Alloc(28);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(Aligned(record));
    EXPECT_EQ(PoolBytesInUse() - inUse, 28u);  // what was asked, not the rounded cell
    EXPECT_EQ(pool.FreeBytes(), s - 28);
    pool.Reset();
  }
  EXPECT_EQ(PoolBytesReserved(), reserved);
  EXPECT_EQ(PoolBytesInUse(), inUse);
}

TEST(MemoryPool, FreedCellIsReusedFirst) {
  MemoryPool pool(28, 32);
  const uint32_t inUse = PoolBytesInUse();
  void* a = pool.Alloc(20);
  void* b = pool.Alloc(20);
  pool.Free(a);
  EXPECT_EQ(PoolBytesInUse() - inUse, 20u);
  EXPECT_EQ(pool.Alloc(20), a);  // the freed cell heads its block's free list
  pool.Free(a);
  pool.Free(b);
  EXPECT_EQ(PoolBytesInUse(), inUse);
  EXPECT_EQ(pool.FreeBytes(), pool.TotalBytes());
}

// Freed cells go to the front of the list and are cut first fit, larger ones split.
TEST(MemoryPool, FirstFitInFreeListOrderSplitsLargerCells) {
  MemoryPool pool(16, 64);
  auto* a = static_cast<char*>(pool.Alloc(16));
  auto* b = static_cast<char*>(pool.Alloc(64));
  auto* c = static_cast<char*>(pool.Alloc(16));
  EXPECT_EQ(b, a + 16 + kHeader);
  EXPECT_EQ(c, b + 64 + kHeader);
  pool.Free(a);
  pool.Free(b);                       // list: b (64), a (16), rest of the block
  EXPECT_EQ(pool.Alloc(16), b);       // b is cut: 16 handed out, 32 + header left
  EXPECT_EQ(pool.Alloc(16), b + 32);  // the piece cut from b comes next, whole
  EXPECT_EQ(pool.Alloc(16), a);
  EXPECT_EQ(pool.Alloc(16), c + 16 + kHeader);  // then the untouched rest of the block
  pool.Reset();
}

TEST(MemoryPool, ResetHandsOutTheFirstPayloadAgain) {
  MemoryPool pool(52, 64);
  const uint32_t inUse = PoolBytesInUse();
  void* first = pool.Alloc(52);
  pool.Alloc(16);
  pool.Alloc(96);
  EXPECT_EQ(PoolBytesInUse() - inUse, 52u + 16u + 96u);
  pool.Reset();
  EXPECT_EQ(PoolBytesInUse(), inUse);
  EXPECT_EQ(pool.FreeBytes(), pool.TotalBytes());
  EXPECT_EQ(pool.Alloc(8), first);
  pool.Reset();
}

TEST(MemoryPool, BlocksGrowSSTwoSFourS) {
  const uint32_t s = PlannedBlock(16, 4);
  MemoryPool pool(16, 4);
  std::vector<uint32_t> capacities{pool.TotalBytes()};
  for (int i = 0; i < 4 * 8; ++i) {
    const uint32_t before = pool.TotalBytes();
    ASSERT_NE(pool.Alloc(16), nullptr);
    if (pool.TotalBytes() != before) capacities.push_back(pool.TotalBytes() - before);
  }
  // 32 cells of 16 need blocks of 4, 4, 8 and 16 cells.
  EXPECT_EQ(capacities, (std::vector<uint32_t>{s, s, 2 * s, 4 * s}));
  EXPECT_EQ(pool.BlockCount(), 4u);
  EXPECT_EQ(pool.NextBlockSize(), 8 * s);
  pool.Reset();
}

TEST(MemoryPool, OversizeRequestGetsABlockOfItsOwn) {
  const uint32_t s = PlannedBlock(16, 4);
  MemoryPool pool(16, 4);
  const uint32_t reserved = PoolBytesReserved();
  void* big = pool.Alloc(1000);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(pool.BlockCount(), 2u);
  EXPECT_EQ(PoolBytesReserved() - reserved, 1008u + kHeader);  // max(request + header, planned)
  EXPECT_EQ(pool.NextBlockSize(), 2 * s);
  std::memset(big, 0xAB, 1000);
  // A small request still comes from the first block.
  void* small = pool.Alloc(16);
  EXPECT_EQ(pool.BlockCount(), 2u);
  pool.Free(big);
  pool.Free(small);
  EXPECT_EQ(pool.FreeBytes(), pool.TotalBytes());
}

TEST(MemoryPool, ZeroAndHugeRequests) {
  testing::GameLogReader log;
  MemoryPool pool(16, 64);
  const uint32_t inUse = PoolBytesInUse();
  void* a = pool.Alloc(0);
  void* b = pool.Alloc(0);
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(PoolBytesInUse(), inUse);
  EXPECT_EQ(pool.Alloc(MemoryPool::kMaxRequest + 1), nullptr);
  EXPECT_EQ(pool.Alloc(0xFFFFFFFFu), nullptr);
  EXPECT_NE(log.Text().find("MemoryPool: refused a request of 4294967295 bytes"), std::string::npos);
  pool.Free(a);
  pool.Free(b);
  EXPECT_EQ(pool.FreeBytes(), pool.TotalBytes());
}

// Random allocation and release against a shadow model: live cells never overlap (each keeps
// its fill pattern), every payload is aligned, and the counters return to their baseline.
TEST(MemoryPool, RandomPatternsKeepCellsApartAndCountersExact) {
  const uint32_t reserved = PoolBytesReserved();
  const uint32_t inUse = PoolBytesInUse();
  std::mt19937 random(12345);
  for (int round = 0; round < 3; ++round) {
    MemoryPool pool(16 + 40 * round, 8);
    std::map<uint8_t*, std::pair<uint32_t, uint8_t>> live;
    uint32_t asked = 0;
    uint8_t fill = 0;
    for (int op = 0; op < 10000; ++op) {
      if (live.empty() || random() % 5 < 3) {
        const uint32_t size = random() % 4 == 0 ? random() % 700 : random() % 100;
        auto* p = static_cast<uint8_t*>(pool.Alloc(size));
        ASSERT_NE(p, nullptr);
        ASSERT_TRUE(Aligned(p));
        ASSERT_TRUE(pool.IsInUse(p));
        ++fill;
        std::memset(p, fill, size);
        ASSERT_TRUE(live.emplace(p, std::make_pair(size, fill)).second);
        asked += size;
      } else {
        auto it = std::next(live.begin(), static_cast<long>(random() % live.size()));
        for (uint32_t i = 0; i < it->second.first; ++i) ASSERT_EQ(it->first[i], it->second.second);
        pool.Free(it->first);
        asked -= it->second.first;
        live.erase(it);
      }
      ASSERT_EQ(PoolBytesInUse() - inUse, asked);
      ASSERT_EQ(pool.TotalBytes() - pool.FreeBytes(), asked);
    }
    // Release half one by one, then drop the rest: by Reset, or with the pool itself.
    for (auto it = live.begin(); it != live.end();) {
      pool.Free(it->first);
      it = live.erase(it);
      if (it != live.end()) ++it;
    }
    if (round == 0) {
      for (auto& [p, info] : live) pool.Free(p);
      EXPECT_EQ(pool.FreeBytes(), pool.TotalBytes());
    } else if (round == 1) {
      pool.Reset();
    }
    if (round != 2) {
      EXPECT_EQ(PoolBytesInUse(), inUse);
    }
  }
  EXPECT_EQ(PoolBytesInUse(), inUse);
  EXPECT_EQ(PoolBytesReserved(), reserved);
}

TEST(MemoryPool, DoubleFreeAndStrayPointersAreRefused) {
  testing::GameLogReader log;
  MemoryPool pool(32, 16);
  MemoryPool other(32, 16);
  const uint32_t inUse = PoolBytesInUse();
  auto* a = static_cast<char*>(pool.Alloc(32));
  void* b = pool.Alloc(32);
  pool.Free(a);
  const uint32_t afterFree = PoolBytesInUse();
  pool.Free(a);  // second free: refused
  EXPECT_EQ(PoolBytesInUse(), afterFree);
  EXPECT_NE(log.Text().find("MemoryPool: refused to free"), std::string::npos);
  EXPECT_FALSE(pool.IsInUse(a));
  // Had the second free gone through, the cell would now be handed out twice.
  void* c = pool.Alloc(32);
  void* d = pool.Alloc(32);
  EXPECT_EQ(c, a);
  EXPECT_NE(d, a);

  // A pointer into the middle of a live cell, and one into a block header, are refused.
  pool.Free(a + 16);
  pool.Free(static_cast<char*>(b) - 8);
  pool.Free(a - kHeader);  // the block's first cell header
  EXPECT_TRUE(pool.IsInUse(c));
  EXPECT_TRUE(pool.IsInUse(b));

  // Pointers no block holds are ignored.
  int onStack = 0;
  void* elsewhere = other.Alloc(32);
  const uint32_t before = PoolBytesInUse();
  const std::string logged = log.Text();
  pool.Free(&onStack);
  pool.Free(elsewhere);
  pool.Free(nullptr);
  EXPECT_EQ(PoolBytesInUse(), before);
  EXPECT_EQ(log.Text(), logged);  // silently
  EXPECT_FALSE(pool.Owns(elsewhere));
  EXPECT_TRUE(other.IsInUse(elsewhere));
  other.Free(elsewhere);

  for (void* p : {b, c, d}) pool.Free(p);
  EXPECT_EQ(PoolBytesInUse(), inUse);
  EXPECT_EQ(pool.FreeBytes(), pool.TotalBytes());
}

struct Tracked {
  static inline int alive = 0;
  explicit Tracked(int v) : value(v) { ++alive; }
  ~Tracked() { --alive; }
  int value;
  double weight = 1.5;
  void* link = nullptr;
};

TEST(MemoryPool, NewAndDeleteConstructAndDestroyInACell) {
  MemoryPool pool(sizeof(Tracked), 64);
  const uint32_t inUse = PoolBytesInUse();
  Tracked* t = pool.New<Tracked>(7);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->value, 7);
  EXPECT_EQ(Tracked::alive, 1);
  EXPECT_EQ(PoolBytesInUse() - inUse, sizeof(Tracked));
  pool.Delete(t);
  EXPECT_EQ(Tracked::alive, 0);
  pool.Delete(t);  // refused: the destructor does not run twice
  EXPECT_EQ(Tracked::alive, 0);
  pool.Delete<Tracked>(nullptr);
  EXPECT_EQ(PoolBytesInUse(), inUse);
}

}  // namespace
}  // namespace engine
