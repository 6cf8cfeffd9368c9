// Plane packers of the .pps picture format.
//
// A frame is stored as one or two planes (colour or index plane A, alpha plane B), each packed
// by run-length packing or zlib. Run-length packing is a sequence of runs, each opened by a
// control byte whose low 2 bits are the tag and whose high 6 bits are the low bits of the count:
//   tag 0  short repeat, count 1-63:      control, one element
//   tag 1  short literal, count 1-63:     control, count elements
//   tag 2  long repeat, count 64-16383:   control, count >> 6, one element
//   tag 3  long literal, count 64-16383:  control, count >> 6, count elements
// An element is one byte (byte runs) or three bytes (pixel runs: blue, green, red).
//
// Unpackers are bounded by both their input and their output: a plane that would write past
// its capacity, stops short of it or reads past its packed bytes is refused (false).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine {

// Frame flags of a .pps frame record.
inline constexpr uint32_t kFrameFlagPalette = 0x01;     // planes hold indices
inline constexpr uint32_t kFrameFlagAlphaPlane = 0x04;  // plane B (alpha) present
inline constexpr uint32_t kFrameFlagRuns = 0x10;        // best-of codec: plane A run-length packed
inline constexpr uint32_t kFrameFlagZlib = 0x20;        // best-of codec: plane A zlib packed
inline constexpr uint32_t kFrameFlagDifference = 0x40;  // XOR with the previous decoded frame

inline constexpr size_t kMaxRun = 16383;

std::vector<uint8_t> PackRunsBytes(const uint8_t* plane, size_t count);
// pixel_count elements of 3 bytes each.
std::vector<uint8_t> PackRunsPixels(const uint8_t* plane, size_t pixel_count);
// The zlib stream of the plane (zlib's compress at its default level).
std::vector<uint8_t> PackZlib(const uint8_t* plane, size_t byte_count);
// The smaller of run-length packing (byte runs for palette pictures, else pixel runs) and zlib;
// a tie keeps run-length. Sets kFrameFlagRuns or kFrameFlagZlib in *frame_flags.
std::vector<uint8_t> PackBestOf(const uint8_t* plane, size_t byte_count, bool palette, uint32_t* frame_flags);

// Each returns true when the packed bytes, read exactly to their end, filled the output exactly.
bool UnpackRunsBytes(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity);
bool UnpackRunsPixels(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity);
bool UnpackZlib(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity);
// zlib with kFrameFlagZlib, else byte runs with kFrameFlagPalette, else pixel runs.
bool UnpackPlane(const uint8_t* packed, size_t packed_size, uint8_t* out, size_t capacity, uint32_t frame_flags);

// Splits 4-byte pixels into a 3-byte plane and a 1-byte plane (mode 32), or 2-byte pixels into
// two 1-byte planes (mode 8); MergePlanes is the inverse. second may be null to drop that plane.
void SplitPlanes(const uint8_t* pixels, size_t pixel_count, int mode, uint8_t* first, uint8_t* second);
void MergePlanes(const uint8_t* first, const uint8_t* second, size_t pixel_count, int mode, uint8_t* pixels);

}  // namespace engine
