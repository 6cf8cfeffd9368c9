#include "engine/media/picture_cache.h"

#include "engine/core/engine_log.h"
#include "engine/core/image_handle.h"

namespace engine {

namespace {
constexpr uint32_t kRecordsPerBlock = 64;
}

PictureCache::PictureCache() : pool_(std::make_unique<MemoryPool>(sizeof(ImageRecord), kRecordsPerBlock)) {}

PictureCache::~PictureCache() {
  // Records still cached own blocks: the owner is expected to Clear first; release what is left.
  Clear([](ImageRecord* r) { FreeImageRecord(r); });
}

ImageRecord* PictureCache::Find(const NameKey& key) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : it->second;
}

ImageRecord* PictureCache::Insert(const NameKey& key, ImageRecord* record, uint32_t now, const FreeFn& free_record) {
  if (record == nullptr) return nullptr;
  if (entries_.count(key) != 0) {
    // The cached picture stays; the offered one would be held by nobody.
    free_record(record);
    return nullptr;
  }
  ImageRecord* cell = pool_->New<ImageRecord>();
  if (cell == nullptr) {
    WriteGameLog("PictureCache: no cell for a picture");
    free_record(record);
    return nullptr;
  }
  record->serial = ++last_serial_;
  record->cache_time = now;
  *cell = *record;
  *record = ImageRecord{};
  entries_.emplace(key, cell);
  return cell;
}

bool PictureCache::Remove(const NameKey& key, const FreeFn& free_record) {
  const auto it = entries_.find(key);
  if (it == entries_.end()) return false;
  ImageRecord* cell = it->second;
  entries_.erase(it);
  free_record(cell);
  // The cell stays inside the pool's blocks, zeroed, so handles that still point at it see serial 0.
  pool_->Free(cell);
  return true;
}

void PictureCache::Clear(const FreeFn& free_record) {
  for (auto& [key, cell] : entries_) {
    free_record(cell);
    pool_->Free(cell);
  }
  entries_.clear();
}

}  // namespace engine
