#include "dialogs/replay_file.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "engine/core/compression.h"
#include "engine/media/byte_span.h"
#include "platform/atomic_file.h"
#include "platform/files.h"

namespace dialogs {
namespace {

namespace h = replay_header;

constexpr uint32_t kKnownFlags = kReplayFlagMatch | kReplayFlagWatching;

// A whole file may not be larger than its largest header and a body that inflates to the limit
// from the worst zlib ratio (stored blocks add 5 bytes per 64 KiB).
constexpr uint64_t kMaxStoredLength = kMaxReplayBodyBytes + (kMaxReplayBodyBytes >> 10) + 1024;

// A name field: the text and a zero within kReplayNameBytes.
bool NameFits(const std::string& name) {
  return name.size() < kReplayNameBytes && name.find('\0') == std::string::npos;
}

void WriteName(uint8_t* field, const std::string& name) {
  std::memset(field, 0, kReplayNameBytes);
  std::memcpy(field, name.data(), name.size());
}

// The text of a name field; false when no zero ends it within the field.
bool ReadName(const uint8_t* field, std::string* out) {
  const void* end = std::memchr(field, 0, kReplayNameBytes);
  if (end == nullptr) return false;
  out->assign(reinterpret_cast<const char*>(field), static_cast<const uint8_t*>(end) - field);
  return true;
}

bool TimeInRange(const platform::SystemTime& t) {
  return t.year >= 0 && t.year <= 0xFFFF && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 &&
         t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 60;
}

uint64_t BodyLength(const ReplayFile& replay) {
  uint64_t size = replay.table.players.size() * kReplayPlayerEntrySize;
  size += 4 + replay.table.table_block.size();
  size += 4 + replay.state_block.size() * 4;
  for (const ReplayRecord& r : replay.records) size += kReplayRecordHeadSize + r.data.size();
  return size;
}

int32_t I32(uint32_t v) { return static_cast<int32_t>(v); }

bool Refuse(std::string* error, const char* what) {
  engine::ReportFormatError(error, "replay file refused: %s", what);
  return false;
}

}  // namespace

uint32_t ReplayHeaderCrc(const uint8_t* header, size_t header_size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, header, static_cast<uInt>(h::kHeaderCrc));
  if (header_size > kReplayHeaderSize) {
    crc = crc32(crc, header + kReplayHeaderSize, static_cast<uInt>(header_size - kReplayHeaderSize));
  }
  return static_cast<uint32_t>(crc);
}

bool CheckReplayFile(const ReplayFile& replay, std::string* error) {
  char why[160];
  const ReplayTableSnapshot& table = replay.table;
  if (table.chair_count < 1 || table.chair_count > shell::kMaxChairs) {
    std::snprintf(why, sizeof why, "chair count %d is not 1..%d", table.chair_count, shell::kMaxChairs);
    return Refuse(error, why);
  }
  if (table.own_chair < 0 || table.own_chair >= table.chair_count) {
    std::snprintf(why, sizeof why, "own chair %d is not a chair of %d", table.own_chair, table.chair_count);
    return Refuse(error, why);
  }
  if (table.players.size() > static_cast<size_t>(table.chair_count)) {
    std::snprintf(why, sizeof why, "%zu players at %d chairs", table.players.size(), table.chair_count);
    return Refuse(error, why);
  }
  bool taken[shell::kMaxChairs] = {};
  for (const ReplayPlayer& p : table.players) {
    if (p.chair < 0 || p.chair >= table.chair_count) {
      std::snprintf(why, sizeof why, "a player's chair %d is not a chair of %d", p.chair, table.chair_count);
      return Refuse(error, why);
    }
    if (taken[p.chair]) {
      std::snprintf(why, sizeof why, "two players in chair %d", p.chair);
      return Refuse(error, why);
    }
    taken[p.chair] = true;
    if (!NameFits(p.name)) return Refuse(error, "a player's name does not fit its 32 bytes");
  }
  if (table.table_block.size() > kMaxReplayTableBlockBytes) return Refuse(error, "table block too long");
  if (replay.match && !NameFits(replay.match_info.format_name)) {
    return Refuse(error, "the match format name does not fit its 32 bytes");
  }
  if (replay.state_block.size() > kReplayStateWords) return Refuse(error, "state block too long");
  if (replay.records.size() > kMaxReplayRecords) {
    std::snprintf(why, sizeof why, "%zu records, more than %u", replay.records.size(), kMaxReplayRecords);
    return Refuse(error, why);
  }
  uint32_t last_time = 0;
  for (const ReplayRecord& r : replay.records) {
    if (r.data.size() > kMaxReplayRecordBytes) {
      std::snprintf(why, sizeof why, "a record of id %d holds %zu bytes, more than %u", r.id, r.data.size(),
                    kMaxReplayRecordBytes);
      return Refuse(error, why);
    }
    if (r.time_ms < last_time) {
      std::snprintf(why, sizeof why, "a record at %u ms follows one at %u ms", r.time_ms, last_time);
      return Refuse(error, why);
    }
    last_time = r.time_ms;
  }
  if (BodyLength(replay) > kMaxReplayBodyBytes) return Refuse(error, "body longer than 64 MiB");
  if (!TimeInRange(replay.start_time)) return Refuse(error, "start time out of range");
  return true;
}

bool EncodeReplayFile(const ReplayFile& replay, std::vector<uint8_t>* out, std::string* error) {
  out->clear();
  if (!CheckReplayFile(replay, error)) return false;
  const ReplayTableSnapshot& table = replay.table;

  std::vector<uint8_t> body;
  body.reserve(static_cast<size_t>(BodyLength(replay)));
  engine::ByteWriter w(&body);
  for (const ReplayPlayer& p : table.players) {
    w.U32(static_cast<uint32_t>(p.user_id));
    w.U32(static_cast<uint32_t>(p.chair));
    w.U32(static_cast<uint32_t>(p.figure));
    w.U32(static_cast<uint32_t>(p.score));
    w.U32(static_cast<uint32_t>(p.holding));
    uint8_t name[kReplayNameBytes];
    WriteName(name, p.name);
    w.Bytes(name, sizeof name);
  }
  w.U32(static_cast<uint32_t>(table.table_block.size()));
  w.Bytes(table.table_block.data(), table.table_block.size());
  w.U32(static_cast<uint32_t>(replay.state_block.size()));
  for (int32_t word : replay.state_block) w.U32(static_cast<uint32_t>(word));
  for (const ReplayRecord& r : replay.records) {
    w.U32(r.time_ms);
    w.U32(static_cast<uint32_t>(r.id));
    w.U32(static_cast<uint32_t>(r.data.size()));
    w.Bytes(r.data.data(), r.data.size());
  }

  uint32_t stored = 0;
  const std::unique_ptr<uint8_t[]> packed =
      engine::CompressBuffer(stored, body.data(), static_cast<uint32_t>(body.size()));
  if (!packed) return Refuse(error, "zlib could not compress the body");

  const size_t header_size = replay.HeaderSize();
  std::vector<uint8_t> file(header_size + stored, 0);
  uint8_t* hd = file.data();
  engine::WriteU32(hd + h::kMagic, kReplayMagic);
  engine::WriteU16(hd + h::kVersion, kReplayVersion);
  engine::WriteU16(hd + h::kHeaderSize, static_cast<uint16_t>(header_size));
  engine::WriteU32(hd + h::kFlags, (replay.match ? kReplayFlagMatch : 0) | (table.watching ? kReplayFlagWatching : 0));
  engine::WriteU32(hd + h::kChairCount, static_cast<uint32_t>(table.chair_count));
  engine::WriteU32(hd + h::kOwnChair, static_cast<uint32_t>(table.own_chair));
  engine::WriteU32(hd + h::kUserId, static_cast<uint32_t>(table.user_id));
  engine::WriteU32(hd + h::kRoomRecordId, static_cast<uint32_t>(table.room_record_id));
  engine::WriteU32(hd + h::kTableRecordId, static_cast<uint32_t>(table.table_record_id));
  engine::WriteU32(hd + h::kGameNumber, static_cast<uint32_t>(table.game_number));
  engine::WriteU32(hd + h::kPlayerCount, static_cast<uint32_t>(table.players.size()));
  engine::WriteU32(hd + h::kRecordCount, static_cast<uint32_t>(replay.records.size()));
  engine::WriteU32(hd + h::kDuration, replay.DurationMs());
  const platform::SystemTime& t = replay.start_time;
  engine::WriteU16(hd + h::kStartTime, static_cast<uint16_t>(t.year));
  hd[h::kStartTime + 2] = static_cast<uint8_t>(t.month);
  hd[h::kStartTime + 3] = static_cast<uint8_t>(t.day);
  hd[h::kStartTime + 4] = static_cast<uint8_t>(t.hour);
  hd[h::kStartTime + 5] = static_cast<uint8_t>(t.minute);
  hd[h::kStartTime + 6] = static_cast<uint8_t>(t.second);
  engine::WriteU32(hd + h::kStoredLength, stored);
  engine::WriteU32(hd + h::kBodyLength, static_cast<uint32_t>(body.size()));
  if (replay.match) {
    const ReplayMatchInfo& m = replay.match_info;
    engine::WriteU32(hd + h::kMatchRound, static_cast<uint32_t>(m.round));
    engine::WriteU32(hd + h::kMatchScore, static_cast<uint32_t>(m.score));
    engine::WriteU32(hd + h::kMatchRank, static_cast<uint32_t>(m.rank));
    WriteName(hd + h::kMatchFormatName, m.format_name);
  }
  engine::WriteU32(hd + h::kHeaderCrc, ReplayHeaderCrc(hd, header_size));
  std::memcpy(hd + header_size, packed.get(), stored);
  *out = std::move(file);
  return true;
}

bool DecodeReplayFile(const uint8_t* bytes, size_t size, ReplayFile* out, std::string* error) {
  *out = ReplayFile();
  char why[160];
  if (bytes == nullptr || size < kReplayHeaderSize) {
    std::snprintf(why, sizeof why, "%zu bytes, shorter than the %zu-byte header", size, kReplayHeaderSize);
    return Refuse(error, why);
  }
  if (engine::ReadU32(bytes + h::kMagic) != kReplayMagic) return Refuse(error, "not a replay (no magic)");
  const uint16_t version = engine::ReadU16(bytes + h::kVersion);
  if (version != kReplayVersion) {
    std::snprintf(why, sizeof why, "version %u, this program reads version %u", version, kReplayVersion);
    return Refuse(error, why);
  }
  const uint32_t flags = engine::ReadU32(bytes + h::kFlags);
  if ((flags & ~kKnownFlags) != 0) {
    std::snprintf(why, sizeof why, "unknown flags 0x%X", flags);
    return Refuse(error, why);
  }
  const bool match = (flags & kReplayFlagMatch) != 0;
  const size_t header_size = engine::ReadU16(bytes + h::kHeaderSize);
  if (header_size != (match ? kMatchReplayHeaderSize : kReplayHeaderSize)) {
    std::snprintf(why, sizeof why, "a header of %zu bytes for a %s game", header_size, match ? "match" : "normal");
    return Refuse(error, why);
  }
  if (size < header_size) {
    std::snprintf(why, sizeof why, "%zu bytes, shorter than the %zu-byte header", size, header_size);
    return Refuse(error, why);
  }
  if (engine::ReadU32(bytes + h::kHeaderCrc) != ReplayHeaderCrc(bytes, header_size)) {
    return Refuse(error, "the header is damaged (checksum)");
  }
  const uint32_t stored = engine::ReadU32(bytes + h::kStoredLength);
  const uint32_t body_length = engine::ReadU32(bytes + h::kBodyLength);
  if (stored != size - header_size) {
    std::snprintf(why, sizeof why, "%zu bytes after the header, the header says %u", size - header_size, stored);
    return Refuse(error, why);
  }
  if (stored == 0 || stored > kMaxStoredLength || body_length > kMaxReplayBodyBytes) {
    std::snprintf(why, sizeof why, "a body of %u bytes stored in %u", body_length, stored);
    return Refuse(error, why);
  }
  const uint32_t chair_count = engine::ReadU32(bytes + h::kChairCount);
  const uint32_t player_count = engine::ReadU32(bytes + h::kPlayerCount);
  const uint32_t record_count = engine::ReadU32(bytes + h::kRecordCount);
  if (chair_count < 1 || chair_count > shell::kMaxChairs) {
    std::snprintf(why, sizeof why, "chair count %u is not 1..%d", chair_count, shell::kMaxChairs);
    return Refuse(error, why);
  }
  if (player_count > chair_count) {
    std::snprintf(why, sizeof why, "%u players at %u chairs", player_count, chair_count);
    return Refuse(error, why);
  }
  if (record_count > kMaxReplayRecords) {
    std::snprintf(why, sizeof why, "%u records, more than %u", record_count, kMaxReplayRecords);
    return Refuse(error, why);
  }
  // Every part of the body is at least as long as its fixed fields.
  const uint64_t least_body =
      uint64_t{player_count} * kReplayPlayerEntrySize + 8 + uint64_t{record_count} * kReplayRecordHeadSize;
  if (body_length < least_body) {
    std::snprintf(why, sizeof why, "a body of %u bytes cannot hold %u players and %u records", body_length,
                  player_count, record_count);
    return Refuse(error, why);
  }

  ReplayFile replay;
  replay.match = match;
  ReplayTableSnapshot& table = replay.table;
  table.chair_count = static_cast<int32_t>(chair_count);
  table.own_chair = I32(engine::ReadU32(bytes + h::kOwnChair));
  table.watching = (flags & kReplayFlagWatching) != 0;
  table.user_id = I32(engine::ReadU32(bytes + h::kUserId));
  table.room_record_id = I32(engine::ReadU32(bytes + h::kRoomRecordId));
  table.table_record_id = I32(engine::ReadU32(bytes + h::kTableRecordId));
  table.game_number = I32(engine::ReadU32(bytes + h::kGameNumber));
  platform::SystemTime& t = replay.start_time;
  t.year = engine::ReadU16(bytes + h::kStartTime);
  t.month = bytes[h::kStartTime + 2];
  t.day = bytes[h::kStartTime + 3];
  t.hour = bytes[h::kStartTime + 4];
  t.minute = bytes[h::kStartTime + 5];
  t.second = bytes[h::kStartTime + 6];
  t.milliseconds = 0;
  if (match) {
    ReplayMatchInfo& m = replay.match_info;
    m.round = I32(engine::ReadU32(bytes + h::kMatchRound));
    m.score = I32(engine::ReadU32(bytes + h::kMatchScore));
    m.rank = I32(engine::ReadU32(bytes + h::kMatchRank));
    if (!ReadName(bytes + h::kMatchFormatName, &m.format_name)) {
      return Refuse(error, "the match format name has no end");
    }
  }

  // The stream must fill the body's length exactly and end exactly where the file does.
  uint32_t produced = body_length;
  const std::unique_ptr<uint8_t[]> body = engine::UncompressBuffer(produced, bytes + header_size, stored);
  if (!body) return Refuse(error, "the body is not one whole zlib stream of the size the header gives");

  engine::ByteReader r(body.get(), body_length);
  table.players.resize(player_count);
  for (ReplayPlayer& p : table.players) {
    uint32_t user = 0, chair = 0, figure = 0, score = 0, holding = 0;
    r.U32(&user);
    r.U32(&chair);
    r.U32(&figure);
    r.U32(&score);
    r.U32(&holding);
    p.user_id = I32(user);
    p.chair = I32(chair);
    p.figure = I32(figure);
    p.score = I32(score);
    p.holding = I32(holding);
    // The fixed fields fit (least_body above); the name is read where it lies.
    if (!ReadName(r.Here(), &p.name)) return Refuse(error, "a player's name has no end");
    r.Skip(kReplayNameBytes);
  }
  uint32_t block_length = 0;
  if (!r.U32(&block_length) || block_length > kMaxReplayTableBlockBytes || !r.Has(block_length)) {
    return Refuse(error, "the table block's length is wrong");
  }
  table.table_block.assign(r.Here(), r.Here() + block_length);
  r.Skip(block_length);
  uint32_t word_count = 0;
  if (!r.U32(&word_count) || word_count > kReplayStateWords || !r.Has(uint64_t{word_count} * 4)) {
    return Refuse(error, "the state block's length is wrong");
  }
  replay.state_block.resize(word_count);
  for (int32_t& word : replay.state_block) {
    uint32_t v = 0;
    r.U32(&v);
    word = I32(v);
  }
  if (!r.Has(uint64_t{record_count} * kReplayRecordHeadSize)) {
    std::snprintf(why, sizeof why, "%u records do not fit the body", record_count);
    return Refuse(error, why);
  }
  replay.records.resize(record_count);
  for (uint32_t i = 0; i < record_count; ++i) {
    ReplayRecord& rec = replay.records[i];
    uint32_t id = 0, length = 0;
    if (!r.U32(&rec.time_ms) || !r.U32(&id) || !r.U32(&length)) {
      std::snprintf(why, sizeof why, "record %u of %u is cut short", i + 1, record_count);
      return Refuse(error, why);
    }
    rec.id = I32(id);
    // What is left must still hold this record's data and the heads of the records after it.
    if (length > kMaxReplayRecordBytes ||
        !r.Has(uint64_t{length} + uint64_t{record_count - 1 - i} * kReplayRecordHeadSize)) {
      std::snprintf(why, sizeof why, "record %u of %u claims %u bytes", i + 1, record_count, length);
      return Refuse(error, why);
    }
    rec.data.assign(r.Here(), r.Here() + length);
    r.Skip(length);
  }
  if (r.remaining() != 0) {
    std::snprintf(why, sizeof why, "%zu bytes after the last record", r.remaining());
    return Refuse(error, why);
  }
  if (engine::ReadU32(bytes + h::kDuration) != replay.DurationMs()) {
    return Refuse(error, "the duration is not the last record's time");
  }
  if (!CheckReplayFile(replay, error)) return false;
  *out = std::move(replay);
  return true;
}

bool SaveReplayFile(const std::string& path, const ReplayFile& replay, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!EncodeReplayFile(replay, &bytes, error)) return false;
  if (!platform::WriteFileAtomic(path, bytes.data(), bytes.size())) {
    engine::ReportFormatError(error, "replay file %s could not be written", path.c_str());
    return false;
  }
  return true;
}

int SaveNewReplayFile(const std::vector<std::string>& names, const ReplayFile& replay, std::string* error) {
  std::vector<uint8_t> bytes;
  if (names.empty() || !EncodeReplayFile(replay, &bytes, error)) return -1;
  platform::AtomicFile file(platform::AtomicFile::NewFile{names.front()});
  const int taken = file.Write(bytes.data(), bytes.size()) ? file.CommitNew(names) : -1;
  if (taken < 0) engine::ReportFormatError(error, "replay file could not be written: %s", file.error().c_str());
  return taken;
}

bool LoadReplayFile(const std::string& path, ReplayFile* out, std::string* error) {
  *out = ReplayFile();
  const int64_t size = platform::FileSize(path);
  if (size < 0) {
    engine::ReportFormatError(error, "replay file %s cannot be read (%s)", path.c_str(), platform::ReadProblem(path).c_str());
    return false;
  }
  if (static_cast<uint64_t>(size) > kMatchReplayHeaderSize + kMaxStoredLength) {
    engine::ReportFormatError(error, "replay file %s is too large (%lld bytes)", path.c_str(),
                              static_cast<long long>(size));
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!platform::ReadFileBytes(path, &bytes)) {
    engine::ReportFormatError(error, "replay file %s cannot be read", path.c_str());
    return false;
  }
  std::string why;
  if (!DecodeReplayFile(bytes.data(), bytes.size(), out, &why)) {
    engine::ReportFormatError(error, "%s: %s", path.c_str(), why.c_str());
    return false;
  }
  return true;
}

}  // namespace dialogs
