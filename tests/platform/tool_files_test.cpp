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
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/media/midi_file.h"
#include "engine/media/midi_stream_player.h"
#include "platform/clock.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"
#include "platform/picture_decoder.h"
#include "platform/sound_channel.h"
#include "platform/sound_channel_null.h"
#include "platform/sound_decode.h"
#include "platform/sound_midi.h"

#include <SDL2/SDL_audio.h>

namespace {

using Bytes = std::vector<uint8_t>;

// The tools, by the names the rows' commands use.
const std::pair<const char*, const char*> kTools[] = {
    {"IM", "/usr/bin/convert-im6.q16"},  {"GM", "/usr/bin/gm"},
    {"PY", "/usr/bin/python3"},          {"PPM", "/usr/bin/pnmtopng"},
    {"TIFFCP", "/usr/bin/tiffcp"},       {"GIFSICLE", "/usr/bin/gifsicle"},
    {"FFMPEG", "/usr/bin/ffmpeg"},       {"SOX", "/usr/bin/sox"},
    {"OGGENC", "/usr/bin/oggenc"},       {"LAME", "/usr/bin/lame"},
    {"MPG123", "/usr/bin/mpg123"},       {"PNGCRUSH", "/usr/bin/pngcrush"},
    {"OPTIPNG", "/usr/bin/optipng"},     {"FFPROBE", "/usr/bin/ffprobe"},
    {"PPMTOPCX", "/usr/bin/ppmtopcx"},   {"PPMTOBMP", "/usr/bin/ppmtobmp"},
    {"PBMTOWBMP", "/usr/bin/pbmtowbmp"}, {"PAMTOTGA", "/usr/bin/pamtotga"},
    {"PPMTOGIF", "/usr/bin/ppmtogif"},   {"PNMTOTIFF", "/usr/bin/pnmtotiff"},
};

// Helpers the rows' commands call. "$PIL 'code'" runs Python with Pillow's Image imported.
// Pillow and mido are Debian's (/usr/bin/python3).
const char kPillowDump[] = R"(import sys
from PIL import Image, ImageSequence
im = Image.open(sys.argv[1])
frames = [f.convert('RGBA').tobytes() for f in ImageSequence.Iterator(im)]
sys.stdout.buffer.write(b'%d %d %d\n' % (im.size[0], im.size[1], len(frames)) + b''.join(frames))
)";
// Channel messages as a player sends them: microseconds from the start, then the bytes in hex.
// mido times tempo-based songs itself; it keeps a SMPTE division as ticks, so a SMPTE tick is
// 10^6 / (frames x ticks a frame) us here, 29 frames meaning 29.97 (30000 / 1001).
// With "tracks": every event of every track as read, "track tick bytes": a channel message's
// bytes, a meta event as FF, its type and its data (no length), a sysex as F0 and its data
// without its closing F7 (mido keeps a packet's data so, whether it came as F0 or F7).
const char kMidoDump[] = R"(import sys, mido
f = mido.MidiFile(sys.argv[1])
if len(sys.argv) > 2:
    for i, track in enumerate(f.tracks):
        at = 0
        for m in track:
            at += m.time
            b = m.bytes()
            if m.is_meta:
                n = 2
                while b[n] & 0x80: n += 1
                b = b[:2] + b[n + 1:]
            elif m.type == 'sysex':
                b = b[:-1]
            print(i, at, bytes(b).hex().upper())
    sys.exit(0)
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
// Writes the pictures and sounds the rows start from (widths not multiples of 8 on purpose): a
// picture of 16-bit samples, with and without alpha, and what is made of it; a mono tone and a
// stereo one of two tones.
const char kMakeInputs[] = R"(set -e
$SOX -n -r 22050 -c 1 -b 16 mono.wav synth 0.4 sine 440 vol 0.7
$SOX -n -r 44100 -c 2 -b 16 stereo.wav synth 0.4 sine 300 sine 1250 vol 0.8
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
body += rec(0x02FC, 0, 0x00FF, 0x0033, 0) + rec(0x012D, 0)          # solid brush of (255, 0, 51)
body += rec(0x02FA, 5, 0, 0, 0, 0) + rec(0x012D, 1)                  # no pen
body += rec(0x041B, 40, 50, 5, 5)                                     # rectangle (bottom, right, top, left)
body += rec(0x02FC, 0, 0x3366, 0x0099, 0) + rec(0x012D, 2)          # (102, 51, 153)
body += rec(0x0324, 3, 10, 55, 70, 55, 40, 75)                       # triangle
body += rec(0x0000)
head = struct.pack('<HHHIH', 1, 9, 0x300, 0, 3) + struct.pack('<IH', max(len(body) // 2, 16), 0)
place = struct.pack('<IhhhhhHI', 0x9AC6CDD7, 0, 0, 0, 80, 60, 96, 0)
ck = 0
for i in range(0, 20, 2): ck ^= struct.unpack('<H', place[i:i + 2])[0]
sys.stdout.buffer.write(place + struct.pack('<H', ck) + head + body)
)";

// A V5 bitmap of 2-10-10-10 masks (ImageMagick reads it; no tool here writes one).
const char kMakeBmp10[] = R"(import struct, sys
w, h = 5, 3
px = b''.join(struct.pack('<I', (x * 200 << 20) | (y * 500 << 10) | (x * y * 60) | ((x + y) % 4) << 30)
              for y in range(h) for x in range(w))
info = struct.pack('<IiiHHIIiiII', 124, w, h, 1, 32, 3, len(px), 2835, 2835, 0, 0)
info += struct.pack('<IIII', 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000) + b'sRGB' + bytes(124 - 40 - 20)
head = struct.pack('<2sIHHI', b'BM', 14 + 124 + len(px), 0, 0, 14 + 124)
sys.stdout.buffer.write(head + info + px)
)";

// A PNG of one row of 2,000,000 pixels of 16-bit colour and alpha (ImageMagick's policy refuses
// such a width; Pillow reads it).
const char kMakeWide16[] = R"(import struct, sys, zlib
pattern = b''.join(struct.pack('>4H', i * 65, i * 257 % 65536, 65535 - i * 40, i * 99 % 65536) for i in range(1000))
def chunk(kind, data): return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
head = struct.pack('>IIBBBBB', 2000000, 1, 16, 6, 0, 0, 0)
sys.stdout.buffer.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', head) + chunk(b'IDAT', zlib.compress(b'\0' + pattern * 2000))
                        + chunk(b'IEND', b''))
)";

// Songs written with mido: MODE OUT. Channel messages of several kinds on two channels, a tempo
// change, and what the mode adds.
const char kMakeMidi[] = R"(import sys, mido
mode, out = sys.argv[1], sys.argv[2]
smpte = {'smpte25': (25, 40), 'smpte24': (24, 10), 'smpte30': (30, 4), 'smpte2997': (29, 80)}
division = -(smpte[mode][0] << 8) + smpte[mode][1] if mode in smpte else (480 if mode == 'ppq480' else 96)
f = mido.MidiFile(type=0 if mode == 'type0' else 1, ticks_per_beat=division)
M = mido.Message
notes = [M('program_change', channel=0, program=5, time=0), M('note_on', note=60, velocity=100, time=0),
         M('control_change', channel=1, control=7, value=90, time=10), M('note_on', channel=1, note=64, velocity=80, time=30),
         M('pitchwheel', channel=1, pitch=-2000, time=45), M('note_off', note=60, time=70),
         M('aftertouch', channel=1, value=33, time=5), M('polytouch', note=64, value=9, time=17),
         M('note_on', channel=1, note=64, velocity=0, time=96)]
tempo = [mido.MetaMessage('set_tempo', tempo=400000, time=0), mido.MetaMessage('set_tempo', tempo=650000, time=100),
         mido.MetaMessage('set_tempo', tempo=303030, time=150)]
if mode == 'type0':
    track = mido.MidiTrack([tempo[0]] + notes[:4] + [mido.MetaMessage('set_tempo', tempo=650000, time=0)] + notes[4:])
    f.tracks.append(track)
elif mode == 'tracks130':  # the notes, then a track for each of 128 notes more
    f.tracks.append(mido.MidiTrack(tempo))
    f.tracks.append(mido.MidiTrack(notes))
    for n in range(128):
        f.tracks.append(mido.MidiTrack([M('note_on', channel=n % 9, note=n, velocity=40 + n % 80, time=3 * n + 1),
                                        M('note_off', channel=n % 9, note=n, time=50 + n % 7)]))
else:
    f.tracks.append(mido.MidiTrack(tempo))
    f.tracks.append(mido.MidiTrack(notes))
    f.tracks.append(mido.MidiTrack([M('note_on', channel=2, note=n, velocity=50 + n % 40, time=7 * (n % 5) + 1)
                                    for n in range(40, 70)]))
if mode == 'sysex':
    f.tracks[1].insert(3, M('sysex', data=[0x41, 0x10, 0x42, 0x12], time=0))
f.save(out)
data = bytearray(open(out, 'rb').read())
if mode == 'f7':  # a sysex sent in two packets: F0 and its rest after F7, as a file may carry it
    i = data.index(b'MTrk', 14) + 8
    extra = bytes([0, 0xF0, 3, 0x43, 0x12, 0x00, 5, 0xF7, 3, 0x07, 0x08, 0xF7])
    data[i:i] = extra
    at = data.index(b'MTrk', 14) + 4
    data[at:at + 4] = (int.from_bytes(data[at:at + 4], 'big') + len(extra)).to_bytes(4, 'big')
if mode == 'unknown':  # a chunk of a type of no one's before the tracks
    data[14:14] = b'XTRA' + (6).to_bytes(4, 'big') + b'abcdef'
if mode == 'noend':  # every track without its end-of-track event, as some writers leave it
    at, out_data = 14, bytearray(data[:14])
    while at < len(data):
        size = int.from_bytes(data[at + 4:at + 8], 'big')
        out_data += data[at:at + 4] + (size - 4).to_bytes(4, 'big') + data[at + 8:at + 8 + size - 4]
        at += 8 + size
    data = out_data
open(out, 'wb').write(data)
)";

// What a row's file is read against.
enum class Ref { kIm, kPillow };

struct PictureRow {
  const char* file;  // made in the temporary folder; its extension is its kind
  const char* make;  // the writer's command ($IM, $GM, ... are the tools)
  Ref ref;
  const char* reading = "";       // what this project reads on purpose where the two may part
  int tolerance = 0;              // per channel, of 255
  const char* pending = nullptr;  // a known fault being mended elsewhere: the row differs for now
  double coarse = 0;              // >0: only this share of pixels may differ (by more than tolerance)
  // Fields of so many bits that the reference widens by a shift (red, green, blue, alpha; 0 for
  // none): this project widens them to full scale (15 to 255, not 240).
  std::array<int, 4> widen = {};
};

struct SoundRow {
  const char* file;
  const char* make;
  const char* ref;  // writes the samples as 16-bit little-endian, channels interleaved, to stdout
  const char* reading = "";
  int tolerance = 0;  // per sample, of 32768
  const char* pending = nullptr;
  size_t ref_short = 0;  // samples the reference may lack at its end
};

struct MidiRow {
  const char* file;
  const char* make;
  const char* reading = "";
  const char* pending = nullptr;
  const char* ref = nullptr;  // the file mido reads, when not the row's own
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
    // Each kind's test runs beside the others': ImageMagick takes one thread, not one a core.
    setenv("MAGICK_THREAD_LIMIT", "1", 1);
    setenv("OMP_NUM_THREADS", "1", 1);
    // Pillow and mido are Debian's modules, not pyenv's.
    if (missing_.empty() && Shell("$PY -c 'import PIL, mido' 2>&1 && echo ok") != "ok\n")
      missing_ += " python3-pil/python3-mido";
    if (!missing_.empty()) return;
    WriteText("pil_dump.py", kPillowDump);
    WriteText("pil.sh", "exec $PY -c \"from PIL import Image\n$1\"\n");
    setenv("PIL", "bash pil.sh", 1);
    WriteText("mido_dump.py", kMidoDump);
    WriteText("make_wmf.py", kMakeWmf);
    WriteText("make_bmp10.py", kMakeBmp10);
    WriteText("make_wide16.py", kMakeWide16);
    WriteText("make_mid.py", kMakeMidi);
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
  // ImageMagick 6 keeps a bottom-left TGA's rows as stored and marks it so: -auto-orient puts
  // them in place (its own TGAs are written top row first under a bottom-left origin, so Pillow
  // and this project, reading the origin, show them upside down: as ImageMagick does here).
  if (file.ends_with(".tga")) input = "tga:" + file + " -auto-orient";
  if (file.ends_with(".tif")) input = file + " -auto-orient +repage";  // as its orientation says
  int status = 0;
  std::string out_text;
  int frames = 0;
  if (ref == Ref::kIm) {
    const std::string density = file.ends_with(".wmf") ? "-density 96 " : "";
    const std::string sizes =
        Shell("$IM " + density + input + " -coalesce -format '%w %h\\n' info: 2>/dev/null", &status);
    std::istringstream lines(sizes);
    for (int w, h; lines >> w >> h; ++frames) out->width = w, out->height = h;
    if (status != 0 || frames == 0) return *error = "ImageMagick cannot read it", false;
    // At 16 bits, rounded here: ImageMagick's own 8-bit output cuts 16-bit samples.
    const std::string wide =
        Shell("$IM " + density + input + " -coalesce -depth 16 -endian LSB rgba:- 2>/dev/null", &status);
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
  const std::string out = Shell("{ " + std::string(command) + "; } 2>&1", &status);
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

// A field of n bits widened to full scale as this project does: its bits repeated (5 bits:
// 0b00011 gives 0b00011000, 31 gives 255).
int Widened(int v, int n) {
  int wide = 0;
  for (int shift = 8 - n; shift > -n; shift -= n) wide |= shift >= 0 ? v << shift : v >> -shift;
  return wide;
}

// The reference's fields of n bits, shifted up, scaled short of full (ImageMagick shows a 2-bit 3
// as 3 x 255 / 4, 191) or already full, widened to full scale as this project widens them.
void Widen(Rgba& ref, const std::array<int, 4>& bits) {
  for (Bytes& frame : ref.frames) {
    for (size_t i = 0; i < frame.size(); ++i) {
      const int n = bits[i % 4];
      if (n == 0) continue;
      const int x = frame[i];
      const int shifted = x >> (8 - n), scaled = std::min((x << n) / 255 + ((x << n) % 255 >= 128), (1 << n) - 1);
      const bool short_scale = x != Widened(shifted, n) && x != shifted << (8 - n) && x == scaled * 255 >> n;
      frame[i] = uint8_t(Widened(short_scale ? scaled : shifted, n));
    }
  }
}

// 16-bit samples are rounded to 8 bits (ImageMagick's own 8-bit output cuts them: it is read at
// 16 bits and rounded here).
const char kRounded16[] = "16-bit samples rounded";

void CheckPictures(const std::vector<PictureRow>& rows) {
  for (const PictureRow& row : rows) {
    SCOPED_TRACE(std::string(row.file) + ": " + row.make + " (" + row.reading + ")");
    const std::string made = Make(row.make);
    Rgba ours, ref;
    std::string error;
    if (!made.empty() || !ReferenceRgba(row.file, row.ref, &ref, &error)) {
      ADD_FAILURE() << row.file << ": " << made << error;
      continue;
    }
    Widen(ref, row.widen);
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
      {"wide16.png", "$PY make_wide16.py > wide16.png", Ref::kPillow,
       "libpng's two rows of 16 MB each beside the frame; 16-bit samples rounded where Pillow cuts them", 1},
      {"p1.png", "$IM mono.png -type palette -depth 1 PNG8:p1.png", Ref::kIm},
      {"p4.png",
       "$PIL \"Image.open('pal16.png').convert('P', palette=Image.ADAPTIVE, "
       "colors=16).save('p4.png', bits=4)\"",
       Ref::kPillow},
      {"p2.png",
       "$PIL \"Image.open('pal16.png').convert('P', palette=Image.ADAPTIVE, colors=4).save('p2.png', bits=2)\"",
       Ref::kPillow},
      {"p8t.png", "$IM rgba.png -colors 50 PNG8:p8t.png", Ref::kIm, "a palette's clear entries at alpha 0"},
      {"ptrns.png",
       "$PIL \"i=Image.open('pal16.png').convert('P'); "
       "i.info['transparency']=bytes([0,128,0]); i.save('ptrns.png', transparency=bytes([0,128,0]))\"",
       Ref::kPillow, "entries past a short tRNS opaque"},
      {"gtrns.png", "$IM gray.png -transparent '#000000' -define png:color-type=0 gtrns.png", Ref::kIm,
       "a grey's tRNS key clear"},
      {"rgbtrns.png", "$IM rgb.png -transparent '#000000' -define png:color-type=2 rgbtrns.png", Ref::kIm},
      {"pnm.png", "$PPM -interlace pal16.ppm > pnm.png", Ref::kIm},
      {"pnmg.png", "$PPM gray.pgm > pnmg.png", Ref::kIm},
      {"pnmtrns.png", "$PPM -transparent =black rgb.ppm > pnmtrns.png", Ref::kIm},
      {"crush.png", "$PNGCRUSH -q -rem allb -brute pal16.png crush.png", Ref::kIm},
      {"opti.png", "cp rgba.png opti.png && $OPTIPNG -quiet -o2 opti.png", Ref::kIm},
      {"pil.png", "$PIL \"Image.open('rgba.png').save('pil.png', optimize=True)\"", Ref::kPillow},
      {"pilla.png", "$PIL \"Image.open('rgba.png').convert('LA').save('pilla.png')\"", Ref::kPillow},
      {"crushp.png", "$PNGCRUSH -q -reduce rgb.png crushp.png", Ref::kIm},
      {"optip.png", "cp pal16.png optip.png && $OPTIPNG -quiet -o5 -i1 optip.png", Ref::kIm,
       "palette reduced, interlaced"},
      {"gm.png", "$GM convert rgba16.png -depth 16 gm.png", Ref::kIm, kRounded16},
      {"text.png",
       "$IM rgb.png -set comment \"$(head -c 20000 /dev/zero | tr '\\0' x)\" -define png:compression-level=9 "
       "text.png",
       Ref::kIm, "text chunks skipped unread"},
  });
}

TEST_F(ToolFilesTest, Gif) {
  CheckPictures({
      {"im.gif", "$IM rgb.png -colors 64 im.gif", Ref::kIm},
      {"imt.gif", "$IM rgba.png -colors 32 imt.gif", Ref::kIm, "the transparent index at alpha 0"},
      {"imi.gif", "$IM pal16.png -interlace GIF imi.gif", Ref::kIm},
      {"anim.gif",
       "$IM -delay 10 -dispose none pal16.png -dispose background -page +5+3 pal4.png "
       "-dispose previous -page +9+2 imt.gif -loop 0 anim.gif",
       Ref::kIm, "frames composed with their disposal modes"},
      {"local.gif", "$IM -page 50x30+0+0 pal16.png -page +10+5 pal4.png -loop 0 local.gif", Ref::kIm,
       "the screen no frame covers in the background colour"},
      {"gs.gif", "$GIFSICLE -O3 --colors 8 --interlace im.gif > gs.gif", Ref::kIm},
      {"gsdisp.gif", "$GIFSICLE -d 3 --disposal previous imt.gif --disposal background -O1 im.gif > gsdisp.gif",
       Ref::kIm},
      {"pilt.gif", "$PIL \"Image.open('rgba.png').convert('P').save('pilt.gif', transparency=3)\"", Ref::kPillow},
      {"gsm.gif", "$GIFSICLE -d 5 im.gif imt.gif > gsm.gif", Ref::kIm},
      {"gsscreen.gif", "$GIFSICLE --logical-screen 45x30 -O2 im.gif > gsscreen.gif", Ref::kIm},
      {"gsout.gif", "$GIFSICLE --logical-screen 45x30 im.gif --position 20,15 imt.gif > gsout.gif", Ref::kIm, "the screen no frame covers in the background colour"},
      {"pil.gif",
       "$PIL \"a=Image.open('pal16.png').convert('P'); b=Image.open('pal4.png').convert('P'); "
       "a.save('pil.gif', save_all=True, append_images=[b], duration=[50, 70], disposal=2, loop=0)\"",
       Ref::kPillow},
      {"netpbm.gif", "$PPMTOGIF pal16.ppm > netpbm.gif", Ref::kIm},
      {"gm.gif", "$GM convert rgba.png -colors 20 gm.gif", Ref::kIm},
  });
}

TEST_F(ToolFilesTest, Bmp) {
  CheckPictures({
      {"b24.bmp", "$IM rgb.png BMP3:b24.bmp", Ref::kIm},
      {"b32.bmp", "$IM rgba.png b32.bmp", Ref::kIm},
      {"b1.bmp", "$IM mono.png -type bilevel BMP3:b1.bmp", Ref::kIm},
      {"b4.bmp", "$IM pal16.png -type palette BMP3:b4.bmp", Ref::kIm},
      {"b8.bmp", "$IM pal200.png -type palette BMP3:b8.bmp", Ref::kIm},
      {"b4rle.bmp", "$IM pal16.png -type palette -compress RLE BMP3:b4rle.bmp", Ref::kIm},
      {"b8rle.bmp", "$IM pal200.png -type palette -compress RLE BMP3:b8rle.bmp", Ref::kIm},
      {"b565.bmp", "$IM rgb.png -define bmp:subtype=RGB565 b565.bmp", Ref::kIm,
       "5- and 6-bit fields widened to full scale"},
      {"b555.bmp", "$IM rgb.png -define bmp:subtype=RGB555 b555.bmp", Ref::kIm},
      {"b1555.bmp",
       "$IM rgba.png -define bmp:subtype=ARGB1555 b1555.bmp",
       Ref::kIm,
       "a 1-bit alpha field widened to full scale",
       0,
       nullptr,
       0,
       {0, 0, 0, 1}},
      {"b4444.bmp",
       "$IM rgba.png -define bmp:subtype=ARGB4444 b4444.bmp",
       Ref::kIm,
       "4-bit fields widened to full scale",
       0,
       nullptr,
       0,
       {4, 4, 4, 4}},
      {"netpbm1.bmp", "$PPMTOBMP -bpp 1 mono.pbm > netpbm1.bmp", Ref::kIm},
      {"netpbm4.bmp", "$PPMTOBMP -bpp 4 pal16.ppm > netpbm4.bmp", Ref::kIm},
      {"os2.bmp", "$PPMTOBMP -os2 pal16.ppm > os2.bmp", Ref::kIm},
      {"pil.bmp", "$PIL \"Image.open('pal200.png').convert('P').save('pil.bmp')\"", Ref::kPillow},
      {"pil1.bmp", "$PIL \"Image.open('mono.png').convert('1').save('pil1.bmp')\"", Ref::kPillow},
      {"pilrgb.bmp", "$PIL \"Image.open('rgb.png').save('pilrgb.bmp')\"", Ref::kPillow},
      {"gm.bmp", "$GM convert rgba.png gm.bmp", Ref::kIm},
      {"short565.bmp",
       "head -c -1 b565.bmp > short565.bmp",
       Ref::kPillow,
       "a last row without its padding read (as Pillow; ImageMagick refuses the file); 5- and 6-bit fields widened "
       "to full scale where Pillow shifts them",
       0,
       nullptr,
       0,
       {5, 6, 5, 0}},
      {"short.bmp", "head -c -1 b24.bmp > short.bmp", Ref::kPillow, "the same at 24 bits"},
      {"b10.bmp",
       "$PY make_bmp10.py > b10.bmp",
       Ref::kIm,
       "contiguous masks of any width scaled to 8 bits (ImageMagick cuts 10-bit fields: +-1; it shifts a 2-bit "
       "alpha up, widened here)",
       1,
       nullptr,
       0,
       {0, 0, 0, 2}},
  });
}

TEST_F(ToolFilesTest, Jpg) {
  CheckPictures({
      {"j.jpg", "$IM rgb.png -quality 90 j.jpg", Ref::kIm},
      {"jp.jpg", "$IM rgb.png -interlace JPEG -quality 75 jp.jpg", Ref::kIm},
      {"j420.jpg", "$IM rgb.png -sampling-factor 2x2 j420.jpg", Ref::kIm},
      {"j422.jpg", "$IM rgb.png -sampling-factor 2x1 j422.jpg", Ref::kIm},
      {"jg.jpg", "$IM gray.png jg.jpg", Ref::kIm},
      {"jcmyk.jpg", "$IM rgb.png -colorspace CMYK jcmyk.jpg", Ref::kIm,
       "inks turned to colours as ImageMagick turns them"},
      {"pil.jpg", "$PIL \"Image.open('rgb.png').save('pil.jpg', quality=80, subsampling=2, progressive=True)\"",
       Ref::kPillow},
      {"pilopt.jpg", "$PIL \"Image.open('rgb.png').save('pilopt.jpg', optimize=True, subsampling=0)\"", Ref::kPillow},
      {"gm.jpg", "$GM convert rgb.png -quality 60 gm.jpg", Ref::kIm},
      {"ff.jpg", "$FFMPEG -v error -i rgb.png -pix_fmt yuvj420p ff.jpg", Ref::kIm},
      {"ff444.jpg", "$FFMPEG -v error -i rgb.png -pix_fmt yuvj444p -q:v 3 ff444.jpg", Ref::kIm},
      {"pilcmyk.jpg", "$PIL \"Image.open('rgb.png').convert('CMYK').save('pilcmyk.jpg', quality=95)\"", Ref::kIm,
       "inks turned to colours as ImageMagick turns them (Pillow subtracts them)"},
  });
}

TEST_F(ToolFilesTest, Ico) {
  CheckPictures({
      {"i.ico", "$IM rgba.png -resize 32x32! i.ico", Ref::kIm},
      {"i4.ico", "$IM pal16.png -resize 16x16! -colors 16 i4.ico", Ref::kIm},
      {"i256.ico", "$IM rgba.png -resize 256x256! i256.ico", Ref::kIm, "an image stored as a PNG read as that PNG"},
      {"pil.ico", "$PIL \"Image.open('rgba.png').save('pil.ico', sizes=[(37, 21)])\"", Ref::kPillow},
      {"i1.ico", "$IM mono.png -resize 16x16! -colors 2 i1.ico", Ref::kIm},
      {"i8.ico", "$IM pal200.png -resize 48x48! i8.ico", Ref::kIm},
      {"c.cur", "$IM rgba.png -resize 32x32! c.cur", Ref::kIm, "a cursor read as an icon"},
  });
}

TEST_F(ToolFilesTest, Tif) {
  CheckPictures({
      {"t.tif", "$IM rgb.png -compress none t.tif", Ref::kIm},
      {"tlzw.tif", "$IM rgba.png -compress lzw tlzw.tif", Ref::kIm, "unassociated alpha straight"},
      {"tzip.tif", "$IM rgb.png -compress zip -define tiff:predictor=2 tzip.tif", Ref::kIm},
      {"tpack.tif", "$IM pal16.png -type palette -compress RLE tpack.tif", Ref::kIm},
      {"tg4.tif", "$IM mono.png -type bilevel -compress group4 tg4.tif", Ref::kIm},
      {"tfax.tif", "$IM mono.png -type bilevel -compress fax tfax.tif", Ref::kIm},
      {"tgray.tif", "$IM gray.png tgray.tif", Ref::kIm},
      {"t16.tif", "$IM rgb16.png -depth 16 t16.tif", Ref::kIm, kRounded16},
      {"tplane.tif", "$IM rgba.png -interlace plane tplane.tif", Ref::kIm},
      {"tassoc.tif", "$IM rgba.png -define tiff:alpha=associated tassoc.tif", Ref::kIm,
       "associated alpha divided out, rounded"},
      {"tcmyk.tif", "$IM rgb.png -colorspace CMYK tcmyk.tif", Ref::kIm, "inks turned to colours rounded"},
      {"tjpeg.tif", "$IM rgb.png -compress jpeg tjpeg.tif", Ref::kIm},
      {"tcmyka.tif", "$IM rgba.png -colorspace CMYK tcmyka.tif", Ref::kIm},
      {"tcmyk16.tif", "$IM rgb16.png -colorspace CMYK -depth 16 tcmyk16.tif", Ref::kIm},
      {"ttile.tif", "$IM rgba.png -define tiff:tile-geometry=16x16 -compress zip ttile.tif", Ref::kIm},
      {"ta16t.tif", "$IM rgba16.png -depth 16 -define tiff:alpha=associated -define tiff:tile-geometry=16x16 ta16t.tif",
       Ref::kIm},
      {"cpnone.tif", "$TIFFCP -c none -t -w 16 -l 16 t.tif cpnone.tif", Ref::kIm},
      {"cplzw.tif", "$TIFFCP -c lzw:2 -r 5 tlzw.tif cplzw.tif", Ref::kIm},
      {"cpzip.tif", "$TIFFCP -c zip -t -w 32 -l 16 tlzw.tif cpzip.tif", Ref::kIm},
      {"cpsep.tif", "$TIFFCP -p separate -c packbits t.tif cpsep.tif", Ref::kIm},
      {"cpjpeg.tif", "$TIFFCP -c jpeg:r:90 t.tif cpjpeg.tif", Ref::kIm},
      {"cpg16.tif",
       "$IM rgb16.png -colorspace gray -depth 16 g16.tif && $TIFFCP -c zip -t -w 16 -l 16 g16.tif cpg16.tif", Ref::kIm,
       kRounded16},
      {"gm.tif", "$GM convert rgba.png -compress lzw gm.tif", Ref::kIm},
      {"pil.tif", "$PIL \"Image.open('rgba.png').save('pil.tif', compression='tiff_deflate')\"", Ref::kPillow},
      {"pilp.tif", "$PIL \"Image.open('pal16.png').convert('P').save('pilp.tif', compression='packbits')\"",
       Ref::kPillow},
      {"pilg4.tif", "$PIL \"Image.open('mono.png').convert('1').save('pilg4.tif', compression='group4')\"",
       Ref::kPillow},
      {"ta16.tif", "$IM rgba16.png -depth 16 -compress zip ta16.tif", Ref::kIm, kRounded16},
      {"g16s.tif", "$IM rgb16.png -colorspace gray -depth 16 g16s.tif", Ref::kIm, kRounded16},
      {"pnm.tif", "$PNMTOTIFF -lzw -predictor 2 rgb.ppm > pnm.tif", Ref::kIm},
      {"pnmpal.tif", "$PNMTOTIFF -packbits pal16.ppm > pnmpal.tif", Ref::kIm},
      {"o2.tif", "$IM rgb.png -orient TopRight o2.tif", Ref::kIm, "mirrored as its orientation says"},
      {"o3.tif", "$IM rgba.png -orient BottomRight -compress zip o3.tif", Ref::kIm},
      {"o4.tif", "$IM rgb16.png -depth 16 -orient BottomLeft o4.tif", Ref::kIm, kRounded16},
      {"o5.tif", "$IM rgb.png -orient LeftTop o5.tif", Ref::kIm, "turned a quarter as its orientation says"},
      {"o6.tif", "$IM rgba.png -orient RightTop -define tiff:tile-geometry=16x16 o6.tif", Ref::kIm},
      {"o7.tif", "$IM pal16.png -type palette -orient RightBottom o7.tif", Ref::kIm},
      {"o8.tif", "$IM rgb.png -interlace plane -orient LeftBottom o8.tif", Ref::kIm},
      {"lab16.tif", "$IM rgb16.png -colorspace Lab lab16.tif", Ref::kIm, "CIE L*a*b* into sRGB from its white point",
       1},
      {"laba16.tif", "$IM rgba16.png -colorspace Lab -compress zip laba16.tif", Ref::kIm, "and its alpha", 1},
      {"lab8.tif",
       "$IM rgb.png -colorspace Lab lab8.tif",
       Ref::kIm,
       "8-bit a* and b* signed as the standard signs them: ImageMagick writes and reads a negative one a unit "
       "higher, which moves the darkest channel of a saturated colour",
       3,
       nullptr,
       0.3},
      {"pillab.tif",
       "$PIL \"from PIL import ImageCms; c = ImageCms.createProfile; ImageCms.applyTransform(Image.open('rgb.png'), "
       "ImageCms.buildTransformFromOpenProfiles(c('sRGB'), c('LAB'), 'RGB', 'LAB')).save('pillab.tif')\"",
       Ref::kPillow,
       "no white point: D50, adapted to D65 (Pillow's colour management interpolates between points of a table, "
       "which moves the darkest channel of a saturated colour)",
       8,
       nullptr,
       0.15},
  });
}

TEST_F(ToolFilesTest, Tga) {
  CheckPictures({
      {"t.tga", "$IM rgb.png t.tga", Ref::kIm},
      {"trle.tga", "$IM rgba.png -compress RLE trle.tga", Ref::kIm},
      {"tgray.tga", "$IM gray.png -type grayscale tgray.tga", Ref::kIm},
      {"tpal.tga", "$IM pal16.png -type palette -compress RLE tpal.tga", Ref::kIm},
      {"pam.tga", "$PAMTOTGA -rgb -norle rgb.ppm > pam.tga", Ref::kIm},
      {"pampal.tga", "$PAMTOTGA -cmap pal16.ppm > pampal.tga", Ref::kIm},
      {"pil.tga", "$PIL \"Image.open('rgba.png').save('pil.tga', rle=True)\"", Ref::kPillow},
      {"pilla.tga", "$PIL \"Image.open('rgba.png').convert('LA').save('pilla.tga')\"", Ref::kPillow,
       "grey and alpha read as Pillow reads it (ImageMagick 6 misreads it)"},
      {"pilp.tga", "$PIL \"Image.open('pal16.png').convert('P').save('pilp.tga', orientation=1)\"", Ref::kPillow,
       "top-left rows"},
      {"gm.tga", "$GM convert rgba.png gm.tga", Ref::kIm},
      {"pamrle.tga", "$PAMTOTGA rgb.ppm > pamrle.tga", Ref::kIm},
      {"pammono.tga", "$PAMTOTGA -mono gray.pgm > pammono.tga", Ref::kPillow},
      {"pilrgb.tga", "$PIL \"Image.open('rgb.png').save('pilrgb.tga', rle=True)\"", Ref::kPillow},
      {"pill.tga", "$PIL \"Image.open('gray.png').convert('L').save('pill.tga', rle=True)\"", Ref::kPillow},
  });
}

TEST_F(ToolFilesTest, Mng) {
  CheckPictures({
      {"im.mng", "$IM -delay 10 pal16.png rgb.png im.mng", Ref::kIm},
      {"imp.mng", "$IM -delay 20 pal16.png pal4.png imp.mng", Ref::kIm},
      {"ima.mng", "$IM -delay 10 rgba.png \\( rgba.png -flop -channel A -threshold 50% +channel \\) ima.mng", Ref::kIm,
       "translucent frames; a frame over another laid on where opaque (one translucent over another is composed by "
       "libmng in 8-bit steps, by ImageMagick in floating point: up to 3 apart at low alpha)"},
      {"gm.mng", "$GM convert -delay 10 rgb.png rgba.png gm.mng", Ref::kIm, "no gamma applied, as in PNG"},
      {"tail.mng", "cp im.mng tail.mng && printf '\\0\\0\\0\\12IDA' >> tail.mng", Ref::kIm,
       "a chunk cut short after MEND not read"},
      {"gmp.mng", "$GM convert -delay 10 pal16.png pal4.png gmp.mng", Ref::kIm, "no gamma applied, as in PNG"},
  });
}

TEST_F(ToolFilesTest, Pcx) {
  CheckPictures({
      {"p24.pcx", "$IM rgb.png p24.pcx", Ref::kIm},
      {"p8.pcx", "$IM pal200.png -type palette p8.pcx", Ref::kIm},
      {"p1.pcx", "$IM mono.png -type bilevel p1.pcx", Ref::kIm},
      {"pa.pcx", "$IM rgba.png pa.pcx", Ref::kIm},
      {"gm.pcx", "$GM convert rgb.png gm.pcx", Ref::kIm},
      {"gma.pcx", "$GM convert rgba.png gma.pcx", Ref::kIm},
      {"n16.pcx", "$PPMTOPCX pal16.ppm > n16.pcx", Ref::kIm},
      {"n4.pcx", "$PPMTOPCX -planes 2 pal4.ppm > n4.pcx", Ref::kIm},
      {"npacked.pcx", "$PPMTOPCX -packed pal16.ppm > npacked.pcx", Ref::kIm},
      {"n8.pcx", "$PPMTOPCX -8bit pal16.ppm > n8.pcx", Ref::kIm},
      {"n16w.pcx", "$IM pal16.ppm -crop 32x21+0+0 ppm:- | $PPMTOPCX > n16w.pcx", Ref::kIm,
       "4 planes of 1 bit, the width a multiple of 8"},
      {"npacked2.pcx", "$PPMTOPCX -packed pal4.ppm > npacked2.pcx", Ref::kIm},
      {"nmono.pcx", "$PPMTOPCX mono.pbm > nmono.pcx", Ref::kPillow,
       "1 bit: black and white from the header's palette, as Pillow (ImageMagick 6 shows this file inverted)"},
      {"n24.pcx", "$PPMTOPCX -24bit rgb.ppm > n24.pcx", Ref::kIm},
      {"pil1.pcx", "$PIL \"Image.open('mono.png').convert('1').save('pil1.pcx')\"", Ref::kPillow},
      {"pilp.pcx", "$PIL \"Image.open('pal200.png').convert('P').save('pilp.pcx')\"", Ref::kPillow},
      {"pill.pcx", "$PIL \"Image.open('gray.png').convert('L').save('pill.pcx')\"", Ref::kPillow},
      {"pilrgb.pcx", "$PIL \"Image.open('rgb.png').save('pilrgb.pcx')\"", Ref::kPillow},
  });
}

TEST_F(ToolFilesTest, Wbmp) {
  CheckPictures({
      {"w.wbmp", "$IM mono.png wbmp:w.wbmp", Ref::kIm},
      {"n.wbmp", "$PBMTOWBMP mono.pbm > n.wbmp", Ref::kIm},
      {"gm.wbmp", "$GM convert mono.png wbmp:gm.wbmp", Ref::kIm},
  });
}

// No tool here writes a metafile: one is written byte by byte (shapes in colours, no pen), and the
// drawing compared with ImageMagick's (libwmf too, at 96 dots an inch) by share of pixels:
// ImageMagick smooths the shapes' edges, this project draws them sharp, so the edge pixels
// (some 6% of this drawing) may differ; the rest agree within 8 of 255.
TEST_F(ToolFilesTest, Wmf) {
  CheckPictures({
      {"shapes.wmf", "$PY make_wmf.py > shapes.wmf", Ref::kIm, "edges drawn sharp: 8% of pixels may differ", 8, nullptr,
       0.08},
  });
}

// A sound's samples as 16-bit values, channels interleaved, with its rate and channels.
struct SoundSamples {
  uint32_t rate = 0, channels = 0;
  std::vector<int16_t> values;
};

class SampleSink : public platform::SoundSink {
 public:
  explicit SampleSink(SoundSamples* out) : out_(out) {}
  bool Begin(const platform::SoundForm& form) override {
    form_ = form;
    out_->rate = form.rate;
    out_->channels = form.channels;
    return true;
  }
  // Widened or narrowed to 16 bits as ffmpeg does it: 8-bit unsigned moved up, 32-bit cut to its
  // high half, floats scaled by 32768 and rounded.
  bool Samples(const uint8_t* bytes, size_t count) override {
    for (size_t i = 0; i < count;) {
      switch (form_.format) {
        case AUDIO_U8:
          out_->values.push_back(int16_t((bytes[i] - 128) * 256)), i += 1;
          break;
        case AUDIO_S8:
          out_->values.push_back(int16_t(int8_t(bytes[i]) * 256)), i += 1;
          break;
        case AUDIO_S16LSB:
          out_->values.push_back(int16_t(bytes[i] | bytes[i + 1] << 8)), i += 2;
          break;
        case AUDIO_S32LSB:
          out_->values.push_back(int16_t((bytes[i + 2] | bytes[i + 3] << 8))), i += 4;
          break;
        case AUDIO_F32LSB: {
          float v;
          std::memcpy(&v, bytes + i, 4);
          out_->values.push_back(int16_t(std::clamp<long>(std::lrint(v * 32768.0f), -32768, 32767))), i += 4;
          break;
        }
        default:
          return false;
      }
    }
    return true;
  }

 private:
  SoundSamples* out_;
  platform::SoundForm form_;
};

std::string CompareSounds(SoundSamples ours, const SoundSamples& ref, int tolerance, size_t ref_short) {
  std::ostringstream why;
  if (ours.values.size() > ref.values.size() && ours.values.size() - ref.values.size() == ref_short) {
    ours.values.resize(ref.values.size());
  }
  if (ours.rate != ref.rate || ours.channels != ref.channels || ours.values.size() != ref.values.size()) {
    why << "ours " << ours.values.size() << " samples, " << ours.channels << " channels at " << ours.rate
        << " Hz; the reference's " << ref.values.size() << ", " << ref.channels << " at " << ref.rate;
    return why.str();
  }
  size_t off = 0, first = 0;
  int most = 0;
  for (size_t i = 0; i < ours.values.size(); ++i) {
    const int d = std::abs(ours.values[i] - ref.values[i]);
    if (d <= tolerance) continue;
    if (off++ == 0) first = i;
    most = std::max(most, d);
  }
  if (off == 0) return "";
  why << off << " of " << ours.values.size() << " samples differ, by up to " << most << "; first sample " << first
      << ": ours " << ours.values[first] << ", the reference's " << ref.values[first];
  return why.str();
}

void CheckSounds(platform::SoundFileType type, const std::vector<SoundRow>& rows) {
  for (const SoundRow& row : rows) {
    SCOPED_TRACE(std::string(row.file) + ": " + row.make + " (" + row.reading + ")");
    const std::string made = Make(row.make);
    int status = 0;
    const std::string form = Shell(
        std::string("$FFPROBE -v error -show_entries stream=sample_rate,channels -of csv=p=0 ") + row.file + " 2>&1",
        &status);
    const std::string raw = Shell(std::string(row.ref) + " 2>/dev/null", &status);
    SoundSamples ours, ref;
    if (!made.empty() || status != 0 || std::sscanf(form.c_str(), "%u,%u", &ref.rate, &ref.channels) != 2) {
      ADD_FAILURE() << row.file << ": " << made << form << " (the reference failed: " << status << ")";
      continue;
    }
    for (size_t i = 0; i + 1 < raw.size(); i += 2)
      ref.values.push_back(int16_t(uint8_t(raw[i]) | uint8_t(raw[i + 1]) << 8));
    const Bytes bytes = ReadAll(row.file);
    SampleSink sink(&ours);
    const bool read = platform::DecodeSound(type, bytes.data(), bytes.size(), platform::MixerForm(44100), sink);
    Judge(row.file, row.pending, read ? CompareSounds(ours, ref, row.tolerance, row.ref_short) : "refused");
  }
}

// The references: ffmpeg and sox writing 16-bit samples, mpg123 (its own program over the library
// this project reads MP3 with).
#define FFREF(file) "$FFMPEG -v error -i " file " -f s16le -acodec pcm_s16le -"
#define SOXREF(file) "$SOX -D " file " -t raw -e signed -b 16 -L -"
#define MPGREF(file) "$MPG123 -q -s " file

// IMA ADPCM steps added up bit by bit, as the format's own description and sox do (ffmpeg
// computes (2 x nibble + 1) x step / 8 at once, a few units apart).
const char kImaSteps[] = "IMA ADPCM steps summed bit by bit, as sox";

TEST_F(ToolFilesTest, Wav) {
  using platform::SoundFileType;
  CheckSounds(
      SoundFileType::kWav,
      {
          {"mono.wav", "true", FFREF("mono.wav")},
          {"stereo.wav", "true", SOXREF("stereo.wav")},
          {"u8.wav", "$SOX stereo.wav -b 8 -e unsigned u8.wav", FFREF("u8.wav")},
          {"s24.wav", "$SOX mono.wav -b 24 s24.wav", FFREF("s24.wav"), "24-bit samples cut to their high 16 bits"},
          {"s32.wav", "$FFMPEG -v error -i stereo.wav -c:a pcm_s32le s32.wav", FFREF("s32.wav")},
          {"f32.wav", "$SOX mono.wav -e floating-point -b 32 f32.wav", FFREF("f32.wav"), "floats x 32768, rounded"},
          {"ff48.wav", "$FFMPEG -v error -i stereo.wav -ar 48000 ff48.wav", FFREF("ff48.wav")},
          {"ext.wav", "$FFMPEG -v error -i mono.wav -c:a pcm_s24le -rf64 never ext.wav", FFREF("ext.wav")},
          {"alaw.wav", "$SOX mono.wav -e a-law alaw.wav", FFREF("alaw.wav")},
          {"ulaw.wav", "$SOX stereo.wav -e u-law ulaw.wav", FFREF("ulaw.wav")},
          {"ima.wav", "$SOX mono.wav -e ima-adpcm ima.wav", SOXREF("ima.wav"), kImaSteps},
          {"ms.wav", "$SOX stereo.wav -e ms-adpcm ms.wav", FFREF("ms.wav")},
          {"ffima.wav", "$FFMPEG -v error -i stereo.wav -c:a adpcm_ima_wav ffima.wav", SOXREF("ffima.wav"), kImaSteps},
          {"ffms.wav", "$FFMPEG -v error -i mono.wav -c:a adpcm_ms ffms.wav", FFREF("ffms.wav")},
          {"sox8k.wav", "$SOX mono.wav -r 8000 -b 8 sox8k.wav", SOXREF("sox8k.wav")},
          {"ffu8m.wav", "$FFMPEG -v error -i mono.wav -ar 11025 -c:a pcm_u8 -metadata title=x ffu8m.wav",
           FFREF("ffu8m.wav"), "a LIST chunk before the data skipped"},
      });
}

TEST_F(ToolFilesTest, Ogg) {
  using platform::SoundFileType;
  CheckSounds(SoundFileType::kOgg,
              {
                  {"q3.ogg", "$OGGENC -Q -q 3 -o q3.ogg stereo.wav", SOXREF("q3.ogg")},
                  {"mono.ogg", "$OGGENC -Q -q 0 -o mono.ogg mono.wav", SOXREF("mono.ogg")},
                  {"q9.ogg", "$OGGENC -Q -q 9 --resample 32000 -o q9.ogg stereo.wav", SOXREF("q9.ogg")},
                  {"sox.ogg", "$SOX mono.wav -C 6 sox.ogg", SOXREF("sox.ogg")},
                  {"ff.ogg", "$FFMPEG -v error -i stereo.wav -c:a libvorbis -q:a 4 ff.ogg", SOXREF("ff.ogg")},
                  {"ffdec.ogg", "$OGGENC -Q -q 5 -o ffdec.ogg stereo.wav", FFREF("ffdec.ogg"),
                   "ffmpeg's own decoder rounds its floats apart from libvorbis (+-1) and ends 128 frames before the "
                   "last granule (0.4 s: 17,640 frames, as libvorbis and sox give)",
                   1, nullptr, 256},
              });
}

TEST_F(ToolFilesTest, Mp3) {
  using platform::SoundFileType;
  CheckSounds(SoundFileType::kMp3,
              {
                  {"cbr.mp3", "$LAME --quiet -b 128 stereo.wav cbr.mp3", MPGREF("cbr.mp3")},
                  {"vbr.mp3", "$LAME --quiet -V 5 mono.wav vbr.mp3", MPGREF("vbr.mp3")},
                  {"low.mp3", "$LAME --quiet -b 16 --resample 8 mono.wav low.mp3", MPGREF("low.mp3")},
                  {"joint.mp3", "$LAME --quiet -m j -b 96 --resample 32 stereo.wav joint.mp3", MPGREF("joint.mp3")},
                  {"id3.mp3", "$LAME --quiet --add-id3v2 --tt Title --ta Artist -b 64 mono.wav id3.mp3",
                   MPGREF("id3.mp3"), "an ID3v2 tag before the frames skipped"},
                  {"nogap.mp3", "$LAME --quiet -t -b 128 stereo.wav nogap.mp3", MPGREF("nogap.mp3"),
                   "no LAME header: the decoder's delay kept, as mpg123 keeps it"},
                  {"ff.mp3", "$FFMPEG -v error -i stereo.wav -c:a libmp3lame -q:a 4 ff.mp3", MPGREF("ff.mp3")},
                  {"ffdec.mp3", "$LAME --quiet -b 192 stereo.wav ffdec.mp3", FFREF("ffdec.mp3"),
                   "ffmpeg's own decoder rounds its floats apart from mpg123: +-1", 1},
              });
}

// A song's channel messages as the player sends them: microseconds after the start, bytes in hex.
std::vector<std::string> ProjectSong(const std::string& file, std::string* error) {
  const Bytes bytes = ReadAll(file);
  platform::ScopedManualClock clock;
  platform::MidiRecorder recorder;
  platform::SetMidiMapperSink(&recorder);
  std::vector<std::string> lines;
  {
    engine::MidiStreamPlayer player;
    if (player.Load(bytes.data(), bytes.size(), nullptr) != 1) {
      *error = "refused";
    } else {
      const int64_t start = clock->PerformanceCounter();
      player.Play(false);
      // Due times are kept exactly whatever the steps; a song here is at most a few seconds long.
      for (int ms = 0; ms < 30000 && player.IsPlaying(); ms += 20) {
        clock->Advance(20);
        player.WaitUntilSettled();
      }
      for (const platform::MidiRecorder::Entry& entry : recorder.Entries()) {
        char line[64];
        const int status = entry.message & 0xFF;
        const int length = status >= 0xC0 && status < 0xE0 ? 2 : 3;
        int n = std::snprintf(line, sizeof line, "%lld ", static_cast<long long>(entry.due_us - start));
        for (int i = 0; i < length; ++i)
          n += std::snprintf(line + n, sizeof line - n, "%02X", entry.message >> (8 * i) & 0xFF);
        lines.push_back(line);
      }
    }
  }
  platform::SetMidiMapperSink(nullptr);
  return lines;
}

// A song's channel messages as FluidSynth plays them when a stream is made of it (on null sound
// channels): microseconds after the start of the wave, bytes in hex.
std::vector<std::string> StreamedSong(const std::string& file, std::string* error) {
  const Bytes bytes = ReadAll(file);
  platform::NullSoundBackend channels;
  platform::InstallSoundBackend(&channels);
  platform::BASS_Init(-1, 44100, 0, nullptr, nullptr);
  std::vector<std::string> lines;
  platform::SetMidiRenderListener([&](uint32_t message, uint64_t frame) {
    const int status = message & 0xFF;
    if (status < 0x80 || status >= 0xF0) return;  // SysEx and meta events: mido_dump.py leaves them out
    char line[64];
    const int length = status >= 0xC0 && status < 0xE0 ? 2 : 3;
    int n = std::snprintf(line, sizeof line, "%lld ", static_cast<long long>(frame * 1000000 / 44100));
    for (int i = 0; i < length; ++i) n += std::snprintf(line + n, sizeof line - n, "%02X", message >> (8 * i) & 0xFF);
    lines.push_back(line);
  });
  const platform::HSTREAM stream = platform::BASS_MIDI_StreamCreateFile(true, bytes.data(), 0, bytes.size(), 0, 0);
  platform::SetMidiRenderListener({});
  if (stream == 0) *error = "refused";
  platform::BASS_StreamFree(stream);
  platform::BASS_Free();
  platform::InstallSoundBackend(nullptr);
  return lines;
}

// Every event of every track as the engine's reader takes it, as mido_dump.py prints them.
std::vector<std::string> ParsedSong(const std::string& file, std::string* error) {
  const Bytes bytes = ReadAll(file);
  engine::MidiFileHeader header;
  std::vector<std::string> lines;
  if (!engine::ReadMidiFileHeader(bytes, &header, error)) return lines;
  for (size_t t = 0; t < header.tracks.size(); ++t) {
    engine::MidiTrack& track = header.tracks[t];
    engine::MidiEvent event;
    const char* why = nullptr;
    while (!track.Ended() && engine::ReadMidiEvent(bytes, track, &event, &why)) {
      Bytes b(event.bytes, event.bytes + (event.Status() == 0xFF ? 2 : event.Status() >= 0xF0 ? 1 : event.length));
      b.insert(b.end(), event.data.begin(), event.data.end());
      if (event.Status() == 0xF0 || event.Status() == 0xF7) {
        b[0] = 0xF0;
        if (b.size() > 1 && b.back() == 0xF7) b.pop_back();
      }
      std::string line = std::to_string(t) + " " + std::to_string(event.time) + " ";
      for (uint8_t x : b) line += "0123456789ABCDEF"[x >> 4], line += "0123456789ABCDEF"[x & 15];
      lines.push_back(line);
    }
    if (why != nullptr) *error = why;
  }
  return lines;
}

// "" when the two send the same bytes, each within tolerance_us of the other's time.
std::string CompareSongs(const std::vector<std::string>& ours, const std::vector<std::string>& ref, int tolerance_us) {
  std::ostringstream why;
  for (size_t i = 0; i < std::max(ours.size(), ref.size()); ++i) {
    const std::string a = i < ours.size() ? ours[i] : "(none)", b = i < ref.size() ? ref[i] : "(none)";
    long long ta = 0, tb = 0;
    char ba[16] = "", bb[16] = "";
    std::sscanf(a.c_str(), "%lld %15s", &ta, ba);
    std::sscanf(b.c_str(), "%lld %15s", &tb, bb);
    if (std::string(ba) != bb || std::abs(ta - tb) > tolerance_us) {
      why << "event " << i << " of " << ref.size() << ": ours " << a << ", the reference's " << b;
      return why.str();
    }
  }
  return "";
}

void CheckSongs(const std::vector<MidiRow>& rows) {
  for (const MidiRow& row : rows) {
    SCOPED_TRACE(std::string(row.file) + ": " + row.make + " (" + row.reading + ")");
    const std::string made = Make(row.make);
    int status = 0;
    std::istringstream dump(
        Shell(std::string("$PY mido_dump.py ") + (row.ref ? row.ref : row.file) + " 2>&1", &status));
    std::vector<std::string> ref;
    for (std::string line; std::getline(dump, line);) ref.push_back(line);
    if (!made.empty() || status != 0 || ref.empty()) {
      ADD_FAILURE() << row.file << ": " << made << " (mido: " << (ref.empty() ? "" : ref[0]) << ")";
      continue;
    }
    std::istringstream events(
        Shell(std::string("$PY mido_dump.py ") + (row.ref ? row.ref : row.file) + " tracks 2>&1"));
    std::vector<std::string> ref_events;
    for (std::string line; std::getline(events, line);) ref_events.push_back(line);
    std::string error;
    const std::vector<std::string> ours = ProjectSong(row.file, &error);
    std::string difference = error.empty() ? CompareSongs(ours, ref, 1) : "played: " + error;
    error.clear();
    // FluidSynth plays each message at the start of the block of 64 frames it falls in, on a grid
    // of milliseconds.
    const std::vector<std::string> streamed = StreamedSong(row.file, &error);
    const std::string stream_difference = error.empty() ? CompareSongs(streamed, ref, 2000) : error;
    if (!stream_difference.empty()) difference += " streamed: " + stream_difference;
    error.clear();
    const std::vector<std::string> parsed = ParsedSong(row.file, &error);
    if (!error.empty()) {
      difference += " read: " + error;
    } else if (parsed != ref_events) {
      const auto at = std::mismatch(parsed.begin(), parsed.end(), ref_events.begin(), ref_events.end());
      difference += " read: event " + std::to_string(at.first - parsed.begin()) + ": ours " +
                    (at.first != parsed.end() ? *at.first : "(none)") + ", mido's " +
                    (at.second != ref_events.end() ? *at.second : "(none)");
    }
    Judge(row.file, row.pending, difference);
  }
}

// Times within 1 us: the player carries whole microseconds exactly, mido sums seconds in floating
// point (and this dump rounds them). A stream made of the song (FluidSynth's rendering) has every
// message within 2 ms.
TEST_F(ToolFilesTest, Mid) {
  CheckSongs({
      {"type0.mid", "$PY make_mid.py type0 type0.mid", "running status (mido writes it where a status repeats)"},
      {"type1.mid", "$PY make_mid.py type1 type1.mid", "tracks merged, the first in file order on ties"},
      {"ppq480.mid", "$PY make_mid.py ppq480 ppq480.mid"},
      {"sysex.mid", "$PY make_mid.py sysex sysex.mid", "a sysex is not sent to the synthesiser"},
      {"f7.mid", "$PY make_mid.py f7 f7.mid", "a sysex in packets (F0, F7) is not sent"},
      {"unknown.mid", "$PY make_mid.py unknown unknown.mid && $PY make_mid.py type1 known.mid",
       "a chunk of an unknown type skipped (mido refuses it: read against the song without it)", nullptr,
       "known.mid"},
      {"smpte25.mid", "$PY make_mid.py smpte25 smpte25.mid", "SMPTE: a tick is 1/(frames x ticks a frame) s"},
      {"smpte24.mid", "$PY make_mid.py smpte24 smpte24.mid"},
      {"smpte30.mid", "$PY make_mid.py smpte30 smpte30.mid"},
      {"smpte2997.mid", "$PY make_mid.py smpte2997 smpte2997.mid", "29.97 frames a second"},
      {"noend.mid", "$PY make_mid.py noend noend.mid", "tracks without their end-of-track event end at their last"},
      {"tracks130.mid", "$PY make_mid.py tracks130 tracks130.mid", "130 tracks: every one plays"},
  });
}

}  // namespace
