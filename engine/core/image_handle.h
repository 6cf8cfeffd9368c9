// The engine's view of one cached picture. A handle holds a PictureInfo (which picture, which part
// of it, which frame) and answers what an object needs to draw, animate and pixel-test it. The
// pictures are ImageRecords owned by the paint module's cache; a handle only points at one and
// knows it is still the record it was given while its serial matches the record's.
//
// Beside the handle: three helpers on records (extract one frame, free a record's blocks,
// deep-copy a record).
#pragma once

#include <cstdint>

#include "engine/core/colour_key.h"
#include "engine/core/name_key.h"
#include "engine/media/image_record.h"

namespace engine {

// A cached picture's drawing parameters, as the paint module hands them out and every image
// object keeps them.
struct PictureInfo {
  uint32_t serial = 0;            // the record's serial when the info was filled
  ImageRecord* record = nullptr;  // valid while serial == record->serial
  int32_t source_x = 0;           // where the visible rectangle starts inside a frame
  int32_t source_y = 0;
  int32_t width = 0;  // the visible rectangle's size
  int32_t height = 0;
  int32_t frame = 0;      // frame index
  uint32_t backdrop = 0;  // backdrop colour (kColourKey: none)
  NameKey key;            // the picture's cache key
};

// n modulo count, never negative, so that no frame index selects memory before a picture's block;
// a count of 0 or 1 gives 0.
int32_t WrapFrameIndex(int64_t n, uint32_t count);

class ImageInterface {
 public:
  ImageInterface() = default;
  ImageInterface(const ImageInterface&) = default;
  ImageInterface& operator=(const ImageInterface&) = default;

  virtual ~ImageInterface() = default;             // 0
  virtual int IsNotDrawable() const = 0;           // 1
  virtual bool HitTest(int x, int y) const = 0;    // 2
  virtual bool IsCurrent() const { return true; }  // 3

 private:
  [[maybe_unused]] uint32_t reserved_ = 0;  // not used by the engine
};

class ImageHandle : public ImageInterface {
 public:
  ImageHandle() = default;
  ImageHandle(const ImageHandle&) = default;
  ImageHandle& operator=(const ImageHandle&) = default;

  // Slots in table order.
  ~ImageHandle() override = default;                                            // 0
  int IsNotDrawable() const override { return 0; }                              // 1
  bool HitTest(int x, int y) const override;                                    // 2
  bool IsCurrent() const override;                                              // 3
  virtual void SetParams(const PictureInfo& info) { info_ = info; }             // 4
  virtual ImageRecord* GetRecord() const { return info_.record; }               // 5
  virtual void SetRecord(ImageRecord* record) { info_.record = record; }        // 6
  virtual void MarkChanged();                                                   // 7
  virtual void ClearChanged();                                                  // 8
  virtual uint32_t GetColourKey() const;                                        // 9
  virtual PictureInfo* GetParams(PictureInfo* out) const;                       // 10
  virtual int32_t GetSourceX() const { return info_.source_x; }                 // 11
  virtual int32_t GetSourceY() const { return info_.source_y; }                 // 12
  virtual int32_t GetWidth() const { return info_.width; }                      // 13
  virtual int32_t GetHeight() const { return info_.height; }                    // 14
  virtual uint32_t GetFrameDuration(int32_t frame) const;                       // 15
  virtual uint32_t GetTotalDuration() const;                                    // 16
  virtual int32_t GetFrame() const { return info_.frame; }                      // 17
  virtual uint32_t GetBackdropColour() const { return info_.backdrop; }         // 18
  virtual int32_t GetOffsetX() const;                                           // 19
  virtual int32_t GetOffsetY() const;                                           // 20
  virtual uint32_t GetPixelColour(int x, int y) const;                          // 21
  virtual uint8_t GetPixelAlpha(int x, int y) const;                            // 22
  virtual uint16_t GetFrameCount() const;                                       // 23
  virtual NameKey* GetNameKey(NameKey* out) const;                              // 24
  virtual uint32_t GetSerial() const { return info_.serial; }                   // 25
  virtual void SetSize(int32_t width, int32_t height);                          // 26
  virtual uint32_t SetFrame(int32_t frame);                                     // 27
  virtual uint32_t SelectFrameByTime(uint32_t t, int32_t start);                // 28
  virtual uint32_t NextFrame();                                                 // 29
  virtual void SetBackdropColour(uint32_t colour) { info_.backdrop = colour; }  // 30

  // When the paint module last tried to refresh this handle (ms); read and written only there.
  uint32_t last_refresh_time() const { return last_refresh_time_; }
  void set_last_refresh_time(uint32_t ms) { last_refresh_time_ = ms; }

  const PictureInfo& info() const { return info_; }

 private:
  // Byte offset of pixel (x, y) of frame f in the record's block, or -1 when it lies outside the
  // block (a frame index or a source rectangle that does not fit the picture).
  int64_t PixelOffset(int x, int y, int32_t frame) const;

  uint32_t last_refresh_time_ = 0;
  PictureInfo info_;
};

// Fills *out with a new single-frame true-colour record holding frame f of source (frames stacked
// or in a grid). The source must have 4-byte pixels; a palette source, a frame outside the
// source or a block too small for its frames gives a record without pixels. Returns out.
ImageRecord* ExtractFrame(ImageRecord* out, const ImageRecord* source, int32_t frame);
// Frees the record's delay table, palette and pixels and zeroes it. Null is ignored.
void FreeImageRecord(ImageRecord* record);
// Deep copy: the destination's own blocks are freed first, then it gets its own delays, palette
// and (with_pixels) pixels. Copying a record onto itself does nothing.
void CopyImageRecord(const ImageRecord* source, ImageRecord* destination, bool with_pixels);

}  // namespace engine
