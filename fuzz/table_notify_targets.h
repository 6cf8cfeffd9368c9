// What the table-notification fuzz target does with one input: reads it as each of the table's
// notification bodies (play, pass, game message, look-on answer), and a game message's data as
// a chair's cards and as a chair word, for tables of three and of eight chairs, and as the
// frame's safe-box event and chair records, and checks that whatever a reader took lies inside
// the body and the table. Shared with the regression test
// that replays the inputs kept under tests/data/fuzz.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "shell/frame_records.h"
#include "shell/notify_body.h"
#include "table/notify_bodies.h"

namespace fuzz {

inline void ReadTableNotices(const uint8_t* data, size_t size) {
  const shell::NotifyBody body{data, static_cast<uint32_t>(size)};
  shell::SafeBoxRecord safe_box;
  if (shell::ReadSafeBoxRecord(body, &safe_box) && size < shell::SafeBoxRecord::kBytes) __builtin_trap();
  shell::ChairRecords records;
  if (shell::ReadChairRecords(body, &records) &&
      (records.count < 1 || records.count > shell::kMaxChairs ||
       static_cast<size_t>(records.count) * shell::ChairRecords::kRecordBytes != size)) {
    __builtin_trap();
  }
  for (const int32_t chairs : {3, 8}) {
    table::PlayNotice play;
    if (table::ReadPlayNotice(body, chairs, &play)) {
      if (!table::IsTableChair(play.chair, chairs)) __builtin_trap();
      if (play.combo.card_count < 0 || play.combo.card_count > table::kComboMaxCards) __builtin_trap();
      if (table::kPlayNoticeHeadBytes + static_cast<size_t>(play.combo.card_count) * 4 > size) __builtin_trap();
    }
    table::PassNotice pass;
    if (table::ReadPassNotice(body, chairs, &pass)) {
      if (!table::IsTableChair(pass.chair, chairs)) __builtin_trap();
      if (pass.next_chair != -1 && !table::IsTableChair(pass.next_chair, chairs)) __builtin_trap();
    }
    table::LookOnAnswerNotice answer;
    if (table::ReadLookOnAnswer(body, chairs, &answer) && !table::IsTableChair(answer.chair, chairs)) __builtin_trap();
    table::GameMessageNotice message;
    if (table::ReadGameMessage(body, &message)) {
      if (message.length < 0) __builtin_trap();
      if (message.length > 0 && (message.data < data || message.data + message.length > data + size)) {
        __builtin_trap();
      }
      table::ChairCardsNotice cards;
      if (table::ReadChairCards(message.data, message.length, chairs, &cards)) {
        if (!table::IsTableChair(cards.chair, chairs) || cards.count < 0 || cards.count > table::kComboMaxCards) {
          __builtin_trap();
        }
      }
      int32_t chair = -1;
      if (table::ReadChairWord(message.id, message.data, message.length, chairs, &chair) &&
          !table::IsTableChair(chair, chairs)) {
        __builtin_trap();
      }
    }
  }
}

}  // namespace fuzz
