#include "dialogs/replay_bar.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/ui/font_record.h"
#include "engine/ui/image_button.h"
#include "engine/ui/text_markup.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "shell/game_app_base.h"
#include "shell/replay_table_target.h"

namespace dialogs {
namespace {

constexpr const char* kPlatePicture = "ReplayBar";
constexpr const char* kPlayPicture = "btn_ReplayPlay";
constexpr const char* kPausePicture = "btn_ReplayPause";
constexpr const char* kStepPicture = "btn_ReplayStep";
constexpr const char* kSpeedPicture = "btn_ReplaySpeed";
constexpr uint32_t kPlateFill = 0x2E3B4A;
constexpr uint32_t kPlateEdge = 0x7FB4D8;
constexpr uint32_t kTimeColour = 0xFFFFFF;
constexpr int32_t kTimeWidth = 128;
constexpr int32_t kTimeHeight = 20;
// The buttons' centres from the plate's left edge, and the time's right margin.
constexpr int32_t kButtonX[] = {34, 88, 142};
constexpr int32_t kTimeRightMargin = 8;
// The refusal's message box stays until its OK button, its only one, is pressed.
constexpr int32_t kRefusalBoxSeconds = 0;
constexpr int32_t kOkButtonOnly = 0x1;

}  // namespace

std::string CReplayBar::ClockText(uint32_t ms) {
  const uint32_t seconds = ms / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u", seconds / 60, seconds % 60);
  return text;
}

CReplayBar::CReplayBar(std::shared_ptr<CReplayRecorder> recorder)
    : recorder_(recorder != nullptr ? std::move(recorder) : std::make_shared<CReplayRecorder>()) {}

CReplayBar::~CReplayBar() = default;

bool CReplayBar::Build() {
  if (!IsRegistered()) {
    engine::WriteGameLog("CReplayBar: the bar must be in a scene before it is built");
    return false;
  }
  if (plate_ != nullptr) return true;
  const engine::PictureInfo picture = GetPictureInfo(kPlatePicture, 0);
  const int32_t w = picture.record != nullptr ? picture.width : kWidth;
  const int32_t h = picture.record != nullptr ? picture.height : kHeight;
  plate_ = CreateCanvas(w, h, engine::kColourKey);
  if (plate_ == nullptr) return false;
  if (picture.record != nullptr) {
    plate_->DrawImage(&picture, 0, 0, -1, -1, 0.0, 1.0);
  } else {
    plate_->SetFillColour(kPlateFill);
    plate_->FillRect(0, 0, w, h);
    plate_->DrawBorder(kPlateEdge, 2);
  }
  plate_->SetDepth(GetDepth());
  plate_->MoveTo(GetX(), GetY());
  SetSkin(plate_, engine::link_flag::kFollowAll);
  // The plate takes the pointer, so that a click on it does not fall through to the table, and
  // it can be dragged off the cards it covers.
  SetTakesInput(true);
  SetDraggable(true);
  SubscribeMessage(engine::QUILLARON_EVENT_DRAG, GetKey(), kDragged, 0, 0);

  play_button_ = MakeButton(kPlayPicture, kPlayPressed, kButtonX[0]);
  step_button_ = MakeButton(kStepPicture, kStepPressed, kButtonX[1]);
  speed_button_ = MakeButton(kSpeedPicture, kSpeedPressed, kButtonX[2]);
  time_ = CreateCanvas(kTimeWidth, kTimeHeight, engine::kColourKey);
  if (time_ != nullptr) {
    time_->MoveTo(plate_->GetRight() - kTimeRightMargin - kTimeWidth / 2.0, plate_->GetY());
    time_->SetDepth(plate_->GetDepth() + 0.1);
    plate_->AddChild(time_, engine::link_flag::kFollowAsPart);
  }
  ShowPlayButton();
  DrawTime();
  return true;
}

engine::ImageButton* CReplayBar::MakeButton(const char* picture, uint32_t message, int32_t x) {
  engine::ImageButton* button =
      engine::MakeImageButton(this, GetPictureInfo(picture, 0), engine::MakeMessage(GetKey(), message, 0, 0));
  if (button == nullptr) return nullptr;
  button->SetSound(1, "SndTouchButton");
  button->SetSound(2, "SndHitButton");
  button->MoveTo(plate_->GetLeft() + x, plate_->GetY());
  button->SetDepth(plate_->GetDepth() + 0.1);
  plate_->AddChild(button, engine::link_flag::kFollowAsPart);
  return button;
}

void CReplayBar::Show() {
  WidgetBase::Show();
  Invalidate();
}

void CReplayBar::SetMaxStepDelay(uint32_t ms) {
  max_step_delay_ = std::max<uint32_t>(ms, 1);
  if (!open_) return;
  // The position keeps its place among the records: it moves to the time of the last one played.
  const bool was_playing = playing_;
  if (was_playing) Pause();
  MakeSchedule();
  position_ = next_ == 0 ? 0 : schedule_[next_ - 1];
  if (was_playing) Play();
  DrawTime();
}

void CReplayBar::MakeSchedule() {
  const std::vector<ReplayRecord>& records = recorder_->GetReplay().records;
  schedule_.assign(records.size(), 0);
  uint32_t last_time = 0;
  uint64_t at = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    // Recorded times never go back (the file reader refuses that); a gap is cut to the longest step.
    const uint32_t gap = records[i].time_ms >= last_time ? records[i].time_ms - last_time : 0;
    at += std::min(gap, max_step_delay_);
    schedule_[i] = static_cast<uint32_t>(std::min<uint64_t>(at, UINT32_MAX));
    last_time = records[i].time_ms;
  }
}

bool CReplayBar::OpenReplay(const std::string& path, int32_t chair_count, std::string* error) {
  std::string why;
  ReplayFile loaded;
  bool ok = LoadReplayFile(path, &loaded, &why);
  if (ok && loaded.table.chair_count != chair_count) {
    char text[96];
    std::snprintf(text, sizeof text, "a replay of a table of %d chairs; this game seats %d", loaded.table.chair_count,
                  chair_count);
    why = text;
    ok = false;
  }
  if (!ok) {
    engine::WriteGameLog("replay: %s refused: %s", path.c_str(), why.c_str());
    if (error != nullptr) *error = why;
    ShowRefusal(path);
    return false;
  }
  CancelWake();
  playing_ = false;
  recorder_->TakeReplay(std::move(loaded));
  open_ = true;
  next_ = 0;
  refused_ = 0;
  position_ = 0;
  MakeSchedule();
  ShowPlayButton();
  DrawTime();

  const ReplayTableSnapshot& table = recorder_->GetReplay().table;
  std::string names;
  for (const ReplayPlayer& p : table.players) {
    if (!names.empty()) names += "、";
    names += engine::EscapeMarkupText(p.name);
  }
  // Tables are numbered from 1 on screen, as the welcome line numbers them.
  char head[96];
  std::snprintf(head, sizeof head, " <z=qm系统通知> 播放录像：第%lld桌，第%d局",
                static_cast<long long>(table.table_record_id) + 1, table.game_number);
  AddChatLine(std::string(head) + (names.empty() ? "" : "，" + names) + "\r\n");
  return true;
}

const char* CReplayBar::RefusalText(const std::string& path) {
  return platform::FileExists(path) ? kDamagedText : kMissingText;
}

void CReplayBar::ShowRefusal(const std::string& path) {
  if (shell::CGameAppBase* app = shell::GetApp()) {
    app->ShowMessageBox(RefusalText(path), nullptr, nullptr, kRefusalBoxSeconds, kOkButtonOnly, "");
  }
}

void CReplayBar::Play() {
  if (!open_ || playing_) return;
  if (IsFinished()) Rewind();
  playing_ = true;
  base_tick_ = platform::GetTickCount();
  base_position_ = position_;
  ShowPlayButton();
  if (shell::ReplayTableTarget* target = dynamic_cast<shell::ReplayTableTarget*>(FindObjectByKey(target_key_))) {
    target->OnReplayPaused(false);
  }
  Advance();
}

void CReplayBar::Pause() {
  if (!playing_) return;
  Advance();
  if (!playing_) return;  // it ended meanwhile
  playing_ = false;
  CancelWake();
  ShowPlayButton();
  DrawTime();
  if (shell::ReplayTableTarget* target = dynamic_cast<shell::ReplayTableTarget*>(FindObjectByKey(target_key_))) {
    target->OnReplayPaused(true);
  }
}

void CReplayBar::Step() {
  if (!open_) return;
  Pause();
  if (next_ >= schedule_.size()) return;
  position_ = std::max(position_, schedule_[next_]);
  PlayRecord(next_++);
  if (next_ >= schedule_.size()) Finish();
  DrawTime();
}

void CReplayBar::NextSpeed() {
  if (playing_) {
    Advance();
    base_tick_ = platform::GetTickCount();
    base_position_ = position_;
  }
  speed_index_ = (speed_index_ + 1) % std::size(kSpeeds);
  if (playing_) {
    CancelWake();
    Advance();
  }
  DrawTime();
}

void CReplayBar::Rewind() {
  if (!open_) return;
  CancelWake();
  next_ = 0;
  refused_ = 0;
  position_ = 0;
  base_tick_ = platform::GetTickCount();
  base_position_ = 0;
  if (shell::ReplayTableTarget* target = dynamic_cast<shell::ReplayTableTarget*>(FindObjectByKey(target_key_))) {
    target->OnReplayRewound();
  }
  if (playing_) Advance();
  DrawTime();
}

void CReplayBar::Advance() {
  if (!playing_) return;
  const uint64_t elapsed = static_cast<uint64_t>(platform::GetTickCount() - base_tick_) * GetSpeed();
  position_ = static_cast<uint32_t>(std::min<uint64_t>(base_position_ + elapsed, GetLength()));
  // At most kRecordsPerTurn records a turn: the rest of those due follow in the next turns, so
  // that many records at one time keep the window answering its buttons between them.
  size_t handed = 0;
  while (playing_ && handed < kRecordsPerTurn && next_ < schedule_.size() && schedule_[next_] <= position_) {
    PlayRecord(next_++);
    ++handed;
  }
  if (next_ >= schedule_.size()) {
    Finish();
    return;
  }
  if (!playing_) return;
  CancelWake();
  const uint32_t speed = static_cast<uint32_t>(GetSpeed());
  const uint32_t due = schedule_[next_] <= position_ ? 0 : (schedule_[next_] - position_ + speed - 1) / speed;
  const engine::ObjectMessage wake = engine::MakeMessage(GetKey(), kWake, 0, 0);
  wake_ = DelayFor(this, std::min(due, kTimeRefreshMs), &wake);
  DrawTime();
}

void CReplayBar::PlayRecord(size_t index) {
  const std::vector<ReplayRecord>& records = recorder_->GetReplay().records;
  if (index >= records.size()) return;
  auto* target = dynamic_cast<shell::ReplayTableTarget*>(FindObjectByKey(target_key_));
  if (target == nullptr) {
    engine::WriteGameLog("replay: no table to play the replay at");
    playing_ = false;
    CancelWake();
    ShowPlayButton();
    return;
  }
  const ReplayRecord& r = records[index];
  if (!target->PlayRecordedMessage(r.id, r.data.data(), static_cast<uint32_t>(r.data.size()))) ++refused_;
}

void CReplayBar::Finish() {
  CancelWake();
  playing_ = false;
  position_ = GetLength();
  ShowPlayButton();
  DrawTime();
  if (refused_ > 0) {
    engine::WriteGameLog("replay: %zu of %zu records were not played at the table", refused_, schedule_.size());
    refused_ = 0;
  }
  AddChatLine(" <z=qm系统通知> 录像播放完毕\r\n");
}

void CReplayBar::CancelWake() {
  if (wake_ != 0) CancelAction(wake_);
  wake_ = 0;
}

void CReplayBar::ShowPlayButton() {
  if (play_button_ == nullptr) return;
  const engine::PictureInfo info = GetPictureInfo(playing_ ? kPausePicture : kPlayPicture, 0);
  play_button_->SetPicture(&info);
  play_button_->SetEnabled(open_);
  play_button_->Invalidate();
  if (step_button_ != nullptr) {
    step_button_->SetEnabled(open_ && !IsFinished());
    step_button_->Invalidate();
  }
  if (speed_button_ != nullptr) {
    speed_button_->SetEnabled(open_);
    speed_button_->Invalidate();
  }
}

void CReplayBar::DrawTime() {
  char speed[8];
  std::snprintf(speed, sizeof speed, "x%d", static_cast<int>(GetSpeed()));
  time_text_ = ClockText(position_) + " / " + ClockText(GetLength()) + "  " + speed;
  if (time_ == nullptr) return;
  time_->Clear();
  time_->SetFont(12, 400, engine::kDefaultFaceName);
  time_->SetTextColour(kTimeColour, 1.0);
  time_->DrawTextCentred(kTimeWidth / 2, kTimeHeight / 2, time_text_.c_str());
  time_->Invalidate();
}

void CReplayBar::AddChatLine(const std::string& line) {
  if (shell::CGameAppBase* app = shell::GetApp()) app->AppendSystemText(line.c_str());
}

int CReplayBar::OnMessage(const engine::ObjectMessage* message) {
  if (message != nullptr && message->target == GetKey()) {
    switch (message->id) {
      case kWake:
        wake_ = 0;
        Advance();
        return 1;
      case kPlayPressed:
        if (playing_) {
          Pause();
        } else {
          Play();
        }
        return 1;
      case kStepPressed:
        Step();
        return 1;
      case kSpeedPressed:
        NextSpeed();
        return 1;
      case kDragged: {
        // The plate has moved by the pointer's way: from now on the bar is where the user puts it.
        const auto* snapshot = reinterpret_cast<const engine::InputSnapshot*>(message->p2);
        if (snapshot != nullptr && (snapshot->dx != 0 || snapshot->dy != 0)) {
          dragged_ = true;
          KeepInsideArea();
        }
        return 1;
      }
      default:
        break;
    }
  }
  return WidgetBase::OnMessage(message);
}

void CReplayBar::Place(double x, double y, const platform::RECT& area) {
  area_ = area;
  has_area_ = true;
  // By the plate's own place: a drag moves the plate alone.
  if (!dragged_) MoveBy(x - GetX(), y - GetY());
  KeepInsideArea();
}

void CReplayBar::KeepInsideArea() {
  if (has_area_) engine::KeepInside(this, area_);
}

}  // namespace dialogs
