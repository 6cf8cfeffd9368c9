// JPEG through libjpeg: grey and colour pictures come out as blue, green, red and opaque alpha;
// CMYK and YCCK ones (as print software writes them) are turned into colours from their inks,
// opaque. libjpeg reports fatal errors through error_exit, which here jumps back to the reader;
// its warnings (a file cut short is finished in grey, as libjpeg finishes it) are not printed.
// The TIFF reader decodes the JPEG streams of its strips and tiles through the same decoder,
// row by row, held to the same memory.
// Every decode draws on the decode's budget (decode_budget.h): libjpeg's memory through the
// methods of its memory manager, wrapped, and its work (each stream, each scan, each row of
// blocks a scan goes over and each row given out) through a progress monitor and the row loop.
#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <new>

#include "platform/decode_budget.h"
#include "platform/jpeg_error.h"
#include "platform/picture_formats.h"

#include <jerror.h>  // after jpeglib.h, which jpeg_error.h includes

namespace platform::picture_formats {
namespace {

// What is left of a colour channel under its ink and the black ink (0-255 each). Adobe's files,
// which an APP14 marker names, store every ink inverted: 255 there is no ink at all.
uint8_t LeftUnderInks(uint32_t ink, uint32_t black, bool inverted) {
  if (!inverted) {
    ink = 255 - ink;
    black = 255 - black;
  }
  return static_cast<uint8_t>((ink * black + 127) / 255);
}

// The memory libjpeg may take: `memory`, or when 0 what the claim counts of the stream's
// coefficients from its markers, whatever libjpeg read: what the claim allows beside the
// picture, and its rows.
long MemoryAllowed(uint64_t memory, const jpeg_decompress_struct& info) {
  if (memory == 0) {
    const uint64_t picture_bytes = uint64_t{info.image_width} * info.image_height * kJpegPixelBytes;
    memory = kMaxJpegDecodeBytes + kJpegRowBytes - std::min(picture_bytes, kMaxJpegDecodeBytes);
  }
  return static_cast<long>(std::min<uint64_t>(memory, LONG_MAX));
}

// libjpeg drawing on the decode's budget. Its memory manager's methods are wrapped: each block
// it asks for is taken from the budget first (the arrays of a multi-scan file when they are
// made), and what a pool held is given back when libjpeg frees the pool. Its work is spent as
// it goes: a fixed cost for the stream, a scan begun, each row of blocks a scan goes over while
// libjpeg reads a multi-scan file in (the progress monitor), and each row given out. When the
// budget runs out, libjpeg's error exit ends the decode.
struct BudgetHooks {
  DecodeBudget* budget = nullptr;
  jpeg_memory_mgr methods = {};  // libjpeg's own
  uint64_t pool_bytes[JPOOL_NUMPOOLS] = {};
  uint64_t virtual_bytes = 0;  // arrays asked for, made when realized
  jpeg_progress_mgr progress = {};
  bool reading_scans = false;  // inside jpeg_start_decompress
  int scan = 0;
};

BudgetHooks* Hooks(j_common_ptr info) { return static_cast<BudgetHooks*>(info->client_data); }

void Charge(j_common_ptr info, int pool, uint64_t bytes) {
  BudgetHooks* hooks = Hooks(info);
  if (pool < 0 || pool >= JPOOL_NUMPOOLS) return;  // libjpeg refuses the pool itself
  if (!hooks->budget->Take(bytes)) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
  hooks->pool_bytes[pool] += bytes;
}
void SpendOrStop(j_common_ptr info, uint64_t units) {
  if (!Hooks(info)->budget->Spend(units)) ERREXIT1(info, JERR_OUT_OF_MEMORY, 1);
}

void* AllocSmall(j_common_ptr info, int pool, size_t bytes) {
  Charge(info, pool, bytes);
  return Hooks(info)->methods.alloc_small(info, pool, bytes);
}
void* AllocLarge(j_common_ptr info, int pool, size_t bytes) {
  Charge(info, pool, bytes);
  return Hooks(info)->methods.alloc_large(info, pool, bytes);
}
JSAMPARRAY AllocSamples(j_common_ptr info, int pool, JDIMENSION per_row, JDIMENSION rows) {
  Charge(info, pool, (uint64_t{per_row} * sizeof(JSAMPLE) + sizeof(JSAMPROW)) * rows);
  return Hooks(info)->methods.alloc_sarray(info, pool, per_row, rows);
}
JBLOCKARRAY AllocBlocks(j_common_ptr info, int pool, JDIMENSION per_row, JDIMENSION rows) {
  Charge(info, pool, (uint64_t{per_row} * sizeof(JBLOCK) + sizeof(JBLOCKROW)) * rows);
  return Hooks(info)->methods.alloc_barray(info, pool, per_row, rows);
}
jvirt_sarray_ptr AskSampleArray(j_common_ptr info, int pool, boolean zero, JDIMENSION per_row, JDIMENSION rows,
                                JDIMENSION access) {
  Hooks(info)->virtual_bytes += (uint64_t{per_row} * sizeof(JSAMPLE) + sizeof(JSAMPROW)) * rows;
  return Hooks(info)->methods.request_virt_sarray(info, pool, zero, per_row, rows, access);
}
jvirt_barray_ptr AskBlockArray(j_common_ptr info, int pool, boolean zero, JDIMENSION per_row, JDIMENSION rows,
                               JDIMENSION access) {
  Hooks(info)->virtual_bytes += (uint64_t{per_row} * sizeof(JBLOCK) + sizeof(JBLOCKROW)) * rows;
  return Hooks(info)->methods.request_virt_barray(info, pool, zero, per_row, rows, access);
}
// With no backing store, libjpeg makes every array whole (or refuses past max_memory_to_use).
void MakeArrays(j_common_ptr info) {
  BudgetHooks* hooks = Hooks(info);
  const uint64_t bytes = hooks->virtual_bytes;
  hooks->virtual_bytes = 0;
  Charge(info, JPOOL_IMAGE, bytes);
  hooks->methods.realize_virt_arrays(info);
}
void FreePool(j_common_ptr info, int pool) {
  BudgetHooks* hooks = Hooks(info);
  if (pool >= 0 && pool < JPOOL_NUMPOOLS) {
    hooks->budget->Give(hooks->pool_bytes[pool]);
    hooks->pool_bytes[pool] = 0;
    if (pool == JPOOL_IMAGE) hooks->virtual_bytes = 0;
  }
  hooks->methods.free_pool(info, pool);
}
void Destroy(j_common_ptr info) {
  BudgetHooks* hooks = Hooks(info);
  for (uint64_t& bytes : hooks->pool_bytes) {
    hooks->budget->Give(bytes);
    bytes = 0;
  }
  hooks->methods.self_destruct(info);
}

// Called before each step libjpeg takes while it reads the scans of a multi-scan file in: a row
// of the scan's blocks (an iMCU row), gone over by the scan's cost (see picture_formats.h).
void OnProgress(j_common_ptr common) {
  BudgetHooks* hooks = Hooks(common);
  if (!hooks->reading_scans) return;
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  uint64_t units = 0;
  if (info->input_scan_number != hooks->scan) {
    hooks->scan = info->input_scan_number;
    units += kJpegUnitsPerScan;
  }
  if (info->comps_in_scan >= 1 && info->cur_comp_info[0]) {
    const uint64_t blocks = uint64_t{info->MCUs_per_row} *
                            (info->comps_in_scan == 1 ? std::max(info->cur_comp_info[0]->v_samp_factor, 1)
                                                      : std::max(info->blocks_in_MCU, 1));
    const bool ac = !info->progressive_mode || info->Ss != 0;
    const bool walk = ac && ((info->progressive_mode && info->Ah != 0) || info->arith_code);
    units += blocks * (walk ? kJpegBandWalkCost : kJpegPassCost) * kJpegUnitsPerPass;
  }
  SpendOrStop(common, units);
}

// Wraps the memory manager of a decompress struct just made, and installs the progress monitor.
void DrawOnBudget(jpeg_decompress_struct* info, BudgetHooks* hooks) {
  info->client_data = hooks;
  hooks->methods = *info->mem;
  info->mem->alloc_small = AllocSmall;
  info->mem->alloc_large = AllocLarge;
  info->mem->alloc_sarray = AllocSamples;
  info->mem->alloc_barray = AllocBlocks;
  info->mem->request_virt_sarray = AskSampleArray;
  info->mem->request_virt_barray = AskBlockArray;
  info->mem->realize_virt_arrays = MakeArrays;
  info->mem->free_pool = FreePool;
  info->mem->self_destruct = Destroy;
  hooks->progress.progress_monitor = OnProgress;
  info->progress = &hooks->progress;
}

// Every object with a destructor lives outside this function, so the jump back skips none.
// `tables` (or null) is a stream of tables alone that the stream's own may leave out. The sink
// is told the stream's sides and takes its rows; libjpeg is held to `memory` bytes, and draws on
// the budget through `hooks` when it has one.
bool Decompress(const uint8_t* tables, size_t tables_size, const uint8_t* data, size_t size, JpegSamples samples,
                uint64_t memory, JpegRowSink* sink, BudgetHooks* hooks, char* message) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = CatchJpegErrors(&error);
  if (setjmp(error.jump) != 0) {
    // Having no backing store, libjpeg refuses coefficients past the memory it is allowed.
    const bool over = error.manager.msg_code == JERR_NO_BACKING_STORE;
    const char* spent = hooks->budget && hooks->budget->exhausted() ? hooks->budget->problem() : nullptr;
    std::snprintf(message, JMSG_LENGTH_MAX, "%s",
                  spent ? spent : over ? "decoding it would take more memory than any picture may" : error.message);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  if (hooks->budget) {
    DrawOnBudget(&info, hooks);
    SpendOrStop(reinterpret_cast<j_common_ptr>(&info), kJpegStreamCost * kJpegUnitsPerPass + size + tables_size);
  }
  if (tables && tables_size > 0) {
    jpeg_mem_src(&info, tables, static_cast<unsigned long>(tables_size));
    jpeg_read_header(&info, FALSE);  // tables alone: libjpeg keeps them for the stream
  }
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.mem->max_memory_to_use = MemoryAllowed(memory, info);
  const bool inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  switch (samples) {
    case JpegSamples::kPicture:
      info.out_color_space = inks ? JCS_CMYK : JCS_EXT_BGRA;  // libjpeg turns YCCK into CMYK
      break;
    case JpegSamples::kYCbCrAsRgb:
      if (info.num_components != 3) {
        std::snprintf(message, JMSG_LENGTH_MAX, "a YCbCr stream of %d components", info.num_components);
        jpeg_destroy_decompress(&info);
        return false;
      }
      info.jpeg_color_space = JCS_YCbCr;
      info.out_color_space = JCS_RGB;
      break;
    case JpegSamples::kAsStored:
      info.jpeg_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_UNKNOWN;
      info.out_color_space = info.jpeg_color_space;
      break;
  }
  hooks->reading_scans = true;
  jpeg_start_decompress(&info);
  hooks->reading_scans = false;
  const uint32_t rows =
      sink->Start(info.output_width, info.output_height, info.out_color_components, info.saw_Adobe_marker != 0, inks);
  if (rows == 0) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", sink->refusal.c_str());
    jpeg_destroy_decompress(&info);
    return false;
  }
  const uint64_t row_units = uint64_t{info.output_width} * info.out_color_components * kJpegUnitsPerSample;
  while (info.output_scanline < rows) {
    const uint32_t y = info.output_scanline;
    if (hooks->budget) SpendOrStop(reinterpret_cast<j_common_ptr>(&info), row_units);
    JSAMPROW row = sink->Row(y);
    jpeg_read_scanlines(&info, &row, 1);
    sink->Done(y);
  }
  if (rows == info.output_height) jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

// A .jpg's rows straight into its picture, inks turned into colours at the end.
class PictureRows : public JpegRowSink {
 public:
  explicit PictureRows(std::vector<uint8_t>* pixels) : pixels_(pixels) {}
  uint32_t Start(uint32_t width, uint32_t height, int, bool adobe, bool inks) override {
    width_ = width;
    height_ = height;
    inverted_ = adobe;
    inks_ = inks;
    DecodeBudget* budget = CurrentDecodeBudget();
    if (budget && !budget->Take(uint64_t{width} * height * 4)) {
      refusal = budget->problem();
      return 0;
    }
    try {
      pixels_->assign(size_t{width} * height * 4, 0);
    } catch (const std::bad_alloc&) {
      refusal = "out of memory";
      return 0;
    }
    return height;
  }
  uint8_t* Row(uint32_t y) override { return pixels_->data() + size_t{width_} * 4 * y; }
  void Finish() {
    if (!inks_) return;
    for (size_t i = 0; i < pixels_->size(); i += 4) {
      uint8_t* p = pixels_->data() + i;
      const uint8_t cyan = p[0], magenta = p[1], yellow = p[2], black = p[3];
      p[0] = LeftUnderInks(yellow, black, inverted_);
      p[1] = LeftUnderInks(magenta, black, inverted_);
      p[2] = LeftUnderInks(cyan, black, inverted_);
      p[3] = 255;
    }
  }
  uint32_t width_ = 0, height_ = 0;

 private:
  std::vector<uint8_t>* pixels_;
  bool inverted_ = false, inks_ = false;
};

}  // namespace

bool DecodeJpegRows(const uint8_t* tables, size_t tables_size, const uint8_t* data, size_t size, JpegSamples samples,
                    uint64_t memory, JpegRowSink* sink, std::string* error) {
  char message[JMSG_LENGTH_MAX] = {};
  BudgetHooks hooks;
  hooks.budget = CurrentDecodeBudget();
  if (Decompress(tables, tables_size, data, size, samples, memory, sink, &hooks, message)) return true;
  *error = message[0] ? message : "unreadable stream";
  return false;
}

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  // Beside the picture, the coefficients a multi-scan file keeps (its claim has been checked).
  if (DecodeBudget* budget = CurrentDecodeBudget()) {
    const JpegCost cost = CountJpegCost(data, size);
    budget->SetClaim(SaturatingProduct(SaturatingProduct(cost.claim.width, cost.claim.height), kJpegPixelBytes),
                     cost.coefficient_bytes);
  }
  DecodedPicture result;
  PictureFrame frame;
  PictureRows rows(&frame.pixels);
  std::string reason;
  if (!DecodeJpegRows(nullptr, 0, data, size, JpegSamples::kPicture, 0, &rows, &reason)) {
    if (error) *error = "JPEG: " + reason;
    return false;
  }
  if (rows.width_ == 0 || rows.height_ == 0) {
    if (error) *error = "JPEG: empty picture";
    return false;
  }
  rows.Finish();
  result.width = static_cast<int>(rows.width_);
  result.height = static_cast<int>(rows.height_);
  result.frames.push_back(std::move(frame));
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
