// The replay bar: the table view's recorder on screen. It holds the recorder of the running game
// (the table view records through it while a recorded table plays) and, in replay mode, plays a
// recorded game back: each record goes to the table view, in order, at its recorded time, with
// every pause between two records longer than the bar's longest step (5000 ms at the table)
// shortened to it.
//
// On screen: a plate with a play/pause button, a step button (the next record now, then paused),
// a speed button (1, 2 and 4 times, round) and the time played of the whole; it can be dragged
// off the cards it covers. It is shown only in replay mode. The table says where it belongs and
// within which area it stays (Place): until the user drags it, it goes where the table says;
// once dragged, it keeps the user's place, only pulled back inside the area (while dragged too).
//
// The table is reached by the object key given with SetTarget: an engine object implementing
// shell::ReplayTableTarget (the table view). Records go to PlayRecordedMessage; a rewind and a
// pause are told to it. Time comes from the platform clock; the next record is a delayed message
// to the bar itself, so a paused or removed bar plays nothing. A turn hands the table at most
// kRecordsPerTurn records, however many are due: the rest follow turn by turn.
//
// A replay file that is damaged, or recorded at a table of another size, is refused whole when it
// is opened: the frame's message box says so and nothing of it is played.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/replay_recorder.h"
#include "engine/core/widget_base.h"
#include "platform/win_types.h"

namespace engine {
class CanvasObject;
class ImageButton;
}  // namespace engine

namespace dialogs {

class CReplayBar : public engine::WidgetBase {
 public:
  // The bar's own messages: the next record is due; its buttons.
  static constexpr uint32_t kWake = 80001100;
  static constexpr uint32_t kPlayPressed = 80001101;
  static constexpr uint32_t kStepPressed = 80001102;
  static constexpr uint32_t kSpeedPressed = 80001103;
  // The plate was dragged (the plate moves itself; the bar is told after it).
  static constexpr uint32_t kDragged = 80001104;
  // The longest pause between two records until SetMaxStepDelay says otherwise.
  static constexpr uint32_t kDefaultMaxStepDelayMs = 5000;
  // The time shown is brought up to date at least this often while playing.
  static constexpr uint32_t kTimeRefreshMs = 500;
  // The most records handed to the table in one turn of the engine; more that are due wait for
  // the next turns.
  static constexpr size_t kRecordsPerTurn = 8;
  static constexpr int32_t kSpeeds[] = {1, 2, 4};
  // The plate when the skin lacks its picture.
  static constexpr int32_t kWidth = 300;
  static constexpr int32_t kHeight = 44;
  // What the message box says of a file refused, and of one that is not there.
  static constexpr const char* kDamagedText = "录像文件已损坏或不是本游戏的录像，无法播放。";
  static constexpr const char* kMissingText = "找不到录像文件，无法播放。";
  static const char* RefusalText(const std::string& path);
  // The frame's message box with the refusal of the file at path.
  static void ShowRefusal(const std::string& path);

  // The recorder the bar holds; a new CReplayRecorder when none is given.
  explicit CReplayBar(std::shared_ptr<CReplayRecorder> recorder = nullptr);
  ~CReplayBar() override;

  int OnMessage(const engine::ObjectMessage* message) override;
  void Show() override;

  // Builds the plate, the buttons and the time; the bar must be in a scene (false otherwise).
  virtual bool Build();
  // The table that plays the records: the key of an object implementing shell::ReplayTableTarget.
  void SetTarget(uint32_t key) { target_key_ = key; }
  uint32_t GetTarget() const { return target_key_; }
  // The longest pause between two records (at least 1 ms); the schedule follows at once.
  void SetMaxStepDelay(uint32_t ms);
  uint32_t GetMaxStepDelay() const { return max_step_delay_; }

  // The recording flag of the recorder.
  bool IsRecording() const { return recorder_->IsRecording(); }
  CReplayRecorder* GetRecorder() const { return recorder_.get(); }

  // Opens a replay for playback at a table of chair_count chairs, rewound and paused. A file that
  // is damaged or of another table size is refused whole: false, the reason in *error and the
  // log, the frame's message box shows kDamagedText (kMissingText for a file that is not there),
  // and what was open stays (nothing plays).
  bool OpenReplay(const std::string& path, int32_t chair_count, std::string* error);
  // Plays from where the replay stands (from its beginning once it has ended).
  void Play();
  void Pause();
  // Pauses and plays the next record at once.
  void Step();
  // The next speed, round: 1, 2, 4, 1...
  void NextSpeed();
  // Back to the beginning: the table as before the deal; playing goes on when it was on.
  void Rewind();

  // Where the table puts the bar: its centre at (x, y) unless the user has dragged it, then
  // wholly inside `area` (centred across an area narrower or lower than the bar). The area is kept:
  // a drag does not take the bar out of it.
  void Place(double x, double y, const platform::RECT& area);

  bool IsOpen() const { return open_; }
  bool IsPlaying() const { return playing_; }
  bool IsFinished() const { return open_ && next_ >= schedule_.size(); }
  // Records handed to the table so far, and in all.
  size_t GetPlayed() const { return next_; }
  size_t GetRecordCount() const { return schedule_.size(); }
  // Milliseconds of the replay played, and its whole length, after the shortening.
  uint32_t GetPosition() const { return position_; }
  uint32_t GetLength() const { return schedule_.empty() ? 0 : schedule_.back(); }
  int32_t GetSpeed() const { return kSpeeds[speed_index_]; }
  // When each record is played, in milliseconds from the replay's beginning.
  const std::vector<uint32_t>& GetSchedule() const { return schedule_; }
  // What the time shows ("00:12 / 01:05  x2").
  const std::string& GetTimeText() const { return time_text_; }
  // Minutes and seconds of a time in ms; the minutes run on past 99 ("163:25").
  static std::string ClockText(uint32_t ms);
  engine::ImageButton* GetPlayButton() const { return play_button_; }
  engine::ImageButton* GetStepButton() const { return step_button_; }
  engine::ImageButton* GetSpeedButton() const { return speed_button_; }

 private:
  void MakeSchedule();
  // Brings the position up to the clock, plays what is due, and sets the next wake.
  void Advance();
  void PlayRecord(size_t index);
  void CancelWake();
  void Finish();
  void DrawTime();
  void ShowPlayButton();
  engine::ImageButton* MakeButton(const char* picture, uint32_t message, int32_t x);
  void AddChatLine(const std::string& line);
  // Pulls the bar back inside the area given with Place (nothing before the first Place).
  void KeepInsideArea();

  std::shared_ptr<CReplayRecorder> recorder_;
  uint32_t target_key_ = 0;
  uint32_t max_step_delay_ = kDefaultMaxStepDelayMs;
  std::vector<uint32_t> schedule_;
  size_t next_ = 0;
  size_t refused_ = 0;
  uint32_t position_ = 0;
  // While playing: the clock's tick and the position when the speed or the play last changed.
  uint32_t base_tick_ = 0;
  uint32_t base_position_ = 0;
  size_t speed_index_ = 0;
  bool open_ = false;
  bool playing_ = false;
  uint64_t wake_ = 0;
  engine::CanvasObject* plate_ = nullptr;
  engine::CanvasObject* time_ = nullptr;
  engine::ImageButton* play_button_ = nullptr;
  engine::ImageButton* step_button_ = nullptr;
  engine::ImageButton* speed_button_ = nullptr;
  std::string time_text_;
  bool dragged_ = false;
  bool has_area_ = false;
  platform::RECT area_{};
};

}  // namespace dialogs
