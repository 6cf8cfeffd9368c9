// ctest-labels: replay
#include "dialogs/replay_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/dialogs/replay_samples.h"
#include "tests/dialogs/scoped_file_size_limit.h"

namespace fs = std::filesystem;
namespace h = dialogs::replay_header;
using replay_samples::Encode;
using replay_samples::SampleReplay;
using replay_samples::ScopedFileSizeLimit;
using replay_samples::SetU32;
using replay_samples::WithBody;

namespace {

// Where the sample's parts lie in its body (three players, an 8-byte table block).
constexpr size_t kTableBlockAt = 3 * dialogs::kReplayPlayerEntrySize;
constexpr size_t kStateBlockAt = kTableBlockAt + 4 + 8;
constexpr size_t kRecordsAt = kStateBlockAt + 4 + dialogs::kReplayStateWords * 4;

bool Decodes(const std::vector<uint8_t>& bytes, std::string* error = nullptr) {
  dialogs::ReplayFile out;
  std::string why;
  const bool ok = dialogs::DecodeReplayFile(bytes.data(), bytes.size(), &out, &why);
  if (error) *error = why;
  if (!ok) {
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(out.records.empty() && out.table.players.empty());
  }
  return ok;
}

void ExpectSame(const dialogs::ReplayFile& a, const dialogs::ReplayFile& b) {
  EXPECT_EQ(a.match, b.match);
  EXPECT_EQ(a.table, b.table);
  EXPECT_EQ(a.state_block, b.state_block);
  EXPECT_EQ(a.start_time.year, b.start_time.year);
  EXPECT_EQ(a.start_time.second, b.start_time.second);
  if (a.match) {
    EXPECT_EQ(a.match_info, b.match_info);
  }
  ASSERT_EQ(a.records.size(), b.records.size());
  for (size_t i = 0; i < a.records.size(); ++i) ASSERT_EQ(a.records[i], b.records[i]) << "record " << i;
}

TEST(ReplayFileTest, ANormalGameOfManyRecordsReadsBackAsWritten) {
  const dialogs::ReplayFile game = SampleReplay(false, 3000);
  const std::vector<uint8_t> bytes = Encode(game);
  ASSERT_FALSE(bytes.empty());
  dialogs::ReplayFile back;
  std::string error;
  ASSERT_TRUE(dialogs::DecodeReplayFile(bytes.data(), bytes.size(), &back, &error)) << error;
  ExpectSame(game, back);
  EXPECT_EQ(back.DurationMs(), game.records.back().time_ms);
}

TEST(ReplayFileTest, AMatchGameCarriesItsDetailsInTheLongerHeader) {
  const dialogs::ReplayFile game = SampleReplay(true, 500);
  const std::vector<uint8_t> bytes = Encode(game);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(engine::ReadU16(bytes.data() + h::kHeaderSize), 172);
  EXPECT_EQ(engine::ReadU32(bytes.data() + h::kMatchRound), 3u);
  EXPECT_EQ(engine::ReadU32(bytes.data() + h::kMatchScore), 1500u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + h::kMatchFormatName)), "淘汰赛");
  dialogs::ReplayFile back;
  std::string error;
  ASSERT_TRUE(dialogs::DecodeReplayFile(bytes.data(), bytes.size(), &back, &error)) << error;
  ExpectSame(game, back);
}

TEST(ReplayFileTest, TheHeaderLaysItsFieldsOutAsDocumented) {
  const std::vector<uint8_t> bytes = Encode(SampleReplay(false, 4));
  ASSERT_GT(bytes.size(), 108u);
  const uint8_t* b = bytes.data();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 4), "ZPRP");
  EXPECT_EQ(engine::ReadU16(b + 4), 1);
  EXPECT_EQ(engine::ReadU16(b + 6), 108);
  EXPECT_EQ(engine::ReadU32(b + 8), 0u);
  EXPECT_EQ(engine::ReadU32(b + 12), 3u);
  EXPECT_EQ(engine::ReadU32(b + 16), 1u);
  EXPECT_EQ(engine::ReadU32(b + 20), 70002u);
  EXPECT_EQ(engine::ReadU32(b + 28), 34u);
  EXPECT_EQ(engine::ReadU32(b + 36), 3u);
  EXPECT_EQ(engine::ReadU32(b + 40), 4u);
  EXPECT_EQ(engine::ReadU32(b + 44), 0u + 37 + 74 + 111);
  EXPECT_EQ(engine::ReadU16(b + 48), 2026);
  EXPECT_EQ(b[50], 12);
  EXPECT_EQ(b[54], 59);
  EXPECT_EQ(engine::ReadU32(b + 56), bytes.size() - 108);
  EXPECT_EQ(engine::ReadU32(b + 60), kRecordsAt + 4 * 12 + 0 + 131 + 262 + 393);
}

TEST(ReplayFileTest, AGameWithoutRecordsOrPlayersIsAFileToo) {
  dialogs::ReplayFile empty;
  empty.table.chair_count = 1;
  const std::vector<uint8_t> bytes = Encode(empty);
  ASSERT_FALSE(bytes.empty());
  dialogs::ReplayFile back;
  ASSERT_TRUE(dialogs::DecodeReplayFile(bytes.data(), bytes.size(), &back, nullptr));
  EXPECT_TRUE(back.records.empty());
  EXPECT_EQ(back.DurationMs(), 0u);
}

TEST(ReplayFileTest, EveryShortenedFileIsRefused) {
  for (bool match : {false, true}) {
    const std::vector<uint8_t> bytes = Encode(SampleReplay(match, 12));
    ASSERT_FALSE(bytes.empty());
    ASSERT_TRUE(Decodes(bytes));
    for (size_t n = 0; n < bytes.size(); ++n) {
      const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
      ASSERT_FALSE(Decodes(cut)) << "cut at " << n << " of " << bytes.size();
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(Decodes(longer));
  }
}

TEST(ReplayFileTest, ADamagedHeaderOrStreamIsRefused) {
  const std::vector<uint8_t> good = Encode(SampleReplay(false, 30));
  std::string why;
  std::vector<uint8_t> bad = good;
  bad[h::kOwnChair] ^= 1;  // without a new checksum
  EXPECT_FALSE(Decodes(bad, &why));
  EXPECT_NE(why.find("checksum"), std::string::npos) << why;

  bad = good;
  bad[0] = 'X';
  EXPECT_FALSE(Decodes(bad, &why));
  EXPECT_NE(why.find("magic"), std::string::npos) << why;

  bad = good;
  bad[good.size() / 2 + 54] ^= 0x55;  // inside the zlib stream
  EXPECT_FALSE(Decodes(bad, &why));

  bad = good;
  bad[good.size() - 1] ^= 0xFF;  // the stream's own checksum
  EXPECT_FALSE(Decodes(bad, &why));
}

TEST(ReplayFileTest, BytesAfterTheZlibStreamAreRefusedEvenWhenTheHeaderCountsThem) {
  const std::vector<uint8_t> good = Encode(SampleReplay(false, 30));
  const uint32_t stored = engine::ReadU32(good.data() + h::kStoredLength);
  const std::vector<uint8_t> stream(good.end() - stored, good.end());
  for (const std::vector<uint8_t>& tail : {std::vector<uint8_t>{0}, stream}) {  // a stray byte, a second stream
    std::vector<uint8_t> bad = good;
    bad.insert(bad.end(), tail.begin(), tail.end());
    SetU32(bad, h::kStoredLength, stored + static_cast<uint32_t>(tail.size()));
    std::string why;
    EXPECT_FALSE(Decodes(bad, &why)) << tail.size();
    EXPECT_NE(why.find("whole zlib stream"), std::string::npos) << why;
  }
}

TEST(ReplayFileTest, HeaderFieldsThatLieAreRefusedEvenWhenSealed) {
  const std::vector<uint8_t> good = Encode(SampleReplay(false, 30));
  const std::vector<uint8_t> match = Encode(SampleReplay(true, 30));
  struct Lie {
    const char* what;
    size_t offset;
    uint32_t value;
  };
  const uint32_t stored = engine::ReadU32(good.data() + h::kStoredLength);
  const uint32_t body = engine::ReadU32(good.data() + h::kBodyLength);
  const Lie lies[] = {
      {"version 2", h::kVersion, 2},
      {"unknown flag", h::kFlags, 0x4},
      {"match flag on a short header", h::kFlags, dialogs::kReplayFlagMatch},
      {"no chairs", h::kChairCount, 0},
      {"nine chairs", h::kChairCount, 9},
      {"huge chair count", h::kChairCount, 0xFFFFFFFF},
      {"own chair past the chairs", h::kOwnChair, 3},
      {"own chair negative", h::kOwnChair, 0xFFFFFFFF},
      {"more players than chairs", h::kPlayerCount, 4},
      {"fewer players than stored", h::kPlayerCount, 2},
      {"one record more", h::kRecordCount, 31},
      {"one record less", h::kRecordCount, 29},
      {"huge record count", h::kRecordCount, 0xFFFFFFFF},
      {"records just over the limit", h::kRecordCount, dialogs::kMaxReplayRecords + 1},
      {"duration off by one", h::kDuration, engine::ReadU32(good.data() + h::kDuration) + 1},
      {"stored length one more", h::kStoredLength, stored + 1},
      {"stored length one less", h::kStoredLength, stored - 1},
      {"body one byte longer", h::kBodyLength, body + 1},
      {"body one byte shorter", h::kBodyLength, body - 1},
      {"huge body", h::kBodyLength, 0xFFFFFFF0},
      {"month 13", h::kStartTime, 2026 | (13u << 16) | (7u << 24)},
  };
  for (const Lie& lie : lies) {
    std::vector<uint8_t> bad = good;
    if (lie.offset == h::kVersion) {
      engine::WriteU16(bad.data() + h::kVersion, static_cast<uint16_t>(lie.value));
      replay_samples::Seal(bad);
    } else {
      SetU32(bad, lie.offset, lie.value);
    }
    EXPECT_FALSE(Decodes(bad)) << lie.what;
  }
  // A match file that calls itself a normal one, and one whose format name never ends.
  std::vector<uint8_t> bad = match;
  SetU32(bad, h::kFlags, 0);
  EXPECT_FALSE(Decodes(bad));
  bad = match;
  std::fill(bad.begin() + h::kMatchFormatName, bad.begin() + h::kMatchFormatName + 32, 'A');
  replay_samples::Seal(bad);
  EXPECT_FALSE(Decodes(bad));
}

TEST(ReplayFileTest, BodyPartsThatLieAreRefused) {
  const std::vector<uint8_t> good = Encode(SampleReplay(false, 30));
  ASSERT_TRUE(Decodes(WithBody(good, [](std::vector<uint8_t>&) {})));
  const auto u32_at = [](size_t offset, uint32_t value) {
    return [=](std::vector<uint8_t>& b) { engine::WriteU32(b.data() + offset, value); };
  };
  struct Edit {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> edit;
  };
  const size_t second_record = kRecordsAt + 12;  // the first record has no data
  const Edit edits[] = {
      {"player in chair 3", u32_at(4, 3)},
      {"player in chair -1", u32_at(52 + 4, 0xFFFFFFFF)},
      {"two players in chair 2", u32_at(4, 2)},
      {"name without an end", [](std::vector<uint8_t>& b) { std::fill(b.begin() + 20, b.begin() + 52, 'n'); }},
      {"table block past the body", u32_at(kTableBlockAt, 0x7FFFFFFF)},
      {"table block one byte too long", u32_at(kTableBlockAt, 9)},
      {"state block over its limit", u32_at(kStateBlockAt, dialogs::kReplayStateWords + 1)},
      {"state block past the body", u32_at(kStateBlockAt, 0xFFFFFFFF)},
      {"record longer than what is left", u32_at(second_record + 8, 1u << 19)},
      {"record one byte longer", u32_at(second_record + 8, 132)},
      {"record one byte shorter", u32_at(second_record + 8, 130)},
      {"record over the size limit", u32_at(second_record + 8, dialogs::kMaxReplayRecordBytes + 1)},
      {"time going back", u32_at(second_record, 0xFFFFFF00)},
      {"a byte after the last record", [](std::vector<uint8_t>& b) { b.push_back(0); }},
      {"last record cut short", [](std::vector<uint8_t>& b) { b.pop_back(); }},
  };
  for (const Edit& e : edits) {
    std::string why;
    EXPECT_FALSE(Decodes(WithBody(good, e.edit), &why)) << e.what;
    EXPECT_NE(why.find("refused"), std::string::npos) << e.what << ": " << why;
  }
}

TEST(ReplayFileTest, TheWriterRefusesWhatTheReaderWouldRefuse) {
  const auto refused = [](const std::function<void(dialogs::ReplayFile&)>& edit) {
    dialogs::ReplayFile r = SampleReplay(false, 5);
    edit(r);
    std::vector<uint8_t> out{1, 2, 3};
    const bool ok = dialogs::EncodeReplayFile(r, &out, nullptr);
    EXPECT_TRUE(ok || out.empty());
    return !ok;
  };
  EXPECT_TRUE(refused([](auto& r) { r.table.chair_count = 0; }));
  EXPECT_TRUE(refused([](auto& r) { r.table.chair_count = 9; }));
  EXPECT_TRUE(refused([](auto& r) { r.table.own_chair = 3; }));
  EXPECT_TRUE(refused([](auto& r) { r.table.players[2].chair = 0; }));
  EXPECT_TRUE(refused([](auto& r) { r.table.players[0].name = std::string(32, 'a'); }));
  EXPECT_TRUE(refused([](auto& r) { r.table.players[0].name = std::string("a\0b", 3); }));
  EXPECT_TRUE(refused([](auto& r) { r.records[3].time_ms = 0; }));
  EXPECT_TRUE(refused([](auto& r) { r.state_block.push_back(1); }));
  EXPECT_TRUE(refused([](auto& r) { r.records[0].data.resize(dialogs::kMaxReplayRecordBytes + 1); }));
  EXPECT_FALSE(refused([](auto& r) { r.table.players[0].name = std::string(31, 'a'); }));
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ReplayFileTest, AWriteThatFailsLeavesTheOldFileWhole) {
  const fs::path dir = fs::current_path() / "failing-write";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "game.rep").string();
  ASSERT_TRUE(dialogs::SaveReplayFile(path, SampleReplay(false, 2), nullptr));
  const std::string old = ReadAll(path);

  const dialogs::ReplayFile bigger = SampleReplay(false, 400);
  std::string error;
  {
    ScopedFileSizeLimit limit(old.size() + 100);
    EXPECT_FALSE(dialogs::SaveReplayFile(path, bigger, &error));
  }
  EXPECT_NE(error.find("could not be written"), std::string::npos) << error;
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  // With room again the new game replaces the old one whole.
  ASSERT_TRUE(dialogs::SaveReplayFile(path, bigger, nullptr));
  dialogs::ReplayFile back;
  ASSERT_TRUE(dialogs::LoadReplayFile(path, &back, &error)) << error;
  ExpectSame(bigger, back);
}

TEST(ReplayFileTest, LoadingAMissingOrForeignFileSaysWhichAndWhy) {
  const fs::path dir = fs::current_path() / "foreign";
  fs::create_directories(dir);
  dialogs::ReplayFile out;
  std::string error;
  EXPECT_FALSE(dialogs::LoadReplayFile((dir / "none.rep").string(), &out, &error));
  EXPECT_NE(error.find("none.rep"), std::string::npos) << error;
  std::ofstream(dir / "text.rep") << "just some text that is long enough to pass for a header, or is it? "
                                     "no: it has no magic at all, and it is far too short anyway........";
  EXPECT_FALSE(dialogs::LoadReplayFile((dir / "text.rep").string(), &out, &error));
  EXPECT_NE(error.find("text.rep"), std::string::npos) << error;
  EXPECT_NE(error.find("magic"), std::string::npos) << error;
}

}  // namespace
