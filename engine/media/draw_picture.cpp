#include "engine/media/draw_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "engine/core/engine_log.h"
#include "engine/media/blit.h"
#include "engine/media/picture_scale.h"
#include "engine/media/picture_turn.h"

namespace engine {
namespace {

// A scaled copy larger than this (1 GiB of pixels) is refused rather than attempted.
constexpr int64_t kMaxScaledPixels = int64_t{1} << 28;

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The half-diagonal that the turned members are placed by, computed and cached on first use.
int32_t EnsureHalfDiagonal(DrawParams* params) {
  if (params->halfDiagonal < 1) params->halfDiagonal = HalfDiagonalPixels(params->width, params->height);
  return params->halfDiagonal;
}

bool ScaleTargetAcceptable(const DrawParams* params) {
  if (params->width <= 0 || params->height <= 0) return false;  // nothing to draw
  if (int64_t{params->width} * params->height > kMaxScaledPixels) {
    WriteGameLog("picture scaled to %dx%d refused: too large", params->width, params->height);
    return false;
  }
  return true;
}

}  // namespace

RECT GetDrawClip(const DrawTarget* target, const DrawParams* params) {
  const int64_t left = int64_t{params->clip.left} + params->originX - params->centreX;
  const int64_t top = int64_t{params->clip.top} + params->originY - params->centreY;
  const int64_t right = left + (int64_t{params->clip.right} - params->clip.left);
  const int64_t bottom = top + (int64_t{params->clip.bottom} - params->clip.top);
  const RECT moved{ClampToInt32(left), ClampToInt32(top), ClampToInt32(right), ClampToInt32(bottom)};
  RECT clip;
  platform::IntersectRect(&clip, moved, RECT{0, 0, target->width, target->height});
  return clip;
}

void DrawPicture(DrawTarget* target, DrawParams* params, ImageRecord image, int srcX, int srcY, int srcW, int srcH,
                 double opacity, uint32_t backdrop) {
  if (target == nullptr || params == nullptr || target->pixels == nullptr || target->width <= 0 || target->height <= 0)
    return;
  if (image.pixels == nullptr || image.width == 0 || image.height == 0) return;
  if (std::isnan(opacity) || !std::isfinite(params->angle)) return;
  const double angle = params->angle;
  const bool palette = image.IsPalette();
  const int bpp = image.BytesPerPixel();

  // The frame block: frames stacked, counted in 32 bits so tall strips keep every frame.
  const int64_t width = image.width;
  int64_t rows = image.frame_count > 1 ? int64_t{image.height} * image.frame_count : int64_t{image.height};
  if (width * rows * bpp > image.data_size) {
    WriteGameLog("picture of %ux%u x%u frames has only %u bytes: not drawn", image.width, image.height,
                 image.frame_count, image.data_size);
    return;
  }
  rows = std::min<int64_t>(rows, std::numeric_limits<int32_t>::max());

  // The source rectangle, cut to the block. A rectangle starting before the block is refused:
  // it would read before the pixels.
  if (srcX < 0 || srcY < 0) return;
  const int w = static_cast<int>(std::min<int64_t>(srcW, width - srcX));
  const int h = static_cast<int>(std::min<int64_t>(srcH, rows - srcY));
  if (w <= 0 || h <= 0) return;

  SourceBlock source{image.pixels, static_cast<int>(width), static_cast<int>(rows), bpp, srcX, srcY, w, h};
  const bool scale = params->width != srcW || params->height != srcH;
  std::unique_ptr<uint8_t[]> scaled_palette;
  std::unique_ptr<uint32_t[]> scaled_colour;
  int64_t x, y;

  if (palette) {
    if (image.palette == nullptr) {
      WriteGameLog("256color pic without rgbquad!");
      return;
    }
    if (image.flags & kImageFlagPaletteRef) {
      WriteGameLog("picture with a palette by reference cannot be drawn");
      return;
    }
    const RECT bounds = DrawBounds(params);
    x = bounds.left;
    y = bounds.top;
    if (scale) {
      if (!ScaleTargetAcceptable(params)) return;
      scaled_palette = ScalePalettePicture(source.pixels, source.stride, source.rows, srcX, srcY, w, h, params->width,
                                           params->height, image.flags);
      if (!scaled_palette) return;
      source = {scaled_palette.get(), params->width, params->height, bpp, 0, 0, params->width, params->height};
    }
  } else {
    if (angle != 0.0) {
      const int32_t r = EnsureHalfDiagonal(params);
      x = int64_t{params->centreX} - r;
      y = int64_t{params->centreY} - r;
    } else {
      x = int64_t{params->centreX} - (int64_t{params->width} + 1) / 2;
      y = int64_t{params->centreY} - (int64_t{params->height} + 1) / 2;
    }
    if (scale) {
      if (!ScaleTargetAcceptable(params)) return;
      const auto* block = reinterpret_cast<const uint32_t*>(source.pixels);
      scaled_colour =
          (params->flags & kDrawSmoothScale)
              ? ResizeImageSmooth(block, source.stride, source.rows, srcX, srcY, w, h, params->width, params->height)
              : ResizeImage(block, source.stride, source.rows, srcX, srcY, w, h, params->width, params->height);
      if (!scaled_colour) return;
      source = {reinterpret_cast<const uint8_t*>(scaled_colour.get()),
                params->width,
                params->height,
                bpp,
                0,
                0,
                params->width,
                params->height};
    }
  }

  const RECT clip =
      (params->flags & kDrawClip) ? GetDrawClip(target, params) : RECT{0, 0, target->width, target->height};
  if (platform::IsRectEmpty(clip)) return;

  const DrawTarget& t = *target;
  const uint32_t flags = params->flags;
  const bool invert = (flags & kDrawInvert) && (image.flags & kImageFlagTransparent);
  const bool smooth_turn = (flags & kDrawSmoothTurn) != 0;
  const bool onto_opaque = (flags & kDrawOntoOpaque) != 0;
  const bool near_zero = std::fabs(angle) < 1.0;  // what truncating the angle to an int calls 0
  const bool same_size = source.width == params->width && source.height == params->height;
  // Turned members are placed by the cached half-diagonal.
  auto turned_x = [&] { return int64_t{params->centreX} - EnsureHalfDiagonal(params); };
  auto turned_y = [&] { return int64_t{params->centreY} - EnsureHalfDiagonal(params); };

  if (palette) {
    const uint32_t key = image.colour_key;
    if (invert) {
      InvertPaletteTurned(t, turned_x(), turned_y(), clip, source, key, angle);
      return;
    }
    const PaletteTable table(image.palette, image.palette_count);
    if (!image.HasAlpha()) {
      if (near_zero)
        BlitPalette(t, x, y, clip, source, key, table, opacity, backdrop);
      else if (!smooth_turn)
        BlitPaletteTurned(t, turned_x(), turned_y(), clip, source, key, table, angle, opacity, backdrop);
      else
        BlitPaletteTurnedSmooth(t, turned_x(), turned_y(), clip, source, key, table, angle, opacity);
      return;
    }
    if (!same_size) return;
    if (angle != 0.0) {
      if (!smooth_turn)
        BlitPaletteAlphaTurned(t, turned_x(), turned_y(), clip, source, key, table, angle, opacity, backdrop);
      else
        BlitPaletteAlphaTurnedSmooth(t, turned_x(), turned_y(), clip, source, key, table, angle, opacity);
    } else if (!onto_opaque) {
      BlitPaletteAlpha(t, x, y, clip, source, key, table, opacity, backdrop);
    } else {
      BlitPaletteAlphaOnOpaque(t, x, y, clip, source, key, table, opacity, backdrop);
    }
    return;
  }

  if (invert) {
    InvertTurned(t, turned_x(), turned_y(), clip, source, angle, opacity);
  } else if (image.HasAlpha()) {
    if (angle != 0.0) {
      if (!smooth_turn)
        BlitAlphaTurned(t, turned_x(), turned_y(), clip, source, angle, opacity, backdrop);
      else
        BlitTurnedSmooth(t, turned_x(), turned_y(), clip, source, angle, opacity);
    } else if (!same_size) {
      return;
    } else if (!onto_opaque) {
      BlitAlpha(t, x, y, clip, source, opacity, backdrop);
    } else {
      BlitAlphaOnOpaque(t, x, y, clip, source, opacity, backdrop);
    }
  } else if (!near_zero) {
    if (!smooth_turn)
      BlitTurned(t, turned_x(), turned_y(), clip, source, angle, opacity, backdrop);
    else
      BlitTurnedSmooth(t, turned_x(), turned_y(), clip, source, angle, opacity);
  } else if (!(image.flags & kImageFlagTransparent) && opacity >= 1.0) {
    CopyPixels(t, x, y, clip, source);
  } else {
    Blit(t, x, y, clip, source, opacity, backdrop);
  }
}

void DrawPalettePicture(DrawTarget* target, DrawParams* params, const ImageRecord* image, int srcX, int srcY, int srcW,
                        int srcH, double opacity) {
  if (image == nullptr || !image->IsPalette()) return;
  DrawPicture(target, params, *image, srcX, srcY, srcW, srcH, opacity, kColourKey);
}

}  // namespace engine
