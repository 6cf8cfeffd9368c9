// The game frame's events: the table of messages it handles, the exit rules with the force-exit
// request, leaving the table, the match close board, the shop and award links, and showing and
// hiding the player card for the table's player boards.
#include <cstdio>
#include <cstring>
#include <string>

#include "dialogs/input_msg_box.h"
#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/digit_strip.h"
#include "engine/ui/image_button.h"
#include "engine/ui/rect_queue_widget.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "frame/match_board_queue.h"
#include "net/transport.h"
#include "platform/clock.h"
#include "platform/win_messages.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"
#include "shell/game_handler.h"

namespace frame {
namespace {

const engine::InputSnapshot* SnapshotOf(const engine::ObjectMessage* message) {
  return reinterpret_cast<const engine::InputSnapshot*>(message->p2);
}

}  // namespace

int GameFrame::OnMessage(const engine::ObjectMessage* message) {
  if (message == nullptr) return RectObject::OnMessage(message);
  shell::CGameAppBase* app = shell::GetApp();
  net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr;
  switch (message->id) {
    case frame_msg::kMatchBegunFaded:
      if (session != nullptr) session->SendMatchBegun();
      return 1;
    case frame_msg::kForceExitReason: {
      const char* reason = reinterpret_cast<const char*>(message->p1);
      if (session != nullptr) session->SendForceExit(reason != nullptr ? reason : "");
      if (shell::IGameHandler* holder = shell::GetTableStateHolder()) {
        holder->SetForceExitCount(holder->GetForceExitCount() + 1);
        holder->SetForceExitTick(platform::GetTickCount());
      }
      shell::FreeHeapText(message->p1);
      force_exit_box_key_ = 0;
      return 1;
    }
    case frame_msg::kForceExitCancel:
      force_exit_box_key_ = 0;
      return 1;
    case frame_msg::kForceExitAnswer:
      // The asking user and the answer: 1 agrees, 0 refuses.
      if (session != nullptr)
        session->AnswerForceExit(static_cast<uint32_t>(message->p1), static_cast<uint32_t>(message->p2));
      return 1;
    case frame_msg::kRoundTimer:
      OnRoundTimer();
      return 1;
    case frame_msg::kShowMatchEnd:
      // Only a record the queue delivered: its block is the frame's to free.
      if (board_queue_ == nullptr || !board_queue_->PopDelivered(*message)) return 1;
      ShowMatchEnd();
      delete[] reinterpret_cast<uint8_t*>(message->p1);
      return 1;
    case frame_msg::kShowMatchResult: {
      if (board_queue_ == nullptr || !board_queue_->PopDelivered(*message)) return 1;
      const auto* record = reinterpret_cast<const uint8_t*>(message->p1);
      if (record != nullptr) ShowMatchResult(record, kMatchResultRecordBytes);
      delete[] record;
      return 1;
    }
    case frame_msg::kSignUp:
      RequestSignUp();
      return 1;
    case frame_msg::kGiveUp:
      RequestGiveUp();
      return 1;
    case frame_msg::kOpenShopItem:
      OpenShopItem(static_cast<int32_t>(message->p1));
      return 1;
    case frame_msg::kSpareButton:
      OnSpareButton();
      return 1;
    case frame_msg::kCountdownTick:
      UpdateMatchCountdown();
      return 1;
    case frame_msg::kShowUserCard:
      ShowUserCardFor(static_cast<uint32_t>(message->p1));
      return 1;
    case frame_msg::kHideUserCard: {
      const engine::InputSnapshot* snapshot = SnapshotOf(message);
      if (card_ != nullptr && snapshot != nullptr && snapshot->hovered == card_->GetKey()) return 1;
      HideUserCardFor(static_cast<uint32_t>(message->p1));
      return 1;
    }
    case frame_msg::kCardEntered:
      if (card_ != nullptr && card_pinned_ == 0) {
        CancelObjectActions(card_->GetKey());
        FadeTo(card_, 0.2, 1.0, 0, nullptr);
      }
      return 1;
    case frame_msg::kCardLeft: {
      if (card_ == nullptr || card_pinned_ != 0) return 1;
      const engine::InputSnapshot* snapshot = SnapshotOf(message);
      const bool on_card = snapshot != nullptr && snapshot->x >= card_->GetLeft() && snapshot->x < card_->GetRight() &&
                           snapshot->y >= card_->GetTop() && snapshot->y < card_->GetBottom();
      if (!on_card) HideUserCardFor(card_user_);
      return 1;
    }
    case frame_msg::kCardClose:
      card_pinned_ = 0;
      HideCard();
      return 1;
    case frame_msg::kOpenSettings:
      OpenSettings();
      return 1;
    case frame_msg::kOpenHelp:
      OpenHelp();
      return 1;
    case frame_msg::kOpenShop:
      OpenShop();
      return 1;
    case frame_msg::kCloseButton:
      // The main window's close handler applies the close rules.
      if (app != nullptr && app->GetMainWnd() != nullptr) app->GetMainWnd()->PostMessage(platform::WM_CLOSE, 0, 0);
      return 1;
    case frame_msg::kConfirmExit:
      ConfirmExit();
      return 1;
    case frame_msg::kCloseNow:
      // Closes without running the close rules again.
      if (app != nullptr) app->ConfirmClose();
      return 1;
    case frame_msg::kHoldOn:
      hold_ = 1;
      return 1;
    case frame_msg::kHoldOff:
      hold_ = 0;
      return 1;
    case frame_msg::kToggleMaximize:
      ToggleMaximize();
      return 1;
    case frame_msg::kMinimize:
      Minimize();
      return 1;
    case frame_msg::kDragMove:
    case frame_msg::kDragBegin:
    case frame_msg::kDragEnd: {
      // The strip's input carries where it put the pointer on the screen; the follow timer's step
      // carries nothing.
      const engine::InputSnapshot* snapshot = SnapshotOf(message);
      drag_input_ = snapshot != nullptr;
      if (drag_input_) drag_input_at_ = engine::InputModule::ScreenPointOf(snapshot);
      if (message->id == frame_msg::kDragMove) {
        DragMove();
      } else if (message->id == frame_msg::kDragBegin) {
        // The second press of the system's double click holds no button for the engine (no drag
        // follows it): it maximised or restored the window, and arms no drag.
        if (snapshot != nullptr && (snapshot->state & engine::input_state::kLeftHeld) != 0)
          DragBegin(snapshot->x, snapshot->y);
      } else {
        DragEnd();
      }
      drag_input_ = false;
      return 1;
    }
    case frame_msg::kAwardLink:
      ShowAwardLink();
      return 1;
    case frame_msg::kExchangeLink:
      OpenExchangeLink();
      return 1;
    default:
      return RectObject::OnMessage(message);
  }
}

// ---- Leaving the table ----

bool GameFrame::HasServer() {
  shell::CGameAppBase* app = shell::GetApp();
  return app != nullptr && app->IsOfflineMode() == 0 && net::CurrentTransport().IsConnected();
}

void GameFrame::LeaveNow() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  app->SendLobbyState(app->GetMainWnd());
  app->StopCommThread();
  app->ConfirmClose();
}

void GameFrame::ExitRules() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  // Without a server there is no game to leave and nobody to ask: the player goes at once.
  if (!HasServer()) {
    engine::WriteGameLog("exit rules: no game server; leaving at once");
    LeaveNow();
    return;
  }
  if (app->GetLookOn() != 0) {
    ConfirmExit();
    return;
  }
  net::CCardGameSession* session = app->GetSession();
  if (session == nullptr || session->QueryGameRunning() == 0) {
    ConfirmExit();
    return;
  }
  shell::IGameHandler* holder = app->GetTableStateHolder();
  if (holder != nullptr && app->GetGameFlag() && holder->GetForceExitTick() != 0) {
    const uint32_t elapsed = platform::GetTickCount() - holder->GetForceExitTick();
    if (elapsed < kForceExitWaitMs) {
      char line[160];
      std::snprintf(line, sizeof line, " <c=%d>已经请求退出，请耐心等候其他玩家回应(%d秒)。\r\n", 0x2C5858,
                    static_cast<int>(30 - elapsed / 1000));
      app->AppendSystemText(line);
      return;
    }
  }
  if (app->IsForceExitAllowed()) {
    ShowForceExitRequest();
    return;
  }
  if (!app->TestRoomOption4000()) {
    const engine::ObjectMessage ok = engine::MakeMessage(Key(), frame_msg::kConfirmExit, 0, 0);
    app->ShowMessageBox("游戏还没有结束，现在退出要扣你分，还要扣你银子。确定退出吗？", &ok, nullptr, 5, 53, "qzf疑问");
    return;
  }
  app->ShowMessageBox("生命不息，战斗不止，请继续游戏。\r\n(如果游戏中有玩家长时间不活动，请您等待2分钟后再退出)",
                      nullptr, nullptr, 5, 49, "qzf打牌");
}

void GameFrame::ConfirmExit() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  net::CCardGameSession* session = app->GetSession();
  std::string answer;
  const int result = session != nullptr ? session->RequestLeave(&answer, app->GetUserId(), app->GetChair()) : 1;
  if (result == 0 || !HasServer()) {
    // Left; or the server went meanwhile, and there is no table left to leave.
    if (result != 0) engine::WriteGameLog("leave: no game server (%s); leaving at once", answer.c_str());
    LeaveNow();
    return;
  }
  app->ShowMessageBox(answer.c_str(), nullptr, nullptr, 5, 0, "");
}

engine::EngineObject* GameFrame::GetForceExitBox() {
  return force_exit_box_key_ != 0 ? FindObjectByKey(force_exit_box_key_) : nullptr;
}

void GameFrame::ShowForceExitRequest() {
  engine::EngineObject* open = GetForceExitBox();
  if (open != nullptr && open->IsVisible()) return;
  shell::CGameAppBase* app = shell::GetApp();
  const char* penalty = app != nullptr && app->TestRoomOption4() ? "银两" : "积分";
  char text[256];
  std::snprintf(text, sizeof text,
                "游戏还没结束，强退操作将扣除大量%s。输入理由请求其他玩家同意。（最多30个汉字，最多请求2次）", penalty);
  auto* box = new dialogs::CInputMsgBox();
  AddToScene(box);
  if (!box->IsRegistered()) {
    delete box;
    return;
  }
  const engine::ObjectMessage ok = engine::MakeMessage(Key(), frame_msg::kForceExitReason, 0, 0);
  const engine::ObjectMessage cancel = engine::MakeMessage(Key(), frame_msg::kForceExitCancel, 0, 0);
  box->Setup(text, &ok, &cancel, 3);
  box->SetDraggable(true);
  box->SetDepth(kBoxDepth);
  box->SetMaxInput(kForceExitInputBytes);
  box->SetTitle("请求强退");
  PlaySound("SndHi", 1, nullptr);
  box->Show();
  const RECT t = GetMainGameRect();
  box->MoveTo((t.left + t.right) / 2, (t.top + t.bottom) / 2);
  box->Invalidate();
  force_exit_box_key_ = box->GetKey();
}

void GameFrame::CloseRequest() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  if (!app->IsMatch()) {
    ExitRules();
    return;
  }
  if (app->IsValueBelow500() || app->IsValueAtLeast600() || !HasServer()) {
    app->ConfirmClose();
    return;
  }
  ShowCloseBoard();
}

void GameFrame::ShowCloseBoard() {
  if (close_board_ == nullptr) {
    const engine::PictureInfo back = GetPictureInfo("bit_systemboard", 0);
    const engine::PictureInfo sure = GetPictureInfo("bit_SureQuit", 0);
    const int32_t w = back.record != nullptr ? back.width : 290;
    const int32_t h = back.record != nullptr ? back.height : 200;
    close_board_ = CreateCanvas(w, h, engine::kColourKey);
    if (close_board_ == nullptr) return;
    if (back.record != nullptr) close_board_->DrawImage(&back, 0, 0, -1, -1, 0.0, 1.0);
    if (sure.record != nullptr) close_board_->DrawImage(&sure, 23, 67, -1, -1, 0.0, 1.0);
    close_board_->SetDraggable(true);
    close_board_->SetDepth(kBoxDepth);
    close_board_->MoveTo(w / 2.0, h / 2.0);
    engine::ImageButton* ok = MakeImageButton("btn_gameset_ok", Key(), frame_msg::kCloseNow);
    engine::ImageButton* cancel = MakeImageButton("btn_gameset_cancel", close_board_->GetKey(), engine::msg::kHide);
    for (auto [button, x] : {std::pair{ok, 145.0}, std::pair{cancel, 200.0}}) {
      if (button == nullptr) continue;
      button->MoveTo(close_board_->GetLeft() + x, close_board_->GetTop() + 163);
      button->SetDepth(close_board_->GetDepth() + 0.1);
      close_board_->AddChild(button, engine::link_flag::kFollowAll);
    }
  }
  const RECT t = GetMainGameRect();
  close_board_->MoveTo((t.left + t.right) / 2, (t.top + t.bottom) / 2);
  close_board_->Show();
  close_board_->Invalidate();
}

// ---- Links, settings, match requests ----

namespace {

std::string ShopHost() {
  shell::CGameAppBase* app = shell::GetApp();
  return "http://" + (app != nullptr ? app->GetWebHost() : std::string("localhost")) + "/shop";
}

}  // namespace

void GameFrame::OpenShopItem(int32_t id) {
  if (id < 0) return;
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  char query[32];
  std::snprintf(query, sizeof query, "/?clothesid=%d", id);
  const std::string address = ShopHost() + query;
  if (app->IsOfflineMode() != 0) {
    app->OpenUrlInThread(address.c_str(), 0);
  } else {
    app->SendLobbyText(address.c_str(), 1);
  }
}

void GameFrame::OpenShop() {
  if (shell::CGameAppBase* app = shell::GetApp()) app->SendLobbyText(ShopHost().c_str(), 1);
}

void GameFrame::OpenSettings() {
  if (main_game_ == nullptr) return;
  const engine::ObjectMessage m = engine::MakeMessage(main_game_->GetKey(), child_msg::kOpenSettings, 0, 0);
  SendMessage(&m);
}

void GameFrame::ShowAwardLink() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  char tail[48];
  std::snprintf(tail, sizeof tail, "&act=lj&awardid=%d", static_cast<int>(match_result_[9]));
  app->SendLobbyText((app->GetAwardPageAddress() + tail).c_str(), 1);
}

void GameFrame::OpenExchangeLink() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  app->SendLobbyText((app->GetAwardPageAddress() + "&act=dj").c_str(), 1);
}

void GameFrame::OnRoundTimer() {
  round_timer_ = 0;
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->GetGameFlag() && app->GetSession() != nullptr) app->GetSession()->SendRoundRequest();
}

void GameFrame::SendCardUserRequest() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || card_ == nullptr || !card_->IsVisible() || card_user_ == 0) return;
  if (app->GetSession() != nullptr) app->GetSession()->QueryUser(card_user_);
}

void GameFrame::NotifyMainGame() {
  if (main_game_ == nullptr) return;
  const engine::ObjectMessage m = engine::MakeMessage(0, child_msg::kNotifyMainGame, 0, 0);
  main_game_->OnMessage(&m);
}

// ---- The card for the table's player boards ----

void GameFrame::ShowUserCardFor(uint32_t user_id) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || user_id == 0) return;
  if (app->TestTableOption8() && app->GetLookOn() == 0 && user_id != app->GetUserId()) return;
  if (!app->IsMatch()) {
    ShowUserCardOf(user_id, 1);
    return;
  }
  const shell::TableExtraRecord* extra = app->FindTableExtra(user_id);
  if (extra == nullptr) {
    card_user_ = 0;
    card_character_ = -1;
    HideCard();
    return;
  }
  const DuanCardRecord record = DuanCardFromTableExtra(*extra);
  ShowDuanCard(record.bytes, sizeof record.bytes);
}

void GameFrame::HideUserCardFor(uint32_t user_id) {
  if (card_ == nullptr || user_id == 0 || user_id != card_user_) return;
  CancelObjectActions(card_->GetKey());
  const engine::ObjectMessage hide = engine::MakeMessage(card_->GetKey(), engine::msg::kHide, 0, 0);
  FadeTo(card_, -0.2, 0.0, 0, &hide);
}

}  // namespace frame
