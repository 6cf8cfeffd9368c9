// The abstract paint module (module 1003, "PaintModule"): the picture cache, decoding of any
// supported picture file into an ImageRecord, a frames-per-second estimate, and the interface
// through which the object module, the object services and image handles ask for pictures and
// painting. The drawing itself belongs to a derived class (GdiPaintModule).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/core/engine_module.h"
#include "engine/core/image_handle.h"
#include "engine/core/name_key.h"
#include "engine/core/paint_batch.h"
#include "engine/media/draw_target.h"
#include "engine/media/image_record.h"
#include "engine/media/picture_cache.h"

namespace engine {

// The paint module's event codes.
namespace paint_event {
inline constexpr uint32_t kRenderBatch = 1033;  // p1: PaintBatch*, owned by the module from then on
inline constexpr uint32_t kPresent = 1034;      // p1: the device to copy to, or 0 for the window
inline constexpr uint32_t kFreeRecord = 1035;   // p1: a new-allocated ImageRecord handed over
}  // namespace paint_event

// The monitor report of a display depth the module cannot upload to.
inline constexpr uint32_t kUnsupportedDepthReport = 1006;

// The category text that the resource module gives picture files; cache keys end with it.
inline constexpr const char* kPictureCategory = ".imge";

class PaintModule : public EngineModule {
 public:
  PaintModule();
  ~PaintModule() override;  // 0

  int Init() override;                                                      // 1
  void Exit() override;                                                     // 2
  void Tick() override;                                                     // 3
  uint32_t GetId() const override { return module_id::kPaint; }             // 4
  const char* GetName() const override { return "PaintModule"; }            // 5
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) override;  // 6
  uint32_t QueueLimit() const override { return 999999; }                   // 7
  // 8: Update, shared.
  virtual double GetFps() const;                                                                  // 9
  virtual void SetSize(int32_t width, int32_t height) = 0;                                        // 10
  virtual void RenderBatch(PaintBatch* batch) = 0;                                                // 11
  virtual void DrawBatchItem(DrawItem* item, ImageHandle* image) = 0;                             // 12
  virtual PictureInfo* GetPictureInfo(PictureInfo* out, const std::string& name, int32_t frame);  // 13
  virtual ImageRecord* FindPicture(const std::string& full_name);                                 // 14
  virtual int LoadPicture(NameKey key) = 0;                                                       // 15
  virtual int LoadPictureByName(const std::string& full_name);                                    // 16
  virtual void AddPicture(const std::string& name, const PictureInfo* info);                      // 17
  virtual void DrawPictureAt(const PictureInfo* info, int32_t x, int32_t y, int32_t width, int32_t height,
                             double angle) = 0;                                                        // 18
  virtual PaintModule* FillBase(COLORREF colour) = 0;                                                  // 19
  virtual DrawTarget* GetBaseTarget(DrawTarget* out) = 0;                                              // 20
  virtual int32_t GetWidth() const { return width_; }                                                  // 21
  virtual int32_t GetHeight() const { return height_; }                                                // 22
  virtual int DecodeImage(const uint8_t* data, size_t size, uint32_t extension_id, ImageRecord* out);  // 23
  virtual uint32_t DecodePps(const uint8_t* data, size_t size, ImageRecord* out);                      // 24
  virtual void CopyRecord(ImageRecord* destination, const ImageRecord* source) = 0;                    // 25
  virtual uint32_t GetLastSerial() const { return cache_.LastSerial(); }                               // 26
  virtual void AddRecord(NameKey key, ImageRecord* record);                                            // 27
  virtual void RemovePicture(const std::string& name);                                                 // 28
  virtual int RefreshImage(ImageHandle* image);                                                        // 29
  virtual void FreeRecord(ImageRecord* record) = 0;                                                    // 30

  uint32_t GetBitsPerPixel() const { return bits_per_pixel_; }
  POINT GetViewCentre() const { return POINT{view_centre_x_, view_centre_y_}; }
  size_t CachedPictureCount() const { return cache_.Size(); }
  // The cache key of a picture name (name + ".imge").
  static NameKey PictureKey(const std::string& name);

 protected:
  PictureCache& cache() { return cache_; }

  uint32_t bits_per_pixel_ = 32;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t view_centre_x_ = 0;
  int32_t view_centre_y_ = 0;

 private:
  void UpdateFps();

  uint32_t fps_last_tick_ = 0;
  double fps_accumulated_ = 0.0;
  uint32_t fps_ticks_ = 0;
  PictureCache cache_;
};

// Decodes a picture of one of the common formats (not .pps), named by the RS hash of its
// lower-case extension with the dot (".png", ".wbmp"...), into *out: frames, delays, palette,
// alpha, the file's transparent colour; an icon keeps its first frame. The one reader of the
// paint module and of DecodeImageMemory. False (logged), out untouched, when the extension names
// no such format or the bytes are refused.
bool DecodeCommonPicture(const uint8_t* data, size_t size, uint32_t extension_id, ImageRecord* out);

}  // namespace engine
