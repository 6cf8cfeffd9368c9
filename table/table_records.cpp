#include "table/table_records.h"

#include <cstring>

#include "table/card_combo.h"

namespace table {

namespace {

// Walks a byte buffer word by word; the callers have checked the size first.
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
  int32_t Word() {
    int32_t v = static_cast<int32_t>(GetWord(p_));
    p_ += 4;
    return v;
  }
  void Words(int32_t* v, int n) {
    for (int i = 0; i < n; ++i) v[i] = Word();
  }
  void Bytes(char* v, size_t n) {
    std::memcpy(v, p_, n);
    p_ += n;
  }

 private:
  const uint8_t* p_;
};

bool Prepare(uint8_t* out, size_t size, size_t need) {
  if (out == nullptr || size < need) return false;
  std::memset(out, 0, size);
  return true;
}

}  // namespace

bool WriteStartRecord(const START_RECORD& r, uint8_t* out, size_t size) {
  if (!Prepare(out, size, kStartRecordBytes)) return false;
  WordWriter w(out);
  w.Word(r.word1);
  w.Word(r.word2);
  w.Word(r.chairCount);
  w.Word(r.roundBase);
  w.Word(r.stake);
  w.Words(r.status, kMaxChairs);
  w.Word(r.gameCounter);
  w.Word(r.kickTime);
  w.Words(r.reserved, 7);
  return true;
}

bool ReadStartRecord(const uint8_t* in, size_t size, START_RECORD* r) {
  if (in == nullptr || r == nullptr || size < kStartRecordBytes) return false;
  WordReader w(in);
  r->word1 = w.Word();
  r->word2 = w.Word();
  r->chairCount = w.Word();
  r->roundBase = w.Word();
  r->stake = w.Word();
  w.Words(r->status, kMaxChairs);
  r->gameCounter = w.Word();
  r->kickTime = w.Word();
  w.Words(r->reserved, 7);
  return true;
}

bool WriteGameResult(const GAME_RESULT& r, uint8_t* out, size_t size) {
  if (!Prepare(out, size, kGameResultBytes)) return false;
  WordWriter w(out);
  w.Word(r.resultFlags);
  w.Word(r.flags);
  w.Word(r.chairCount);
  w.Word(r.gameCounter);
  w.Word(r.banker);
  w.Words(r.sides, kMaxChairs);
  w.Word(r.bankerSide);
  w.Words(r.scoring, 8);
  w.Word(r.roundBase);
  w.Word(r.stake);
  w.Words(r.scoresBefore, kMaxChairs);
  w.Words(r.holdingsBefore, kMaxChairs);
  w.Words(r.scoreChanges, kMaxChairs);
  w.Words(r.holdingChanges, kMaxChairs);
  w.Words(r.fees, kMaxChairs);
  w.Words(r.levels, kMaxChairs);
  for (const auto& title : r.titles) w.Bytes(title, 16);
  w.Word(r.stakeWord);
  w.Word(r.absentChairs);
  w.Words(r.reserved, 2);
  return true;
}

bool ReadGameResult(const uint8_t* in, size_t size, GAME_RESULT* r) {
  if (in == nullptr || r == nullptr || size < kGameResultBytes) return false;
  WordReader w(in);
  r->resultFlags = w.Word();
  r->flags = w.Word();
  r->chairCount = w.Word();
  r->gameCounter = w.Word();
  r->banker = w.Word();
  w.Words(r->sides, kMaxChairs);
  r->bankerSide = w.Word();
  w.Words(r->scoring, 8);
  r->roundBase = w.Word();
  r->stake = w.Word();
  w.Words(r->scoresBefore, kMaxChairs);
  w.Words(r->holdingsBefore, kMaxChairs);
  w.Words(r->scoreChanges, kMaxChairs);
  w.Words(r->holdingChanges, kMaxChairs);
  w.Words(r->fees, kMaxChairs);
  w.Words(r->levels, kMaxChairs);
  for (auto& title : r->titles) w.Bytes(title, 16);
  r->stakeWord = w.Word();
  r->absentChairs = w.Word();
  w.Words(r->reserved, 2);
  return true;
}

bool WriteLogHead(const LOG_HEAD& r, uint8_t* out, size_t size) {
  if (!Prepare(out, size, kLogHeadBytes)) return false;
  WordWriter w(out);
  const int32_t words[9] = {r.userCount, r.word1,      r.kind,      r.reserved3, r.flags,
                            r.reserved5, r.roundStamp, r.reserved7, r.reserved8};
  w.Words(words, 9);
  return true;
}

bool ReadLogHead(const uint8_t* in, size_t size, LOG_HEAD* r) {
  if (in == nullptr || r == nullptr || size < kLogHeadBytes) return false;
  WordReader w(in);
  int32_t* fields[9] = {&r->userCount, &r->word1,      &r->kind,      &r->reserved3, &r->flags,
                        &r->reserved5, &r->roundStamp, &r->reserved7, &r->reserved8};
  for (int32_t* f : fields) *f = w.Word();
  return true;
}

bool WriteLogUser(const LOG_USER& r, uint8_t* out, size_t size) {
  if (!Prepare(out, size, kLogUserBytes)) return false;
  WordWriter w(out);
  const int32_t head[19] = {r.userId,        r.word1,   r.word2,  r.chair,      r.kind,
                            r.roundBase,     r.stake,   r.scoreBefore, r.holdingBefore, r.minutes,
                            r.seconds,       r.one,     r.zero,   r.won,        r.lost,
                            r.drawn,         r.scoreChange, r.holdingChange, r.level};
  w.Words(head, 19);
  w.Bytes(r.title, 16);
  w.Word(r.fee);
  w.Words(r.reserved, 5);
  return true;
}

bool ReadLogUser(const uint8_t* in, size_t size, LOG_USER* r) {
  if (in == nullptr || r == nullptr || size < kLogUserBytes) return false;
  WordReader w(in);
  int32_t* head[19] = {&r->userId,    &r->word1,       &r->word2,         &r->chair,       &r->kind,
                       &r->roundBase, &r->stake,       &r->scoreBefore,   &r->holdingBefore, &r->minutes,
                       &r->seconds,   &r->one,         &r->zero,          &r->won,         &r->lost,
                       &r->drawn,     &r->scoreChange, &r->holdingChange, &r->level};
  for (int32_t* f : head) *f = w.Word();
  w.Bytes(r->title, 16);
  r->fee = w.Word();
  w.Words(r->reserved, 5);
  return true;
}

}  // namespace table
