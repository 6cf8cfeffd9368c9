#include "engine/media/pps_picture.h"

#include <cstring>
#include <memory>
#include <new>

#include "engine/media/byte_span.h"
#include "engine/media/pps_planes.h"
#include "platform/files.h"
#include "platform/picture_formats.h"

namespace engine {

namespace {

bool IsPaletteFlags(uint32_t flags) { return (flags & (kImageFlagPaletteRef | kImageFlagOwnPalette)) != 0; }

uint64_t PixelCount(const PpsHeader& header) { return uint64_t{header.width} * header.height; }

// Bytes of one decoded frame: 4 per pixel for true colour; 1 (2 with alpha) for palette.
uint64_t FrameBytes(const PpsHeader& header) {
  const uint64_t n = PixelCount(header);
  if (!IsPaletteFlags(header.flags)) return n * 4;
  return (header.flags & kImageFlagAlpha) ? n * 2 : n;
}

void XorInto(uint8_t* out, const uint8_t* a, const uint8_t* b, size_t size) {
  for (size_t i = 0; i < size; ++i) out[i] = a[i] ^ b[i];
}

void XorInPlace(uint8_t* out, const uint8_t* b, size_t size) {
  for (size_t i = 0; i < size; ++i) out[i] ^= b[i];
}

// Why the header's palette cannot be read, or null. A picture names an outside palette or holds
// its own, never both; a named palette keeps its entries in the 32-byte block, so it can hold
// no more than fit there.
const char* PaletteProblem(const PpsHeader& header) {
  const bool by_reference = (header.flags & kImageFlagPaletteRef) != 0;
  if (by_reference && (header.flags & kImageFlagOwnPalette)) return "both an outside palette and one of its own";
  if (by_reference && size_t{header.palette_count} * 3 > static_cast<size_t>(kPaletteRefBlockSize)) {
    return "an outside palette of more entries than its reference holds";
  }
  if ((header.flags & kImageFlagOwnPalette) && header.palette_count > 256) return "a palette of more than 256 entries";
  return nullptr;
}

// The most decoded bytes one packed byte of a plane can give, by codec: raw bytes are
// themselves; a run of 16383 elements takes 3 bytes (and an element is at most a pixel of 4);
// zlib gives at most kDeflateExpansion plane bytes a byte (a colour plane byte is at most 4/3 of
// a pixel's). Codec 2 and unknown codecs store nothing.
uint64_t MostDecodedPerPackedByte(uint8_t codec) {
  switch (codec) {
    case kPpsCodecRaw:
      return 1;
    case kPpsCodecRuns:
    case kPpsCodecRunsZlibAlpha:
    case kPpsCodecBestOf:
      return 16383 * 4 / 3;
    case kPpsCodecZlib:
      return platform::picture_formats::kDeflateExpansion * 4;
    default:
      return 0;
  }
}

// Whether frames packed into this many bytes could give the pixels the header claims. Like
// every picture, a .pps picture may claim up to kPixelsAnyPictureMayClaim pixels whatever its
// bytes; past that, the reader refuses a claim its bytes could not hold before it allocates the
// frames, and the writer refuses to write a file its reader would refuse.
bool PackedBytesHoldTheClaim(const PpsHeader& header, uint64_t packed_bytes) {
  const uint64_t claimed_pixels = PixelCount(header) * header.frame_count;
  return claimed_pixels <= platform::picture_formats::kPixelsAnyPictureMayClaim ||
         FrameBytes(header) * header.frame_count <= packed_bytes * MostDecodedPerPackedByte(header.codec);
}

// Plane A of codecs 3-6: runs (3, 4), zlib (5) or the smaller (6).
std::vector<uint8_t> PackPlaneA(const uint8_t* plane, size_t bytes, bool palette, uint8_t codec,
                                uint32_t* frame_flags) {
  switch (codec) {
    case kPpsCodecRuns:
    case kPpsCodecRunsZlibAlpha:
      return palette ? PackRunsBytes(plane, bytes) : PackRunsPixels(plane, bytes / 3);
    case kPpsCodecZlib:
      return PackZlib(plane, bytes);
    default:
      return PackBestOf(plane, bytes, palette, frame_flags);
  }
}

// Plane B (alpha) of codecs 3-6: byte runs for codec 3, else zlib.
std::vector<uint8_t> PackPlaneB(const uint8_t* plane, size_t bytes, uint8_t codec) {
  return codec == kPpsCodecRuns ? PackRunsBytes(plane, bytes) : PackZlib(plane, bytes);
}

bool UnpackPlaneA(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity, uint8_t codec,
                  uint32_t frame_flags) {
  const bool palette = (frame_flags & kFrameFlagPalette) != 0;
  switch (codec) {
    case kPpsCodecRuns:
    case kPpsCodecRunsZlibAlpha:
      return palette ? UnpackRunsBytes(packed, packed_size, out, capacity)
                     : UnpackRunsPixels(packed, packed_size, out, capacity);
    case kPpsCodecZlib:
      return UnpackZlib(packed, packed_size, out, capacity);
    default:
      return UnpackPlane(packed, packed_size, out, capacity, frame_flags);
  }
}

bool UnpackPlaneB(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity, uint8_t codec) {
  return codec == kPpsCodecRuns ? UnpackRunsBytes(packed, packed_size, out, capacity)
                                : UnpackZlib(packed, packed_size, out, capacity);
}

// Packs one frame of either kind (the two public packers differ only in the frame flag).
std::vector<uint8_t> PackFrame(const uint8_t* pixels, const uint8_t* previous, const PpsHeader& header,
                               PpsFrameRecord* frame, bool try_difference, bool palette, bool* ok) {
  *ok = true;
  const size_t n = static_cast<size_t>(PixelCount(header));
  const bool alpha = (header.flags & kImageFlagAlpha) != 0;
  const size_t bytes = palette ? (alpha ? n * 2 : n) : n * 4;
  frame->flags = palette ? kFrameFlagPalette : 0;
  frame->decoded_size = static_cast<uint32_t>(bytes);
  frame->packed_a = 0;
  frame->packed_b = 0;

  // The difference form XORs into a scratch copy: the caller's pixels are never touched.
  const uint8_t* source = pixels;
  std::vector<uint8_t> difference;
  if (previous && try_difference) {
    frame->flags |= kFrameFlagDifference;
    difference.resize(bytes);
    XorInto(difference.data(), pixels, previous, bytes);
    source = difference.data();
  }
  if (alpha) frame->flags |= kFrameFlagAlphaPlane;

  if (header.codec == kPpsCodecRaw) return CopyFrameRaw(source, frame);
  if (header.codec < kPpsCodecRuns || header.codec > kPpsCodecBestOf) return {};

  std::vector<uint8_t> plane_a_bytes;
  std::vector<uint8_t> alpha_plane;
  const uint8_t* plane_a = source;
  size_t plane_a_size = n;
  if (palette) {
    if (alpha) {
      plane_a_bytes.resize(n);
      alpha_plane.resize(n);
      SplitPlanes(source, n, 8, plane_a_bytes.data(), alpha_plane.data());
      plane_a = plane_a_bytes.data();
    }
  } else {
    plane_a_bytes.resize(n * 3);
    if (alpha) alpha_plane.resize(n);
    SplitPlanes(source, n, 32, plane_a_bytes.data(), alpha ? alpha_plane.data() : nullptr);
    plane_a = plane_a_bytes.data();
    plane_a_size = n * 3;
  }

  std::vector<uint8_t> packed = PackPlaneA(plane_a, plane_a_size, palette, header.codec, &frame->flags);
  if (packed.empty() && plane_a_size > 0) *ok = false;
  frame->packed_a = static_cast<uint32_t>(packed.size());
  if (alpha) {
    std::vector<uint8_t> b = PackPlaneB(alpha_plane.data(), n, header.codec);
    if (b.empty() && n > 0) *ok = false;
    frame->packed_b = static_cast<uint32_t>(b.size());
    packed.insert(packed.end(), b.begin(), b.end());
  }
  return packed;
}

// Frames whose planes are decoded (codecs 3-6) must agree with the picture's pixel format.
bool FrameAgreesWithPicture(const PpsHeader& header, const PpsFrameRecord& frame) {
  if (header.codec < kPpsCodecRuns || header.codec > kPpsCodecBestOf) return true;
  const bool palette = IsPaletteFlags(header.flags);
  if (palette != ((frame.flags & kFrameFlagPalette) != 0)) return false;
  if (palette) {
    const bool alpha = (header.flags & kImageFlagAlpha) != 0;
    return alpha == ((frame.flags & kFrameFlagAlphaPlane) != 0);
  }
  return true;
}

}  // namespace

bool IsPpsFile(const uint8_t* bytes, size_t size) {
  return bytes && size >= kPpsHeaderSize && bytes[0] == 'p' && bytes[1] == 'p' && bytes[2] == 's';
}

bool ReadPpsHeader(const uint8_t* bytes, size_t size, PpsHeader* header) {
  if (!IsPpsFile(bytes, size)) return false;
  header->codec = bytes[3];
  header->flags = ReadU32(bytes + 4);
  header->frame_count = ReadU16(bytes + 8);
  header->width = ReadU16(bytes + 10);
  header->height = ReadU16(bytes + 12);
  header->colour_key = ReadU32(bytes + 16);
  header->total_decoded = ReadU32(bytes + 20);
  header->total_encoded = ReadU32(bytes + 24);
  header->palette_count = ReadU16(bytes + 28);
  return true;
}

std::vector<uint8_t> PackPaletteFrame(const uint8_t* pixels, const uint8_t* previous, const PpsHeader& header,
                                      PpsFrameRecord* frame, bool try_difference) {
  bool ok;
  return PackFrame(pixels, previous, header, frame, try_difference, true, &ok);
}

std::vector<uint8_t> PackTrueColourFrame(const uint8_t* pixels, const uint8_t* previous, const PpsHeader& header,
                                         PpsFrameRecord* frame, bool try_difference) {
  bool ok;
  return PackFrame(pixels, previous, header, frame, try_difference, false, &ok);
}

namespace {

std::vector<uint8_t> EncodeRecord(const ImageRecord& record, const uint8_t* palette_ref_block, uint8_t codec,
                                  std::string* error) {
  PpsHeader header;
  header.codec = codec;
  header.flags = record.flags & ~kImageFlagSharedPalette;
  header.frame_count = record.frame_count;
  header.width = record.width;
  header.height = record.height;
  header.colour_key = record.colour_key;
  header.palette_count = record.palette_count;

  const bool palette = IsPaletteFlags(header.flags);
  const uint64_t frame_bytes = FrameBytes(header);
  const uint64_t all_bytes = frame_bytes * header.frame_count;
  if (header.frame_count == 0 || frame_bytes == 0) {
    ReportFormatError(error, "pps: refused to encode an empty picture (%ux%u, %u frames)", header.width, header.height,
                      header.frame_count);
    return {};
  }
  if (all_bytes > kMaxPictureBytes) {
    ReportFormatError(error, "pps: refused to encode a picture of %llu bytes: the reader takes %llu at most",
                      static_cast<unsigned long long>(all_bytes), static_cast<unsigned long long>(kMaxPictureBytes));
    return {};
  }
  if (!record.pixels || all_bytes > record.data_size) {
    ReportFormatError(error, "pps: refused to encode: the pixel block holds %u bytes, the frames need %llu",
                      record.data_size, static_cast<unsigned long long>(all_bytes));
    return {};
  }
  if (const char* problem = PaletteProblem(header)) {
    ReportFormatError(error, "pps: refused to encode a picture with %s", problem);
    return {};
  }
  if ((header.flags & kImageFlagOwnPalette) && header.palette_count > 0 && !record.palette) {
    ReportFormatError(error, "pps: refused to encode: palette of %u entries missing", header.palette_count);
    return {};
  }

  struct PackedFrame {
    PpsFrameRecord record;
    std::vector<uint8_t> bytes;
  };
  std::vector<PackedFrame> frames(header.frame_count);
  uint64_t length = kPpsHeaderSize;
  if (header.flags & kImageFlagPaletteRef) {
    length += kPaletteRefBlockSize;
  } else if (header.flags & kImageFlagOwnPalette) {
    length += uint64_t{header.palette_count} * 3;
  }
  const uint8_t* previous = nullptr;
  const uint8_t* current = record.pixels;
  uint64_t packed_bytes = 0;
  for (uint32_t f = 0; f < header.frame_count; ++f) {
    PackedFrame& out = frames[f];
    bool ok = true;
    out.bytes = PackFrame(current, nullptr, header, &out.record, false, palette, &ok);
    if (previous) {
      PpsFrameRecord diff_record;
      bool diff_ok = true;
      std::vector<uint8_t> diff = PackFrame(current, previous, header, &diff_record, true, palette, &diff_ok);
      if (diff_ok &&
          uint64_t{diff_record.packed_a} + diff_record.packed_b < uint64_t{out.record.packed_a} + out.record.packed_b) {
        out.record = diff_record;
        out.bytes = std::move(diff);
        ok = true;
      }
    }
    if (!ok) {
      ReportFormatError(error, "pps: frame %u could not be packed", f);
      return {};
    }
    if (header.frame_count > 1 && record.delays) out.record.delay = record.delays[f];
    length += kPpsFrameRecordSize + out.bytes.size();
    packed_bytes += out.bytes.size();
    previous = current;
    current += frame_bytes;
  }
  if (!PackedBytesHoldTheClaim(header, packed_bytes)) {
    ReportFormatError(
        error, "pps: refused to encode %ux%u, %u frame(s): codec %u stores too little for the picture to be read back",
        header.width, header.height, header.frame_count, header.codec);
    return {};
  }
  if (header.flags & kImageFlagTrailer) length += 4;
  if (length > UINT32_MAX || all_bytes > UINT32_MAX) {
    ReportFormatError(error, "pps: refused to encode: %llu bytes do not fit the format",
                      static_cast<unsigned long long>(length));
    return {};
  }
  header.total_decoded = static_cast<uint32_t>(all_bytes);
  header.total_encoded = static_cast<uint32_t>(length);

  std::vector<uint8_t> file;
  file.reserve(length);
  ByteWriter w(&file);
  w.Bytes("pps", 3);
  w.U8(header.codec);
  w.U32(header.flags);
  w.U16(header.frame_count);
  w.U16(header.width);
  w.U16(header.height);
  w.U16(0);
  w.U32(header.colour_key);
  w.U32(header.total_decoded);
  w.U32(header.total_encoded);
  w.U16(header.palette_count);
  w.U16(0);
  if (header.flags & kImageFlagPaletteRef) {
    if (palette_ref_block) {
      w.Bytes(palette_ref_block, kPaletteRefBlockSize);
    } else {
      w.Zeros(kPaletteRefBlockSize);
    }
  } else if ((header.flags & kImageFlagOwnPalette) && header.palette_count > 0) {
    w.Bytes(record.palette, size_t{header.palette_count} * 3);
  }
  for (PackedFrame& frame : frames) {
    w.U32(frame.record.flags);
    w.U32(frame.record.delay);
    w.U32(frame.record.packed_a);
    w.U32(frame.record.packed_b);
    w.U32(frame.record.decoded_size);
    w.Bytes(frame.bytes.data(), frame.bytes.size());
    std::vector<uint8_t>().swap(frame.bytes);
  }
  if (header.flags & kImageFlagTrailer) {
    w.U32((static_cast<uint32_t>(static_cast<uint16_t>(record.offset_x)) << 16) |
          static_cast<uint16_t>(record.offset_y));
  }
  return file;
}

}  // namespace

std::vector<uint8_t> CopyFrameRaw(const uint8_t* bytes, PpsFrameRecord* frame) {
  frame->packed_a = frame->decoded_size;
  if (bytes == nullptr) return {};
  return std::vector<uint8_t>(bytes, bytes + frame->decoded_size);
}

void CopyFrameOut(const uint8_t* source, uint8_t* destination, const PpsFrameRecord& frame) {
  if (source == nullptr || destination == nullptr || frame.decoded_size == 0) return;
  std::memcpy(destination, source, frame.decoded_size);
}

bool DecodePictureFrame(const uint8_t* packed, const uint8_t* previous, uint8_t* out, const PpsHeader& header,
                        const PpsFrameRecord& frame) {
  const size_t n = static_cast<size_t>(PixelCount(header));
  const uint64_t frame_bytes = FrameBytes(header);
  if (frame.decoded_size != frame_bytes || !FrameAgreesWithPicture(header, frame)) return false;
  const bool true_colour = !IsPaletteFlags(header.flags);
  bool decoded = true;
  bool alpha_from_file = (header.flags & kImageFlagAlpha) != 0;

  if (header.codec == kPpsCodecRaw) {
    if (frame.packed_a != frame_bytes) return false;
    CopyFrameOut(packed, out, frame);
  } else if (header.codec >= kPpsCodecRuns && header.codec <= kPpsCodecBestOf) {
    const uint8_t* plane_b = packed + frame.packed_a;
    const bool has_b = (frame.flags & kFrameFlagAlphaPlane) != 0;
    if (!has_b && frame.packed_b != 0) return false;
    if (!true_colour && !has_b) {
      if (!UnpackPlaneA(packed, frame.packed_a, out, n, header.codec, frame.flags)) return false;
    } else if (!true_colour) {
      // Index plane into the frame's upper half, alpha into scratch, then interleave forward:
      // pixel i's writes (2i, 2i + 1) never reach an index not yet read (n + j, j > i).
      std::unique_ptr<uint8_t[]> alpha(new uint8_t[n]);
      if (!UnpackPlaneA(packed, frame.packed_a, out + n, n, header.codec, frame.flags)) return false;
      if (!UnpackPlaneB(plane_b, frame.packed_b, alpha.get(), n, header.codec)) return false;
      for (size_t i = 0; i < n; ++i) {
        out[2 * i] = out[n + i];
        out[2 * i + 1] = alpha[i];
      }
    } else {
      // Colour plane into the frame's last 3n bytes, then widen forward: pixel i's writes
      // (4i..4i + 3) stay below the next colour still to be read (n + 3i + 3).
      std::unique_ptr<uint8_t[]> alpha;
      if (has_b) alpha.reset(new uint8_t[n]);
      if (!UnpackPlaneA(packed, frame.packed_a, out + n, n * 3, header.codec, frame.flags)) return false;
      if (has_b && !UnpackPlaneB(plane_b, frame.packed_b, alpha.get(), n, header.codec)) return false;
      const uint8_t* colour = out + n;
      for (size_t i = 0; i < n; ++i) {
        const uint8_t b = colour[3 * i];
        const uint8_t g = colour[3 * i + 1];
        const uint8_t r = colour[3 * i + 2];
        out[4 * i] = b;
        out[4 * i + 1] = g;
        out[4 * i + 2] = r;
        out[4 * i + 3] = has_b ? alpha[i] : 255;
      }
      alpha_from_file = alpha_from_file && has_b;
    }
  } else {
    decoded = false;  // codec 2 and unknown codecs store nothing: the frame stays as it is
  }

  if (decoded && previous && (frame.flags & kFrameFlagDifference)) XorInPlace(out, previous, frame_bytes);
  // A true-colour frame without stored alpha is opaque. Setting this after the XOR matters:
  // the encoder XORs all four bytes but stores no alpha, so XOR would otherwise give 255 ^ 255.
  if (decoded && true_colour && !alpha_from_file) {
    for (size_t i = 0; i < n; ++i) out[4 * i + 3] = 255;
  }
  return true;
}

namespace {

uint32_t DecodeFile(const uint8_t* bytes, size_t size, ImageRecord* record, std::string* error) {
  PpsHeader header;
  if (!ReadPpsHeader(bytes, size, &header)) {
    ReportFormatError(error, "pps: not a .pps picture (%zu bytes)", bytes ? size : 0);
    return 0;
  }
  if (header.total_encoded < kPpsHeaderSize || header.total_encoded > size) {
    ReportFormatError(error, "pps: the file claims %u bytes but %zu are there", header.total_encoded, size);
    return 0;
  }
  if (header.frame_count == 0 || header.width == 0 || header.height == 0) {
    ReportFormatError(error, "pps: empty picture (%ux%u, %u frames)", header.width, header.height, header.frame_count);
    return 0;
  }
  const uint64_t frame_bytes = FrameBytes(header);
  const uint64_t all_bytes = frame_bytes * header.frame_count;
  if (all_bytes != header.total_decoded) {
    ReportFormatError(error, "pps: decoded size %u disagrees with %ux%u x %u frames", header.total_decoded,
                      header.width, header.height, header.frame_count);
    return 0;
  }
  if (all_bytes > kMaxPictureBytes) {
    ReportFormatError(error, "pps: picture of %llu bytes is too large", static_cast<unsigned long long>(all_bytes));
    return 0;
  }

  if (const char* problem = PaletteProblem(header)) {
    ReportFormatError(error, "pps: a picture with %s", problem);
    return 0;
  }

  ByteReader reader(bytes, header.total_encoded);
  reader.Skip(kPpsHeaderSize);
  const uint8_t* palette_bytes = reader.Here();
  size_t palette_size = 0;
  if (header.flags & kImageFlagPaletteRef) {
    palette_size = kPaletteRefBlockSize;
  } else if (header.flags & kImageFlagOwnPalette) {
    palette_size = size_t{header.palette_count} * 3;
  }
  if (!reader.Skip(palette_size)) {
    ReportFormatError(error, "pps: palette passes the end of the file");
    return 0;
  }

  // Walk every frame record before allocating anything.
  struct FrameSpan {
    PpsFrameRecord record;
    const uint8_t* packed;
  };
  std::vector<FrameSpan> frames(header.frame_count);
  uint64_t packed_bytes = 0;
  for (uint32_t f = 0; f < header.frame_count; ++f) {
    PpsFrameRecord& fr = frames[f].record;
    if (!reader.U32(&fr.flags) || !reader.U32(&fr.delay) || !reader.U32(&fr.packed_a) || !reader.U32(&fr.packed_b) ||
        !reader.U32(&fr.decoded_size)) {
      ReportFormatError(error, "pps: frame record %u passes the end of the file", f);
      return 0;
    }
    frames[f].packed = reader.Here();
    packed_bytes += uint64_t{fr.packed_a} + fr.packed_b;
    if (!reader.Skip(uint64_t{fr.packed_a} + fr.packed_b)) {
      ReportFormatError(error, "pps: frame %u's planes pass the end of the file", f);
      return 0;
    }
    if (fr.decoded_size != frame_bytes || !FrameAgreesWithPicture(header, fr) ||
        (header.codec == kPpsCodecRaw && fr.packed_a != frame_bytes)) {
      ReportFormatError(error, "pps: frame %u disagrees with the picture's format", f);
      return 0;
    }
  }
  // The frames are allocated whole before a plane is read: as every picture reader does, a size
  // that the packed bytes could never give is refused first.
  if (!PackedBytesHoldTheClaim(header, packed_bytes)) {
    ReportFormatError(error, "pps: the picture claims more pixels than its bytes could hold (%ux%u, frame count %u, codec %u)",
                      header.width, header.height, header.frame_count, header.codec);
    return 0;
  }
  uint32_t trailer = 0;
  if ((header.flags & kImageFlagTrailer) && !reader.U32(&trailer)) {
    ReportFormatError(error, "pps: offset trailer passes the end of the file");
    return 0;
  }

  ImageRecord decoded;
  std::unique_ptr<uint8_t[]> pixels(new uint8_t[all_bytes]());
  uint8_t* out = pixels.get();
  const uint8_t* previous = nullptr;
  for (uint32_t f = 0; f < header.frame_count; ++f) {
    if (!DecodePictureFrame(frames[f].packed, previous, out, header, frames[f].record)) {
      ReportFormatError(error, "pps: frame %u's planes are corrupt", f);
      return 0;
    }
    previous = out;
    out += frame_bytes;
  }

  std::unique_ptr<uint8_t[]> palette;
  if (palette_size > 0) {
    palette.reset(new uint8_t[palette_size]);
    std::memcpy(palette.get(), palette_bytes, palette_size);
  }
  std::unique_ptr<uint32_t[]> delays;
  if (header.flags & kImageFlagDelays) {
    delays.reset(new uint32_t[header.frame_count]);
    for (uint32_t f = 0; f < header.frame_count; ++f) delays[f] = frames[f].record.delay;
  }

  decoded.width = header.width;
  decoded.height = header.height;
  decoded.frame_count = header.frame_count;
  decoded.colour_key = header.colour_key;
  decoded.data_size = header.total_decoded;
  decoded.flags = header.flags & ~kImageFlagSharedPalette;
  decoded.palette_count = header.palette_count;
  if ((header.flags & kImageFlagPaletteRef) && !(header.flags & kImageFlagTransparent)) {
    decoded.colour_key = kNoPaletteKey;
  }
  if (header.flags & kImageFlagTrailer) {
    decoded.offset_x = static_cast<int16_t>(trailer >> 16);
    decoded.offset_y = static_cast<int16_t>(trailer & 0xFFFF);
  }
  decoded.pixels = pixels.release();
  decoded.palette = palette.release();
  decoded.delays = delays.release();
  *record = decoded;
  return header.total_decoded;
}

}  // namespace

// Memory runs out as a refusal, never as an exception through the caller.
std::vector<uint8_t> EncodePicture(const ImageRecord& record, const uint8_t* palette_ref_block, uint8_t codec,
                                   std::string* error) {
  try {
    return EncodeRecord(record, palette_ref_block, codec, error);
  } catch (const std::bad_alloc&) {
    ReportFormatError(error, "pps: out of memory while encoding %ux%u", record.width, record.height);
    return {};
  }
}

uint32_t DecodePicture(const uint8_t* bytes, size_t size, ImageRecord* record, std::string* error) {
  try {
    return DecodeFile(bytes, size, record, error);
  } catch (const std::bad_alloc&) {
    ReportFormatError(error, "pps: out of memory while decoding");
    return 0;
  }
}

int SavePictureFile(const uint8_t* bytes, size_t size, const std::string& path, std::string* error) {
  PpsHeader header;
  if (!ReadPpsHeader(bytes, size, &header) || header.total_encoded > size || header.total_encoded < kPpsHeaderSize) {
    if (error) *error = "no whole picture to write";
    return 0;
  }
  return platform::WriteFileAtomic(path, bytes, header.total_encoded, error) ? 1 : 0;
}

bool LoadPictureFile(const std::string& path, ImageRecord* record, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!platform::ReadFileBytes(path, &bytes)) {
    ReportFormatError(error, "pps: %s cannot be read", path.c_str());
    return false;
  }
  return DecodePicture(bytes.data(), bytes.size(), record, error) != 0;
}

void FreePictureRecord(ImageRecord* record) {
  if (!record) return;
  delete[] record->delays;
  if (!(record->flags & kImageFlagSharedPalette)) delete[] record->palette;
  delete[] record->pixels;
  const uint32_t columns = record->frame_columns;
  const uint32_t cache_time = record->cache_time;
  const uint32_t last = record->last_word;
  *record = ImageRecord{};
  record->frame_columns = columns;
  record->cache_time = cache_time;
  record->last_word = last;
}

}  // namespace engine
