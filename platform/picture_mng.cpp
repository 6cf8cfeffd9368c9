// MNG animations through libmng: the file is read and displayed onto a canvas of ours, on a
// made-up clock; each time libmng asks to wait, the canvas is one frame and the wait its delay.
// One pass is taken: TERM's repeats are left to the engine. Only the chunks of animations made
// of plain PNG frames are read (see CheckChunks): files with loops, deltas, magnification,
// clones or JNG images are refused, and so are sizes that the file's bytes could not describe.
//
// libmng allocates by sizes the file claims (its own images, rows, zlib buffers). Every block it
// allocates is taken from the decode's budget (decode_budget.h) and given back when freed, and
// spends its bytes (libmng zeroes each, and its work grows with what it allocates); every canvas
// row it draws and every frame taken spend theirs, and the frames are taken too. The claim is
// the canvas and each frame taken, with libmng's images beside them; a made-up size fails like an
// exhausted heap, and the file is refused with the budget's reason.
// libmng.h pulls in jpeglib.h, which needs FILE declared first.
#include <cstdio>
#include <libmng.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/picture_formats.h"

namespace platform::picture_formats {
namespace {

// An MNG can loop for ever, and a few bytes of loop can make libmng compose a large canvas
// again and again: one decode takes at most this many frames and waits.
constexpr size_t kMaxFrames = 1000;
constexpr int kMaxSteps = 4000;
// What libmng keeps beside the frames, for each pixel of the canvas or of its largest image: the
// image it reads (16 bits a sample at most, four samples), and the one it composes from.
constexpr uint64_t kLibmngBytesPerPixel = 2 * 8;
// Nor does it draw more than this many pixels onto the canvas: a loop of images without waits
// would otherwise keep it inside one call for ever. Twice the largest picture's pixels.
constexpr uint64_t kMaxDrawnPixels = 2 * kMaxDecodedPictureBytes / 4;
// And what it draws stays in proportion to what it gives: at most this many layers drawn over
// the whole canvas for each frame taken (and for the one being drawn).
constexpr uint64_t kMaxLayersPerFrame = 16;

// libmng's allocator takes no context; each thread decodes one picture at a time. Every block
// it holds is known, so what some damaged files make it forget is freed after its cleanup.
struct MngMemory {
  DecodeBudget* budget = nullptr;
  std::unordered_map<void*, size_t> blocks;
};
thread_local MngMemory* t_memory = nullptr;

mng_ptr MNG_DECL Allocate(mng_size_t size) {
  MngMemory* m = t_memory;
  if (!m || size == 0 || !m->budget->Take(size)) return nullptr;
  void* p = m->budget->Spend(size) ? std::calloc(1, size) : nullptr;  // libmng expects zeroed blocks
  if (!p) {
    m->budget->Give(size);
    return nullptr;
  }
  m->blocks.emplace(p, size);
  return p;
}

void MNG_DECL Release(mng_ptr block, mng_size_t) {
  MngMemory* m = t_memory;
  if (!block || !m) return;
  const auto it = m->blocks.find(block);
  if (it == m->blocks.end()) return;
  m->budget->Give(it->second);
  m->blocks.erase(it);
  std::free(block);
}

struct MngRun {
  DecodeBudget* budget = nullptr;
  uint64_t largest_image = 0;  // the pixels of the largest image the file claims
  // Where each image header lies in the data, and what libmng spends on that image; the next one
  // to be read.
  std::vector<std::pair<size_t, uint64_t>> images;
  size_t next_image = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> canvas;  // blue, green, red, alpha rows
  uint32_t now_ms = 0;          // the made-up clock
  uint32_t wait_ms = 0;         // the last wait libmng asked for
  bool drawn = false;           // the canvas changed since the last frame was taken
  uint64_t drawn_pixels = 0;    // rows handed to libmng, in pixels
  uint64_t frame_bytes_total = 0;
  std::string error;
  DecodedPicture* picture = nullptr;
};

MngRun* RunOf(mng_handle h) { return static_cast<MngRun*>(mng_get_userdata(h)); }

mng_bool MNG_DECL OpenStream(mng_handle) { return MNG_TRUE; }
mng_bool MNG_DECL CloseStream(mng_handle) { return MNG_TRUE; }

mng_bool MNG_DECL ReadData(mng_handle h, mng_ptr buffer, mng_uint32 length, mng_uint32p read) {
  MngRun* run = RunOf(h);
  const size_t n = std::min<size_t>(length, run->size - run->pos);
  std::memcpy(buffer, run->data + run->pos, n);
  run->pos += n;
  *read = static_cast<mng_uint32>(n);
  // An image's header read: libmng is about to decode all of it, whatever of it the canvas shows.
  for (; run->next_image < run->images.size() && run->images[run->next_image].first < run->pos; ++run->next_image) {
    if (!run->budget->Spend(run->images[run->next_image].second)) return MNG_FALSE;
  }
  return MNG_TRUE;
}

mng_bool MNG_DECL ProcessHeader(mng_handle h, mng_uint32 width, mng_uint32 height) {
  MngRun* run = RunOf(h);
  if (!run->canvas.empty()) {
    if (width == run->width && height == run->height) return MNG_TRUE;
    run->error = "MNG: the picture changes its size";
    return MNG_FALSE;
  }
  if (width == 0 || height == 0) {
    run->error = "MNG: empty picture";
    return MNG_FALSE;
  }
  if (width > 0xFFFF || height > 0xFFFF || uint64_t{width} * height * 4 > kMaxDecodedPictureBytes) {
    run->error = "MNG: picture too large";
    return MNG_FALSE;
  }
  // The claim: the canvas, and libmng's images beside it.
  const uint64_t canvas_bytes = uint64_t{width} * height * 4;
  run->budget->SetClaim(canvas_bytes, kLibmngBytesPerPixel * std::max<uint64_t>(uint64_t{width} * height, run->largest_image));
  if (!run->budget->Take(canvas_bytes) || !run->budget->Spend(canvas_bytes)) return MNG_FALSE;
  run->width = width;
  run->height = height;
  run->canvas.assign(canvas_bytes, 0);
  return MNG_TRUE;
}

mng_ptr MNG_DECL CanvasLine(mng_handle h, mng_uint32 line) {
  MngRun* run = RunOf(h);
  if (line >= run->height || !run->budget->Spend(uint64_t{run->width} * 4)) return nullptr;
  run->drawn_pixels += run->width;
  return &run->canvas[size_t{line} * run->width * 4];
}

// libmng calls this after drawing; false stops it (the file is then refused, or its frames so
// far are kept when there are any).
mng_bool MNG_DECL Refresh(mng_handle h, mng_uint32, mng_uint32, mng_uint32, mng_uint32) {
  MngRun* run = RunOf(h);
  run->drawn = true;
  const uint64_t canvas_pixels = uint64_t{run->width} * run->height;
  const uint64_t frames = run->picture->frames.size() + 1;
  if (run->drawn_pixels > kMaxDrawnPixels || run->drawn_pixels > kMaxLayersPerFrame * canvas_pixels * frames) {
    run->error = "MNG: the animation draws too much";
    return MNG_FALSE;
  }
  return MNG_TRUE;
}

mng_uint32 MNG_DECL TickCount(mng_handle h) { return RunOf(h)->now_ms; }

mng_bool MNG_DECL SetTimer(mng_handle h, mng_uint32 ms) {
  RunOf(h)->wait_ms = ms;
  return MNG_TRUE;
}

// Takes the canvas as the next frame; false when the frames pass the limits (or the budget).
bool TakeFrame(MngRun* run, uint32_t delay_ms) {
  if (run->canvas.empty()) return true;
  if (run->picture->frames.size() >= kMaxFrames) return false;
  if (run->frame_bytes_total + run->canvas.size() > kMaxDecodedPictureBytes) return false;
  // Each frame is the whole canvas: together they stay within what the file could describe.
  const uint64_t composed = (run->picture->frames.size() + 1) * (run->canvas.size() / 4);
  if (composed > kComposedPixelsAnyAnimationMayClaim && composed > uint64_t{run->size} * 8 * kDeflateExpansion) {
    return false;
  }
  // The frames so far are the claim now, each taken and copied from the canvas.
  run->budget->SetClaim(run->frame_bytes_total + run->canvas.size());
  if (!run->budget->Take(run->canvas.size()) || !run->budget->Spend(run->canvas.size())) return false;
  run->frame_bytes_total += run->canvas.size();
  PictureFrame frame;
  frame.pixels = run->canvas;
  frame.delay_ms = delay_ms;
  run->picture->frames.push_back(std::move(frame));
  run->drawn = false;
  return true;
}

// libmng computes buffer sizes in 32 bits and trusts the sizes a file claims, and some of its
// chunks (magnification, deltas, clones, JNG) multiply or move images further. So before libmng
// sees the file, every chunk must be one of those an animation of plain PNG frames uses, lie
// inside the file, and every image header must claim a size whose 16-bit-per-channel pixels fit
// the limit. The check reads lengths and sizes only; libmng checks the rest.
bool CheckChunks(const uint8_t* data, size_t size, uint64_t* largest_image, std::string* error) {
  static const char* const kRead[] = {"MHDR", "MEND", "TERM", "FRAM", "DEFI", "BACK", "IHDR", "IDAT", "IEND",
                                      "PLTE", "tRNS", "gAMA", "cHRM", "sRGB", "bKGD", "pHYs", "pHYg", "sBIT",
                                      "tEXt", "zTXt", "iTXt", "tIME", "SAVE", "SEEK", "nEED", "eXPI", "fPRI"};
  size_t at = 8;
  bool header = false;
  while (at < size) {
    if (size - at < 12) {
      *error = "MNG: chunk cut short";
      return false;
    }
    const uint32_t length = Be32(data + at);
    const char* type = reinterpret_cast<const char*>(data + at + 4);
    if (length > size - at - 12) {
      *error = "MNG: chunk passes the end of the file";
      return false;
    }
    bool known = false;
    for (const char* k : kRead) known = known || std::memcmp(type, k, 4) == 0;
    if (!known) {
      *error = "MNG: chunk " + std::string(type, 4) + " is not read";
      return false;
    }
    const bool is_mhdr = std::memcmp(type, "MHDR", 4) == 0;
    if (is_mhdr || std::memcmp(type, "IHDR", 4) == 0) {
      if (length < 8) {
        *error = "MNG: header cut short";
        return false;
      }
      const uint64_t width = Be32(data + at + 8);
      const uint64_t height = Be32(data + at + 12);
      if (width > 0xFFFF || height > 0xFFFF || width * height * 8 > kMaxDecodedPictureBytes) {
        *error = "MNG: picture too large";
        return false;
      }
      // libmng fills and composes a canvas of the claimed size on every frame, whatever the
      // file holds: a claim its bytes could not describe (deflated, at a bit a pixel) would make
      // it work for nothing.
      const uint64_t pixels = width * height;
      if (const char* problem = ClaimProblem({width, height, pixels, size * 8 * kDeflateExpansion})) {
        *error = std::string("MNG: ") + problem;
        return false;
      }
      if (!is_mhdr) *largest_image = std::max(*largest_image, pixels);
      header = header || is_mhdr;
    }
    if (std::memcmp(type, "MEND", 4) == 0) break;
    at += 12 + length;
  }
  if (!header) {
    *error = "MNG: no header";
    return false;
  }
  return true;
}

// The file as libmng is given it: without gAMA, cHRM and sRGB, which would make it correct the
// samples for a display (a file with gAMA and cHRM through lcms to a gamma of 2.4). The samples
// are shown as stored, as the PNG reader and ImageMagick show them. The chunks were checked.
// What libmng spends on each image of the (checked) file, by where its header lies: inflating,
// unfiltering and converting its rows, about four units a pixel, whatever of it is shown.
constexpr uint64_t kMngImageWorkPerPixel = 4;
std::vector<std::pair<size_t, uint64_t>> ImagesOf(const std::vector<uint8_t>& file) {
  std::vector<std::pair<size_t, uint64_t>> images;
  for (size_t at = 8; file.size() - at >= 12;) {
    const uint8_t* type = file.data() + at + 4;
    if (std::memcmp(type, "IHDR", 4) == 0 && Be32(file.data() + at) >= 8) {
      images.emplace_back(at, uint64_t{Be32(type + 4)} * Be32(type + 8) * kMngImageWorkPerPixel);
    }
    if (std::memcmp(type, "MEND", 4) == 0) break;
    at += 12 + Be32(file.data() + at);
  }
  return images;
}

std::vector<uint8_t> WithoutColourChunks(const uint8_t* data, size_t size) {
  std::vector<uint8_t> kept(data, data + 8);
  size_t at = 8;
  while (at < size) {
    const size_t next = at + 12 + Be32(data + at);
    const uint8_t* type = data + at + 4;
    if (std::memcmp(type, "gAMA", 4) != 0 && std::memcmp(type, "cHRM", 4) != 0 && std::memcmp(type, "sRGB", 4) != 0) {
      kept.insert(kept.end(), data + at, data + next);
    }
    if (std::memcmp(type, "MEND", 4) == 0) break;
    at = next;
  }
  return kept;
}

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason.starts_with("MNG: ") ? reason : "MNG: " + reason;
  return false;
}

struct HandleCloser {
  mng_handle h;
  ~HandleCloser() {
    if (h) mng_cleanup(&h);
  }
};

}  // namespace

bool LooksLikeMng(const uint8_t* data, size_t size) {
  return size >= 8 && std::memcmp(data, "\x8AMNG\r\n\x1A\n", 8) == 0;
}

bool DecodeMng(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
  std::string refused;
  uint64_t largest_image = 0;
  if (!LooksLikeMng(data, size) || !CheckChunks(data, size, &largest_image, &refused)) {
    if (error) *error = refused.empty() ? "MNG: no signature" : refused;
    return false;
  }
  ReaderBudget budget(size);
  if (!budget->Take(size)) return Fail(error, budget->problem());  // the copy without colour chunks
  const std::vector<uint8_t> plain = WithoutColourChunks(data, size);
  DecodedPicture result;
  MngRun run;
  run.budget = &*budget;
  run.largest_image = largest_image;
  run.images = ImagesOf(plain);
  run.data = plain.data();
  run.size = plain.size();
  run.picture = &result;
  // Frees what libmng left behind and gives the thread its allocator back, whatever happens.
  struct MemoryScope {
    MngMemory memory;
    MngMemory* outer = t_memory;
    explicit MemoryScope(DecodeBudget* budget) { memory.budget = budget, t_memory = &memory; }
    ~MemoryScope() {
      for (const auto& [block, size] : memory.blocks) std::free(block);
      t_memory = outer;
    }
  } scope(&*budget);
  bool ok = false;
  {
    HandleCloser handle{mng_initialize(&run, Allocate, Release, MNG_NULL)};
    mng_handle h = handle.h;
    if (!h) return Fail(error, budget->exhausted() ? budget->problem() : "out of memory");
    mng_setcb_openstream(h, OpenStream);
    mng_setcb_closestream(h, CloseStream);
    mng_setcb_readdata(h, ReadData);
    mng_setcb_processheader(h, ProcessHeader);
    mng_setcb_getcanvasline(h, CanvasLine);
    mng_setcb_refresh(h, Refresh);
    mng_setcb_gettickcount(h, TickCount);
    mng_setcb_settimer(h, SetTimer);
    mng_set_canvasstyle(h, MNG_CANVAS_BGRA8);
    mng_set_doprogressive(h, MNG_FALSE);
    // Without colour chunks libmng takes the default image gamma: with these, an identity.
    mng_set_dfltimggamma(h, 1.0);
    mng_set_displaygamma(h, 1.0);
    mng_set_viewgamma(h, 1.0);
    // One pass through the file: without the playback cache, TERM's repeats are ignored and
    // LOOP chunks refused, so a few bytes cannot make libmng draw for ever. The engine loops
    // the frames itself.
    mng_set_cacheplayback(h, MNG_FALSE);

    mng_retcode code = mng_readdisplay(h);
    bool limits_hit = false;
    for (int steps = 0; code == MNG_NEEDTIMERWAIT; ++steps) {
      if (steps == kMaxSteps) {
        limits_hit = true;
        break;
      }
      const uint32_t wait = run.wait_ms;
      const bool drawn = run.drawn;
      if (drawn && !TakeFrame(&run, wait)) {
        limits_hit = true;
        break;
      }
      // A wait with nothing drawn lengthens the frame before it.
      if (!drawn && !result.frames.empty()) result.frames.back().delay_ms += wait;
      run.now_ms += wait;
      code = mng_display_resume(h);
    }
    if (!limits_hit && code == MNG_NOERROR && run.drawn) limits_hit = !TakeFrame(&run, 0);
    if (run.error.empty()) {
      if (code != MNG_NOERROR && code != MNG_NEEDTIMERWAIT) {
        run.error = "MNG: unreadable file (libmng error " + std::to_string(code) + ")";
      } else if (result.frames.empty()) {
        run.error = "MNG: nothing to show";
      }
    }
    // Pictures that loop for ever keep the frames up to the limit; a budget run out refuses the
    // file, whatever libmng made of it.
    ok = !budget->exhausted() && (run.error.empty() || (limits_hit && !result.frames.empty()));
  }
  if (!ok) return Fail(error, budget->exhausted() ? budget->problem() : run.error);
  result.width = static_cast<int>(run.width);
  result.height = static_cast<int>(run.height);
  result.bytes_per_pixel = 4;
  result.alpha_valid = true;
  result.animated = result.frames.size() > 1;
  *out = std::move(result);
  return true;
}

}  // namespace platform::picture_formats
