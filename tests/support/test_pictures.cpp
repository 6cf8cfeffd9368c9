#include "tests/support/test_pictures.h"

#include <gif_lib.h>

#include <cstring>

namespace test_support {

namespace {

int WriteToVector(GifFileType* gif, const GifByteType* bytes, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + length);
  return length;
}

// The file header and the 40-byte information header, written field by field into place.
std::vector<uint8_t> BmpHeaders(int width, int height, int bits, int palette_entries, size_t row_bytes) {
  std::vector<uint8_t> out(54, 0);
  auto u16 = [&](size_t at, uint16_t v) {
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
  };
  auto u32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
  };
  const uint32_t offset = 14 + 40 + palette_entries * 4;
  out[0] = 'B';
  out[1] = 'M';
  u32(2, static_cast<uint32_t>(offset + row_bytes * height));
  u32(10, offset);
  u32(14, 40);
  u32(18, static_cast<uint32_t>(width));
  u32(22, static_cast<uint32_t>(height));
  u16(26, 1);
  u16(28, static_cast<uint16_t>(bits));
  u32(34, static_cast<uint32_t>(row_bytes * height));
  u32(38, 2835);
  u32(42, 2835);
  u32(46, static_cast<uint32_t>(palette_entries));
  return out;
}

}  // namespace

std::vector<uint8_t> MakeGif(int width, int height, const std::vector<uint8_t>& palette,
                             const std::vector<GifFrameDesc>& frames) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToVector, &error);
  if (!gif) return {};
  const int entries = static_cast<int>(palette.size() / 3);
  ColorMapObject* map = GifMakeMapObject(entries, nullptr);
  for (int i = 0; i < entries; ++i) {
    map->Colors[i].Red = palette[i * 3];
    map->Colors[i].Green = palette[i * 3 + 1];
    map->Colors[i].Blue = palette[i * 3 + 2];
  }
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
  for (const GifFrameDesc& f : frames) {
    GraphicsControlBlock gcb{f.disposal, false, f.delay_cs, f.transparent};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(f.width);
    for (int y = 0; ok && y < f.height; ++y) {
      std::memcpy(line.data(), &f.indices[static_cast<size_t>(y) * f.width], f.width);
      ok = EGifPutLine(gif, line.data(), f.width) == GIF_OK;
    }
  }
  ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  GifFreeMapObject(map);
  return ok ? out : std::vector<uint8_t>();
}

std::vector<uint8_t> MakeBmp24(int width, int height, const std::vector<uint8_t>& bgra) {
  const size_t row_bytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> out = BmpHeaders(width, height, 24, 0, row_bytes);
  for (int y = height - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
      out.insert(out.end(), {p[0], p[1], p[2]});
    }
    out.resize(start + row_bytes, 0);
  }
  return out;
}

std::vector<uint8_t> MakeBmp8(int width, int height, const std::vector<uint8_t>& palette,
                              const std::vector<uint8_t>& indices) {
  const size_t row_bytes = (static_cast<size_t>(width) + 3) & ~size_t{3};
  const int entries = static_cast<int>(palette.size() / 3);
  std::vector<uint8_t> out = BmpHeaders(width, height, 8, entries, row_bytes);
  for (int i = 0; i < entries; ++i) out.insert(out.end(), {palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0});
  for (int y = height - 1; y >= 0; --y) {
    const size_t start = out.size();
    out.insert(out.end(), indices.begin() + static_cast<size_t>(y) * width,
               indices.begin() + static_cast<size_t>(y + 1) * width);
    out.resize(start + row_bytes, 0);
  }
  return out;
}

}  // namespace test_support
