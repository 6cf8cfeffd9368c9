#include "table/notify_bodies.h"

#include <algorithm>

#include "engine/core/engine_log.h"

namespace table {
namespace {

bool Refuse(const char* what, uint32_t length, const char* why) {
  engine::WriteGameLog("table: %s of %u bytes refused: %s", what, length, why);
  return false;
}

// Chair words are signed: the wire's -1 reads as -1.
int32_t Chair(const shell::NotifyBody& body, size_t word) { return body.Int(word); }

}  // namespace

bool ReadPlayNotice(const shell::NotifyBody& body, int32_t chairs, PlayNotice* out) {
  if (out == nullptr) return false;
  if (body.data == nullptr || !body.Has(kPlayNoticeHeadBytes)) return Refuse("play", body.length, "too short");
  const int32_t chair = Chair(body, 3);
  if (!IsTableChair(chair, chairs)) return Refuse("play", body.length, "no such chair");
  const auto count = static_cast<int32_t>(body.WordAt(kPlayNoticeComboOffset + 12));
  if (count < 0 || count > kComboMaxCards) return Refuse("play", body.length, "card count out of range");
  if (!body.Has(kPlayNoticeHeadBytes + static_cast<size_t>(count) * 4)) {
    return Refuse("play", body.length, "card ids missing");
  }
  PlayNotice notice;
  notice.chair = chair;
  notice.next_chair = Chair(body, 5);
  notice.seconds = body.Int(7);
  notice.combo.type = body.WordAt(kPlayNoticeComboOffset);
  notice.combo.beat_mask = body.WordAt(kPlayNoticeComboOffset + 4);
  notice.combo.value = body.WordAt(kPlayNoticeComboOffset + 8);
  notice.combo.card_count = count;
  for (int32_t i = 0; i < count; ++i) {
    notice.combo.cards[i] = static_cast<int32_t>(body.WordAt(kPlayNoticeHeadBytes + static_cast<size_t>(i) * 4));
  }
  *out = notice;
  return true;
}

bool ReadPassNotice(const shell::NotifyBody& body, int32_t chairs, PassNotice* out) {
  if (out == nullptr) return false;
  if (body.data == nullptr || !body.Has(kPassNoticeBytes)) return Refuse("pass", body.length, "too short");
  const int32_t chair = Chair(body, 2);
  const int32_t next = Chair(body, 4);
  if (!IsTableChair(chair, chairs) || (next != -1 && !IsTableChair(next, chairs))) {
    return Refuse("pass", body.length, "no such chair");
  }
  out->chair = chair;
  out->next_chair = next;
  out->trick_over = body.Word(5) != 0;
  out->seconds = body.Int(8);
  return true;
}

bool ReadGameMessage(const shell::NotifyBody& body, GameMessageNotice* out) {
  if (out == nullptr) return false;
  if (body.data == nullptr || !body.Has(kGameMessageHeadBytes)) {
    return Refuse("game message", body.length, "too short");
  }
  const uint32_t length = body.Word(4);
  if (length > body.length - kGameMessageHeadBytes) {
    return Refuse("game message", body.length, "data longer than the body");
  }
  out->id = body.Int(2);
  out->length = static_cast<int32_t>(length);
  out->data = length > 0 ? body.data + kGameMessageHeadBytes : nullptr;
  return true;
}

bool ReadLookOnAnswer(const shell::NotifyBody& body, int32_t chairs, LookOnAnswerNotice* out) {
  if (out == nullptr) return false;
  if (body.data == nullptr || !body.Has(kLookOnAnswerBytes)) return Refuse("look-on answer", body.length, "too short");
  if (!IsTableChair(Chair(body, 3), chairs)) return Refuse("look-on answer", body.length, "no such chair");
  out->user_id = body.Word(0);
  out->room_record_id = body.Word(1);
  out->table_record_id = body.Word(2);
  out->chair = Chair(body, 3);
  out->watcher_id = body.Word(4);
  out->allow = body.Int(5);
  return true;
}

bool ReadChairCards(const uint8_t* data, int32_t length, int32_t chairs, ChairCardsNotice* out) {
  const shell::NotifyBody body{data, length > 0 ? static_cast<uint32_t>(length) : 0};
  if (out == nullptr) return false;
  if (data == nullptr || !body.Has(kChairCardsHeadBytes)) return Refuse("chair cards", body.length, "too short");
  const int32_t chair = Chair(body, 1);
  if (!IsTableChair(chair, chairs)) return Refuse("chair cards", body.length, "no such chair");
  const int32_t count = body.Int(2);
  if (count < 0 || count > kComboMaxCards) return Refuse("chair cards", body.length, "card count out of range");
  if (!body.Has(kChairCardsHeadBytes + static_cast<size_t>(count) * 4)) {
    return Refuse("chair cards", body.length, "card ids missing");
  }
  out->chair = chair;
  out->count = count;
  std::fill(out->ids, out->ids + kComboMaxCards, -1);
  for (int32_t i = 0; i < count; ++i) out->ids[i] = body.Int(3 + static_cast<size_t>(i));
  return true;
}

bool ReadChairWord(int32_t id, const uint8_t* data, int32_t length, int32_t chairs, int32_t* chair) {
  const shell::NotifyBody body{data, length > 0 ? static_cast<uint32_t>(length) : 0};
  if (chair == nullptr) return false;
  if (data == nullptr || !body.Has(4)) {
    engine::WriteGameLog("table: game message %d of %u bytes refused: no chair", id, body.length);
    return false;
  }
  if (!IsTableChair(body.Int(0), chairs)) {
    engine::WriteGameLog("table: game message %d refused: no such chair %d", id, body.Int(0));
    return false;
  }
  *chair = body.Int(0);
  return true;
}

}  // namespace table
