#include "tests/support/test_pictures.h"

#include <gif_lib.h>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>  // after <cstdio>: it needs size_t and FILE

#include "platform/png_file.h"

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
                             const std::vector<GifFrameDesc>& frames,
                             const std::vector<std::vector<uint8_t>>& local_palettes) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToVector, &error);
  if (!gif) return {};
  auto make_map = [](const std::vector<uint8_t>& colours) {
    const int entries = static_cast<int>(colours.size() / 3);
    ColorMapObject* map = GifMakeMapObject(entries, nullptr);
    for (int i = 0; i < entries; ++i) map->Colors[i] = {colours[i * 3], colours[i * 3 + 1], colours[i * 3 + 2]};
    return map;
  };
  ColorMapObject* map = make_map(palette);
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
  for (size_t i = 0; i < frames.size(); ++i) {
    const GifFrameDesc& f = frames[i];
    GraphicsControlBlock gcb{f.disposal, false, f.delay_cs, f.transparent};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
    ColorMapObject* local =
        i < local_palettes.size() && !local_palettes[i].empty() ? make_map(local_palettes[i]) : nullptr;
    ok = ok && EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, local) == GIF_OK;
    GifFreeMapObject(local);
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

std::vector<uint8_t> MakeBmpRle8(int width, int height, const std::vector<uint8_t>& palette,
                                 const std::vector<uint8_t>& runs) {
  const int entries = static_cast<int>(palette.size() / 3);
  std::vector<uint8_t> out = BmpHeaders(width, height, 8, entries, 0);
  out[30] = 1;  // BI_RLE8
  for (int i = 0; i < 4; ++i) out[34 + i] = static_cast<uint8_t>(runs.size() >> (8 * i));
  for (int i = 0; i < entries; ++i) out.insert(out.end(), {palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0});
  out.insert(out.end(), runs.begin(), runs.end());
  for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<uint8_t>(out.size() >> (8 * i));
  return out;
}

namespace {

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBe32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, static_cast<uint32_t>(crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start))));
}

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

// One metafile record: its size in 16-bit words, its function, its parameters.
void PutRecord(std::vector<uint8_t>& out, uint16_t function, const std::vector<uint16_t>& params) {
  PutLe32(out, static_cast<uint32_t>(3 + params.size()));
  PutLe16(out, function);
  for (uint16_t p : params) PutLe16(out, p);
}

}  // namespace

std::vector<uint8_t> MakeWbmp(int width, int height, const std::vector<uint8_t>& bits) {
  std::vector<uint8_t> out = {0, 0};
  for (int side : {width, height}) {
    std::vector<uint8_t> groups;
    do {
      groups.insert(groups.begin(), static_cast<uint8_t>(side & 0x7F));
      side >>= 7;
    } while (side > 0);
    for (size_t i = 0; i + 1 < groups.size(); ++i) groups[i] |= 0x80;
    out.insert(out.end(), groups.begin(), groups.end());
  }
  const int row_bytes = (width + 7) / 8;
  for (int y = 0; y < height; ++y) {
    std::vector<uint8_t> row(static_cast<size_t>(row_bytes), 0);
    for (int x = 0; x < width; ++x) {
      if (bits[static_cast<size_t>(y) * width + x]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> MakeBlankPng1Bit(int width, int height) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(width));
  PutBe32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {1, 0, 0, 0, 0});  // one bit of grey, no interlace
  PutChunk(out, "IHDR", header);
  const std::vector<uint8_t> rows(static_cast<size_t>(height) * (1 + (width + 7) / 8), 0);
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> deflated(size);
  compress2(deflated.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 9);
  deflated.resize(size);
  PutChunk(out, "IDAT", deflated);
  PutChunk(out, "IEND", {});
  return out;
}

std::vector<uint8_t> MakePng(int width, int height, int depth, int colour_type, const std::vector<uint16_t>& samples,
                             bool interlaced) {
  const int channels = colour_type == 2 ? 3 : colour_type == 4 ? 2 : colour_type == 6 ? 4 : 1;
  std::vector<uint8_t> rows;
  // Adam7's passes: where each starts and how far apart its pixels lie.
  using Pass = std::array<int, 4>;
  const std::vector<Pass> passes = interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                                              : std::vector<Pass>{{0, 0, 1, 1}};
  for (const Pass& pass : passes) {
    if (pass[0] >= width) continue;
    for (int y = pass[1]; y < height; y += pass[3]) {
      rows.push_back(0);
      uint32_t bits = 0, held = 0;
      for (int x = pass[0]; x < width; x += pass[2]) {
        for (int c = 0; c < channels; ++c) {
          const uint16_t sample = samples[(static_cast<size_t>(y) * width + x) * channels + c];
          if (depth == 16) rows.insert(rows.end(), {static_cast<uint8_t>(sample >> 8), static_cast<uint8_t>(sample)});
          if (depth == 16) continue;
          bits = bits << depth | sample;
          held += depth;
          if (held == 8) rows.push_back(static_cast<uint8_t>(bits)), bits = held = 0;
        }
      }
      if (held != 0) rows.push_back(static_cast<uint8_t>(bits << (8 - held)));
    }
  }
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(width));
  PutBe32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {static_cast<uint8_t>(depth), static_cast<uint8_t>(colour_type), 0, 0, interlaced});
  PutChunk(out, "IHDR", header);
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> deflated(size);
  compress2(deflated.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 9);
  deflated.resize(size);
  PutChunk(out, "IDAT", deflated);
  PutChunk(out, "IEND", {});
  return out;
}

std::vector<uint8_t> WithPngChunks(const std::vector<uint8_t>& png, const char* type,
                                   const std::vector<uint8_t>& data, int copies) {
  const uint8_t idat[] = {'I', 'D', 'A', 'T'};
  const auto at = std::search(png.begin(), png.end(), std::begin(idat), std::end(idat)) - 4;
  std::vector<uint8_t> chunk;
  PutChunk(chunk, type, data);
  std::vector<uint8_t> out(png.begin(), at);
  for (int i = 0; i < copies; ++i) out.insert(out.end(), chunk.begin(), chunk.end());
  out.insert(out.end(), at, png.end());
  return out;
}

std::vector<uint8_t> MakeMngOfBackgroundFrames(int width, int height, int frames) {
  std::vector<uint8_t> out = {0x8A, 'M', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(width));
  PutBe32(header, static_cast<uint32_t>(height));
  PutBe32(header, 1000);
  header.resize(28, 0);
  PutChunk(out, "MHDR", header);
  PutChunk(out, "BACK", {0xFF, 0xFF, 0, 0, 0, 0, 1});  // red, and it must be shown
  const uint8_t dot[4] = {0, 0, 0, 255};
  const std::vector<uint8_t> png = platform::EncodePng(1, 1, dot);
  for (int i = 0; i < frames; ++i) {
    PutChunk(out, "FRAM", {1, 0, 2, 0, 0, 0, 0, 0, 0, 10});    // 10 ms each
    out.insert(out.end(), png.begin() + 8, png.end());  // a black dot in the corner
  }
  PutChunk(out, "MEND", {});
  return out;
}

std::vector<uint8_t> MakeMng(int width, int height, const std::vector<MngFrameDesc>& frames,
                             const std::vector<std::pair<const char*, std::vector<uint8_t>>>& frame_chunks) {
  std::vector<uint8_t> out = {0x8A, 'M', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(width));
  PutBe32(header, static_cast<uint32_t>(height));
  PutBe32(header, 1000);  // ticks a second
  PutBe32(header, 0);     // layers, frames, play time: not given
  PutBe32(header, 0);
  PutBe32(header, 0);
  PutBe32(header, 0);  // simplicity profile: not given
  PutChunk(out, "MHDR", header);
  for (const MngFrameDesc& f : frames) {
    // Framing mode 1; no name; the delay changes from here on; timeout, clipping, sync unchanged.
    std::vector<uint8_t> fram = {1, 0, 2, 0, 0, 0};
    PutBe32(fram, static_cast<uint32_t>(f.delay_ms));
    PutChunk(out, "FRAM", fram);
    std::vector<uint8_t> png = platform::EncodePng(width, height, f.bgra.data());
    for (const auto& [type, data] : frame_chunks) png = WithPngChunks(png, type, data, 1);
    out.insert(out.end(), png.begin() + 8, png.end());  // the PNG's chunks without its signature
  }
  PutChunk(out, "MEND", {});
  return out;
}

std::vector<uint8_t> MakeWmfDrawing(int width, int height, int window_width, int window_height,
                                    const std::vector<WmfRecord>& drawing) {
  std::vector<uint8_t> out;
  // Placeable header: key, no handle, bounding box, units an inch, reserved, checksum.
  const std::vector<uint16_t> placeable = {
      0xCDD7, 0x9AC6, 0, 0, 0, static_cast<uint16_t>(width), static_cast<uint16_t>(height), 96, 0, 0};
  uint16_t checksum = 0;
  for (uint16_t w : placeable) {
    PutLe16(out, w);
    checksum ^= w;
  }
  PutLe16(out, checksum);
  std::vector<uint8_t> records;
  PutRecord(records, 0x020B, {0, 0});  // SetWindowOrg
  PutRecord(records, 0x020C, {static_cast<uint16_t>(window_height), static_cast<uint16_t>(window_width)});
  size_t largest = 5;
  for (const WmfRecord& r : drawing) {
    PutRecord(records, r.function, r.params);
    largest = std::max(largest, 3 + r.params.size());
  }
  PutRecord(records, 0x0000, {});  // end of file
  // Metafile header: in memory, 9 words, version 3, size in words, objects, the largest record,
  // no parameters.
  PutLe16(out, 1);
  PutLe16(out, 9);
  PutLe16(out, 0x0300);
  PutLe32(out, static_cast<uint32_t>(9 + records.size() / 2));
  PutLe16(out, 2);
  PutLe32(out, static_cast<uint32_t>(largest));
  PutLe16(out, 0);
  out.insert(out.end(), records.begin(), records.end());
  return out;
}

std::vector<uint8_t> MakeWmf(int width, int height, uint32_t colour) {
  const auto w = static_cast<uint16_t>(width), h = static_cast<uint16_t>(height);
  return MakeWmfDrawing(width, height, width, height,
                        {{0x02FA, {5, 0, 0, 0, 0}},  // CreatePenIndirect: a null pen
                         {0x012D, {0}},              // SelectObject 0
                         {0x02FC, {0, static_cast<uint16_t>(colour & 0xFFFF), static_cast<uint16_t>(colour >> 16), 0}},
                         {0x012D, {1}},             // SelectObject 1: a solid brush
                         {0x041B, {h, w, 0, 0}}});  // Rectangle: bottom, right, top, left
}

std::vector<uint8_t> MakeIcon(const std::vector<uint8_t>& image) {
  std::vector<uint8_t> out = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0};  // one entry: 256 x 256, 32 bits
  PutLe32(out, static_cast<uint32_t>(image.size()));
  PutLe32(out, 22);
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

std::vector<uint8_t> MakeTiff(int width, int height, int bits, int photometric, int channels, int extra,
                              const std::vector<uint16_t>& samples, bool tiled) {
  std::vector<uint8_t> pixels;
  const int stored_width = tiled ? 16 : width, stored_height = tiled ? 16 : height;
  for (int y = 0; y < stored_height; ++y) {
    for (int x = 0; x < stored_width * channels; ++x) {
      const uint16_t sample = y < height && x < width * channels ? samples[static_cast<size_t>(y) * width * channels + x] : 0;
      pixels.push_back(static_cast<uint8_t>(sample));
      if (bits == 16) pixels.push_back(static_cast<uint8_t>(sample >> 8));
    }
  }
  struct Entry {
    uint16_t tag, type;
    uint32_t value;
  };
  const uint32_t bits_at = 8, pixels_at = 8 + 2 * static_cast<uint32_t>(channels);  // each sample's bits, the pixels
  std::vector<Entry> entries = {{256, 4, uint32_t(width)}, {257, 4, uint32_t(height)}, {258, 3, bits_at}, {259, 3, 1},
                                {262, 3, uint32_t(photometric)}, {277, 3, uint32_t(channels)}};
  if (tiled) {
    entries.insert(entries.end(), {{322, 3, 16}, {323, 3, 16}, {324, 4, pixels_at}, {325, 4, uint32_t(pixels.size())}});
  } else {
    entries.insert(entries.begin() + 5, {273, 4, pixels_at});
    entries.insert(entries.end(), {{278, 4, uint32_t(height)}, {279, 4, uint32_t(pixels.size())}});
  }
  if (extra >= 0) entries.push_back({338, 3, uint32_t(extra)});
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  std::vector<uint8_t> out = {'I', 'I', 42, 0};
  PutLe32(out, static_cast<uint32_t>(pixels_at + pixels.size()));  // the directory, after the pixels
  for (int i = 0; i < channels; ++i) PutLe16(out, static_cast<uint16_t>(bits));
  out.resize(pixels_at, 0);
  out.insert(out.end(), pixels.begin(), pixels.end());
  PutLe16(out, static_cast<uint16_t>(entries.size()));
  for (const Entry& e : entries) {
    PutLe16(out, e.tag);
    PutLe16(out, e.type);
    // Sample bits: in the entry for up to two samples (four bytes), else the words at bits_at.
    PutLe32(out, e.tag == 258 ? static_cast<uint32_t>(channels) : 1);
    if (e.tag == 258 && channels > 2) {
      PutLe32(out, e.value);
    } else if (e.type == 3) {
      PutLe16(out, static_cast<uint16_t>(e.tag == 258 ? bits : e.value));
      PutLe16(out, static_cast<uint16_t>(e.tag == 258 && channels == 2 ? bits : 0));
    } else {
      PutLe32(out, e.value);
    }
  }
  PutLe32(out, 0);
  return out;
}

std::vector<uint8_t> MakeIconImage32(int width, int height, const std::vector<uint8_t>& bgra,
                                     const std::vector<uint8_t>& mask) {
  std::vector<uint8_t> out;
  PutLe32(out, 40);
  PutLe32(out, static_cast<uint32_t>(width));
  PutLe32(out, static_cast<uint32_t>(height * 2));  // the colour rows and the mask's
  PutLe16(out, 1);
  PutLe16(out, 32);
  out.resize(40, 0);
  for (int y = height - 1; y >= 0; --y) {
    const auto row = bgra.begin() + static_cast<long>(y) * width * 4;
    out.insert(out.end(), row, row + width * 4);
  }
  if (mask.empty()) return out;
  const size_t row_bytes = (static_cast<size_t>(width) + 31) / 32 * 4;
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(row_bytes, 0);
    for (int x = 0; x < width; ++x) {
      if (mask[static_cast<size_t>(y) * width + x]) row[x / 8] |= 0x80 >> (x % 8);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> MakeInkJpeg(int width, int height, const std::vector<uint8_t>& inks, InkJpeg coding) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, coding == InkJpeg::kAdobeYcck ? JCS_YCCK : JCS_CMYK);
  info.write_Adobe_marker = coding != InkJpeg::kPlainCmyk;
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
  while (info.next_scanline < info.image_height) {
    for (size_t i = 0; i < row.size(); ++i) {
      const uint8_t ink = inks[info.next_scanline * row.size() + i];
      row[i] = coding == InkJpeg::kPlainCmyk ? ink : static_cast<uint8_t>(255 - ink);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

}  // namespace test_support
