// A pool of small records carved from chained blocks, so per-frame records cost no heap call.
//
// Each block is one free list of cells, cut first fit with splitting and never merged; only
// Reset makes blocks whole again. Blocks grow S, S, 2S, 4S, ... where
// S = (cell size rounded up to kCellAlign + kCellHeaderSize) x cell count.
//
// On a 64-bit build every cell header and payload is aligned to kCellAlign (16) bytes, so any
// record can live in a cell; a request is rounded up to that alignment inside the pool.
//
// Two process-wide counters feed the system-details overlay, read through PoolBytesReserved()
// and PoolBytesInUse():
//   reserved  sum of the capacities of every block of every pool
//   in use    sum of the sizes callers asked for and have not returned
// They are plain integers: pools are used from the engine's frame thread only.
//
// Handed-out cells carry a mark made from their own address, so a second Free of a cell, or a
// pointer into the middle of one, is refused (and logged) instead of corrupting the free list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace engine {

uint32_t PoolBytesReserved();
uint32_t PoolBytesInUse();

namespace pool_detail {
// The in-use counter itself, kept here so that the inline paths below can count.
inline uint32_t bytes_in_use = 0;
}  // namespace pool_detail

class MemoryPool {
 public:
  static constexpr uint32_t kCellAlign = 16;
  static constexpr uint32_t kCellHeaderSize = 16;
  static constexpr uint32_t kBlockHeaderSize = 32;
  // Larger requests are refused (null): they would be no small record.
  static constexpr uint32_t kMaxRequest = 1u << 28;

  // cellSize is sizeof the record the owner keeps here; the first block holds cellCount of them.
  MemoryPool(uint32_t cellSize, uint32_t cellCount);
  // Releases every block; cells still handed out leave the in-use counter too, so the counters
  // are right whether or not the owner called Reset first.
  ~MemoryPool();
  MemoryPool(const MemoryPool&) = delete;
  MemoryPool& operator=(const MemoryPool&) = delete;

  // A payload of at least size bytes, aligned to kCellAlign; null only when memory runs out
  // or the request is beyond kMaxRequest.
  void* Alloc(uint32_t size) {
    // The commonest cases inline: the head of the first block's list (the spare, or the first
    // linked cell) is of the size asked, as it is when records of one kind come and go.
    if (size <= kMaxRequest) {
      const uint32_t need = RoundToCell(size);
      if (Cell* cell = spare_; cell != nullptr) {
        if (cell->size == need) {
          spare_ = nullptr;
          return HandOut(cell, size);
        }
      } else if (Block* first = firstBlock_; first != nullptr) {
        Cell* head = first->firstFree;
        if (head != nullptr && head->size == need) {
          first->firstFree = head->next;
          return HandOut(head, size);
        }
      }
    }
    return AllocFromLists(size);
  }
  // Gives a cell back. A pointer no block of this pool holds is ignored; a pointer that is not
  // a cell handed out (a second free, a pointer into a cell) is refused with a log line.
  void Free(void* payload) {
    // The commonest case inline: a live cell of the first block, which becomes the spare.
    Block* first = firstBlock_;
    const auto offset = reinterpret_cast<uintptr_t>(payload) - reinterpret_cast<uintptr_t>(first);
    if (first != nullptr && offset >= kBlockHeaderSize + kCellHeaderSize &&
        offset < kBlockHeaderSize + uint64_t{first->capacity} && offset % kCellAlign == 0) {
      Cell* cell = static_cast<Cell*>(payload) - 1;
      if (cell->next == InUseMark(cell)) {
        pool_detail::bytes_in_use -= cell->asked;
        freeBytes_ += cell->asked;
        LinkSpare();
        cell->next = nullptr;
        spare_ = cell;
        return;
      }
    }
    FreeChecked(payload);
  }
  // Every block back to one free cell spanning it; every handed-out cell is dropped.
  void Reset();

  // True when payload lies inside one of this pool's blocks.
  bool Owns(const void* payload) const;
  // True when payload is a cell of this pool that is currently handed out.
  bool IsInUse(const void* payload) const;

  // Constructs a T in a cell; null when no cell could be had.
  template <class T, class... A>
  T* New(A&&... args) {
    static_assert(alignof(T) <= kCellAlign, "record needs more alignment than a pool cell has");
    void* cell = Alloc(static_cast<uint32_t>(sizeof(T)));
    if (cell == nullptr) return nullptr;
    try {
      return ::new (cell) T(std::forward<A>(args)...);
    } catch (...) {
      Free(cell);
      throw;
    }
  }

  // Destroys a T made by New and gives its cell back; anything else is refused as Free does.
  template <class T>
  void Delete(T* record) {
    if (record == nullptr) return;
    if (!IsInUse(record)) {
      Free(record);  // logs (or ignores a foreign pointer) without touching the record
      return;
    }
    record->~T();
    Free(record);
  }

  uint32_t TotalBytes() const { return totalBytes_; }
  uint32_t FreeBytes() const { return freeBytes_; }
  uint32_t NextBlockSize() const { return nextBlockSize_; }
  uint32_t BlockCount() const { return blockCount_; }

 private:
  // Cell header. size is the payload the cell spans (a multiple of kCellAlign), asked what the
  // caller requested (what the counters count); next links free cells and marks handed-out ones.
  struct alignas(kCellAlign) Cell {
    uint32_t size;
    uint32_t asked;
    Cell* next;
  };
  // Block header; capacity bytes of cells follow it.
  struct alignas(kCellAlign) Block {
    uint32_t capacity;
    Cell* firstFree;
    Block* next;

    char* Data() { return reinterpret_cast<char*>(this) + kBlockHeaderSize; }
    const char* Data() const { return reinterpret_cast<const char*>(this) + kBlockHeaderSize; }
  };

  // A request rounded up to whole cell units (at least one).
  static constexpr uint32_t RoundToCell(uint32_t size) {
    const uint32_t rounded = (size + kCellAlign - 1) & ~(kCellAlign - 1);
    return rounded == 0 ? kCellAlign : rounded;
  }
  // A handed-out cell's link holds its own address scrambled with this key, so a second free or
  // a pointer into the middle of a cell is told apart from a live cell without a walk.
  static constexpr uintptr_t kInUseKey = static_cast<uintptr_t>(0x5EA1C0DE00000000ull);
  static Cell* InUseMark(const Cell* cell) {
    return reinterpret_cast<Cell*>(reinterpret_cast<uintptr_t>(cell) ^ kInUseKey);
  }
  // Marks a cell taken off the lists as handed out for a request of size bytes.
  void* HandOut(Cell* cell, uint32_t size) {
    cell->asked = size;
    cell->next = InUseMark(cell);
    pool_detail::bytes_in_use += size;
    freeBytes_ -= size;
    return cell + 1;
  }

  [[gnu::noinline]] void* AllocFromLists(uint32_t size);
  [[gnu::noinline]] void FreeChecked(void* payload);
  [[gnu::noinline]] void* AllocSlow(uint32_t size);
  void* TakeSpare(uint32_t size);
  // The spare cell back at the head of the first block's list.
  void LinkSpare() {
    if (spare_ == nullptr) return;
    spare_->next = firstBlock_->firstFree;
    firstBlock_->firstFree = spare_;
    spare_ = nullptr;
  }
  [[gnu::noinline, gnu::cold]] static void RefuseFree(const void* payload);
  Block* AddBlock(uint32_t capacity);
  Block* FindBlock(const void* payload) const;
  static void* TakeCell(Block* block, uint32_t need, uint32_t asked);
  static void MakeWhole(Block* block);
  static bool IsCellInUse(const Block* block, const void* payload);

  uint32_t totalBytes_ = 0;
  uint32_t freeBytes_ = 0;
  uint32_t nextBlockSize_ = 0;
  uint32_t blockCount_ = 0;
  Block* firstBlock_ = nullptr;
  Block* lastBlock_ = nullptr;
  // The first block's most recently freed cell, logically the head of that block's free list
  // but kept out of it until another cell is freed or the list has to be walked.
  Cell* spare_ = nullptr;
};

}  // namespace engine
