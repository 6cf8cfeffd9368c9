#include "engine/core/memory_pool.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/core/engine_log.h"

namespace engine {

namespace {

uint32_t g_bytesReserved = 0;
uint32_t& g_bytesInUse = pool_detail::bytes_in_use;

// Blocks never grow past this; a pool that needs more keeps adding blocks of this size.
constexpr uint64_t kMaxBlockSize = 1u << 30;

void LogPoolProblem(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogPoolProblem(const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  WriteGameLog("%s", line);
}

}  // namespace

uint32_t PoolBytesReserved() { return g_bytesReserved; }
uint32_t PoolBytesInUse() { return g_bytesInUse; }

MemoryPool::MemoryPool(uint32_t cellSize, uint32_t cellCount) {
  static_assert(sizeof(Cell) == kCellHeaderSize);
  static_assert(sizeof(Block) == kBlockHeaderSize);
  const uint64_t cell = RoundToCell(std::min(cellSize, kMaxRequest)) + kCellHeaderSize;
  const uint64_t planned = std::clamp<uint64_t>(cell * cellCount, cell, kMaxBlockSize);
  nextBlockSize_ = static_cast<uint32_t>(planned);
  // The first block does not double the planned size: blocks run S, S, 2S, 4S, ...
  if (AddBlock(nextBlockSize_) == nullptr)
    LogPoolProblem("MemoryPool: no memory for a first block of %u bytes", nextBlockSize_);
}

MemoryPool::~MemoryPool() {
  // Cells still handed out leave the in-use counter with their pool.
  g_bytesInUse -= totalBytes_ - freeBytes_;
  for (Block* block = firstBlock_; block != nullptr;) {
    Block* next = block->next;
    g_bytesReserved -= block->capacity;
    block->~Block();
    ::operator delete (block, std::align_val_t{kCellAlign});
    block = next;
  }
}

MemoryPool::Block* MemoryPool::AddBlock(uint32_t capacity) {
  void* memory = ::operator new (size_t{kBlockHeaderSize} + capacity, std::align_val_t{kCellAlign}, std::nothrow);
  if (memory == nullptr) return nullptr;
  std::memset(memory, 0, size_t{kBlockHeaderSize} + capacity);
  Block* block = ::new (memory) Block{capacity, nullptr, nullptr};
  MakeWhole(block);
  if (lastBlock_ != nullptr)
    lastBlock_->next = block;
  else
    firstBlock_ = block;
  lastBlock_ = block;
  ++blockCount_;
  totalBytes_ += capacity;
  freeBytes_ += capacity;
  g_bytesReserved += capacity;
  return block;
}

void MemoryPool::MakeWhole(Block* block) {
  Cell* cell = reinterpret_cast<Cell*>(block->Data());
  *cell = Cell{block->capacity - kCellHeaderSize, 0, nullptr};
  block->firstFree = cell;
}

// First fit in free-list order. A cell whose rest could not hold another header and the
// smallest payload is handed out whole (and comes back whole when freed).
void* MemoryPool::TakeCell(Block* block, uint32_t need, uint32_t asked) {
  Cell** link = &block->firstFree;
  for (Cell* cell = *link; cell != nullptr; link = &cell->next, cell = *link) {
    if (cell->size < need) continue;
    if (cell->size - need < kCellHeaderSize + kCellAlign) {
      *link = cell->next;
    } else {
      Cell* rest = reinterpret_cast<Cell*>(reinterpret_cast<char*>(cell + 1) + need);
      *rest = Cell{cell->size - need - kCellHeaderSize, 0, cell->next};
      *link = rest;
      cell->size = need;
    }
    cell->asked = asked;
    cell->next = InUseMark(cell);
    return cell + 1;
  }
  return nullptr;
}

// The first block's free list is the spare cell (when there is one) followed by the block's
// linked list. Keeping the head aside means the common case, a free followed by an alloc of the
// same kind, reads and writes one pointer of the pool instead of walking links.
void* MemoryPool::AllocFromLists(uint32_t size) {
  if (size <= kMaxRequest) {
    const uint32_t need = RoundToCell(size);
    if (spare_ != nullptr) {
      if (spare_->size >= need) return TakeSpare(size);
    } else if (firstBlock_ != nullptr) {
      Cell* head = firstBlock_->firstFree;
      if (head != nullptr && head->size >= need) {
        firstBlock_->firstFree = head->next;
        spare_ = head;
        return TakeSpare(size);
      }
    }
  }
  return AllocSlow(size);
}

void* MemoryPool::TakeSpare(uint32_t size) {
  const uint32_t need = RoundToCell(size);
  Cell* cell = spare_;
  spare_ = nullptr;
  if (cell->size - need >= kCellHeaderSize + kCellAlign) {
    // The rest stays the head of the list.
    Cell* rest = reinterpret_cast<Cell*>(reinterpret_cast<char*>(cell + 1) + need);
    *rest = Cell{cell->size - need - kCellHeaderSize, 0, nullptr};
    spare_ = rest;
    cell->size = need;
  }
  return HandOut(cell, size);
}

void* MemoryPool::AllocSlow(uint32_t size) {
  if (size > kMaxRequest) {
    LogPoolProblem("MemoryPool: refused a request of %u bytes", size);
    return nullptr;
  }
  const uint32_t need = RoundToCell(size);
  LinkSpare();
  void* payload = nullptr;
  for (Block* block = firstBlock_; block != nullptr && payload == nullptr; block = block->next)
    payload = TakeCell(block, need, size);
  if (payload == nullptr) {
    const uint32_t capacity = std::max(need + kCellHeaderSize, nextBlockSize_);
    Block* block = AddBlock(capacity);
    if (block == nullptr) {
      LogPoolProblem("MemoryPool: no memory for a block of %u bytes", capacity);
      return nullptr;
    }
    nextBlockSize_ = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{nextBlockSize_} * 2, kMaxBlockSize));
    payload = TakeCell(block, need, size);
  }
  g_bytesInUse += size;
  freeBytes_ -= size;
  return payload;
}

MemoryPool::Block* MemoryPool::FindBlock(const void* payload) const {
  const auto address = reinterpret_cast<uintptr_t>(payload);
  for (Block* block = firstBlock_; block != nullptr; block = block->next) {
    const auto start = reinterpret_cast<uintptr_t>(block);
    if (address >= start && address - start < kBlockHeaderSize + uint64_t{block->capacity}) return block;
  }
  return nullptr;
}

bool MemoryPool::Owns(const void* payload) const { return FindBlock(payload) != nullptr; }

bool MemoryPool::IsInUse(const void* payload) const {
  const Block* block = FindBlock(payload);
  return block != nullptr && IsCellInUse(block, payload);
}

bool MemoryPool::IsCellInUse(const Block* block, const void* payload) {
  // A payload sits on the cell grid (blocks are aligned to it), after a cell header, and that
  // header holds the in-use mark made from its own address.
  if (reinterpret_cast<uintptr_t>(payload) % kCellAlign != 0) return false;
  if (static_cast<const char*>(payload) < block->Data() + kCellHeaderSize) return false;
  const Cell* cell = static_cast<const Cell*>(payload) - 1;
  return cell->next == InUseMark(cell);
}

void MemoryPool::FreeChecked(void* payload) {
  if (payload == nullptr) return;
  Block* block = FindBlock(payload);
  if (block == nullptr) return;  // not ours: callers may hand in records from elsewhere
  if (!IsCellInUse(block, payload)) [[unlikely]] {
    RefuseFree(payload);
    return;
  }
  Cell* cell = static_cast<Cell*>(payload) - 1;
  g_bytesInUse -= cell->asked;
  freeBytes_ += cell->asked;
  if (block == firstBlock_) {
    // The freed cell becomes the head of the first block's list, held aside as the spare.
    LinkSpare();
    cell->next = nullptr;
    spare_ = cell;
  } else {
    cell->next = block->firstFree;
    block->firstFree = cell;
  }
}

void MemoryPool::RefuseFree(const void* payload) {
  LogPoolProblem("MemoryPool: refused to free %p, not a cell in use (freed twice?)", payload);
}

void MemoryPool::Reset() {
  spare_ = nullptr;
  for (Block* block = firstBlock_; block != nullptr; block = block->next) MakeWhole(block);
  g_bytesInUse -= totalBytes_ - freeBytes_;
  freeBytes_ = totalBytes_;
}

}  // namespace engine
