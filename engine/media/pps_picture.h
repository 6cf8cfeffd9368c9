// The engine's picture format (.pps): one picture of one or more equal frames, true colour
// (B, G, R, A) or palette indices (with an optional alpha byte), with an optional palette,
// frame delays and a drawing offset.
//
// File layout, little-endian:
//   header, 32 bytes: "pps", codec (1-6), image flags, frame count (u16), width (u16),
//     height (u16), 0 (u16), colour key, total decoded size, total encoded size (= file
//     length), palette count (u16), 0 (u16)
//   palette part: the 32-byte reference block with kImageFlagPaletteRef, else palette count x 3
//     bytes (red, green, blue) with kImageFlagOwnPalette
//   per frame: a 20-byte frame record (frame flags, delay, packed size A, packed size B,
//     decoded size), then plane A and plane B
//   with kImageFlagTrailer: u32 (offset x << 16) | offset y
//
// Codecs and how planes A / B are packed:
//   1 raw (the whole decoded frame), 2 nothing stored, 3 runs / runs, 4 runs / zlib,
//   5 zlib / zlib, 6 the smaller of runs and zlib / zlib.
// A frame may be stored as the XOR of its bytes with the previous frame's when that packs
// strictly smaller.
//
// Ownership: records filled here own their pixels, palette and delays, allocated with new[];
// FreePictureRecord releases them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/media/image_record.h"
#include "platform/picture_decoder.h"

namespace engine {

inline constexpr size_t kPpsHeaderSize = 32;
inline constexpr size_t kPpsFrameRecordSize = 20;

// Codec bytes.
inline constexpr uint8_t kPpsCodecRaw = 1;
inline constexpr uint8_t kPpsCodecNone = 2;
inline constexpr uint8_t kPpsCodecRuns = 3;
inline constexpr uint8_t kPpsCodecRunsZlibAlpha = 4;
inline constexpr uint8_t kPpsCodecZlib = 5;
inline constexpr uint8_t kPpsCodecBestOf = 6;

// A record's palette that it does not own (a shared colour array, Palette::ConvertImage mode 2).
// A flag of memory only: the encoder never stores it.
inline constexpr uint32_t kImageFlagSharedPalette = 0x80000000;

// The largest pixel block the decoder allocates (guards against sizes made up by a file) and
// the encoder writes: the picture decoder's own limit, so whatever is decoded can be stored.
inline constexpr uint64_t kMaxPictureBytes = platform::kMaxDecodedPictureBytes;

// The header's fields.
struct PpsHeader {
  uint8_t codec = 0;
  uint32_t flags = 0;
  uint16_t frame_count = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint32_t colour_key = 0;
  uint32_t total_decoded = 0;
  uint32_t total_encoded = 0;
  uint16_t palette_count = 0;
};

// A frame record's fields.
struct PpsFrameRecord {
  uint32_t flags = 0;
  uint32_t delay = 0;
  uint32_t packed_a = 0;
  uint32_t packed_b = 0;
  uint32_t decoded_size = 0;
};

// True when the bytes begin with "pps" and hold a whole header.
bool IsPpsFile(const uint8_t* bytes, size_t size);
bool ReadPpsHeader(const uint8_t* bytes, size_t size, PpsHeader* header);

// Encodes the record as a whole .pps file. palette_ref_block: the 32 bytes stored with
// kImageFlagPaletteRef (null: 32 zero bytes). The record is not changed. An empty result means
// the record was refused (the reason goes to *error, or to the log when error is null).
std::vector<uint8_t> EncodePicture(const ImageRecord& record, const uint8_t* palette_ref_block, uint8_t codec,
                                   std::string* error = nullptr);

// Decodes a .pps file held in memory into *record (overwritten; the caller frees it with
// FreePictureRecord). Returns the total decoded size, or 0 when the bytes are not a sound .pps
// file: then nothing is allocated and the record is left alone.
uint32_t DecodePicture(const uint8_t* bytes, size_t size, ImageRecord* record, std::string* error = nullptr);

// Writes the file bytes (length from the header) whole or not at all. 1 written, 0 not
// (bytes without the magic or shorter than their header says are refused); why goes to *error
// (UTF-8), or to the platform's problem report when no error is asked for.
int SavePictureFile(const uint8_t* bytes, size_t size, const std::string& path, std::string* error = nullptr);
// Reads and decodes a .pps file; true when a picture with a non-zero size was read.
bool LoadPictureFile(const std::string& path, ImageRecord* record, std::string* error = nullptr);

// Releases the pixels, delays and the palette (unless shared), then zeroes every field from
// the serial up to the offsets.
void FreePictureRecord(ImageRecord* record);

// Frame level, for tools and tests. The packed bytes are plane A then plane B; the frame
// record's sizes and flags are filled in. previous: the previous frame's pixels, or null.
// try_difference asks for the XOR-with-previous form.
std::vector<uint8_t> PackPaletteFrame(const uint8_t* pixels, const uint8_t* previous, const PpsHeader& header,
                                      PpsFrameRecord* frame, bool try_difference);
std::vector<uint8_t> PackTrueColourFrame(const uint8_t* pixels, const uint8_t* previous, const PpsHeader& header,
                                         PpsFrameRecord* frame, bool try_difference);
// The raw codec's frame: a copy of the frame's decoded size of bytes, with packed size A set to
// it; and the copy of such a frame out into its place in the pixel block.
std::vector<uint8_t> CopyFrameRaw(const uint8_t* bytes, PpsFrameRecord* frame);
void CopyFrameOut(const uint8_t* source, uint8_t* destination, const PpsFrameRecord& frame);
// Decodes one frame into out (the frame's decoded size). false when its planes do not fit.
bool DecodePictureFrame(const uint8_t* packed, const uint8_t* previous, uint8_t* out, const PpsHeader& header,
                        const PpsFrameRecord& frame);

}  // namespace engine
