// ctest-labels: tools
// ctest-split: Gif Bmp Png Jpg Ico Tif Tga Mng Pcx Wbmp Wmf Wav Ogg Mp3 Mid
//
// Files made by the programs that write them, read by this project's readers and by a reference
// decoder, compared pixel for pixel, sample for sample and event for event. One row: the
// writer's command, the reference, and what this project reads on purpose where the two may
// part. Each kind is a test of its own (ctest runs them side by side). The tools are Debian's
// (scripts/setup installs them); one missing fails its test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/media/midi_stream_player.h"
#include "platform/clock.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"
#include "platform/picture_decoder.h"
#include "platform/sound_decode.h"

#include <SDL2/SDL_audio.h>

namespace {

using Bytes = std::vector<uint8_t>;

// The tools, by the names the rows' commands use.
const std::pair<const char*, const char*> kTools[] = {
    {"IM", "/usr/bin/convert-im6.q16"}, {"GM", "/usr/bin/gm"},         {"PY", "/usr/bin/python3"},
    {"PPM", "/usr/bin/pnmtopng"},        {"TIFFCP", "/usr/bin/tiffcp"}, {"GIFSICLE", "/usr/bin/gifsicle"},
    {"FFMPEG", "/usr/bin/ffmpeg"},       {"SOX", "/usr/bin/sox"},       {"OGGENC", "/usr/bin/oggenc"},
    {"LAME", "/usr/bin/lame"},           {"MPG123", "/usr/bin/mpg123"}, {"PNGCRUSH", "/usr/bin/pngcrush"},
    {"OPTIPNG", "/usr/bin/optipng"},     {"FFPROBE", "/usr/bin/ffprobe"},
};

// Helpers the rows' commands call. Pillow and mido are Debian's (/usr/bin/python3).
const char kPillowDump[] = R"(import sys
from PIL import Image, ImageSequence
im = Image.open(sys.argv[1])
frames = [f.convert('RGBA').tobytes() for f in ImageSequence.Iterator(im)]
sys.stdout.buffer.write(b'%d %d %d\n' % (im.size[0], im.size[1], len(frames)) + b''.join(frames))
)";
// Channel messages as a player sends them: microseconds from the start, then the bytes in hex.
// mido times tempo-based songs itself; it keeps a SMPTE division as ticks, so a SMPTE tick is
// 10^6 / (frames x ticks a frame) us here, 29 frames meaning 29.97 (30000 / 1001).
const char kMidoDump[] = R"(import sys, mido
f = mido.MidiFile(sys.argv[1])
division = f.ticks_per_beat
if division < 0:
    fps, tpf = -(division >> 8), division & 0xFF
    per_tick = 1e6 * 1001 / (30000 * tpf) if fps == 29 else 1e6 / (fps * tpf)
    events, at = [], 0
    for m in mido.merge_tracks(f.tracks):
        at += m.time
        events.append((at * per_tick, m))
else:
    events, at = [], 0.0
    for m in f:
        at += m.time
        events.append((at * 1e6, m))
for at, m in events:
    if not m.is_meta and m.type != 'sysex':
        print(round(at), m.hex().replace(' ', ''))
)";
// Writes the pictures and songs the rows start from (sizes not multiples of 8 on purpose).
const char kMakeInputs[] = R"(set -e
$IM -size 37x21 xc: -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx '(i*j%7)/6' +channel rgb16.png
$IM rgb16.png -alpha set -channel A -fx '((i+2*j)%5)/4' +channel rgba16.png
$IM rgb16.png -depth 8 rgb.png
$IM rgba16.png -depth 8 rgba.png
$IM rgb.png -colorspace gray gray.png
$IM rgb.png -colors 16 +dither pal16.png
$IM rgb.png -colors 200 +dither pal200.png
$IM rgb.png -colors 4 +dither pal4.png
$IM rgb.png -threshold 50% -monochrome mono.png
$IM rgb.png rgb.ppm
$IM gray.png gray.pgm
$IM mono.png mono.pbm
$IM pal16.png pal16.ppm
$IM pal4.png pal4.ppm
)";
const char kMakeWmf[] = R"(import struct, sys
def rec(fn, *w): return struct.pack('<IH', 3 + len(w), fn) + struct.pack('<%dh' % len(w), *w)
body = rec(0x020B, 0, 0) + rec(0x020C, 60, 80) + rec(0x0103, 8)
body += rec(0x02FC, 0, 0x00FF, 0x0033, 0) + rec(0x012D, 0)          # brush: red and green, solid
body += rec(0x02FA, 5, 0, 0, 0, 0) + rec(0x012D, 1)                  # no pen
body += rec(0x041B, 40, 50, 5, 5)                                     # rectangle (bottom, right, top, left)
body += rec(0x02FC, 0, 0x3366, 0x0099, 0) + rec(0x012D, 2)
body += rec(0x0324, 3, 10, 55, 70, 55, 40, 75)                       # triangle
body += rec(0x0000)
head = struct.pack('<HHHIH', 1, 9, 0x300, 0, 3) + struct.pack('<IH', max(len(body) // 2, 16), 0)
place = struct.pack('<IhhhhhHI', 0x9AC6CDD7, 0, 0, 0, 80, 60, 96, 0)
ck = 0
for i in range(0, 20, 2): ck ^= struct.unpack('<H', place[i:i + 2])[0]
sys.stdout.buffer.write(place + struct.pack('<H', ck) + head + body)
)";

// What a row's file is read against.
enum class Ref { kIm, kPillow };

struct PictureRow {
  const char* file;  // made in the temporary folder; its extension is its kind
  const char* make;  // the writer's command ($IM, $GM, ... are the tools)
  Ref ref;
  const char* reading = "";  // what this project reads on purpose where the two may part
  int tolerance = 0;         // per channel, of 255
  const char* pending = nullptr;  // a known fault being mended elsewhere: the row differs for now
  double coarse = 0;              // >0: only this share of pixels may differ (by more than tolerance)
};

struct SoundRow {
  const char* file;
  const char* make;
  const char* ref;  // writes the samples as 16-bit little-endian, channels interleaved, to stdout
  const char* reading = "";
  int tolerance = 0;  // per sample, of 32768
  const char* pending = nullptr;
};

struct MidiRow {
  const char* file;
  const char* make;
  const char* reading = "";
  const char* pending = nullptr;
};

// Runs a shell command in the temporary folder; its standard output, its exit status in *status.
std::string Shell(const std::string& command, int* status = nullptr) {
  std::string quoted = "'";
  for (char c : command) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  FILE* pipe = ::popen(("/bin/bash -o pipefail -c " + quoted + "'").c_str(), "r");
  std::string out;
  if (pipe == nullptr) return out;
  char buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int result = ::pclose(pipe);
  if (status != nullptr) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return out;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const char* text) { std::ofstream(path) << text; }

// Every tool is there (else the kind's test fails, naming it), and the inputs are made once.
class ToolFilesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const auto& [name, path] : kTools) {
      if (::access(path, X_OK) != 0) missing_ += std::string(" ") + path;
      setenv(name, path, 1);
    }
    // Pillow and mido are Debian's modules, not pyenv's.
    if (missing_.empty() && Shell("$PY -c 'import PIL, mido' 2>&1 && echo ok") != "ok\n") missing_ += " python3-pil/python3-mido";
    if (!missing_.empty()) return;
    WriteText("pil_dump.py", kPillowDump);
    WriteText("mido_dump.py", kMidoDump);
    WriteText("make_wmf.py", kMakeWmf);
    WriteText("inputs.sh", kMakeInputs);
    int status = 0;
    const std::string out = Shell("bash inputs.sh 2>&1", &status);
    if (status != 0) missing_ = " (the inputs could not be made: " + out + ")";
  }
  void SetUp() override {
    ASSERT_TRUE(missing_.empty()) << "tools missing:" << missing_ << " (scripts/setup installs them)";
  }
  static inline std::string missing_;
};

// A picture's frames as red, green, blue, alpha bytes.
struct Rgba {
  int width = 0, height = 0;
  std::vector<Bytes> frames;
};

// What this project shows: the decoder the engine uses, each pixel as the engine draws it (a
// palette's entries looked up, a transparent index or colour at alpha 0).
bool ProjectRgba(const std::string& file, Rgba* out, std::string* error) {
  const Bytes bytes = ReadAll(file);
  platform::DecodedPicture p;
  const auto format = file.ends_with(".wbmp") ? platform::PictureFormat::kWbmp : platform::PictureFormat::kDetect;
  if (!platform::DecodePictureBytes(bytes.data(), bytes.size(), &p, error, format)) return false;
  out->width = p.width;
  out->height = p.height;
  for (const platform::PictureFrame& frame : p.frames) {
    Bytes rgba;
    const Bytes& px = frame.pixels;
    for (size_t i = 0; i < size_t(p.width) * p.height; ++i) {
      if (p.IsPalette()) {
        const int index = px.at(i * p.bytes_per_pixel);
        const int alpha = p.bytes_per_pixel == 2 ? px[i * 2 + 1] : index == p.transparent_index ? 0 : 255;
        const bool in = size_t(index) * 3 + 2 < p.palette.size();
        for (int c = 0; c < 3; ++c) rgba.push_back(in ? p.palette[index * 3 + c] : 0);
        rgba.push_back(uint8_t(alpha));
      } else {
        const uint8_t* q = &px.at(i * 4);
        const bool keyed = p.has_transparent_colour && (q[2] | q[1] << 8 | q[0] << 16) == int(p.transparent_colour);
        rgba.insert(rgba.end(), {q[2], q[1], q[0], uint8_t(p.alpha_valid ? q[3] : keyed ? 0 : 255)});
      }
    }
    out->frames.push_back(std::move(rgba));
  }
  return true;
}

// What the reference shows: ImageMagick's frames coalesced onto the screen, or Pillow's.
bool ReferenceRgba(const std::string& file, Ref ref, Rgba* out, std::string* error) {
  std::string input = file;
  if (file.ends_with(".wbmp")) input = "wbmp:" + file;
  if (file.ends_with(".tga")) input = "tga:" + file;
  int status = 0;
  std::string out_text;
  int frames = 0;
  if (ref == Ref::kIm) {
    const std::string density = file.ends_with(".wmf") ? "-density 96 " : "";
    const std::string sizes = Shell("$IM " + density + input + " -coalesce -format '%w %h\\n' info: 2>/dev/null", &status);
    std::istringstream lines(sizes);
    for (int w, h; lines >> w >> h; ++frames) out->width = w, out->height = h;
    if (status != 0 || frames == 0) return *error = "ImageMagick cannot read it", false;
    // At 16 bits, rounded here: ImageMagick's own 8-bit output cuts 16-bit samples.
    const std::string wide = Shell("$IM " + density + input + " -coalesce -depth 16 -endian LSB rgba:- 2>/dev/null", &status);
    for (size_t i = 0; i + 1 < wide.size(); i += 2) {
      const unsigned sample = uint8_t(wide[i]) | uint8_t(wide[i + 1]) << 8;
      out_text.push_back(char((sample * 255 + 32767) / 65535));
    }
  } else {
    const std::string all = Shell("$PY pil_dump.py " + file + " 2>/dev/null", &status);
    std::istringstream head(all);
    head >> out->width >> out->height >> frames;
    if (status != 0 || !head) return *error = "Pillow cannot read it", false;
    out_text = all.substr(all.find('\n') + 1);
  }
  const size_t frame_bytes = size_t(out->width) * out->height * 4;
  if (status != 0 || out_text.size() != frame_bytes * frames) return *error = "the reference's output is short", false;
  for (int f = 0; f < frames; ++f) {
    out->frames.emplace_back(out_text.begin() + f * frame_bytes, out_text.begin() + (f + 1) * frame_bytes);
  }
  return true;
}

// "" when the two agree: same size and frames, every pixel within the tolerance (pixels clear in
// both compared by their alpha alone), or at most the coarse share of pixels off.
std::string ComparePictures(const Rgba& ours, const Rgba& ref, int tolerance, double coarse) {
  std::ostringstream why;
  if (ours.width != ref.width || ours.height != ref.height || ours.frames.size() != ref.frames.size()) {
    why << "ours " << ours.width << "x" << ours.height << " of " << ours.frames.size() << " frames, the reference's "
        << ref.width << "x" << ref.height << " of " << ref.frames.size();
    return why.str();
  }
  size_t off = 0, total = 0;
  std::string first;
  for (size_t f = 0; f < ours.frames.size(); ++f) {
    for (size_t i = 0; i + 3 < ours.frames[f].size(); i += 4, ++total) {
      const uint8_t* a = &ours.frames[f][i];
      const uint8_t* b = &ref.frames[f][i];
      if (a[3] == 0 && b[3] == 0) continue;
      bool same = true;
      for (int c = 0; c < 4; ++c) same = same && std::abs(a[c] - b[c]) <= tolerance;
      if (same) continue;
      if (off++ == 0) {
        std::ostringstream at;
        const size_t pixel = i / 4;
        at << "frame " << f << " pixel (" << pixel % ours.width << ", " << pixel / ours.width << "): ours ("
           << int(a[0]) << ", " << int(a[1]) << ", " << int(a[2]) << ", " << int(a[3]) << "), the reference's ("
           << int(b[0]) << ", " << int(b[1]) << ", " << int(b[2]) << ", " << int(b[3]) << ")";
        first = at.str();
      }
    }
  }
  if (off == 0 || (coarse > 0 && off <= coarse * total)) return "";
  why << off << " of " << total << " pixels differ; first " << first;
  return why.str();
}

// Makes the file; an empty string when made, else what the writer said.
std::string Make(const char* command) {
  int status = 0;
  const std::string out = Shell(std::string(command) + " 2>&1", &status);
  return status == 0 ? "" : "the writer failed: " + out;
}

// A row that differs fails, unless a known fault being mended elsewhere is named for it; a row so
// marked that agrees fails too, so that its mark goes once the fault is mended.
void Judge(const char* file, const char* pending, const std::string& difference) {
  if (pending == nullptr) {
    EXPECT_EQ(difference, "") << file;
  } else {
    EXPECT_NE(difference, "") << file << " now agrees: take away its mark pending = \"" << pending << "\"";
    if (!difference.empty()) std::printf("pending (%s): %s: %s\n", pending, file, difference.c_str());
  }
}

// 16-bit samples are rounded to 8 bits (ImageMagick's own 8-bit output cuts them: it is read at
// 16 bits and rounded here).
const char kRounded16[] = "16-bit samples rounded";

void CheckPictures(const std::vector<PictureRow>& rows) {
  for (const PictureRow& row : rows) {
    SCOPED_TRACE(std::string(row.file) + ": " + row.make);
    const std::string made = Make(row.make);
    ASSERT_EQ(made, "");
    Rgba ours, ref;
    std::string error;
    ASSERT_TRUE(ReferenceRgba(row.file, row.ref, &ref, &error)) << error;
    std::string difference;
    if (!ProjectRgba(row.file, &ours, &error)) {
      difference = "refused: " + error;
    } else {
      difference = ComparePictures(ours, ref, row.tolerance, row.coarse);
    }
    Judge(row.file, row.pending, difference);
  }
}

TEST_F(ToolFilesTest, Png) {
  CheckPictures({
      {"rgb.png", "true", Ref::kIm},
      {"rgba.png", "true", Ref::kIm},
      {"gray.png", "true", Ref::kIm},
      {"g1.png", "$IM mono.png -depth 1 -define png:color-type=0 g1.png", Ref::kIm},
      {"g2.png", "$IM gray.png -depth 2 -define png:color-type=0 g2.png", Ref::kIm},
      {"g4i.png", "$IM gray.png -depth 4 -interlace PNG g4i.png", Ref::kIm},
      {"g16.png", "$IM rgb16.png -colorspace gray -depth 16 g16.png", Ref::kIm, kRounded16},
      {"ga16.png", "$IM rgba16.png -colorspace gray -depth 16 -define png:color-type=4 ga16.png", Ref::kIm},
      {"rgb16i.png", "$IM rgb16.png -interlace PNG rgb16i.png", Ref::kIm, kRounded16},
      {"rgba16.png", "true", Ref::kIm, kRounded16},
      {"p1.png", "$IM mono.png -type palette -depth 1 PNG8:p1.png", Ref::kIm},
      {"p4.png", "$PY -c \"from PIL import Image; Image.open('pal16.png').convert('P', palette=Image.ADAPTIVE, "
                 "colors=16).save('p4.png', bits=4)\"",
       Ref::kPillow},
      {"p8t.png", "$IM rgba.png -colors 50 PNG8:p8t.png", Ref::kIm, "a palette's clear entries at alpha 0"},
      {"ptrns.png", "$PY -c \"from PIL import Image; i=Image.open('pal16.png').convert('P'); "
                    "i.info['transparency']=bytes([0,128,0]); i.save('ptrns.png', transparency=bytes([0,128,0]))\"",
       Ref::kPillow, "entries past a short tRNS opaque"},
      {"rgbtrns.png", "$IM rgb.png -transparent '#000000' -define png:color-type=2 rgbtrns.png", Ref::kIm},
      {"pnm.png", "$PPM -interlace pal16.ppm > pnm.png", Ref::kIm},
      {"pnmg.png", "$PPM gray.pgm > pnmg.png", Ref::kIm},
      {"pnmtrns.png", "$PPM -transparent =black rgb.ppm > pnmtrns.png", Ref::kIm},
      {"crush.png", "$PNGCRUSH -q -rem allb -brute pal16.png crush.png", Ref::kIm},
      {"opti.png", "cp rgba.png opti.png && $OPTIPNG -quiet -o2 opti.png", Ref::kIm},
      {"pil.png", "$PY -c \"from PIL import Image; Image.open('rgba.png').save('pil.png', optimize=True)\"", Ref::kPillow},
      {"gm.png", "$GM convert rgba16.png -depth 16 gm.png", Ref::kIm, kRounded16},
      {"text.png", "$IM rgb.png -set comment \"$(head -c 20000 /dev/zero | tr '\\0' x)\" -define png:compression-level=9 "
                   "text.png",
       Ref::kIm, "text chunks skipped unread"},
  });
}

}  // namespace
