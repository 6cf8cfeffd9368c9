// Match mode over the table: the state picture with its wait animations and boards, the
// countdown to the start, the sign-up and give-up buttons with the fee line, the round title and
// the tables still playing, the match-begin and match-end animations, the result dialog, and the
// ranking handed to the side panel.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/digit_strip.h"
#include "engine/ui/image_button.h"
#include "engine/ui/number_display.h"
#include "engine/ui/rich_text_box.h"
#include "engine/ui/text_markup.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "frame/match_board_queue.h"
#include "frame/match_ranking.h"
#include "frame/sub_system.h"
#include "net/text_bounds.h"
#include "platform/desktop.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"
#include "table/game_view.h"

namespace frame {
namespace {

constexpr int32_t kStageStarted = 500;
constexpr int32_t kStageOver = 600;
constexpr char kDigits[] = "0123456789";
constexpr char kDigitPicture[] = "digit_waitmatchstart";
// The fee line follows the sign-up button's moves, depth and size.
constexpr uint32_t kFeeLineLinks = engine::link_flag::kOwned | engine::link_flag::kRotate |
                                   engine::link_flag::kInvalidate | engine::link_flag::kSize |
                                   engine::link_flag::kDepth | engine::link_flag::kMove;
static_assert(kFeeLineLinks == 0x180A3);
// The result dialog's award and exchange buttons follow it but for showing: one of the two shows.
constexpr uint32_t kChoiceButtonLinks = engine::link_flag::kFollowAll & ~engine::link_flag::kAlwaysShow;
// The result record: the words kept, and the tail the per-chair record takes three words of.
constexpr size_t kResultKeptBytes = GameFrame::kMatchResultWords * 4;
constexpr size_t kResultAwardName = 44;
constexpr size_t kResultTail = 172;
constexpr size_t kResultTailEnd = kResultTail + 5 * 4;
constexpr int32_t kRichTextStyle = 0x409;
constexpr uint32_t kRichTextCreation = 0x200;
constexpr int32_t kResultTextWidth = 220;
constexpr int32_t kResultTextHeight = 100;
constexpr int32_t kAvatarSide = 48;
// The tables-left record.
constexpr size_t kTablesLeftText = 28;
constexpr size_t kMaxTablesLeftText = 256;

shell::MatchData* Data() {
  shell::CGameAppBase* app = shell::GetApp();
  return app != nullptr ? &app->GetMatchData() : nullptr;
}

int32_t Stage() {
  const shell::MatchData* data = Data();
  return data != nullptr ? data->stage : 0;
}

// Shows or hides a part and has its place drawn again.
void ShowPart(engine::EngineObject* part) {
  if (part == nullptr) return;
  part->Show();
  part->Invalidate();
}

void HidePart(engine::EngineObject* part) {
  if (part == nullptr) return;
  part->Hide();
  part->Invalidate();
}

uint32_t WordOf(const uint8_t* record, size_t offset) {
  uint32_t word = 0;
  std::memcpy(&word, record + offset, 4);
  return word;
}

std::string Format(const char* format, int32_t a) {
  char text[96];
  std::snprintf(text, sizeof text, format, a);
  return text;
}

}  // namespace

engine::RectQueueWidget* GameFrame::GetBoardQueue() const { return board_queue_; }

// ---- Creation ----

engine::DigitStrip* GameFrame::MakeDigitStrip(const char* glyphs, const char* image) {
  auto* strip = new engine::DigitStrip();
  AddToScene(strip);
  if (!strip->IsRegistered()) {
    delete strip;
    return nullptr;
  }
  strip->Setup(engine::DigitStrip::kDefaultMaxGlyphs, engine::DigitStrip::kDefaultRowAdvance,
               engine::DigitStrip::kDefaultSpaceWidth);
  strip->AddGlyphs(glyphs, image);
  strip->AddGlyphs(kDigits, kDigitPicture);
  strip->SetDepth(kMatchPartsDepth + 1.0);
  strip->Hide();
  return strip;
}

void GameFrame::CreateMatchParts() {
  if (state_picture_ == nullptr) {
    const engine::PictureInfo wait = GetPictureInfo("animation_WaitArrangeTable", 0);
    state_picture_ = CreateSprite(&wait);
    if (state_picture_ != nullptr) {
      state_picture_->SetDepth(kMatchPartsDepth);
      HidePart(state_picture_);
    }
  }
  if (board_queue_ == nullptr) {
    board_queue_ = new MatchBoardQueue();
    AddToScene(board_queue_);
    if (!board_queue_->IsRegistered()) {
      delete board_queue_;
      board_queue_ = nullptr;
    }
  }
  const bool before_start = Stage() < kStageStarted;
  if (countdown_ == nullptr && before_start) {
    countdown_ = MakeDigitStrip("比赛倒计时:天时分秒小", "word_waitmatchstart");
    if (countdown_ != nullptr) countdown_->Invalidate();
  }
  if (signup_button_ == nullptr) signup_button_ = MakeImageButton("btn_signup", Key(), frame_msg::kSignUp);
  if (giveup_button_ == nullptr) giveup_button_ = MakeImageButton("btn_giveup", Key(), frame_msg::kGiveUp);
  for (engine::ImageButton* button : {signup_button_, giveup_button_}) {
    if (button == nullptr) continue;
    button->SetDepth(kMatchPartsDepth + 2.0);
    HidePart(button);
  }
  if (fee_line_ == nullptr && before_start) {
    fee_line_ = MakeDigitStrip("比赛倒计时:天时分秒小报名费银两通宝", "word_waitmatchstart");
    if (fee_line_ != nullptr && signup_button_ != nullptr) signup_button_->AddChild(fee_line_, kFeeLineLinks);
  }
  if (round_title_ == nullptr) round_title_ = MakeDigitStrip("定局淘汰第轮", "word_washturn");
  if (rest_tables_ == nullptr) {
    rest_tables_ = MakeDigitStrip("还有桌游戏中前名晋级，", "word_resttable");
    PlaceRestTables();
  }
}

void GameFrame::PlaceRestTables() {
  if (rest_tables_ == nullptr || state_picture_ == nullptr) return;
  // Its middle 10 pixels plus half its height above the state picture's top edge.
  rest_tables_->MoveTo(state_picture_->GetX(),
                       state_picture_->GetTop() - kRestTablesGap - rest_tables_->GetHeight() / 2);
}

// ---- Messages to the children ----

void GameFrame::SendToMainGame(uint32_t id, uintptr_t p) {
  if (main_game_ == nullptr) return;
  const engine::ObjectMessage m = engine::MakeMessage(0, id, p, 0);
  main_game_->OnMessage(&m);
}

void GameFrame::SendToSubSystem(uint32_t id, uintptr_t p) {
  if (sub_system_ == nullptr) return;
  const engine::ObjectMessage m = engine::MakeMessage(0, id, p, 0);
  sub_system_->OnMessage(&m);
}

void GameFrame::BroadcastMatchNotice11() {
  if (auto* view = dynamic_cast<table::CGameView*>(main_game_)) view->LoadKickTime();
  Forward(child_msg::kMatchNotice11, 0, false);
}

void GameFrame::BroadcastMatchNotice12() { Forward(child_msg::kMatchNotice12, 0, false); }

void GameFrame::BroadcastMatchNotice13() { Forward(child_msg::kMatchNotice13, 0, false); }

// ---- Boards ----

void GameFrame::ShowBoard(const char* picture, bool auto_close) {
  if (state_picture_ == nullptr) return;
  CancelObjectActions(state_picture_->GetKey());
  const engine::PictureInfo info = GetPictureInfo(picture, 0);
  if (info.record != nullptr) {
    state_picture_->SetImage(&info, 1);
  } else {
    engine::WriteGameLog("match board: no picture %s", picture);
  }
  ShowPart(state_picture_);
  AnimateSprite(state_picture_, 0, 0xFFFFFFFFu, 0, 0, nullptr);
  if (auto_close) {
    const engine::ObjectMessage close = engine::MakeMessage(Key(), frame_msg::kCloseNow, 0, 0);
    Delay(static_cast<uint32_t>(std::max(auto_close_seconds_, 0)) * 1000u, &close);
  }
}

std::string GameFrame::FeeText(int32_t fee, int32_t kind) {
  if (kind == 1) return Format("报名费%d两\r\n", fee);
  if (kind == 2) return Format("报名费%d通宝\r\n", fee);
  return std::string();
}

void GameFrame::ShowSignUpButton(int32_t gap) {
  if (signup_button_ == nullptr || state_picture_ == nullptr) return;
  signup_button_->SetEnabled(true);
  ShowPart(signup_button_);
  signup_button_->MoveTo(state_picture_->GetX(), state_picture_->GetBottom() + signup_button_->GetHeight());
  signup_button_->Invalidate();
  const shell::MatchData* data = Data();
  if (fee_line_ == nullptr || data == nullptr || data->signup_fee == 0) return;
  fee_line_->SetText(FeeText(data->signup_fee, data->fee_kind).c_str());
  fee_line_->MoveTo(signup_button_->GetRight() + fee_line_->GetWidth() / 2 + gap, signup_button_->GetY());
  ShowPart(fee_line_);
}

void GameFrame::ShowNoSignUpBoard() {
  ShowBoard("animation_NoSignUp", false);
  ShowSignUpButton(10);
}

void GameFrame::ShowWashoutBoard() { ShowBoard("bit_Washout", true); }

void GameFrame::ShowMatchEndBoard() { ShowBoard("bit_MatchEnd", true); }

void GameFrame::ShowMatchLateBoard() { ShowBoard("bit_MatchLate", true); }

void GameFrame::ShowSystemCancelBoard() {
  StopMatchCountdown();
  ShowBoard("bit_SystemCancel", true);
}

void GameFrame::ShowSelfCancelBoard() {
  StopMatchCountdown();
  ShowBoard("bit_SelfCancel", false);
  ShowSignUpButton(5);
}

void GameFrame::ShowWaitSignUpCheckBoard() { ShowBoard("bit_WaitSignUpCheck", true); }

void GameFrame::ShowSystemRejectedBoard() { ShowBoard("bit_SystemRejected", true); }

void GameFrame::ShowMatchStartedBoard() { ShowBoard("bit_MatchStarted", true); }

void GameFrame::OnSignUpOk() {
  HideMatchParts();
  ShowNoticeBoard("恭喜您，报名成功！", 0xFFFFFF, 16);
  if (shell::CGameAppBase* app = shell::GetApp()) app->EnterMatchGame();
}

void GameFrame::OnWithdrawn() {
  HideMatchParts();
  ShowNoticeBoard("您已退赛！", 0xFFFFFF, 16);
  if (shell::CGameAppBase* app = shell::GetApp()) app->EnterMatchGame();
}

void GameFrame::ShowWaitAnimation(int32_t kind) {
  if (state_picture_ == nullptr) return;
  CancelObjectActions(state_picture_->GetKey());
  const char* name = kind == 1   ? "animation_WaitArrangeTable"
                     : kind == 3 ? "animation_WaitCaclRank"
                     : kind == 4 ? "animation_WaitFinal"
                                 : nullptr;
  if (name == nullptr) return;
  const engine::PictureInfo info = GetPictureInfo(name, 0);
  if (info.record != nullptr) state_picture_->SetImage(&info, 1);
  ShowPart(state_picture_);
  AnimateSprite(state_picture_, 0, 0xFFFFFFFFu, 0, 0, nullptr);
}

// ---- Sign-up and give-up ----

void GameFrame::RequestSignUp() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->GetSession() != nullptr) app->GetSession()->RequestMatchSignUp();
  if (signup_button_ == nullptr) return;
  signup_button_->SetEnabled(false);
  const engine::ObjectMessage enable =
      engine::MakeMessage(signup_button_->GetKey(), engine::QUILLARON_EVENT_ENABLED, 0, 0);
  Delay(kButtonPauseMs, &enable);
}

void GameFrame::RequestGiveUp() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->GetSession() != nullptr) app->GetSession()->RequestMatchGiveUp();
  if (giveup_button_ == nullptr) return;
  giveup_button_->SetEnabled(false);
  const engine::ObjectMessage enable =
      engine::MakeMessage(giveup_button_->GetKey(), engine::QUILLARON_EVENT_ENABLED, 0, 0);
  Delay(kButtonPauseMs, &enable);
}

// ---- Hiding ----

void GameFrame::HideMatchWaitParts() {
  if (state_picture_ != nullptr) {
    CancelObjectActions(state_picture_->GetKey());
    HidePart(state_picture_);
  }
  if (rest_tables_ != nullptr) HidePart(rest_tables_);
  if (signup_button_ != nullptr) HidePart(signup_button_);
  if (giveup_button_ != nullptr) HidePart(giveup_button_);
}

void GameFrame::HideMatchParts() {
  if (signup_button_ == nullptr) return;
  HidePart(signup_button_);
  if (giveup_button_ != nullptr) HidePart(giveup_button_);
  if (state_picture_ != nullptr) {
    CancelObjectActions(state_picture_->GetKey());
    HidePart(state_picture_);
  }
  if (match_extra_ != nullptr) HidePart(match_extra_);
  if (fee_line_ != nullptr) HidePart(fee_line_);
  if (rest_tables_ != nullptr) HidePart(rest_tables_);
  StopMatchCountdown();
}

void GameFrame::PlayTableAnimation(const char* name) {
  const engine::PictureInfo info = GetPictureInfo(name, 0);
  if (info.record == nullptr) {
    engine::WriteGameLog("match: no animation %s", name);
    return;
  }
  if (table_animation_ == nullptr) {
    table_animation_ = CreateSprite(&info);
    if (table_animation_ == nullptr) return;
    table_animation_->SetDepth(kMatchPartsDepth);
  } else {
    table_animation_->SetImage(&info, 1);
    table_animation_->SetAlpha(1.0);
  }
  const RECT t = GetMainGameRect();
  const int32_t w = t.right - t.left;
  const int32_t h = t.bottom - t.top;
  table_animation_->MoveTo(t.left + w / 2, t.top + h / 3);
  ShowPart(table_animation_);
  AnimateSprite(table_animation_, 0, 1, 0, 0, nullptr);
}

void GameFrame::HideTableAnimation() {
  if (table_animation_ == nullptr) return;
  CancelObjectActions(table_animation_->GetKey());
  table_animation_->SetAlpha(1.0);
  HidePart(table_animation_);
}

void GameFrame::HideMatchResult() {
  if (result_dialog_ != nullptr) HidePart(result_dialog_);
  if (result_backdrop_ != nullptr) HidePart(result_backdrop_);
}

// ---- The countdown ----

std::string GameFrame::CountdownText(int32_t seconds) {
  const int32_t r = std::max(seconds, 0);
  const int32_t days = r / 86400;
  const int32_t hours = (r % 86400) / 3600;
  const int32_t minutes = (r % 86400 - hours * 3600) / 60;
  std::string text = "比赛倒计时:";
  if (days > 0) text += Format("%d天", days);
  if (hours > 0 || days > 0) text += Format("%d小时", hours);
  if (minutes > 0 || days > 0 || hours > 0) text += Format("%d分", minutes);
  text += Format("%d秒", r % 60);
  return text;
}

engine::EngineObject* GameFrame::GetMatchCountdown() { return countdown_; }

void GameFrame::StartMatchCountdown() {
  shell::MatchData* data = Data();
  if (countdown_ == nullptr || data == nullptr) return;
  if (data->stage >= kStageStarted) return;
  // One timer at a time: a new start replaces the running one.
  if (countdown_timer_ != 0) CancelAction(countdown_timer_);
  countdown_timer_ = 0;
  ShowPart(countdown_);
  if (data->seconds_to_start <= 0) {
    countdown_->SetText("比赛倒计时:0时0分0秒");
    countdown_->Invalidate();
    return;
  }
  UpdateMatchCountdown();
  // Once a second for the seconds left (none left: no timer, which would otherwise run for ever).
  if (data->seconds_to_start > 0) {
    const engine::ObjectMessage tick = engine::MakeMessage(Key(), frame_msg::kCountdownTick, 0, 0);
    countdown_timer_ = RepeatMessage(kCountdownMs, data->seconds_to_start, &tick);
  }
}

void GameFrame::UpdateMatchCountdown() {
  shell::MatchData* data = Data();
  if (countdown_ == nullptr || data == nullptr) return;
  if (data->stage >= kStageStarted || data->seconds_to_start <= 0) {
    StopMatchCountdown();
    return;
  }
  data->seconds_to_start -= 1;
  countdown_->SetText(CountdownText(data->seconds_to_start).c_str());
  countdown_->Invalidate();
  if (data->seconds_to_start < kGiveUpHiddenBelow && giveup_button_ != nullptr) HidePart(giveup_button_);
  // The timer's last tick: it ends by itself.
  if (data->seconds_to_start == 0) countdown_timer_ = 0;
}

void GameFrame::StopMatchCountdown() {
  if (countdown_timer_ != 0) CancelAction(countdown_timer_);
  countdown_timer_ = 0;
  if (countdown_ != nullptr) HidePart(countdown_);
}

// ---- Progress, rounds and the match's beginning ----

void GameFrame::OnMatchProgress() {
  const shell::MatchData* data = Data();
  const int32_t seconds_before = data != nullptr ? data->seconds_to_start : 0;
  StartMatchCountdown();
  Forward(child_msg::kMatchProgress, 0, false);
  Forward(child_msg::kMatchInfo, static_cast<uintptr_t>(static_cast<uint32_t>(data != nullptr ? data->info_value : 0)),
          false);
  // In the countdown's last minute the give-up button stays away (the countdown just hid it).
  const bool last_minute = seconds_before > 0 && data->seconds_to_start < kGiveUpHiddenBelow;
  if (Stage() < kStageStarted && giveup_button_ != nullptr && !last_minute) {
    const RECT t = GetMainGameRect();
    giveup_button_->SetEnabled(true);
    ShowPart(giveup_button_);
    giveup_button_->MoveTo(t.left + giveup_button_->GetWidth() / 2, t.bottom - giveup_button_->GetHeight() / 2);
    giveup_button_->Invalidate();
  }
  SendToSubSystem(child_msg::kMatchPanel, 0);
  ShowMatchWelcome();
}

void GameFrame::ShowMatchRound() {
  HideMatchWaitParts();
  HideTableAnimation();
  const shell::MatchData* data = Data();
  if (round_title_ != nullptr && data != nullptr && data->round > 0) {
    CancelObjectActions(round_title_->GetKey());
    round_title_->SetText(Format("定局淘汰第%d轮", data->round).c_str());
    ShowPart(round_title_);
    // Hidden again in 2 s (a later round's title cancels this one's).
    const engine::ObjectMessage hide = engine::MakeMessage(round_title_->GetKey(), engine::msg::kHide, 0, 0);
    DelayFor(round_title_, kRoundTitleMs, &hide);
  }
  SendToMainGame(child_msg::kRoundTitle, 0);
  // One round request pending at a time.
  if (round_timer_ != 0) CancelAction(round_timer_);
  const engine::ObjectMessage round = engine::MakeMessage(Key(), frame_msg::kRoundTimer, 0, 0);
  round_timer_ = Delay(kRoundRequestMs, &round);
}

void GameFrame::OnMatchBegin() {
  if (state_picture_ == nullptr) return;
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->GetMainWnd() != nullptr) platform::SetForegroundWindow(app->GetMainWnd());
  SendToSubSystem(child_msg::kMatchBegin, 0);
  HideMatchParts();
  ShowWaitAnimation(1);
  HidePart(state_picture_);
  if (rest_tables_ != nullptr) HidePart(rest_tables_);
  PlaySound("Snd_GameStart", 1, nullptr);
  if (table_animation_ != nullptr) CancelObjectActions(table_animation_->GetKey());
  if (match_begin_group_ != nullptr) CancelGroup(match_begin_group_);
  // The begin animation, then its fade (whose end tells the server), then the wait picture.
  match_begin_group_ = BeginGroup();
  PlayTableAnimation("animation_MatchBegin");
  NextGroup();
  const engine::ObjectMessage faded = engine::MakeMessage(Key(), frame_msg::kMatchBegunFaded, 0, 0);
  if (table_animation_ != nullptr) {
    FadeTo(table_animation_, -0.02, 0.0, 30, &faded);
  } else {
    Delay(0, &faded);
  }
  NextGroup();
  QueueShow(state_picture_, true, nullptr);
  EndGroup();
}

void GameFrame::ShowTablesLeft(const uint8_t* record, size_t size) {
  if (state_picture_ == nullptr || record == nullptr || size < kTablesLeftText || Stage() >= kStageOver) return;
  const auto kind = static_cast<int32_t>(WordOf(record, 16));
  const auto tables = static_cast<int32_t>(WordOf(record, 20));
  const auto promoted = static_cast<int32_t>(WordOf(record, 24));
  const std::string text =
      net::ReadTextField(record + kTablesLeftText, std::min(size - kTablesLeftText, kMaxTablesLeftText));
  if (kind == 0) {
    shell::CGameAppBase* app = shell::GetApp();
    if (!text.empty() && app != nullptr) app->AppendSystemText((" <z=qm系统通知><c=255> " + text).c_str());
  } else {
    const engine::PictureInfo info = GetPictureInfo(text.c_str(), 0);
    if (info.record != nullptr) {
      CancelObjectActions(state_picture_->GetKey());
      state_picture_->SetImage(&info, 1);
      const RECT t = GetMainGameRect();
      state_picture_->MoveTo(t.left + (t.right - t.left) / 2, t.top + (t.bottom - t.top) / 2);
      ShowPart(state_picture_);
      AnimateSprite(state_picture_, 0, 0xFFFFFFFFu, 0, 0, nullptr);
    } else {
      engine::WriteGameLog("match: no picture %s for the tables left", text.c_str());
    }
  }
  if (rest_tables_ == nullptr || tables < 1) return;
  char line[96];
  if (promoted >= 1) {
    std::snprintf(line, sizeof line, " 还有%d桌游戏中，前%d名晋级", tables, promoted);
  } else {
    std::snprintf(line, sizeof line, "还有%d桌游戏中", tables);
  }
  rest_tables_->SetText(line);
  // The state picture may have moved, and the line's height follows its text.
  PlaceRestTables();
  ShowPart(rest_tables_);
}

// ---- The end and the result ----

void GameFrame::ShowMatchEnd() {
  HideMatchWaitParts();
  HideTableAnimation();
  PlaySound("Snd_GameWin", 1, nullptr);
  PlayTableAnimation("animation_MatchEnd");
}

bool GameFrame::MakeResultDialog() {
  if (result_dialog_ != nullptr) return true;
  const engine::PictureInfo back = GetPictureInfo("MatchResultDlg", 0);
  const int32_t w = back.record != nullptr ? back.width : 380;
  const int32_t h = back.record != nullptr ? back.height : 270;
  result_dialog_ = CreateCanvas(w, h, engine::kColourKey);
  if (result_dialog_ == nullptr) return false;
  result_dialog_->SetDraggable(true);
  result_dialog_->SetDepth(kResultDialogDepth);
  HidePart(result_dialog_);

  rank_digits_ = new engine::NumberDisplay();
  AddToScene(rank_digits_);
  if (rank_digits_->IsRegistered()) {
    rank_digits_->LoadDigits("digit_MatchRank", 1);
    rank_digits_->AddGlyph("第", "char_第", 0);
    rank_digits_->AddGlyph("名", "char_名", 0);
    HidePart(rank_digits_);  // it writes into the dialog
  } else {
    delete rank_digits_;
    rank_digits_ = nullptr;
  }

  result_text_ = new engine::RichTextBox();
  AddToScene(result_text_);
  if (result_text_->IsRegistered()) {
    result_text_->Create(kResultTextWidth, kResultTextHeight, kRichTextStyle, kRichTextCreation);
    result_text_->SetBackColour(engine::kColourKey);
    result_text_->SetMaxTextSize(30);
    result_text_->SetTextSize(12);
    result_text_->SetTextColor(0xFFFFFF);
    result_dialog_->AddChild(result_text_, engine::link_flag::kFollowAll);
  } else {
    delete result_text_;
    result_text_ = nullptr;
  }

  result_close_button_ = MakeImageButton("btn_redcrossEx", Key(), frame_msg::kCloseNow);
  if (result_close_button_ != nullptr) result_dialog_->AddChild(result_close_button_, engine::link_flag::kFollowAll);
  award_button_ = MakeImageButton("btn_Award", Key(), frame_msg::kAwardLink);
  exchange_button_ = MakeImageButton("btn_ExChange", Key(), frame_msg::kExchangeLink);
  for (engine::ImageButton* button : {award_button_, exchange_button_}) {
    if (button == nullptr) continue;
    HidePart(button);
    result_dialog_->AddChild(button, kChoiceButtonLinks);
  }
  return true;
}

void GameFrame::ShowMatchResult(const uint8_t* record, size_t size) {
  if (record == nullptr) return;
  // The frame's copy: the first 43 words, as many as came.
  std::memset(match_result_, 0, sizeof match_result_);
  std::memcpy(match_result_, record, std::min(size, kResultKeptBytes));
  HideMatchWaitParts();
  SendToMainGame(child_msg::kMatchResultCopied, 0);
  // A dialog on show keeps what it shows.
  if (result_dialog_ != nullptr && result_dialog_->IsVisible()) return;

  const auto word = [this](int i) { return static_cast<int32_t>(match_result_[i]); };
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr) {
    shell::MatchData& data = app->GetMatchData();
    data.result_words[0] = word(4);
    data.result_words[1] = word(5);
    if (size >= kResultTailEnd) {
      if (shell::TableExtraRecord* extra = app->FindTableExtra(match_result_[3])) {
        extra->SetWord(shell::TableExtraRecord::kDuanIndex, WordOf(record, kResultTail + 8));
        extra->SetWord(shell::TableExtraRecord::kDuanScore, WordOf(record, kResultTail + 12));
        extra->SetWord(shell::TableExtraRecord::kDuanScoreNeeded, WordOf(record, kResultTail + 16));
      }
    }
  }
  if (!MakeResultDialog()) return;

  // The dialog's picture, the own avatar's middle 48 x 48 and the rank.
  result_dialog_->Clear();
  const engine::PictureInfo back = GetPictureInfo("MatchResultDlg", 0);
  if (back.record != nullptr) result_dialog_->DrawImage(&back, 0, 0, back.width, back.height, 0.0, 1.0);
  const shell::PlayerRecord* own = app != nullptr ? app->GetPlayerRecord(app->GetChair()) : nullptr;
  const std::string avatar = LoadAvatarImage(own != nullptr ? own->AvatarId() : 0, 2);
  engine::PictureInfo face = GetPictureInfo(avatar.c_str(), 0);
  if (face.record != nullptr) {
    if (face.width > kAvatarSide) {
      face.source_x += (face.width - kAvatarSide) / 2;
      face.width = kAvatarSide;
    }
    if (face.height > kAvatarSide) {
      face.source_y += (face.height - kAvatarSide) / 2;
      face.height = kAvatarSide;
    }
    result_dialog_->DrawImage(&face, 15, 15, face.width, face.height, 0.0, 1.0);
  }
  if (rank_digits_ != nullptr)
    rank_digits_->DrawNumberText(result_dialog_, 170.0, 30.0, Format("第%d名", word(5)).c_str(), 1);

  if (result_text_ != nullptr) {
    result_text_->Clear();
    std::string lines = "\r\n";
    char line[256];
    if (word(9) > 0) {
      const auto* bytes = reinterpret_cast<const uint8_t*>(match_result_);
      const std::string name =
          engine::EscapeMarkupText(net::ReadTextField(bytes + kResultAwardName, kResultKeptBytes - kResultAwardName));
      std::snprintf(line, sizeof line, "  <c=%d>%s\r\n", 0xFFFF, name.c_str());
      lines += line;
    }
    if (word(8) != 0) lines += Format("  银两   +%d\r\n", word(8));
    if (word(7) != 0) lines += Format("  奖券   +%d\r\n", word(7));
    lines += "\r\n";
    if (word(6) > 0) {
      std::snprintf(line, sizeof line, "  <c=%d>段位分   +%d", 0xFFFF00, word(6));
      lines += line;
    }
    result_text_->AppendText(lines.c_str());
  }

  const RECT t = GetMainGameRect();
  const int32_t tw = t.right - t.left;
  const int32_t th = t.bottom - t.top;
  result_dialog_->MoveTo(t.left + tw / 2, t.top + 3 * th / 5);
  result_dialog_->SetDepth(kResultDialogDepth);
  ShowPart(result_dialog_);
  if (result_text_ != nullptr) {
    result_text_->MoveTo(result_dialog_->GetLeft() + 140 + result_text_->GetWidth() / 2,
                         result_dialog_->GetTop() + 140 + result_text_->GetHeight() / 2);
    result_text_->SetDepth(kResultDialogDepth + 0.01);
    ShowPart(result_text_);
  }
  if (result_close_button_ != nullptr) {
    result_close_button_->MoveTo(result_dialog_->GetRight() - 20, result_dialog_->GetTop() + 20);
    result_close_button_->SetDepth(kResultDialogDepth + 0.02);
    ShowPart(result_close_button_);
  }
  engine::ImageButton* shown = word(9) < 1 ? exchange_button_ : award_button_;
  engine::ImageButton* other = word(9) < 1 ? award_button_ : exchange_button_;
  if (other != nullptr) HidePart(other);
  if (shown != nullptr) {
    shown->MoveTo(result_dialog_->GetX(), result_dialog_->GetBottom() - 10 - shown->GetHeight() / 2);
    shown->SetDepth(kResultDialogDepth + 0.02);
    ShowPart(shown);
  }

  // The backdrop keeps the table's clicks off while the dialog shows.
  if (tw > 0 && th > 0) {
    if (result_backdrop_ == nullptr) {
      result_backdrop_ = CreateCanvas(tw, th, 0x000000);
    } else if (result_backdrop_->GetSurfaceWidth() != tw || result_backdrop_->GetSurfaceHeight() != th) {
      result_backdrop_->ResizeSurface(tw, th);
      result_backdrop_->SetSize(tw, th);
      result_backdrop_->Clear();
    }
  }
  if (result_backdrop_ != nullptr) {
    result_backdrop_->SetAlpha(kResultBackdropAlpha);
    result_backdrop_->SetTakesInput(true);
    result_backdrop_->MoveTo(t.left + tw / 2, t.top + th / 2);
    result_backdrop_->SetDepth(kResultBackdropDepth);
    ShowPart(result_backdrop_);
  }

  if (app != nullptr) app->OnMatchResult();
  SendCardUserRequest();
  SendToMainGame(child_msg::kMatchResultShown, 0);
}

// ---- The ranking ----

void GameFrame::OnMatchRanking(int32_t row_count, const uint8_t* records, size_t size, const int32_t* header) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  shell::MatchData& data = app->GetMatchData();
  if (!StoreMatchRanking(data, row_count, records, size)) return;
  if (header != nullptr) {
    data.qualifying_count = header[0];
    data.qualifying_flag = header[1];
    data.own_rank = header[2];
    data.players_left = header[3];
    data.rank_status = header[4];
  }
  SendToSubSystem(child_msg::kRankingChanged, 0);
}

void GameFrame::OnMatchTableState() {
  if (auto* panel = dynamic_cast<SubSystem*>(sub_system_)) panel->OnMatchTableState();
}

}  // namespace frame
