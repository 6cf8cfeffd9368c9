// What the game frame shows over the whole window: message boxes, the sliding boards (a player's
// exit request), the notice board, the auto-play animation and the match welcome line; the queue
// of match boards; the splitter's place; and the forwarders of the table's events to the table
// scene and the side panel.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "dialogs/exit_request_box.h"
#include "dialogs/system_msg_box.h"
#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/font_record.h"
#include "engine/ui/image_button.h"
#include "frame/advert_bar.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "frame/match_board_queue.h"
#include "frame/panel_messages.h"
#include "frame/splitter_bar.h"
#include "net/text_bounds.h"
#include "platform/desktop.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace frame {
namespace {

// Where an exit request's reason starts, and its longest text.
constexpr size_t kExitRequestText = 20;
constexpr size_t kMaxExitRequestText = 256;

}  // namespace

// ---- The splitter ----

void GameFrame::PlaceSplitter() {
  if (splitter_ == nullptr) return;
  const engine::PictureInfo back = GetPictureInfo("左右分隔条_bg", 0);
  const int32_t w = back.record != nullptr ? back.width : 0;
  const RECT r = GetMainGameRect();
  splitter_->SetSize(w, r.bottom - r.top);
  splitter_->MoveTo(r.right + w / 2.0, r.top + (r.bottom - r.top + 1) / 2);
  splitter_->Show();
  splitter_->Invalidate();
  splitter_->Layout();
}

// ---- Message boxes ----

void GameFrame::ShowMessageBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                               int32_t buttons, int32_t style, const char* icon) {
  OpenSystemBox(text, ok, cancel, buttons, style, icon, nullptr, 0, nullptr);
}

void GameFrame::ShowExitBox(const char* text, int32_t buttons, int32_t style, const char* icon) {
  ShowMessageBoxEx(text, nullptr, 0, buttons, style, icon);
}

void GameFrame::ShowMessageBoxEx(const char* text, const char* link_text, int32_t link_flag, int32_t buttons,
                                 int32_t style, const char* icon) {
  // The box's two answers: leave the table, or close the window at once; unanswered, the close
  // rules decide.
  const engine::ObjectMessage leave = engine::MakeMessage(Key(), frame_msg::kConfirmExit, 0, 0);
  const engine::ObjectMessage close = engine::MakeMessage(Key(), frame_msg::kCloseNow, 0, 0);
  const engine::ObjectMessage close_rules = engine::MakeMessage(Key(), frame_msg::kCloseButton, 0, 0);
  OpenSystemBox(text, &leave, &close, buttons, style, icon, link_text, link_flag, &close_rules);
}

void GameFrame::OpenSystemBox(const char* text, const engine::ObjectMessage* ok, const engine::ObjectMessage* cancel,
                              int32_t seconds, int32_t style, const char* icon, const char* link_text,
                              int32_t link_flag, const engine::ObjectMessage* time_up) {
  const int32_t count = GetIntSetting(frame_setting::kOpenBoxCount) + 1;
  SetIntSetting(frame_setting::kOpenBoxCount, count);
  auto* box = new dialogs::CSystemMsgBox();
  AddToScene(box);
  if (!box->IsRegistered()) {
    delete box;
    return;
  }
  box->Build(text, ok, cancel, seconds, style, icon);
  if (link_text != nullptr && *link_text != '\0') box->SetLink(link_text, link_flag);
  if (time_up != nullptr) box->AnswerWhenTimeUp(*time_up);
  last_box_key_ = box->GetKey();
  box->Show();
  box->SetDraggable(true);
  box->MoveTo(GetScreenWidth() / 2, GetScreenHeight() / 2);
  box->SetDepth(kBoxDepth + 2.0 * count);
  box->Invalidate();
  PlaySound("Snd_msg", 1, nullptr);
}

engine::EngineObject* GameFrame::GetLastMessageBox() {
  engine::EngineObject* box = last_box_key_ != 0 ? FindObjectByKey(last_box_key_) : nullptr;
  auto* board = dynamic_cast<dialogs::DialogBoard*>(box);
  return board != nullptr && !board->IsClosing() ? board : nullptr;
}

// ---- Sliding boards ----

void GameFrame::SlideInBoard(engine::EngineObject* board) {
  if (board == nullptr) return;
  const int32_t count = GetIntSetting(frame_setting::kOpenBoxCount) + 1;
  SetIntSetting(frame_setting::kOpenBoxCount, count);
  const double W = GetScreenWidth();
  const double H = GetScreenHeight();
  const double bw = board->GetWidth();
  const double bh = board->GetHeight();
  board->SetDepth(kBoxDepth + 10.0 * count);
  board->MoveTo(W - bw / 2 - 4, H + bh / 2);
  board->Show();
  board->Invalidate();
  // Up into the bottom right corner, 4 pixels from both edges, in kSlideSteps steps.
  const double speed = std::ceil((bh + 4) / kSlideSteps);
  GlideTo(board, static_cast<int32_t>(W - bw / 2 - 4), static_cast<int32_t>(H - bh / 2 - 4), speed, 0, 0, nullptr);
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->GetMainWnd() != nullptr) platform::FlashIfNotForeground(app->GetMainWnd());
}

void GameFrame::RunAdvertScript(const char* function) {
  if (function == nullptr) return;
  if (auto* bar = dynamic_cast<AdvertBar*>(FindObjectByName(AdvertBar::kObjectName))) bar->RunScript(function);
}

void GameFrame::AddChatLine(const shell::NotifyBody& body) {
  SendToSubSystem(sub_msg::kChatLine, reinterpret_cast<uintptr_t>(&body));
}

void GameFrame::AddRelayedChat(const shell::NotifyBody& body) {
  SendToSubSystem(sub_msg::kRelayedChat, reinterpret_cast<uintptr_t>(&body));
}

void GameFrame::ShowAmuletNotice(const shell::NotifyBody& body) {
  SendToSubSystem(sub_msg::kAmuletNotice, reinterpret_cast<uintptr_t>(&body));
}

void GameFrame::ShowExitRequest(const uint8_t* record, size_t size) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr || size < 4) return;
  uint32_t user = 0;
  std::memcpy(&user, record, 4);
  const shell::PlayerRecord* player = app->FindPlayerRecord(user);
  if (player == nullptr) {
    engine::WriteGameLog("exit request from user %u, who is not at the table: ignored", user);
    return;
  }
  // The reason, up to its NUL, never past the record.
  std::string reason;
  if (size > kExitRequestText) {
    reason = net::ReadTextField(record + kExitRequestText, std::min(size - kExitRequestText, kMaxExitRequestText));
  }
  auto* box = new dialogs::CExitRequestBox();
  AddToScene(box);
  if (!box->IsRegistered()) {
    delete box;
    return;
  }
  const engine::ObjectMessage agree = engine::MakeMessage(Key(), frame_msg::kForceExitAnswer, user, 1);
  const engine::ObjectMessage refuse = engine::MakeMessage(Key(), frame_msg::kForceExitAnswer, user, 0);
  const std::string avatar = LoadAvatarImage(player->AvatarId(), 1);
  box->Set(player->Name().c_str(), reason.c_str(), avatar.c_str(), &agree, &refuse, kExitRequestSeconds);
  box->SetDraggable(true);
  box->SetDepth(kBoxDepth);
  PlaySound("SndHi", 1, nullptr);
  SlideInBoard(box);
}

// ---- The notice board ----

void GameFrame::ShowNoticeBoard(const char* text, COLORREF colour, int32_t size) {
  const engine::PictureInfo back = GetPictureInfo("bit_systemboard", 0);
  if (back.record == nullptr) return;
  if (notice_board_ == nullptr) {
    notice_board_ = CreateCanvas(back.width, back.height, engine::kColourKey);
    if (notice_board_ == nullptr) return;
    notice_board_->SetDraggable(true);
    notice_board_->SetTextMargins(20, 20);
    notice_board_->SetDepth(kBoxDepth);
    engine::ImageButton* ok = MakeImageButton("btn_gameset_ok", notice_board_->GetKey(), engine::msg::kHide);
    if (ok != nullptr) {
      ok->MoveTo(notice_board_->GetLeft() + 135, notice_board_->GetTop() + 163);
      ok->SetDepth(notice_board_->GetDepth() + 0.1);
      notice_board_->AddChild(ok, engine::link_flag::kFollowAll);
    }
  }
  notice_board_->SetFont(size, 400, engine::kDefaultFaceName);
  notice_board_->SetTextColour(colour, 1.0);
  notice_board_->SetTextSpacing(0, size / 4);
  notice_board_->Clear();
  notice_board_->DrawImage(&back, 0, 0, -1, -1, 0.0, 1.0);
  notice_board_->DrawWrappedText(text != nullptr ? text : "", 20);
  const RECT r = GetMainGameRect();
  notice_board_->MoveTo((r.left + r.right) / 2, r.top + (r.bottom - r.top) / 3);
  notice_board_->Show();
  notice_board_->Invalidate();
  PlaySound("snd_dang", 1, nullptr);
}

// ---- Auto-play ----

void GameFrame::ShowAutoPlay(bool on) {
  if (auto_play_ == nullptr) {
    const engine::PictureInfo picture = GetPictureInfo("animation_autoplaying", 0);
    auto_play_ = CreateSprite(&picture);
    if (auto_play_ == nullptr) return;
    auto_play_->SetDepth(kAutoPlayDepth);
    const RECT r = GetMainGameRect();
    auto_play_->MoveTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    auto_play_->Hide();
  }
  CancelObjectActions(auto_play_->GetKey());
  if (!on) {
    auto_play_->Hide();
    auto_play_->Invalidate();
    return;
  }
  const RECT r = GetMainGameRect();
  auto_play_->MoveTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  auto_play_->Show();
  // Frames by their delays, for ever.
  AnimateSprite(auto_play_, 0, 0xFFFFFFFFu, 0, 0, nullptr);
  auto_play_->Invalidate();
}

// ---- The match welcome line and the board queue ----

void GameFrame::ShowMatchWelcome() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  const shell::TableExtraRecord* extra = app->FindTableExtra(app->GetUserId());
  if (extra == nullptr) return;
  const int32_t need = app->GetMatchData().next_duan_score - extra->DuanScore();
  char line[320];
  std::snprintf(
      line, sizeof line,
      " <z=qm系统通知><c=%d> 欢迎加入比赛,您还需要获得:\r\n<c=%d>%d段位分<c=%d>升入<z=bit_Duan,%d><m=qzf加油>\r\n",
      0x80DE5, 0xFF0000, need, 0x80DE5, extra->DuanIndex() + 1);
  app->AppendSystemText(line);
}

void GameFrame::QueueMatchEnd(uintptr_t p) {
  // The match is over: no round request may follow, and the begin animation stops.
  if (round_timer_ != 0) {
    CancelAction(round_timer_);
    round_timer_ = 0;
  }
  if (match_begin_group_ != nullptr) {
    CancelGroup(match_begin_group_);
    match_begin_group_ = nullptr;
  }
  const engine::ObjectMessage record = engine::MakeMessage(Key(), frame_msg::kShowMatchEnd, p, kMatchEndRecordBytes);
  if (board_queue_ == nullptr || !board_queue_->Push(&record)) {
    engine::WriteGameLog("match end: no board queue; the record is dropped");
    delete[] reinterpret_cast<uint8_t*>(p);
  }
}

void GameFrame::QueueMatchResult(uintptr_t p) {
  const engine::ObjectMessage record =
      engine::MakeMessage(Key(), frame_msg::kShowMatchResult, p, kMatchResultRecordBytes);
  if (board_queue_ == nullptr || !board_queue_->Push(&record)) {
    engine::WriteGameLog("match result: no board queue; the record is dropped");
    delete[] reinterpret_cast<uint8_t*>(p);
  }
}

// ---- Forwarders ----

void GameFrame::Forward(uint32_t id, uintptr_t p, bool refresh) {
  const engine::ObjectMessage m = engine::MakeMessage(0, id, p, 0);
  if (main_game_ != nullptr) main_game_->OnMessage(&m);
  if (sub_system_ != nullptr) sub_system_->OnMessage(&m);
  if (refresh && sub_system_ != nullptr) {
    const engine::ObjectMessage r = engine::MakeMessage(0, child_msg::kRefreshUsers, 0, 0);
    sub_system_->OnMessage(&r);
  }
}

void GameFrame::OnRandomTable() { Forward(child_msg::kRandomTable, 0, true); }

void GameFrame::OnPlayerEnter(const shell::PlayerRecord* record) {
  Forward(child_msg::kPlayerEnter, reinterpret_cast<uintptr_t>(record), true);
}

void GameFrame::OnPlayerLeave(const shell::PlayerRecord* record) {
  Forward(child_msg::kPlayerLeave, reinterpret_cast<uintptr_t>(record), true);
}

void GameFrame::OnLookerEnter(const shell::PlayerRecord* record) {
  Forward(child_msg::kLookerEnter, reinterpret_cast<uintptr_t>(record), true);
}

void GameFrame::OnLookerLeave(const shell::PlayerRecord* record) {
  Forward(child_msg::kLookerLeave, reinterpret_cast<uintptr_t>(record), true);
}

void GameFrame::OnMovedTable() { Forward(child_msg::kMovedTable, 0, true); }

void GameFrame::OnSafeBoxEvent(const shell::SafeBoxRecord& record) {
  Forward(child_msg::kSafeBoxEvent, reinterpret_cast<uintptr_t>(&record), false);
}

void GameFrame::OnChairRecords(const shell::ChairRecords& records) {
  // The side panel first here.
  const engine::ObjectMessage m =
      engine::MakeMessage(0, child_msg::kChairRecords, reinterpret_cast<uintptr_t>(&records), 0);
  if (sub_system_ != nullptr) sub_system_->OnMessage(&m);
  if (main_game_ != nullptr) main_game_->OnMessage(&m);
}

}  // namespace frame
