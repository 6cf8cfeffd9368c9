#include "engine/media/pps_planes.h"

#include <zlib.h>

#include <cstring>

#include "engine/core/compression.h"

namespace engine {

namespace {

// Element access for byte runs (1 byte) and pixel runs (3 bytes).
template <size_t E>
inline uint32_t ElementAt(const uint8_t* p, size_t i) {
  if constexpr (E == 1) {
    return p[i];
  } else {
    const uint8_t* q = p + i * 3;
    return q[0] | (q[1] << 8) | (q[2] << 16);
  }
}

// Calls emit(first, count, repeat) for every run of the plane, in order. Elements with an
// equal neighbour are marked by their value; a stretch ends where the mark changes or the count
// reaches the longest run, and it is a repeat when its marks are non-zero.
template <size_t E, typename Emit>
void ForEachRun(const uint8_t* p, size_t n, Emit&& emit) {
  if (n == 0) return;
  constexpr uint32_t kRepeatBit = E == 1 ? 0x100 : 0x1000000;
  auto mark = [&](size_t i, uint32_t prev, uint32_t cur, uint32_t next) -> uint32_t {
    const bool repeat = (i > 0 && prev == cur) || (i + 1 < n && next == cur);
    return repeat ? (cur | kRepeatBit) : 0;
  };
  uint32_t prev = 0;
  uint32_t cur = ElementAt<E>(p, 0);
  uint32_t next = n > 1 ? ElementAt<E>(p, 1) : 0;
  uint32_t prev_mark = mark(0, prev, cur, next);
  size_t first = 0;
  size_t count = 1;
  for (size_t i = 1; i < n; ++i) {
    prev = cur;
    cur = next;
    next = i + 1 < n ? ElementAt<E>(p, i + 1) : 0;
    const uint32_t m = mark(i, prev, cur, next);
    if (m != prev_mark || count == kMaxRun) {
      emit(first, count, prev_mark != 0);
      first = i;
      count = 0;
    }
    ++count;
    prev_mark = m;
  }
  emit(first, count, prev_mark != 0);
}

template <size_t E>
std::vector<uint8_t> PackRuns(const uint8_t* plane, size_t n) {
  size_t total = 0;
  ForEachRun<E>(plane, n,
                [&](size_t, size_t count, bool repeat) { total += (count < 64 ? 1 : 2) + (repeat ? E : count * E); });
  std::vector<uint8_t> out(total);
  uint8_t* w = out.data();
  ForEachRun<E>(plane, n, [&](size_t first, size_t count, bool repeat) {
    const uint8_t tag = (repeat ? 0 : 1) | (count < 64 ? 0 : 2);
    *w++ = static_cast<uint8_t>(((count & 63) << 2) | tag);
    if (count >= 64) *w++ = static_cast<uint8_t>(count >> 6);
    const size_t bytes = repeat ? E : count * E;
    std::memcpy(w, plane + first * E, bytes);
    w += bytes;
  });
  return out;
}

template <size_t E>
bool UnpackRuns(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity) {
  size_t in = 0;
  size_t done = 0;
  while (in < packed_size) {
    const uint8_t control = packed[in++];
    const uint8_t tag = control & 3;
    size_t count = control >> 2;
    if (tag >= 2) {
      if (in >= packed_size) return false;
      count |= static_cast<size_t>(packed[in++]) << 6;
    }
    const size_t bytes = count * E;
    if (bytes > capacity - done) return false;
    if (tag & 1) {
      if (bytes > packed_size - in) return false;
      std::memcpy(out + done, packed + in, bytes);
      in += bytes;
    } else {
      if (E > packed_size - in) return false;
      if constexpr (E == 1) {
        std::memset(out + done, packed[in], count);
      } else {
        uint8_t* w = out + done;
        for (size_t k = 0; k < count; ++k, w += 3) std::memcpy(w, packed + in, 3);
      }
      in += E;
    }
    done += bytes;
  }
  return done == capacity;
}

}  // namespace

std::vector<uint8_t> PackRunsBytes(const uint8_t* plane, size_t count) { return PackRuns<1>(plane, count); }

std::vector<uint8_t> PackRunsPixels(const uint8_t* plane, size_t pixel_count) {
  return PackRuns<3>(plane, pixel_count);
}

std::vector<uint8_t> PackZlib(const uint8_t* plane, size_t byte_count) {
  // Sized by compressBound, so one call always fits (an empty plane included).
  uLongf length = compressBound(static_cast<uLong>(byte_count));
  std::vector<uint8_t> out(length);
  static const uint8_t kNothing = 0;
  if (compress(out.data(), &length, byte_count ? plane : &kNothing, static_cast<uLong>(byte_count)) != Z_OK) return {};
  out.resize(length);
  out.shrink_to_fit();
  return out;
}

std::vector<uint8_t> PackBestOf(const uint8_t* plane, size_t byte_count, bool palette, uint32_t* frame_flags) {
  std::vector<uint8_t> runs = palette ? PackRunsBytes(plane, byte_count) : PackRunsPixels(plane, byte_count / 3);
  std::vector<uint8_t> zipped = PackZlib(plane, byte_count);
  if (!zipped.empty() && runs.size() > zipped.size()) {
    *frame_flags |= kFrameFlagZlib;
    return zipped;
  }
  *frame_flags |= kFrameFlagRuns;
  return runs;
}

bool UnpackRunsBytes(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity) {
  return UnpackRuns<1>(packed, packed_size, out, capacity);
}

bool UnpackRunsPixels(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity) {
  return UnpackRuns<3>(packed, packed_size, out, capacity);
}

bool UnpackZlib(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity) {
  return capacity != 0 && InflateExactly(packed, packed_size, out, capacity);
}

bool UnpackPlane(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity, uint32_t frame_flags) {
  if (frame_flags & kFrameFlagZlib) return UnpackZlib(packed, packed_size, out, capacity);
  if (frame_flags & kFrameFlagPalette) return UnpackRunsBytes(packed, packed_size, out, capacity);
  return UnpackRunsPixels(packed, packed_size, out, capacity);
}

void SplitPlanes(const uint8_t* pixels, size_t pixel_count, int mode, uint8_t* first, uint8_t* second) {
  if (mode == 32) {
    for (size_t i = 0; i < pixel_count; ++i, pixels += 4) {
      *first++ = pixels[0];
      *first++ = pixels[1];
      *first++ = pixels[2];
      if (second) *second++ = pixels[3];
    }
  } else {
    for (size_t i = 0; i < pixel_count; ++i, pixels += 2) {
      *first++ = pixels[0];
      if (second) *second++ = pixels[1];
    }
  }
}

void MergePlanes(const uint8_t* first, const uint8_t* second, size_t pixel_count, int mode, uint8_t* pixels) {
  if (mode == 32) {
    for (size_t i = 0; i < pixel_count; ++i, pixels += 4, first += 3) {
      pixels[0] = first[0];
      pixels[1] = first[1];
      pixels[2] = first[2];
      pixels[3] = second ? second[i] : 255;
    }
  } else {
    for (size_t i = 0; i < pixel_count; ++i, pixels += 2) {
      pixels[0] = first[i];
      pixels[1] = second ? second[i] : 255;
    }
  }
}

}  // namespace engine
