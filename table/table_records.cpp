#include "table/table_records.h"

#include <concepts>
#include <cstring>
#include <type_traits>

#include "table/card_combo.h"

namespace table {

namespace {

// Walks a byte buffer word by word; the callers have checked the size first. The writer and the
// reader offer the same calls, so one list of a record's fields serves both directions.
class WordWriter {
 public:
  explicit WordWriter(uint8_t* p) : p_(p) {}
  void Word(int32_t v) {
    PutWord(p_, static_cast<uint32_t>(v));
    p_ += 4;
  }
  void Words(const int32_t* v, int n) {
    for (int i = 0; i < n; ++i) Word(v[i]);
  }
  void Bytes(const char* v, size_t n) {
    std::memcpy(p_, v, n);
    p_ += n;
  }

 private:
  uint8_t* p_;
};

class WordReader {
 public:
  explicit WordReader(const uint8_t* p) : p_(p) {}
  void Word(int32_t& v) {
    v = static_cast<int32_t>(GetWord(p_));
    p_ += 4;
  }
  void Words(int32_t* v, int n) {
    for (int i = 0; i < n; ++i) Word(v[i]);
  }
  void Bytes(char* v, size_t n) {
    std::memcpy(v, p_, n);
    p_ += n;
  }

 private:
  const uint8_t* p_;
};

// R is the record, const when it is being written.
template <typename R, typename Record>
concept RecordOf = std::same_as<std::remove_const_t<R>, Record>;

// ---- each record's fields, in their byte order ----

template <typename W, RecordOf<START_RECORD> R>
void Fields(W& w, R& r) {
  w.Word(r.word1);
  w.Word(r.word2);
  w.Word(r.chair_count);
  w.Word(r.round_base);
  w.Word(r.stake);
  w.Words(r.status, kMaxChairs);
  w.Word(r.game_counter);
  w.Word(r.kick_time);
  w.Words(r.reserved, 7);
}

template <typename W, RecordOf<GAME_RESULT> R>
void Fields(W& w, R& r) {
  w.Word(r.result_flags);
  w.Word(r.flags);
  w.Word(r.chair_count);
  w.Word(r.game_counter);
  w.Word(r.banker);
  w.Words(r.sides, kMaxChairs);
  w.Word(r.banker_side);
  w.Words(r.scoring, 8);
  w.Word(r.round_base);
  w.Word(r.stake);
  w.Words(r.scores_before, kMaxChairs);
  w.Words(r.holdings_before, kMaxChairs);
  w.Words(r.score_changes, kMaxChairs);
  w.Words(r.holding_changes, kMaxChairs);
  w.Words(r.fees, kMaxChairs);
  w.Words(r.levels, kMaxChairs);
  for (auto& title : r.titles) w.Bytes(title, 16);
  w.Word(r.stake_word);
  w.Word(r.absent_chairs);
  w.Words(r.reserved, 2);
}

template <typename W, RecordOf<LOG_HEAD> R>
void Fields(W& w, R& r) {
  w.Word(r.user_count);
  w.Word(r.word1);
  w.Word(r.kind);
  w.Word(r.reserved3);
  w.Word(r.flags);
  w.Word(r.reserved5);
  w.Word(r.round_stamp);
  w.Word(r.reserved7);
  w.Word(r.reserved8);
}

template <typename W, RecordOf<LOG_USER> R>
void Fields(W& w, R& r) {
  w.Word(r.user_id);
  w.Word(r.word1);
  w.Word(r.word2);
  w.Word(r.chair);
  w.Word(r.kind);
  w.Word(r.round_base);
  w.Word(r.stake);
  w.Word(r.score_before);
  w.Word(r.holding_before);
  w.Word(r.minutes);
  w.Word(r.seconds);
  w.Word(r.one);
  w.Word(r.zero);
  w.Word(r.won);
  w.Word(r.lost);
  w.Word(r.drawn);
  w.Word(r.score_change);
  w.Word(r.holding_change);
  w.Word(r.level);
  w.Bytes(r.title, 16);
  w.Word(r.fee);
  w.Words(r.reserved, 5);
}

// Zeroes the whole output (the room past the record too) and writes the record's fields.
template <typename Record>
bool WriteRecord(const Record& r, uint8_t* out, size_t size, size_t need) {
  if (out == nullptr || size < need) return false;
  std::memset(out, 0, size);
  WordWriter w(out);
  Fields(w, r);
  return true;
}

template <typename Record>
bool ReadRecord(const uint8_t* in, size_t size, size_t need, Record* r) {
  if (in == nullptr || r == nullptr || size < need) return false;
  WordReader w(in);
  Fields(w, *r);
  return true;
}

}  // namespace

bool WriteStartRecord(const START_RECORD& r, uint8_t* out, size_t size) {
  return WriteRecord(r, out, size, kStartRecordBytes);
}

bool ReadStartRecord(const uint8_t* in, size_t size, START_RECORD* r) {
  return ReadRecord(in, size, kStartRecordBytes, r);
}

bool WriteGameResult(const GAME_RESULT& r, uint8_t* out, size_t size) {
  return WriteRecord(r, out, size, kGameResultBytes);
}

bool ReadGameResult(const uint8_t* in, size_t size, GAME_RESULT* r) {
  return ReadRecord(in, size, kGameResultBytes, r);
}

bool WriteLogHead(const LOG_HEAD& r, uint8_t* out, size_t size) { return WriteRecord(r, out, size, kLogHeadBytes); }

bool ReadLogHead(const uint8_t* in, size_t size, LOG_HEAD* r) { return ReadRecord(in, size, kLogHeadBytes, r); }

bool WriteLogUser(const LOG_USER& r, uint8_t* out, size_t size) { return WriteRecord(r, out, size, kLogUserBytes); }

bool ReadLogUser(const uint8_t* in, size_t size, LOG_USER* r) { return ReadRecord(in, size, kLogUserBytes, r); }

}  // namespace table
