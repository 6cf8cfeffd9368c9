// Rewriting a standard MIDI file for FluidSynth's file player, every length checked first.
#include "platform/fluidsynth_song.h"

#include <cstring>
#include <utility>

namespace platform {

namespace {

constexpr size_t kHeaderBytes = 14;  // "MThd", length 6, format, tracks, division
constexpr size_t kChunkHeaderBytes = 8;
constexpr uint32_t kMaxDelta = 0x0FFFFFFF;  // the most a variable-length quantity of four bytes holds
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaEndOfTrack = 0x2F;

uint32_t BigEndian(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
  return value;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// value is at most kMaxDelta.
void PutQuantity(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[4];
  int count = 0;
  do {
    groups[count++] = value & 0x7F;
    value >>= 7;
  } while (value != 0 && count < 4);
  while (count > 1) out.push_back(groups[--count] | 0x80);
  out.push_back(groups[0]);
}

void PutData(std::vector<uint8_t>& out, std::span<const uint8_t> data) {
  PutQuantity(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

// Reads one chunk's bytes, never past its end.
class ChunkReader {
 public:
  explicit ChunkReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool AtEnd() const { return at_ == bytes_.size(); }
  bool Byte(uint8_t* byte) {
    if (at_ >= bytes_.size()) return false;
    *byte = bytes_[at_++];
    return true;
  }
  bool Quantity(uint32_t* value) {
    *value = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t byte;
      if (!Byte(&byte)) return false;
      *value = *value << 7 | (byte & 0x7F);
      if ((byte & 0x80) == 0) return true;
    }
    return false;
  }
  // A length, then that many bytes.
  bool Data(std::span<const uint8_t>* data) {
    uint32_t length;
    if (!Quantity(&length) || length > bytes_.size() - at_) return false;
    *data = bytes_.subspan(at_, length);
    at_ += length;
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

// One track as FluidSynth gets it: the ticks of what is left out carry over to the next event.
class TrackWriter {
 public:
  void Wait(uint64_t ticks) { waiting_ += ticks; }
  // Starts an event with its delta time; its bytes follow.
  std::vector<uint8_t>& Event() {
    // A gap longer than one delta time holds is bridged by empty text events.
    for (; waiting_ > kMaxDelta; waiting_ -= kMaxDelta) {
      PutQuantity(bytes_, kMaxDelta);
      bytes_.insert(bytes_.end(), {0xFF, 0x01, 0x00});
    }
    PutQuantity(bytes_, static_cast<uint32_t>(waiting_));
    waiting_ = 0;
    return bytes_;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t waiting_ = 0;
};

class Rewriter {
 public:
  // Every delta time is multiplied by scale.
  Rewriter(bool smpte, uint32_t scale) : smpte_(smpte), scale_(scale), needed_(smpte) {}

  // Whether the song holds anything FluidSynth does not read.
  bool needed() const { return needed_; }
  void Need() { needed_ = true; }
  const std::string& why() const { return why_; }

  // Copies one track's events; false when it breaks off.
  bool CopyTrack(std::span<const uint8_t> chunk, TrackWriter& out) {
    ChunkReader in(chunk);
    uint8_t running = 0;
    while (!in.AtEnd()) {
      uint32_t delta;
      uint8_t status;
      if (!in.Quantity(&delta) || !in.Byte(&status)) return Broken("a delta time or an event");
      out.Wait(uint64_t{delta} * scale_);
      uint8_t data[2];
      bool first_read = false;
      if (status < 0x80) {
        if (running == 0) return Broken("a data byte without a running status");
        data[0] = status;
        first_read = true;
        status = running;
      }
      if (status < 0xF0) {
        running = status;
        const int count = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change and channel pressure: 1
        for (int i = first_read ? 1 : 0; i < count; ++i) {
          if (!in.Byte(&data[i])) return Broken("a channel message");
        }
        std::vector<uint8_t>& bytes = out.Event();
        bytes.push_back(status);
        bytes.insert(bytes.end(), data, data + count);
      } else if (status == 0xF0 || status == 0xF7) {
        std::span<const uint8_t> sysex;
        if (!in.Data(&sysex)) return Broken("a SysEx");
        needed_ |= status == 0xF7;
        if (status == 0xF7 || sysex.empty() || sysex.back() != 0xF7) continue;  // a piece of a SysEx
        std::vector<uint8_t>& bytes = out.Event();
        bytes.push_back(0xF0);
        PutData(bytes, sysex);
      } else if (status == 0xFF) {
        uint8_t type;
        std::span<const uint8_t> meta;
        if (!in.Byte(&type) || !in.Data(&meta)) return Broken("a meta event");
        if (type == kMetaTempo && smpte_) continue;  // SMPTE time ignores tempo
        std::vector<uint8_t>& bytes = out.Event();
        bytes.insert(bytes.end(), {0xFF, type});
        PutData(bytes, meta);
        if (type == kMetaEndOfTrack) return true;  // what follows it is not read
      } else {
        return Broken("a system message, which has no place in a file");
      }
    }
    std::vector<uint8_t>& bytes = out.Event();  // a track that ends without its end-of-track event
    bytes.insert(bytes.end(), {0xFF, kMetaEndOfTrack, 0x00});
    return true;
  }

 private:
  bool Broken(const char* what) {
    why_ = std::string("the track breaks off in ") + what;
    return false;
  }

  const bool smpte_;
  const uint32_t scale_;
  bool needed_;
  std::string why_;
};

}  // namespace

FluidSynthSongForm SongForFluidSynth(std::span<const uint8_t> song, std::vector<uint8_t>* rewritten, std::string* why) {
  rewritten->clear();
  why->clear();
  // A song that is no MIDI file FluidSynth refuses itself.
  if (song.size() < kHeaderBytes || std::memcmp(song.data(), "MThd", 4) != 0 || BigEndian(song.data() + 4, 4) != 6) {
    return FluidSynthSongForm::kAsItIs;
  }
  const uint32_t format = BigEndian(song.data() + 8, 2);
  const uint32_t track_count = BigEndian(song.data() + 10, 2);
  uint32_t division = BigEndian(song.data() + 12, 2);
  const bool smpte = (division & 0x8000) != 0;
  uint32_t tempo = 0;
  uint32_t scale = 1;
  if (smpte) {
    // The high byte is minus the frames a second, the low byte the ticks a frame.
    const uint32_t frames = 256 - (division >> 8);
    const uint32_t ticks = division & 0xFF;
    if ((frames != 24 && frames != 25 && frames != 29 && frames != 30) || ticks == 0) {
      *why = "its SMPTE time division " + std::to_string(division) + " has no frame rate or no ticks";
      return FluidSynthSongForm::kRefused;
    }
    division = (frames == 29 ? 30 : frames) * ticks;
    tempo = frames == 29 ? 1001000 : 1000000;
    // FluidSynth's player rounds its position to the nearest tick, so an event may come half a
    // tick early: ticks are cut to a millisecond at most (the division stays below 30 x 255 x 2).
    scale = (1000 + division - 1) / division;
    division *= scale;
  }

  Rewriter rewriter(smpte, scale);
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
  PutBigEndian(out, 6, 4);
  PutBigEndian(out, format, 2);
  PutBigEndian(out, track_count, 2);
  PutBigEndian(out, division, 2);
  size_t at = kHeaderBytes;
  for (uint32_t i = 0; i < track_count; ++i) {
    const std::string track = "track " + std::to_string(i);
    size_t length = 0;
    // Chunks of other kinds are skipped.
    for (;;) {
      if (song.size() - at < kChunkHeaderBytes) {
        *why = track + " is missing";
        break;
      }
      length = BigEndian(song.data() + at + 4, 4);
      if (length > song.size() - at - kChunkHeaderBytes) {
        *why = track + " or a chunk before it claims more bytes than the song holds";
        break;
      }
      at += kChunkHeaderBytes + length;
      if (std::memcmp(song.data() + at - length - kChunkHeaderBytes, "MTrk", 4) == 0) break;
      rewriter.Need();
    }
    TrackWriter writer;
    if (why->empty() && i == 0 && smpte) {
      std::vector<uint8_t>& bytes = writer.Event();
      bytes.insert(bytes.end(), {0xFF, kMetaTempo, 3});
      PutBigEndian(bytes, tempo, 3);
    }
    if (why->empty() && !rewriter.CopyTrack(song.subspan(at - length, length), writer)) {
      *why = track + ": " + rewriter.why();
    }
    if (!why->empty()) return rewriter.needed() ? FluidSynthSongForm::kRefused : FluidSynthSongForm::kAsItIs;
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(out, static_cast<uint32_t>(writer.bytes().size()), 4);
    out.insert(out.end(), writer.bytes().begin(), writer.bytes().end());
  }
  if (!rewriter.needed()) return FluidSynthSongForm::kAsItIs;
  *rewritten = std::move(out);
  return FluidSynthSongForm::kRewritten;
}

}  // namespace platform
