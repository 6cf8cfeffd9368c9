// Reading a standard MIDI file and writing it anew for FluidSynth's file player, every length
// checked against the bytes there before it is used.
#include "platform/fluidsynth_song.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/decode_budget.h"

namespace platform {

namespace {

constexpr size_t kHeaderBytes = 14;  // "MThd", length 6, format, tracks, division
constexpr size_t kChunkHeaderBytes = 8;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
// 500 ticks a quarter note at FluidSynth's default tempo of 500000 us: a millisecond a tick.
constexpr uint32_t kGridDivision = 500;
constexpr uint64_t kDefaultTempo = 500000;
// Work units of one event read (besides a unit a byte): the merge's few comparisons and the copy.
constexpr uint64_t kEventWork = 32;

uint32_t BigEndian(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
  return value;
}

// The bytes of a variable-length quantity (at most 0x0FFFFFFF: four bytes).
int QuantityBytes(uint32_t value) {
  int count = 1;
  while ((value >>= 7) != 0) ++count;
  return count;
}

void PutQuantity(std::vector<uint8_t>& out, uint32_t value) {
  const int count = QuantityBytes(value);
  for (int i = count - 1; i > 0; --i) out.push_back(static_cast<uint8_t>(0x80 | (value >> (7 * i) & 0x7F)));
  out.push_back(value & 0x7F);
}

// One track of the file as it is read: where its next byte is, and the tick of its next event.
struct Track {
  size_t at = 0;
  size_t end = 0;
  uint64_t tick = 0;
  uint8_t running = 0;  // the running status: the last channel message's status
};

class SongReader {
 public:
  SongReader(std::span<const uint8_t> file, uint64_t max_us, bool write, FluidSynthSong* song)
      : file_(file), max_us_(max_us), write_(write), budget_(write ? CurrentDecodeBudget() : nullptr), song_(song) {}

  // What the reading took is given back; the song written stays taken while the caller holds it.
  ~SongReader() {
    if (budget_ != nullptr) budget_->Give(taken_ - (handed_over_ ? out_taken_ : 0));
  }

  FluidSynthSongReading Read(std::string* why) {
    if (!ReadHeader() || !FindTracks()) return Refuse(why);
    // The merge: the tracks not ended, the earliest next event at the front (the first track on
    // ties).
    std::vector<uint32_t> heap;
    if (!Take(tracks_.capacity() * sizeof(Track) + tracks_.size() * sizeof(uint32_t))) return Refuse(why);
    heap.reserve(tracks_.size());
    for (uint32_t i = 0; i < tracks_.size(); ++i) {
      if (tracks_[i].at == tracks_[i].end) continue;  // an empty track
      if (!NextDelta(i)) return Refuse(why);
      heap.push_back(i);
    }
    auto later = [&](uint32_t a, uint32_t b) {
      return tracks_[a].tick > tracks_[b].tick || (tracks_[a].tick == tracks_[b].tick && a > b);
    };
    std::make_heap(heap.begin(), heap.end(), later);
    if (write_) {
      out_ = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, kGridDivision >> 8, kGridDivision & 0xFF, 'M', 'T', 'r', 'k',
              0, 0, 0, 0};
    }
    written_ = kHeaderBytes + kChunkHeaderBytes;
    while (!heap.empty()) {
      std::pop_heap(heap.begin(), heap.end(), later);
      const uint32_t index = heap.back();
      heap.pop_back();
      if (!AdvanceTo(tracks_[index].tick)) return FluidSynthSongReading::kTooLong;
      bool ended = false;
      if (!ReadEvent(index, &ended) || !Spend()) return Refuse(why);
      if (ended || tracks_[index].at == tracks_[index].end) continue;
      if (!NextDelta(index)) return Refuse(why);
      heap.push_back(index);
      std::push_heap(heap.begin(), heap.end(), later);
    }
    // The end of the longest track.
    Put(Delta(), {0xFF, kMetaEndOfTrack, 0x00});
    if (!Spend()) return Refuse(why);
    song_->length_us = time_us_;
    song_->ticks = static_cast<uint32_t>(GridTick());
    song_->size = written_;
    song_->tracks = tracks_.size();
    if (write_) {
      const uint64_t track_bytes = out_.size() - kHeaderBytes - kChunkHeaderBytes;
      for (int i = 0; i < 4; ++i) out_[kHeaderBytes + 4 + i] = static_cast<uint8_t>(track_bytes >> (8 * (3 - i)));
      song_->bytes = std::move(out_);
      handed_over_ = true;
    }
    return FluidSynthSongReading::kRead;
  }

 private:
  FluidSynthSongReading Refuse(std::string* why) {
    *why = why_;
    return FluidSynthSongReading::kRefused;
  }
  bool Broken(std::string why) {
    if (why_.empty()) why_ = std::move(why);
    return false;
  }
  bool TrackBroken(uint32_t index, const char* what) {
    return Broken("track " + std::to_string(index) + ": the track breaks off in " + what);
  }

  bool ReadHeader() {
    if (file_.size() < kHeaderBytes || std::memcmp(file_.data(), "MThd", 4) != 0) return Broken("it has no MIDI header");
    if (BigEndian(file_.data() + 4, 4) != 6) return Broken("its header length is not 6");
    track_count_ = BigEndian(file_.data() + 10, 2);
    const uint32_t division = BigEndian(file_.data() + 12, 2);
    if (division & 0x8000) {
      // Minus the frames a second in the high byte, the ticks a frame in the low one.
      const uint32_t frames = 256 - (division >> 8);
      const uint32_t ticks = division & 0xFF;
      if ((frames != 24 && frames != 25 && frames != 29 && frames != 30) || ticks == 0) {
        return Broken("its SMPTE time division " + std::to_string(division) + " has no frame rate or no ticks");
      }
      smpte_ = true;
      // A tick lasts numerator / denominator us; 29 stands for 29.97 frames a second.
      numerator_ = frames == 29 ? 1001000 : 1000000;
      denominator_ = (frames == 29 ? 30 : frames) * ticks;
    } else {
      if (division == 0) return Broken("its time division is 0");
      numerator_ = kDefaultTempo;
      denominator_ = division;
    }
    return true;
  }

  // Finds every track, skipping chunks of other kinds.
  bool FindTracks() {
    size_t at = kHeaderBytes;
    tracks_.reserve(std::min<size_t>(track_count_, (file_.size() - at) / kChunkHeaderBytes));
    for (uint32_t i = 0; i < track_count_; ++i) {
      for (;;) {
        if (file_.size() - at < kChunkHeaderBytes) return Broken("track " + std::to_string(i) + " is missing");
        const uint32_t length = BigEndian(file_.data() + at + 4, 4);
        if (length > file_.size() - at - kChunkHeaderBytes) {
          return Broken("track " + std::to_string(i) + " or a chunk before it claims more bytes than the song holds");
        }
        const bool track = std::memcmp(file_.data() + at, "MTrk", 4) == 0;
        at += kChunkHeaderBytes;
        if (track) {
          tracks_.push_back({at, at + length});
          at += length;
          break;
        }
        at += length;
      }
      work_ += kEventWork;
    }
    return true;
  }

  bool Byte(Track& track, uint8_t* byte) {
    if (track.at >= track.end) return false;
    *byte = file_[track.at++];
    return true;
  }

  // A variable-length quantity: four bytes at most.
  bool Quantity(Track& track, uint32_t* value) {
    *value = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t byte;
      if (!Byte(track, &byte)) return false;
      *value = *value << 7 | (byte & 0x7F);
      if ((byte & 0x80) == 0) return true;
    }
    return false;
  }

  // A length, then that many bytes.
  bool Data(Track& track, std::span<const uint8_t>* data) {
    uint32_t length;
    if (!Quantity(track, &length) || length > track.end - track.at) return false;
    *data = file_.subspan(track.at, length);
    track.at += length;
    return true;
  }

  bool NextDelta(uint32_t index) {
    Track& track = tracks_[index];
    uint32_t delta;
    if (!Quantity(track, &delta)) return TrackBroken(index, "a delta time");
    track.tick += delta;
    return true;
  }

  // Moves the song's time on to tick: false when that passes the longest song allowed. Merged,
  // the events of all tracks come in order, each at most one delta time (below 2^28) after the
  // one before, so a step never overflows.
  bool AdvanceTo(uint64_t tick) {
    const uint64_t delta = tick - tick_;
    tick_ = tick;
    remainder_ += delta * numerator_;
    time_us_ += remainder_ / denominator_;
    remainder_ %= denominator_;
    return time_us_ <= max_us_;
  }

  uint64_t GridTick() const { return (time_us_ * kFluidSynthSongTicksPerSecond + 500000) / 1000000; }

  // The delta time of an event written now.
  uint32_t Delta() {
    const uint64_t tick = GridTick();
    const auto delta = static_cast<uint32_t>(tick - grid_tick_);
    grid_tick_ = tick;
    return delta;
  }

  // One event into the song written (with data, after its length when with_length).
  void Put(uint32_t delta, std::initializer_list<uint8_t> bytes, std::span<const uint8_t> data = {},
           bool with_length = false) {
    ++song_->events;
    written_ += QuantityBytes(delta) + bytes.size() + data.size() +
                (with_length ? QuantityBytes(static_cast<uint32_t>(data.size())) : 0);
    if (!write_) return;
    PutQuantity(out_, delta);
    out_.insert(out_.end(), bytes);
    if (with_length) PutQuantity(out_, static_cast<uint32_t>(data.size()));
    out_.insert(out_.end(), data.begin(), data.end());
  }

  bool ReadEvent(uint32_t index, bool* ended) {
    Track& track = tracks_[index];
    const size_t start = track.at;
    uint8_t status;
    if (!Byte(track, &status)) return TrackBroken(index, "an event");
    uint8_t data[2] = {0, 0};
    bool first_read = false;
    if (status < 0x80) {
      if (track.running == 0) {
        return Broken("track " + std::to_string(index) + ": a data byte without a running status");
      }
      data[0] = status;
      first_read = true;
      status = track.running;
    }
    if (status < 0xF0) {
      track.running = status;
      const int count = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change and channel pressure: 1
      for (int i = first_read ? 1 : 0; i < count; ++i) {
        if (!Byte(track, &data[i])) return TrackBroken(index, "a channel message");
      }
      const uint8_t first = data[0] & 0x7F;
      const uint8_t second = data[1] & 0x7F;
      if (count == 1) {
        Put(Delta(), {status, first});
      } else {
        Put(Delta(), {status, first, second});
      }
    } else if (status == 0xF0 || status == 0xF7) {
      std::span<const uint8_t> sysex;
      if (!Data(track, &sysex)) return TrackBroken(index, "a SysEx");
      // F7 packets and the first piece of a SysEx sent in pieces are left out.
      if (status == 0xF0 && !sysex.empty() && sysex.back() == 0xF7) {
        Put(Delta(), {0xF0}, sysex, true);
        song_->sysex_bytes += sysex.size();
      }
    } else if (status == 0xFF) {
      uint8_t type;
      std::span<const uint8_t> meta;
      if (!Byte(track, &type) || !Data(track, &meta)) return TrackBroken(index, "a meta event");
      if (type == kMetaTempo && !smpte_ && meta.size() >= 3) {
        const uint32_t tempo = BigEndian(meta.data(), 3);
        if (tempo != 0) numerator_ = tempo;
      }
      *ended = type == kMetaEndOfTrack;  // what follows it is not read
    } else {
      return Broken("track " + std::to_string(index) + ": a system message, which has no place in a file");
    }
    work_ += kEventWork + (track.at - start);
    return true;
  }

  // The work done so far, spent on the budget when writing.
  bool Spend() {
    if (!Grown()) return false;
    song_->work += work_;
    if (budget_ != nullptr && !budget_->Spend(work_)) return Broken(budget_->problem());
    work_ = 0;
    return true;
  }

  // Memory the song written has taken, drawn on the budget when writing.
  bool Grown() {
    if (!write_ || out_.capacity() <= out_taken_) return true;
    const size_t more = out_.capacity() - out_taken_;
    out_taken_ = out_.capacity();
    return Take(more);
  }

  bool Take(uint64_t bytes) {
    if (budget_ == nullptr) return true;
    if (!budget_->Take(bytes)) return Broken(budget_->problem());
    taken_ += bytes;
    return true;
  }

  const std::span<const uint8_t> file_;
  const uint64_t max_us_;
  const bool write_;
  DecodeBudget* const budget_;
  FluidSynthSong* const song_;
  std::string why_;
  uint32_t track_count_ = 0;
  std::vector<Track> tracks_;
  bool smpte_ = false;
  uint64_t numerator_ = 0;    // of a tick's length in us: the tempo, or SMPTE's
  uint64_t denominator_ = 1;  // the division, or SMPTE's frames a second x ticks a frame
  uint64_t tick_ = 0;         // of the last event read
  uint64_t time_us_ = 0;      // its time
  uint64_t remainder_ = 0;    // of time_us_, in 1 / denominator_ us
  uint64_t grid_tick_ = 0;    // of the last event written
  uint64_t written_ = 0;      // bytes of the song written
  uint64_t work_ = 0;         // not yet spent
  std::vector<uint8_t> out_;
  size_t out_taken_ = 0;       // of out_'s capacity, taken from the budget
  uint64_t taken_ = 0;         // in all
  bool handed_over_ = false;  // out_ went to the caller
};

}  // namespace

FluidSynthSongReading ReadSongForFluidSynth(std::span<const uint8_t> file, uint64_t max_us, bool write,
                                            FluidSynthSong* song, std::string* why) {
  *song = FluidSynthSong{};
  why->clear();
  SongReader reader(file, max_us, write, song);
  const FluidSynthSongReading reading = reader.Read(why);
  if (reading != FluidSynthSongReading::kRead) song->bytes.clear();
  return reading;
}

}  // namespace platform
