// Little-endian field access for the engine's file formats (.pps, .qzr, .quad).
// Records are read and written field by field; a reader never steps past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace engine {

inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void WriteU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline double ReadF64(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
inline void WriteF64(uint8_t* p, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// Appends fields to a growing byte vector.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>* out) : out_(out) {}
  void U8(uint8_t v) { out_->push_back(v); }
  void U16(uint16_t v) {
    uint8_t b[2];
    WriteU16(b, v);
    Bytes(b, 2);
  }
  void U32(uint32_t v) {
    uint8_t b[4];
    WriteU32(b, v);
    Bytes(b, 4);
  }
  void Bytes(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    out_->insert(out_->end(), p, p + size);
  }
  void Zeros(size_t count) { out_->insert(out_->end(), count, 0); }

 private:
  std::vector<uint8_t>* out_;
};

// Reads fields from a bounded block; every read is checked against the end.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t position() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }
  bool Has(uint64_t count) const { return count <= remaining(); }
  const uint8_t* Here() const { return data_ + pos_; }
  bool Skip(uint64_t count) {
    if (!Has(count)) return false;
    pos_ += static_cast<size_t>(count);
    return true;
  }
  bool U16(uint16_t* v) {
    if (!Has(2)) return false;
    *v = ReadU16(data_ + pos_);
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t* v) {
    if (!Has(4)) return false;
    *v = ReadU32(data_ + pos_);
    pos_ += 4;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A refusal of a format reader or writer: the reason goes to *error when the caller asked for
// it (a tool prints it), else to the engine's daily log.
void ReportFormatError(std::string* error, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace engine
