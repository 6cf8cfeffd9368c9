// The paint module's picture cache: decoded pictures by the NameKey of their name + ".imge".
//
// Each entry's ImageRecord lives in a cell of the cache's own pool. Image handles keep raw
// pointers to those records and tell a stale one by its serial, so a cell must stay readable
// after its picture leaves the cache: cells go back to the pool (which keeps its blocks until the
// cache is destroyed), never to the heap, and a removed record is zeroed (serial 0) first.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "engine/core/memory_pool.h"
#include "engine/core/name_key.h"
#include "engine/media/image_record.h"

namespace engine {

class PictureCache {
 public:
  // Releases a record's blocks and zeroes it (the paint module's FreeRecord).
  using FreeFn = std::function<void(ImageRecord*)>;

  PictureCache();
  ~PictureCache();
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // The cached record of the key, or null.
  ImageRecord* Find(const NameKey& key) const;
  // Moves the record into a cell under key, with the next serial and the cache time now; the
  // caller's record is left zeroed. When the key is already cached (or no cell can be had) the
  // cached entry stays as it was, the offered record's blocks are released with free_record and
  // null is answered.
  ImageRecord* Insert(const NameKey& key, ImageRecord* record, uint32_t now, const FreeFn& free_record);
  // Releases the key's record and its cell; false when the key is not cached.
  bool Remove(const NameKey& key, const FreeFn& free_record);
  // Releases every record, in key order.
  void Clear(const FreeFn& free_record);

  // The last serial handed out (1 before the first insert, so the first picture gets 2).
  uint32_t LastSerial() const { return last_serial_; }
  size_t Size() const { return entries_.size(); }

 private:
  uint32_t last_serial_ = 1;
  std::map<NameKey, ImageRecord*, NameKeyLess> entries_;
  std::unique_ptr<MemoryPool> pool_;
};

}  // namespace engine
