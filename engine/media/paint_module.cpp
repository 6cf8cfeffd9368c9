#include "engine/media/paint_module.h"

#include <array>
#include <cstring>
#include <exception>
#include <limits>

#include "engine/core/engine_log.h"
#include "engine/media/pps_picture.h"
#include "platform/picture_decoder.h"

namespace engine {

namespace {

constexpr uint32_t kRefreshIntervalMs = 1000;
constexpr uint32_t kDefaultFrameDelayMs = 40;

// How a file extension is decoded.
enum class PictureKind { kNone, kCommon, kIcon, kWbmp, kPps };

PictureKind KindOfExtension(uint32_t extension_id) {
  static const std::array<uint32_t, 12> common = {NameKeyRS(".gif"),  NameKeyRS(".bmp"),  NameKeyRS(".png"),
                                                  NameKeyRS(".jpg"),  NameKeyRS(".jpeg"), NameKeyRS(".tif"),
                                                  NameKeyRS(".tga"),  NameKeyRS(".mng"),  NameKeyRS(".pcx"),
                                                  NameKeyRS(".wbmp"), NameKeyRS(".wmf"),  NameKeyRS(".ico")};
  static const uint32_t icon = NameKeyRS(".ico");
  static const uint32_t pps = NameKeyRS(".pps");
  static const uint32_t wbmp = NameKeyRS(".wbmp");
  if (extension_id == pps) return PictureKind::kPps;
  if (extension_id == wbmp) return PictureKind::kWbmp;
  if (extension_id == icon) return PictureKind::kIcon;
  for (uint32_t id : common) {
    if (id == extension_id) return PictureKind::kCommon;
  }
  return PictureKind::kNone;
}

// Fills out from a decoded picture. False (out untouched) when the picture does not fit a record.
bool RecordFromDecoded(const platform::DecodedPicture& d, bool single_frame, ImageRecord* out) {
  if (d.width <= 0 || d.height <= 0 || d.width > 0xFFFF || d.height > 0xFFFF || d.frames.empty()) {
    WriteGameLog("PaintModule: picture of %d x %d with %zu frames refused", d.width, d.height, d.frames.size());
    return false;
  }
  const size_t frames = single_frame ? 1 : d.frames.size();
  if (frames > 0xFFFF) {
    WriteGameLog("PaintModule: picture of %zu frames refused", frames);
    return false;
  }
  const bool palette = d.IsPalette();
  const size_t entries = d.palette.size() / 3;
  if (palette && (entries < 1 || entries > 256)) {
    WriteGameLog("PaintModule: palette picture with %zu entries refused", entries);
    return false;
  }
  const int bpp = palette ? d.bytes_per_pixel : 4;
  const uint64_t frame_bytes = uint64_t(d.width) * d.height * bpp;
  const uint64_t total = frame_bytes * frames;
  if (total > std::numeric_limits<uint32_t>::max()) {
    WriteGameLog("PaintModule: picture of %llu bytes refused", static_cast<unsigned long long>(total));
    return false;
  }
  for (size_t f = 0; f < frames; ++f) {
    if (d.frames[f].pixels.size() < frame_bytes) {
      WriteGameLog("PaintModule: picture frame %zu is short", f);
      return false;
    }
  }

  ImageRecord r;
  r.width = static_cast<uint16_t>(d.width);
  r.height = static_cast<uint16_t>(d.height);
  r.frame_count = static_cast<uint16_t>(frames);
  r.frame_columns = 1;
  const bool alpha = palette ? bpp == 2 : d.alpha_valid;
  const bool transparent = palette ? d.transparent_index >= 0 : d.has_transparent_colour;
  if (alpha) r.flags |= kImageFlagAlpha;
  if (transparent) r.flags |= kImageFlagTransparent;
  if (palette) {
    r.flags |= kImageFlagOwnPalette;
    r.palette_count = static_cast<uint16_t>(entries);
    r.colour_key = transparent ? static_cast<uint32_t>(d.transparent_index) : kNoPaletteKey;
  } else if (transparent) {
    r.colour_key = d.transparent_colour & 0xFFFFFF;
  }

  r.data_size = static_cast<uint32_t>(total);
  r.pixels = new uint8_t[total]();
  if (palette) {
    r.palette = new uint8_t[entries * 3];
    std::memcpy(r.palette, d.palette.data(), entries * 3);
  }
  if (frames > 1) {
    r.flags |= kImageFlagDelays;
    r.delays = new uint32_t[frames];
    for (size_t f = 0; f < frames; ++f) {
      r.delays[f] = d.frames[f].delay_ms == 0 ? kDefaultFrameDelayMs : d.frames[f].delay_ms;
    }
  }

  bool any_transparent = false;
  const size_t pixel_count = size_t(d.width) * d.height;
  for (size_t f = 0; f < frames; ++f) {
    const uint8_t* src = d.frames[f].pixels.data();
    uint8_t* dst = r.pixels + f * frame_bytes;
    std::memcpy(dst, src, frame_bytes);
    if (alpha) continue;
    if (palette) {
      if (!transparent) continue;
      for (size_t i = 0; i < pixel_count && !any_transparent; ++i) {
        any_transparent = dst[i] == static_cast<uint8_t>(d.transparent_index);
      }
      continue;
    }
    // True colour without alpha: the keyed colour becomes alpha 0, everything else opaque.
    for (size_t i = 0; i < pixel_count; ++i) {
      uint8_t* p = dst + i * 4;
      const uint32_t colour = p[2] | (uint32_t{p[1]} << 8) | (uint32_t{p[0]} << 16);
      const bool keyed = transparent && colour == r.colour_key;
      any_transparent |= keyed;
      p[3] = keyed ? 0 : 255;
    }
  }
  if (!alpha && !any_transparent) r.flags &= ~kImageFlagTransparent;
  *out = r;
  return true;
}

}  // namespace

PaintModule::PaintModule() = default;

PaintModule::~PaintModule() = default;

NameKey PaintModule::PictureKey(const std::string& name) { return MakeNameKey(name + kPictureCategory); }

int PaintModule::Init() {
  // Pictures come from the resource module; it is looked up again whenever one is loaded.
  if (FindModule(module_id::kResource) == nullptr) {
    WriteGameLog("PaintModule::Init: no resource module");
    return 0;
  }
  return 1;
}

void PaintModule::Exit() {
  cache_.Clear([this](ImageRecord* r) { FreeRecord(r); });
}

void PaintModule::Tick() {
  DrainQueue();
  UpdateFps();
}

void PaintModule::UpdateFps() {
  const uint32_t now = GetLastTick();
  const uint32_t dt = now - fps_last_tick_;
  const double rate = dt == 0 ? 999.99 : 1000.0 / dt;
  ++fps_ticks_;
  if (fps_ticks_ < 100) {
    fps_accumulated_ += rate;
  } else {
    fps_accumulated_ -= fps_accumulated_ / 100.0;
    fps_accumulated_ += rate;
  }
  fps_last_tick_ = now;
}

double PaintModule::GetFps() const {
  // Before the first tick there is no estimate (and nothing to divide by).
  if (fps_ticks_ == 0) return 0.0;
  return fps_ticks_ < 100 ? fps_accumulated_ / fps_ticks_ : fps_accumulated_ / 100.0;
}

int32_t PaintModule::HandleEvent(uint32_t code, uintptr_t p1, uintptr_t) {
  switch (code) {
    case paint_event::kRenderBatch:
      if (p1 != 0) RenderBatch(reinterpret_cast<PaintBatch*>(p1));
      break;
    case paint_event::kFreeRecord:
      if (p1 != 0) {
        auto* record = reinterpret_cast<ImageRecord*>(p1);
        FreeRecord(record);
        delete record;
      }
      break;
    default:
      break;
  }
  return 0;
}

PictureInfo* PaintModule::GetPictureInfo(PictureInfo* out, const std::string& name, int32_t frame) {
  if (out == nullptr) return out;
  *out = PictureInfo{};
  const std::string full_name = name + kPictureCategory;
  ImageRecord* record = FindPicture(full_name);
  if (record == nullptr) return out;
  out->serial = record->serial;
  out->record = record;
  out->width = record->width;
  out->height = record->height;
  out->frame = WrapFrameIndex(frame, record->frame_count);
  out->backdrop = kColourKey;
  out->key = MakeNameKey(full_name);
  return out;
}

ImageRecord* PaintModule::FindPicture(const std::string& full_name) {
  const NameKey key = MakeNameKey(full_name);
  if (ImageRecord* record = cache_.Find(key)) return record;
  if (LoadPicture(key) == 0) return nullptr;
  return cache_.Find(key);
}

int PaintModule::LoadPictureByName(const std::string& full_name) { return LoadPicture(MakeNameKey(full_name)); }

void PaintModule::AddPicture(const std::string& name, const PictureInfo* info) {
  if (info == nullptr || info->record == nullptr) return;
  ImageRecord copy;
  CopyImageRecord(info->record, &copy, true);
  AddRecord(PictureKey(name), &copy);
}

void PaintModule::AddRecord(NameKey key, ImageRecord* record) {
  cache_.Insert(key, record, GetLastTick(), [this](ImageRecord* r) { FreeRecord(r); });
}

void PaintModule::RemovePicture(const std::string& name) {
  cache_.Remove(PictureKey(name), [this](ImageRecord* r) { FreeRecord(r); });
}

int PaintModule::RefreshImage(ImageHandle* image) {
  if (image == nullptr) return 0;
  const uint32_t serial = image->GetSerial();
  if (serial == 0 || serial == 1) return 0;
  NameKey key;
  image->GetNameKey(&key);
  ImageRecord* record = cache_.Find(key);
  if (record == nullptr) {
    // Loading goes to the resource module: at most once a second per handle, so a missing
    // picture does not cost a lookup every frame.
    const uint32_t now = GetLastTick();
    if (now - image->last_refresh_time() < kRefreshIntervalMs) return 0;
    image->set_last_refresh_time(now);
    if (LoadPicture(key) == 0) return 0;
    record = cache_.Find(key);
    if (record == nullptr) return 0;
  }
  // Bind the handle to the cached record and take its serial, so it is current from now on.
  PictureInfo info;
  image->GetParams(&info);
  info.record = record;
  info.serial = record->serial;
  info.frame = WrapFrameIndex(info.frame, record->frame_count);
  image->SetParams(info);
  return 1;
}

int PaintModule::DecodeImage(const uint8_t* data, size_t size, uint32_t extension_id, ImageRecord* out) {
  if (out == nullptr) return 0;
  if (KindOfExtension(extension_id) == PictureKind::kPps) return DecodePps(data, size, out) != 0 ? 1 : 0;
  return DecodeCommonPicture(data, size, extension_id, out) ? 1 : 0;
}

uint32_t PaintModule::DecodePps(const uint8_t* data, size_t size, ImageRecord* out) {
  if (data == nullptr || out == nullptr) return 0;
  ImageRecord decoded;
  std::string error;
  const uint32_t result = DecodePicture(data, size, &decoded, &error);
  if (result == 0) {
    WriteGameLog("PaintModule: .pps picture refused: %s", error.c_str());
    return 0;
  }
  if ((decoded.flags & kImageFlagPaletteRef) != 0) {
    // A picture that names an outside palette cannot be drawn on its own.
    FreeImageRecord(&decoded);
    return 0;
  }
  *out = decoded;
  return result;
}

bool DecodeCommonPicture(const uint8_t* data, size_t size, uint32_t extension_id, ImageRecord* out) {
  const PictureKind kind = KindOfExtension(extension_id);
  if (out == nullptr || kind == PictureKind::kNone || kind == PictureKind::kPps) return false;
  if (data == nullptr || size == 0) return false;
  try {
    platform::DecodedPicture decoded;
    std::string error;
    // A WBMP carries no mark of its own: its name says what it is.
    const platform::PictureFormat format =
        kind == PictureKind::kWbmp ? platform::PictureFormat::kWbmp : platform::PictureFormat::kDetect;
    if (!platform::DecodePictureBytes(data, size, &decoded, &error, format)) {
      WriteGameLog("PaintModule: picture refused: %s", error.c_str());
      return false;
    }
    return RecordFromDecoded(decoded, kind == PictureKind::kIcon, out);
  } catch (const std::exception& e) {
    WriteGameLog("PaintModule: picture refused: %s", e.what());
    return false;
  }
}

}  // namespace engine
