// Loading a picture that the cache misses: its bytes from the resource module, decoded, cached.
#include "engine/core/engine_log.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/resource_module.h"

namespace engine {

int GdiPaintModule::LoadPicture(NameKey key) {
  // Looked up at each use (it may have been unloaded since Init); whatever answers as module 1001
  // is asked only when it is the resource module.
  auto* resources = dynamic_cast<ResourceModule*>(FindModule(module_id::kResource));
  if (resources == nullptr || !resources->HasResource(key)) return 0;
  ResourceRecord* entry = resources->LoadResource(key);
  if (entry == nullptr || entry->data == nullptr) return 0;
  ImageRecord record;
  const int decoded = DecodeImage(entry->data, entry->size, entry->type_hash, &record);
  // The bytes go once decoded, but only when the resource module can read them again: a block
  // handed in from memory has no file behind it, and freeing it would lose the picture for good.
  const bool reloadable = !entry->path.empty() || entry->file != nullptr;
  if (reloadable) ReleaseResourceData(entry);
  if (decoded == 0) {
    WriteGameLog("GdiPaintModule::LoadPicture: picture %08x%08x%08x cannot be decoded", key.rs, key.js, key.x31);
    return 0;
  }
  record.serial = 0;
  record.frame_columns = 1;
  record.cache_time = 0;
  record.last_word = 0;
  AddRecord(key, &record);
  return 1;
}

}  // namespace engine
