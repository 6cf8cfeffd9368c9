#include "dialogs/replay_recorder.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine/core/engine_files.h"
#include "engine/core/engine_log.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gbk.h"

namespace dialogs {
namespace {

// The body's room for records: what the players, the table block and the hands may take is
// kept free for them.
constexpr uint64_t kMaxRecordedBytes = kMaxReplayBodyBytes - shell::kMaxChairs * kReplayPlayerEntrySize -
                                       (4 + kMaxReplayTableBlockBytes) - (4 + kReplayStateWords * 4);

// The text up to its first zero, at most kReplayNameBytes - 1 bytes, never ending inside a
// double-byte character.
std::string FitName(const std::string& text) {
  const std::string whole = text.substr(0, text.find('\0'));
  size_t end = 0;
  while (end < whole.size()) {
    const size_t step = platform::IsDBCSLeadByte(static_cast<uint8_t>(whole[end])) ? 2 : 1;
    if (end + step > kReplayNameBytes - 1 || end + step > whole.size()) break;
    end += step;
  }
  return whole.substr(0, end);
}

}  // namespace

CReplayRecorder::CReplayRecorder() : CReplayRecorder(false) {}

CReplayRecorder::CReplayRecorder(bool match)
    : match_(match), state_(kReplayStateWords, -1), folder_(engine::ExePath(kReplayFolderName)) {
  replay_.match = match_;
}

CReplayRecorder::~CReplayRecorder() = default;

void CReplayRecorder::SetFolder(const std::string& folder) {
  folder_ = folder;
  if (!folder_.empty() && platform::FindLastSeparator(folder_) + 1 != folder_.size()) folder_ += '\\';
}

void CReplayRecorder::SetMatchInfoOf(const ReplayMatchInfo& info) {
  match_info_ = info;
  match_info_.format_name = FitName(info.format_name);
}

void CReplayRecorder::StartRecording() {
  replay_ = ReplayFile();
  ++version_;
  replay_.match = match_;
  replay_.start_time = platform::GetLocalTime();
  replay_.start_time.milliseconds = 0;
  state_.assign(kReplayStateWords, -1);
  has_snapshot_ = false;
  refused_logged_ = false;
  body_bytes_ = 0;
  start_tick_ = platform::GetTickCount();
  recording_ = true;
}

bool CReplayRecorder::WriteTableSnapshot(const ReplayTableSnapshot& table) {
  if (!recording_) return false;
  ReplayFile check;
  check.table = table;
  for (ReplayPlayer& p : check.table.players) p.name = FitName(p.name);
  std::string why;
  if (!CheckReplayFile(check, &why)) {
    engine::WriteGameLog("replay: table snapshot refused: %s", why.c_str());
    return false;
  }
  replay_.table = std::move(check.table);
  ++version_;
  has_snapshot_ = true;
  return true;
}

bool CReplayRecorder::AddRecord(int32_t id, const void* data, int32_t length) {
  if (!recording_) return false;
  const char* refusal = nullptr;
  if (length < 0 || (data == nullptr && length > 0)) {
    refusal = "no data";
  } else if (static_cast<uint32_t>(length) > kMaxReplayRecordBytes) {
    refusal = "too long";
  } else if (replay_.records.size() >= kMaxReplayRecords) {
    refusal = "too many records";
  } else if (body_bytes_ + kReplayRecordHeadSize + static_cast<uint32_t>(length) > kMaxRecordedBytes) {
    refusal = "the game is too long";
  }
  if (refusal != nullptr) {
    // Once per game: a flood of refusals says nothing more than the first.
    if (!refused_logged_) {
      engine::WriteGameLog("replay: message %d (%d bytes) not recorded: %s", id, length, refusal);
      refused_logged_ = true;
    }
    return false;
  }
  ReplayRecord record;
  record.time_ms = platform::GetTickCount() - start_tick_;
  record.id = id;
  if (length > 0) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    record.data.assign(bytes, bytes + length);
  }
  replay_.records.push_back(std::move(record));
  ++version_;
  body_bytes_ += kReplayRecordHeadSize + static_cast<uint32_t>(length);
  return true;
}

std::vector<std::string> CReplayRecorder::NewFileNames() const {
  const platform::SystemTime& t = replay_.start_time;
  char stem[96];
  std::snprintf(stem, sizeof stem, "%04d%02d%02d-%02d%02d%02d-%d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                replay_.table.table_record_id);
  return platform::NumberedFileNames(folder_ + stem, kReplayExtension, kMaxNamesPerStem);
}

bool CReplayRecorder::StopAndSave(std::string* out_path, bool save) {
  if (out_path) out_path->clear();
  const bool was_recording = recording_;
  recording_ = false;
  if (!was_recording || !save) return false;
  if (!has_snapshot_) {
    engine::WriteGameLog("replay: not saved: the table was never recorded");
    return false;
  }
  if (engine::BuildDirectory(folder_, 1) == 0) {
    engine::WriteGameLog("replay: not saved: no folder %s", folder_.c_str());
    return false;
  }
  replay_.state_block = state_;
  if (match_) replay_.match_info = match_info_;
  ++version_;
  // Games saved in the same second at the same table get "-2", "-3"... A name is taken only if
  // nothing stands there as the file is renamed to it, so no file is ever replaced.
  const std::vector<std::string> names = NewFileNames();
  std::string why;
  const int taken = SaveNewReplayFile(names, replay_, &why);
  if (taken < 0) {
    engine::WriteGameLog("replay: not saved: %s", why.c_str());
    return false;
  }
  if (out_path) *out_path = names[static_cast<size_t>(taken)];
  return true;
}

bool CReplayRecorder::LoadReplay(const std::string& path, std::string* error) {
  ReplayFile loaded;
  if (!LoadReplayFile(path, &loaded, error)) return false;
  TakeReplay(std::move(loaded));
  return true;
}

void CReplayRecorder::TakeReplay(ReplayFile replay) {
  recording_ = false;
  has_snapshot_ = true;
  replay_ = std::move(replay);
  ++version_;
  state_.assign(kReplayStateWords, -1);
  const size_t words = std::min(replay_.state_block.size(), state_.size());
  std::copy(replay_.state_block.begin(), replay_.state_block.begin() + static_cast<std::ptrdiff_t>(words),
            state_.begin());
}

CMatchReplayRecorder::CMatchReplayRecorder() : CReplayRecorder(true) {}

void CMatchReplayRecorder::SetMatchInfo(const ReplayMatchInfo& info) { SetMatchInfoOf(info); }

}  // namespace dialogs
