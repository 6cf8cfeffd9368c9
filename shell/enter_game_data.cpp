#include "shell/enter_game_data.h"

#include <cstring>

namespace shell {
namespace {

bool Refuse(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

}  // namespace

bool EnterGameData::Parse(const uint8_t* data, size_t size, EnterGameData* out, std::string* error) {
  constexpr size_t kHead = RoomBlock::kSize + TableBlock::kSize;
  if (data == nullptr || size < kHead) {
    return Refuse(error, "start data of " + std::to_string(size) + " bytes are shorter than their head");
  }
  EnterGameData got;
  std::memcpy(got.room.bytes, data, RoomBlock::kSize);
  std::memcpy(got.table.bytes, data + RoomBlock::kSize, TableBlock::kSize);
  const uint32_t players = got.table.Word(TableBlock::kPlayerCount);
  const uint32_t lookers = got.table.Word(TableBlock::kLookerCount);
  if (players > static_cast<uint32_t>(kMaxChairs) || lookers > static_cast<uint32_t>(kMaxLookers)) {
    return Refuse(
        error, "start data name " + std::to_string(players) + " players and " + std::to_string(lookers) + " lookers");
  }
  const size_t expected = kHead + (static_cast<size_t>(players) + lookers) * PlayerRecord::kSize;
  if (size != expected) {
    return Refuse(error, "start data of " + std::to_string(size) + " bytes where " + std::to_string(expected) +
                             " were announced");
  }
  const uint8_t* p = data + kHead;
  bool chair_taken[kMaxChairs] = {};
  for (uint32_t i = 0; i < players; ++i, p += PlayerRecord::kSize) {
    PlayerRecord r;
    std::memcpy(r.bytes, p, PlayerRecord::kSize);
    const int32_t chair = r.Chair();
    if (chair < 0 || chair >= kMaxChairs) {
      return Refuse(error, "player " + std::to_string(r.UserId()) + " sits on chair " + std::to_string(chair));
    }
    if (chair_taken[chair]) return Refuse(error, "two players sit on chair " + std::to_string(chair));
    chair_taken[chair] = true;
    got.players.push_back(r);
  }
  for (uint32_t i = 0; i < lookers; ++i, p += PlayerRecord::kSize) {
    PlayerRecord r;
    std::memcpy(r.bytes, p, PlayerRecord::kSize);
    got.lookers.push_back(r);
  }
  if (out) *out = std::move(got);
  return true;
}

std::vector<uint8_t> EnterGameData::Serialize() const {
  TableBlock head = table;
  head.SetWord(TableBlock::kPlayerCount, static_cast<uint32_t>(players.size()));
  head.SetWord(TableBlock::kLookerCount, static_cast<uint32_t>(lookers.size()));
  std::vector<uint8_t> bytes(room.bytes, room.bytes + RoomBlock::kSize);
  bytes.insert(bytes.end(), head.bytes, head.bytes + TableBlock::kSize);
  for (const PlayerRecord& r : players) bytes.insert(bytes.end(), r.bytes, r.bytes + PlayerRecord::kSize);
  for (const PlayerRecord& r : lookers) bytes.insert(bytes.end(), r.bytes, r.bytes + PlayerRecord::kSize);
  return bytes;
}

}  // namespace shell
