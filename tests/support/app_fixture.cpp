#include "tests/support/app_fixture.h"

namespace test {

shell::PlayerRecord MakePlayer(uint32_t user_id, int32_t chair, const std::string& name, const std::string& second_name,
                               uint32_t flags, bool looker) {
  shell::PlayerRecord r;
  r.SetWord(shell::PlayerRecord::kUserId, user_id);
  r.SetWord(shell::PlayerRecord::kFlags, flags);
  r.SetText(shell::PlayerRecord::kName, shell::PlayerRecord::kNameBytes, name);
  r.SetText(shell::PlayerRecord::kSecondName, shell::PlayerRecord::kSecondNameBytes, second_name);
  r.SetWord(shell::PlayerRecord::kChair, static_cast<uint32_t>(chair));
  r.SetWord(shell::PlayerRecord::kLookerFlag, looker ? 1 : 0);
  return r;
}

shell::EnterGameData MakeTable() {
  shell::EnterGameData d;
  d.room.SetWord(shell::RoomBlock::kRoomRecordId, 77);
  d.room.SetWord(shell::RoomBlock::kRoomOptions, 0x4);
  d.room.SetText(shell::RoomBlock::kRoomName, shell::RoomBlock::kTextBytes, "银子场");
  d.room.SetText(shell::RoomBlock::kLocationName, shell::RoomBlock::kTextBytes, "湖南 跑胡子");
  d.table.SetWord(shell::TableBlock::kTableRecordId, 5);
  d.players.push_back(MakePlayer(1001, 0, "alice", "A", 0x1));
  d.players.push_back(MakePlayer(1002, 1, "bob", "", 0x1000));
  d.players.push_back(MakePlayer(1003, 2, "张三", "三哥"));
  d.lookers.push_back(MakePlayer(2001, 1, "watcher", "", 0, true));
  d.lookers.push_back(MakePlayer(2002, 0, "fan", "", 0, true));
  return d;
}

void AppFixture::SetUp() {
  EngineFixture::SetUp();
  server_ = std::make_unique<ScopedFakeServer>(clock_.clock());
  app_ = std::make_unique<TestApp>();
}

void AppFixture::TearDown() {
  app_.reset();
  server_.reset();
  EngineFixture::TearDown();
}

void AppFixture::Seat(const std::string& command_line) {
  ASSERT_TRUE(app_->ParseCommandLine(command_line));
  const std::vector<uint8_t> bytes = MakeTable().Serialize();
  ASSERT_TRUE(app_->TakeStartData(bytes.data(), bytes.size()));
}

}  // namespace test
