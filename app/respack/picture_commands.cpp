// The picture commands: pps-encode, pps-decode, pps-info.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/respack/respack.h"
#include "engine/media/byte_span.h"
#include "engine/media/pps_picture.h"
#include "engine/media/pps_planes.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/picture_decoder.h"
#include "platform/png_file.h"

namespace respack {

namespace {

// The delay the engine gives a GIF frame that names none.
constexpr uint32_t kDefaultFrameDelay = 40;

// The value of "--NAME N" after the first two arguments, which the command line has checked.
void NumberOption(const Args& args, long low, long high, long* value) {
  if (args.size() == 4) cli::ParseNumber(args[3], low, high, value);
}

// The last line of what a library printed, without its line end and its "libpng error: ".
std::string LastLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const size_t start = text.rfind('\n');
  std::string line = start == std::string::npos ? text : text.substr(start + 1);
  if (line.rfind("libpng error: ", 0) == 0) line.erase(0, 14);
  return line;
}

// A decoded picture as an ImageRecord over a pixel block the caller keeps.
struct PictureForEncoding {
  engine::ImageRecord record;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> palette;
  std::vector<uint32_t> delays;
};

bool ToRecord(const platform::DecodedPicture& picture, PictureForEncoding* out, std::string* reason) {
  if (picture.width > 0xFFFF || picture.height > 0xFFFF || picture.frames.size() > 0xFFFF) {
    *reason = "picture too large for the format (65535 pixels or frames at most)";
    return false;
  }
  if (picture.palette.size() > 256 * 3) {
    *reason = "palette of more than 256 colours";
    return false;
  }
  engine::ImageRecord& r = out->record;
  r.width = static_cast<uint16_t>(picture.width);
  r.height = static_cast<uint16_t>(picture.height);
  r.frame_count = static_cast<uint16_t>(picture.frames.size());
  for (const platform::PictureFrame& f : picture.frames)
    out->pixels.insert(out->pixels.end(), f.pixels.begin(), f.pixels.end());
  r.pixels = out->pixels.data();
  r.data_size = static_cast<uint32_t>(out->pixels.size());
  if (picture.alpha_valid) r.flags |= engine::kImageFlagAlpha;
  if (picture.IsPalette()) {
    out->palette = picture.palette;
    r.flags |= engine::kImageFlagOwnPalette;
    r.palette = out->palette.data();
    r.palette_count = static_cast<uint16_t>(out->palette.size() / 3);
    r.colour_key = engine::kNoPaletteKey;
    if (picture.transparent_index >= 0) {
      r.flags |= engine::kImageFlagTransparent;
      r.colour_key = static_cast<uint32_t>(picture.transparent_index);
    }
  } else if (picture.has_transparent_colour) {
    r.flags |= engine::kImageFlagTransparent;
    r.colour_key = picture.transparent_colour;
  }
  if (picture.frames.size() > 1) {
    for (const platform::PictureFrame& f : picture.frames)
      out->delays.push_back(f.delay_ms ? f.delay_ms : kDefaultFrameDelay);
    r.delays = out->delays.data();
    r.flags |= engine::kImageFlagDelays;
  }
  return true;
}

bool LoadPps(const std::string& path_utf8, std::vector<uint8_t>* bytes, engine::ImageRecord* record,
             std::string* reason) {
  if (!platform::ReadFileBytes(PathArg(path_utf8), bytes)) {
    *reason = "cannot read " + path_utf8 + " (" + platform::ReadProblem(PathArg(path_utf8)) + ")";
    return false;
  }
  std::string error;
  if (engine::DecodePicture(bytes->data(), bytes->size(), record, &error) == 0) {
    *reason = path_utf8 + ": " + error;
    return false;
  }
  return true;
}

const char* CodecName(uint8_t codec) {
  switch (codec) {
    case 1:
      return "raw";
    case 2:
      return "nothing stored";
    case 3:
      return "run-length";
    case 4:
      return "run-length, zlib alpha";
    case 5:
      return "zlib";
    case 6:
      return "best of run-length and zlib";
    default:
      return "unknown (frames store nothing)";
  }
}

std::string FlagNames(uint32_t flags) {
  static const std::pair<uint32_t, const char*> kNames[] = {
      {engine::kImageFlagTransparent, "transparent"}, {engine::kImageFlagPaletteRef, "palette reference"},
      {engine::kImageFlagOwnPalette, "palette"},      {engine::kImageFlagAlpha, "alpha"},
      {engine::kImageFlagDelays, "delays"},           {engine::kImageFlagTrailer, "offset"}};
  std::string text;
  for (auto [bit, name] : kNames) {
    if (!(flags & bit)) continue;
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text.empty() ? "none" : text;
}

// Why the file does not give back the picture it was made from, or null when it does: every
// pixel, save the alpha of a true-colour picture without it (which reads back opaque).
const char* ReadBackProblem(const std::vector<uint8_t>& file, const engine::ImageRecord& source) {
  engine::ImageRecord back;
  if (engine::DecodePicture(file.data(), file.size(), &back) == 0) return "its own reader refuses the file";
  struct Release {
    engine::ImageRecord* r;
    ~Release() { engine::FreePictureRecord(r); }
  } release{&back};
  if (back.data_size != source.data_size) return "the file does not hold every pixel";
  const bool opaque = !source.IsPalette() && !source.HasAlpha();
  for (uint32_t i = 0; i < source.data_size; ++i) {
    if (back.pixels[i] != source.pixels[i] && !(opaque && i % 4 == 3)) return "the file does not hold every pixel";
  }
  return nullptr;
}

}  // namespace

int WritePpsIfReadBack(const std::vector<uint8_t>& file, const engine::ImageRecord& source, long codec,
                       const std::string& path, const std::string& shown) {
  if (const char* problem = ReadBackProblem(file, source)) {
    return Refuse(shown + ": not written with codec " + std::to_string(codec) + ": " + problem);
  }
  std::string error;
  if (!engine::SavePictureFile(file.data(), file.size(), path, &error)) return Refuse(error);
  return kOk;
}

int PpsEncode(const Args& args) {
  long codec = engine::kPpsCodecBestOf;
  NumberOption(args, 1, 6, &codec);
  if (const std::string why = OverInput(args[1], args[0], "picture"); !why.empty()) return Refuse(why);
  if (codec == engine::kPpsCodecNone) {
    return Refuse(args[0] + ": codec 2 stores no pixels; use 1, 3, 4, 5 or 6 to keep the picture");
  }
  platform::DecodedPicture picture;
  std::string error;
  // What the libraries print of a picture they refuse (libpng's "libpng error: ...") belongs in
  // the one line that refuses it.
  platform::StderrHeld library_lines;
  const bool decoded = platform::DecodePictureFile(PathArg(args[0]), &picture, &error);
  const std::string said = library_lines.Release();
  if (!decoded) {
    if (const std::string line = LastLine(said); !line.empty()) error += " (" + line + ")";
    return Refuse(platform::NamedOnce(error, PathArg(args[0]), args[0]));
  }
  std::fputs(said.c_str(), stderr);
  PictureForEncoding source;
  if (!ToRecord(picture, &source, &error)) return Refuse(args[0] + ": " + error);
  const std::vector<uint8_t> file = engine::EncodePicture(source.record, nullptr, static_cast<uint8_t>(codec), &error);
  if (file.empty()) return Refuse(args[0] + ": " + error);
  const int status = WritePpsIfReadBack(file, source.record, codec, PathArg(args[1]), args[0]);
  if (status != kOk) return status;
  std::fprintf(LinesBeside(args[1]), "%s: %ux%u, %u frame%s, codec %ld, %zu bytes\n", cli::Printable(args[1]).c_str(),
               source.record.width, source.record.height, source.record.frame_count,
               source.record.frame_count == 1 ? "" : "s", codec, file.size());
  return kOk;
}

int PpsDecode(const Args& args) {
  long frame = 0;
  NumberOption(args, 0, 65535, &frame);
  if (const std::string why = OverInput(args[1], args[0], "picture"); !why.empty()) return Refuse(why);
  std::vector<uint8_t> bytes;
  engine::ImageRecord record;
  std::string reason;
  if (!LoadPps(args[0], &bytes, &record, &reason)) return Refuse(reason);
  struct Release {
    engine::ImageRecord* r;
    ~Release() { engine::FreePictureRecord(r); }
  } release{&record};
  if (frame >= record.frame_count) {
    return Refuse(args[0] + " has " + std::to_string(record.frame_count) + " frame(s); there is no frame " +
                  std::to_string(frame));
  }
  if (record.flags & engine::kImageFlagPaletteRef) {
    return Refuse(args[0] + " names an outside palette; its colours are not in the file");
  }
  const size_t n = size_t{record.width} * record.height;
  const int bpp = record.BytesPerPixel();
  const uint8_t* src = record.pixels + n * bpp * static_cast<size_t>(frame);
  std::vector<uint8_t> bgra(n * 4);
  for (size_t i = 0; i < n; ++i) {
    uint8_t* out = &bgra[i * 4];
    if (bpp == 4) {
      // True colour without alpha is transparent where it shows its key (0x00BBGGRR).
      std::memcpy(out, src + i * 4, 4);
      const uint32_t colour = out[2] | (uint32_t{out[1]} << 8) | (uint32_t{out[0]} << 16);
      const bool keyed = (record.flags & engine::kImageFlagTransparent) && !record.HasAlpha();
      if (keyed && colour == (record.colour_key & 0xFFFFFF)) out[3] = 0;
      continue;
    }
    const uint8_t index = src[i * bpp];
    if (index < record.palette_count) {
      out[0] = record.palette[index * 3 + 2];
      out[1] = record.palette[index * 3 + 1];
      out[2] = record.palette[index * 3];
    }
    out[3] = bpp == 2 ? src[i * bpp + 1] : 255;
    if ((record.flags & engine::kImageFlagTransparent) && index == record.colour_key) out[3] = 0;
  }
  std::string error;
  if (!platform::SavePng(PathArg(args[1]), record.width, record.height, bgra.data(), &error)) return Refuse(error);
  return kOk;
}

int PpsInfo(const Args& args) {
  std::vector<uint8_t> bytes;
  engine::ImageRecord record;
  std::string reason;
  if (!LoadPps(args[0], &bytes, &record, &reason)) return Refuse(reason);
  engine::PpsHeader header;
  engine::ReadPpsHeader(bytes.data(), bytes.size(), &header);
  std::printf("size %ux%u, %u frame%s, codec %u (%s), %u bytes\n", header.width, header.height, header.frame_count,
              header.frame_count == 1 ? "" : "s", header.codec, CodecName(header.codec), header.total_encoded);
  std::printf("flags 0x%X (%s)\n", header.flags, FlagNames(header.flags).c_str());
  size_t pos = engine::kPpsHeaderSize;
  if (header.flags & engine::kImageFlagPaletteRef) {
    std::printf("palette: by reference (32-byte block), %u entries\n", header.palette_count);
    pos += engine::kPaletteRefBlockSize;
  } else if (header.flags & engine::kImageFlagOwnPalette) {
    std::printf("palette: %u entries\n", header.palette_count);
    pos += size_t{header.palette_count} * 3;
  } else {
    std::printf("palette: none (true colour)\n");
  }
  if (!(header.flags & engine::kImageFlagTransparent)) {
    std::printf("colour key: none (0x%X)\n", record.colour_key);
  } else if (record.IsPalette()) {
    std::printf("colour key: index %u\n", record.colour_key);
  } else {
    std::printf("colour key: 0x%06X (blue, green, red)\n", record.colour_key);
  }
  if (header.flags & engine::kImageFlagTrailer) std::printf("offset: %d, %d\n", record.offset_x, record.offset_y);
  // The decoder has checked every frame record, so the walk stays inside the file.
  for (uint32_t f = 0; f < header.frame_count; ++f) {
    const uint32_t flags = engine::ReadU32(&bytes[pos]);
    const uint32_t delay = engine::ReadU32(&bytes[pos + 4]);
    const uint32_t a = engine::ReadU32(&bytes[pos + 8]);
    const uint32_t b = engine::ReadU32(&bytes[pos + 12]);
    std::string plane_a = CodecName(header.codec);
    if (header.codec == engine::kPpsCodecBestOf) {
      plane_a = (flags & engine::kFrameFlagZlib) ? "zlib" : "run-length";
    }
    std::printf("frame %u: %s%s, plane A %u bytes%s", f, plane_a.c_str(),
                (flags & engine::kFrameFlagDifference) ? ", difference" : "", a,
                (flags & engine::kFrameFlagAlphaPlane) ? "" : ", no alpha plane");
    if (flags & engine::kFrameFlagAlphaPlane) std::printf(", alpha plane %u bytes", b);
    if (header.frame_count > 1) std::printf(", delay %u ms", delay);
    std::printf("\n");
    pos += engine::kPpsFrameRecordSize + a + b;
  }
  engine::FreePictureRecord(&record);
  return kOk;
}

}  // namespace respack
