// The base of the play area that the game frame holds as "MainGame": an engine rectangle object
// with four services every table needs, and empty hooks the table view fills.
//   - The replay recorder of the running game (CreateReplayRecorder): made when the table
//     option asks for recording or in replay mode, the match recorder in match mode, with the
//     replay bar that holds it on screen (shown in replay mode only, where it plays the
//     recorded game back at the view).
//   - The idle kick: under table options 0x40 and 0x80, a seated player who does not start a
//     game within the kick seconds of the enter-game answer gets 80000095 and is asked to leave.
//     The table stops it when the player starts or a round runs, and arms it again when it waits
//     for the player (the start button); a kick that comes while a round runs is dropped.
//   - Three table requests forwarded to the session: ready (201302), and the welfare
//     allowance's configuration (214010) and claim (214000).
//   - Messages: 80000063, a table notice (ShowTableNotice when its text is not empty); 80000095,
//     the idle kick. Every other message goes to the engine object's own handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/core/rect_object.h"
#include "shell/server_notify.h"

namespace dialogs {
class CReplayBar;
class CReplayRecorder;
}  // namespace dialogs

namespace table {

class CGameView : public engine::RectObject {
 public:
  static constexpr uint32_t kRecordOption = 0x20000;
  // What the replay bar takes from the view: its depth and the longest pause between steps.
  static constexpr double kRecorderDepth = 10000.0;
  static constexpr uint32_t kRecorderMaxStepDelayMs = 5000;
  // The answer buffer's word with the idle-kick seconds.
  static constexpr size_t kKickSecondsWord = 14;
  // Where a table notice's text starts in its record.
  static constexpr size_t kNoticeTextOffset = shell::notify::kTableNoticeTextOffset;
  // The longest idle-kick delay: the kick seconds come from the server.
  static constexpr uint64_t kMaxKickDelayMs = 24ull * 60 * 60 * 1000;

  // The kick seconds as the engine's delay: 0 for none, at most kMaxKickDelayMs.
  static uint32_t KickDelayMs(int32_t seconds);

  CGameView();
  ~CGameView() override;

  int OnMessage(const engine::ObjectMessage* message) override;
  void OnRectChanged() override {}
  void OnEnterGame() override {}

  // Slots in table order.
  virtual void OnTableArranged() {}                  // 1
  virtual void CreateReplayRecorder();               // 2
  virtual void OnTableRearranged() {}                // 3
  virtual void ResetTable() {}                       // 4
  virtual void PrepareTable() {}                     // 5
  virtual void LoadKickTime();                       // 6
  virtual void StartIdleKickTimer();                 // 7
  virtual void StopIdleKickTimer();                  // 8
  virtual void SendReadyRequest(int32_t value);      // 9
  virtual void RequestWelfareConfig(int32_t value);  // 10
  virtual void ClaimWelfare(int32_t a, int32_t b);   // 11
  // record: the notification's bytes (size of them), its text at kNoticeTextOffset ending in
  // a zero within or just after them; valid during the call.
  virtual void ShowTableNotice(const uint8_t* /*record*/, size_t /*size*/) {}  // 12

  // The recorder (null until made), and whether it is on show (replay mode only).
  dialogs::CReplayRecorder* GetRecorder() const { return recorder_.get(); }
  bool IsRecorderShown() const { return recorder_shown_; }
  // The replay bar that holds the recorder on screen (null until made, and for a view outside
  // a scene); the scene owns it.
  dialogs::CReplayBar* GetReplayBar() const { return replay_bar_; }
  uint64_t GetKickEvent() const { return kick_event_; }
  int32_t GetKickSeconds() const { return kick_seconds_; }

 private:
  // Shared with the replay bar: whichever of the two the scene frees last frees it.
  std::shared_ptr<dialogs::CReplayRecorder> recorder_;
  dialogs::CReplayBar* replay_bar_ = nullptr;
  uint64_t kick_event_ = 0;
  int32_t kick_seconds_ = -1;
  bool recorder_shown_ = false;
};

}  // namespace table
