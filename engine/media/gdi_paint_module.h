// The paint module the engine runs (module 1003). It owns the frame's pixels: a base layer (what
// lies under the scene), a compose layer (where each frame is drawn) and a present layer (what is
// shown), all 32-bit and of the window's client size, and the display that shows them. For every
// paint batch from the object module it restores the dirty rectangles from the base layer, draws
// the batch's objects, copies the rectangles to the present layer, uploads that into the display
// bitmap at the display's depth and marks the rectangles for repainting; the window's paint
// message (paint_event::kPresent) then copies the bitmap to the screen. The display bitmap lies
// over the module's own pixels (the present layer on a 32-bit display), so an upload copies
// nothing that the layers already hold.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/media/draw_target.h"
#include "engine/media/paint_module.h"
#include "platform/display_surface.h"

namespace engine {

class GdiPaintModule : public PaintModule {
 public:
  GdiPaintModule();
  ~GdiPaintModule() override;  // 0

  int Init() override;                                                      // 1
  void Exit() override;                                                     // 2
  int32_t HandleEvent(uint32_t code, uintptr_t p1, uintptr_t p2) override;  // 6
  void SetSize(int32_t width, int32_t height) override;                     // 10
  void RenderBatch(PaintBatch* batch) override;                             // 11
  void DrawBatchItem(DrawItem* item, ImageHandle* image) override;          // 12
  int LoadPicture(NameKey key) override;                                    // 15
  void DrawPictureAt(const PictureInfo* info, int32_t x, int32_t y, int32_t width, int32_t height,
                     double angle) override;                                      // 18
  PaintModule* FillBase(COLORREF colour) override;                                // 19
  DrawTarget* GetBaseTarget(DrawTarget* out) override;                            // 20
  void CopyRecord(ImageRecord* destination, const ImageRecord* source) override;  // 25
  void FreeRecord(ImageRecord* record) override;                                  // 30
  virtual void DrawItemImage(DrawItem* item, ImageHandle* image);                 // 31
  // The device argument stands for the window's device context; the display is the only one.
  virtual void Present(void* device);  // 32
  // Uploads the whole present layer; answers the bytes of the display bitmap it renewed.
  virtual size_t UploadBackBuffer();  // 33

  // The display this module shows its frames on (the window reads the presented pixels and the
  // invalidated areas from it; tests set its depth before Init).
  platform::DisplaySurface& Display() { return display_; }
  const platform::DisplaySurface& Display() const { return display_; }

  // The layers' pixels (null before SetSize).
  const uint32_t* BaseLayer() const { return base_.empty() ? nullptr : base_.data(); }
  const uint32_t* ComposeLayer() const { return compose_.empty() ? nullptr : compose_.data(); }
  const uint32_t* PresentLayer() const { return present_.empty() ? nullptr : present_.data(); }

  // Uploads only the given areas of the present layer: outside them the present layer has not
  // changed since the last upload, so the display bitmap already holds it. A display of another
  // depth than 16, 24 or 32 bits gets nothing, and the monitor module hears of it.
  size_t UploadRects(const RECT* rects, uint32_t count);
  // Clamps the rectangle to the surface in place, then copies it from one layer to the other.
  void CopyLayerRect(RECT* rect, const uint32_t* source, uint32_t* destination) const;
  // The placement of a batch item on the compose layer.
  void MakeDrawParams(DrawParams* out, const DrawItem* item) const;

 private:
  void FreeLayers();
  // Makes the display's bitmap over the layer it shows (the present layer or the device buffer).
  void AttachDisplayBitmap();
  // One of the batch's rectangles covers the whole surface.
  bool CoversSurface(const PaintBatch& batch) const;
  // While a batch is drawn: clips the item's drawing to the rectangle round the parts of the
  // batch's rectangles that it covers; false when it covers none of them (or its own clip
  // leaves none).
  bool LimitToBatch(const DrawTarget& target, DrawParams* params) const;
  // Converts one area of the present layer (cut to the surface) into the device buffer (displays
  // below 32 bits).
  void ConvertRect(const RECT& area);

  std::vector<uint32_t> base_;
  std::vector<uint32_t> compose_;
  std::vector<uint32_t> present_;
  const RECT* batch_rects_ = nullptr;  // the rectangles of the batch being drawn
  uint32_t batch_rect_count_ = 0;
  std::vector<uint8_t> device_buffer_;  // the present layer converted, for displays below 32 bits
  // The display's bitmap lies over present_ or device_buffer_: both are sized only by SetSize.
  platform::DisplaySurface display_;
};

}  // namespace engine
