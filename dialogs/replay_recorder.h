// The replay recorders: they keep the messages of one game, each with its time, and write the
// game as a replay file (dialogs/replay_file.h) when it ends.
//
// The table view owns one, a CMatchReplayRecorder in match mode, and for each game calls:
//   StartRecording        when the game starts (forgets the last game, stamps the start)
//   WriteTableSnapshot    the table, its chairs and players, as the application holds them
//   AddRecord             every game message it routes while IsRecording()
//   GetStateBlock         the game writes the dealt hands into it before the save
//   StopAndSave           when the game ends: true and the file's path when it was written
// In replay mode the same object is loaded from a file instead (LoadReplay), and GetStateBlock
// answers the recorded hands.
//
// The recorder is plain data, not an engine object: the on-screen replay bar owns one and
// shows its times. Times come from the platform clock.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dialogs/replay_file.h"

namespace dialogs {

// Replays are saved in this folder beside the executable, with this extension.
inline constexpr char kReplayFolderName[] = "Replay\\";
inline constexpr char kReplayExtension[] = ".rep";

class CReplayRecorder {
 public:
  CReplayRecorder();
  virtual ~CReplayRecorder();
  CReplayRecorder(const CReplayRecorder&) = delete;
  CReplayRecorder& operator=(const CReplayRecorder&) = delete;

  // Forgets the last game (records, snapshot, hands) and starts recording now.
  void StartRecording();
  // Keeps the table as it is now. Refused (false, with a log line) while not recording or when
  // the chairs do not add up; names longer than 31 bytes are cut at a character boundary.
  bool WriteTableSnapshot(const ReplayTableSnapshot& table);
  // Keeps one message with the time since StartRecording. Ignored while not recording; refused
  // with a log line when it or the game would pass the file's limits.
  bool AddRecord(int32_t id, const void* data, int32_t length);
  // Stops recording. With save set, writes the game to a new file in the folder (made when
  // missing) and answers true with its path in *out_path; false when nothing was written (not
  // recording, save not set, no snapshot, or the write failed; an existing file is never
  // replaced). *out_path is emptied on false.
  bool StopAndSave(std::string* out_path, bool save);
  // The recorded hands: kReplayStateWords card ids, kept from StartRecording (all -1) to the
  // next StartRecording or LoadReplay.
  std::span<int32_t> GetStateBlock() { return state_; }
  std::span<const int32_t> GetStateBlock() const { return state_; }
  bool IsRecording() const { return recording_; }
  bool IsMatch() const { return match_; }

  // The folder replays are saved in (GBK, with its trailing separator); by default
  // kReplayFolderName beside the executable.
  void SetFolder(const std::string& folder);
  const std::string& GetFolder() const { return folder_; }

  // Replay mode: reads a saved game. A damaged file is refused whole (false, *error says why)
  // and the recorder keeps what it had.
  bool LoadReplay(const std::string& path, std::string* error);
  // The same for a game already read and checked (LoadReplayFile).
  void TakeReplay(ReplayFile replay);
  // The game recorded or loaded: snapshot, match details and records with their times.
  const ReplayFile& GetReplay() const { return replay_; }
  // Changes whenever the game held changes (a recording starts, takes the table or a record or
  // is saved; a replay is taken): what a reader worked out from GetReplay() holds while this
  // stays the same. Never 0.
  uint64_t GetReplayVersion() const { return version_; }

 protected:
  explicit CReplayRecorder(bool match);
  void SetMatchInfoOf(const ReplayMatchInfo& info);

 private:
  // How many games of one table and second can be saved: "-2" to "-999" follow the first name.
  static constexpr int kMaxNamesPerStem = 999;
  // The names the new file may take, in turn: date, time and table, then "-2", "-3"...
  std::vector<std::string> NewFileNames() const;

  const bool match_;
  ReplayFile replay_;
  ReplayMatchInfo match_info_;
  std::vector<int32_t> state_;
  std::string folder_;
  bool recording_ = false;
  bool has_snapshot_ = false;
  bool refused_logged_ = false;
  uint32_t start_tick_ = 0;
  uint64_t body_bytes_ = 0;  // records' bytes so far, heads included
  uint64_t version_ = 1;
};

// The recorder of a match game: its file carries the match details in a longer header.
class CMatchReplayRecorder : public CReplayRecorder {
 public:
  CMatchReplayRecorder();
  // Round, score, rank and format name of the match, as the application holds them. Kept across
  // games until set again; a format name longer than 31 bytes is cut at a character boundary.
  void SetMatchInfo(const ReplayMatchInfo& info);
};

}  // namespace dialogs
