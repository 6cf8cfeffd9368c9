// The side panel: its bars, their heights and places, and the messages it passes on.
#include "frame/sub_system.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/ui/bar_button.h"
#include "engine/ui/image_button.h"
#include "engine/ui/menu_list.h"
#include "engine/ui/text_markup.h"
#include "frame/advert_bar.h"
#include "frame/chat_box.h"
#include "frame/emoticon_picker.h"
#include "frame/frame_messages.h"
#include "frame/input_bar.h"
#include "frame/match_list_bar.h"
#include "frame/operate_bar.h"
#include "frame/panel_messages.h"
#include "frame/user_list_bar.h"
#include "net/card_game_session.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace frame {
namespace {

using engine::ObjectMessage;
using engine::PictureInfo;
using shell::CGameAppBase;

// The picture behind the advert and user list bars: top, middle and bottom frames.
constexpr const char* kSystemBarPicture = "bit_SystemBar";
// Advert rows the score table has at least.
constexpr int32_t kMinAdvertRows = 4;
// Rows of the user list at a random-seating table for a player.
constexpr int32_t kRandomSeatRows = 2;
constexpr engine::COLORREF kWelcomeColour = 0xA3835C;

int32_t Trunc(double v) { return static_cast<int32_t>(v); }

// Adds a new bar to the scene under the panel; null (and the bar gone) when it could not join.
template <class Bar>
Bar* Adopt(engine::EngineObject* panel, Bar* bar) {
  panel->AddToScene(bar);
  if (bar->IsRegistered()) return bar;
  delete bar;
  return nullptr;
}

// An engine setting the frame keeps for the bars; 0 when it is not set.
int32_t Setting(engine::ObjectServices* services, uint32_t key) { return std::max(services->GetIntSetting(key), 0); }

}  // namespace

// ---- Creation ----

void SubSystem::OnAddedToScene() {
  CGameAppBase* app = shell::GetApp();
  match_ = app != nullptr && app->IsMatch();
  if (!match_) {
    system_bar_ = CreateCanvas(100, 100, engine::kColourKey);
    CreateAdvertBar();
    CreateUserListBar();
  } else {
    CreateMatchListBar();
  }
  CreateChatBox();
  CreateSystemButtons();
}

void SubSystem::CreateAdvertBar() { Adopt(this, new AdvertBar()); }

// Neither mode makes it; a game's panel may, and the bars below then start under it.
void SubSystem::CreateOperateBar() { Adopt(this, new OperateBar()); }

void SubSystem::CreateUserListBar() {
  UserListBar* bar = Adopt(this, new UserListBar());
  if (bar == nullptr) return;
  CGameAppBase* app = shell::GetApp();
  bar->AddPanelColumns(app != nullptr && app->TestRoomOption4());
  bar->Create();
}

void SubSystem::CreateMatchListBar() { Adopt(this, new MatchListBar()); }

void SubSystem::CreateChatBox() { Adopt(this, new ChatBox()); }

engine::ImageButton* SubSystem::MakeSystemButton(const char* picture, const char* name, const char* caption,
                                                 uint32_t id) {
  engine::ImageButton* button =
      engine::MakeImageButton(this, GetPictureInfo(picture, 0), engine::MakeMessage(GetKey(), id, 0, 0));
  if (button == nullptr) return nullptr;
  button->SetSound(1, "SndTouchButton");
  button->SetSound(2, "SndHitButton");
  button->Show();
  if (name != nullptr) button->SetName(name);
  if (auto* tip = Adopt(this, new engine::BarButton())) tip->Create(button, caption, kCaptionWidth);
  if (InputBar* bar = GetInputBar()) bar->AddChild(button);
  return button;
}

void SubSystem::CreateSystemButtons() {
  InputBar* bar = Adopt(this, new InputBar());
  if (bar == nullptr) return;
  bar->SetPanelKey(GetKey());
  LimitInputLine();
  MakeSystemButton("btnFace", ChatBox::kEmoticonButtonName, " 表情 ", sub_msg::kToggleEmoticons);
  MakeSystemButton("qm清屏按钮", nullptr, "清除聊天", sub_msg::kClearChat);
  MakeSystemButton("qm截屏按钮", nullptr, " 截图 ", sub_msg::kSaveScreenshot);
  MakeSystemButton("qm投诉按钮", nullptr, " 投诉 ", sub_msg::kOpenComplaintPage);
  CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->CanUseSafeBox() != 0 &&
      MakeSystemButton("qm保险箱按钮", InputBar::kSilverButtonName, " 保险箱 ", sub_msg::kOpenSafeBox) != nullptr) {
    PrepareQuickSilver();
  }
  AddQuickChatPhrases();
}

// ---- The bars ----

AdvertBar* SubSystem::GetAdvertBar() { return dynamic_cast<AdvertBar*>(FindObjectByName(AdvertBar::kObjectName)); }

UserListBar* SubSystem::GetUserListBar() {
  return dynamic_cast<UserListBar*>(FindObjectByName(UserListBar::kObjectName));
}

MatchListBar* SubSystem::GetMatchListBar() {
  return dynamic_cast<MatchListBar*>(FindObjectByName(MatchListBar::kObjectName));
}

ChatBox* SubSystem::GetChatBox() { return dynamic_cast<ChatBox*>(FindObjectByName("ChatBox")); }

InputBar* SubSystem::GetInputBar() { return dynamic_cast<InputBar*>(FindObjectByName(InputBar::kName)); }

OperateBar* SubSystem::GetOperateBar() { return dynamic_cast<OperateBar*>(FindObjectByName(OperateBar::kName)); }

// ---- Heights ----

int32_t SubSystem::GetOperateBarHeight() {
  if (GetOperateBar() == nullptr) return 0;
  return GetPictureInfo(OperateBar::kPicture, 0).height;
}

int32_t SubSystem::GetAdvertBarHeight() {
  CGameAppBase* app = shell::GetApp();
  const int32_t n = std::max(app != nullptr ? app->GetChairCount() : CGameAppBase::kDefaultChairCount, kMinAdvertRows);
  return n * Setting(this, frame_setting::kRowHeight) + Setting(this, frame_setting::kTopMargin) +
         Setting(this, frame_setting::kHeadHeight) + 1 + Setting(this, frame_setting::kExtraHeight);
}

int32_t SubSystem::GetMatchListBarHeight() { return GetPictureInfo(MatchListBar::kSkinPicture, 0).height; }

int32_t SubSystem::GetUserListRowHeight() { return GetPictureInfo(UserListBar::kRowPicture, 0).height; }

int32_t SubSystem::GetUserListBarHeight() {
  CGameAppBase* app = shell::GetApp();
  int32_t rows = (app != nullptr ? app->GetChairCount() : CGameAppBase::kDefaultChairCount) + 1;
  if (app != nullptr && app->TestTableOption8() && app->GetLookOn() == 0) rows = kRandomSeatRows;
  return GetPictureInfo(UserListBar::kHeaderPicture, 0).height + Setting(this, frame_setting::kExtraHeight) +
         rows * GetUserListRowHeight();
}

int32_t SubSystem::GetInputBarHeight() { return GetPictureInfo(InputBar::kBarPicture, 0).height; }

int32_t SubSystem::GetChatBoxHeight() {
  engine::RECT r{};
  GetRect(&r);
  const int32_t H = r.bottom - r.top;
  if (match_) return H - GetOperateBarHeight() - GetMatchListBarHeight() - GetInputBarHeight();
  return H - GetAdvertBarHeight() - GetOperateBarHeight() - GetUserListBarHeight() - GetInputBarHeight() - 1;
}

// ---- Layout ----

void SubSystem::OnRectChanged() { LayoutBars(); }

void SubSystem::LayoutBars() {
  engine::RECT r{};
  GetRect(&r);
  const int32_t L = r.left;
  const int32_t T = r.top;
  const int32_t R = r.right;
  const int32_t B = r.bottom;
  const int32_t W = R - L;
  const int32_t H = B - T;
  // Not placed yet.
  if (W <= 0 || H <= 0) return;
  const int32_t x0 = L + W / 2;
  const int32_t op = GetOperateBarHeight();
  const int32_t adv = GetAdvertBarHeight();
  const int32_t ul = GetUserListBarHeight();
  const int32_t ch = GetChatBoxHeight();
  const int32_t in = GetInputBarHeight();

  if (OperateBar* operate = GetOperateBar()) {
    operate->Resize(W, op);
    operate->MoveTo(x0, Trunc(T + operate->GetHeight() / 2.0));
    operate->Invalidate();
    operate->Layout();
  }
  if (AdvertBar* advert = GetAdvertBar()) {
    advert->Resize(W - 2, adv);
    // Below the operate bar when a game's panel has one (it is 0 high otherwise).
    advert->MoveTo(x0, Trunc(T + advert->GetHeight() / 2.0 + op));
    advert->Invalidate();
    advert->Layout();
  }
  if (MatchListBar* match = GetMatchListBar()) {
    match->PlaceIn(engine::RECT{L, T + op, R, T + op + GetMatchListBarHeight()});
  }
  if (UserListBar* users = GetUserListBar()) {
    users->Resize(W - 2, ul);
    users->MoveTo(x0, Trunc(T + users->GetHeight() / 2.0 + adv + op));
    users->Show();
    users->Invalidate();
    users->Layout();
    if (system_bar_ != nullptr) {
      // Behind the advert and user list bars, from the top of the first to the foot of the second.
      const int32_t g = adv + ul + 2;
      system_bar_->Clear();
      system_bar_->ResizeSurface(W, g);
      system_bar_->Resize(W, g);
      const PictureInfo top = GetPictureInfo(kSystemBarPicture, 0);
      const PictureInfo middle = GetPictureInfo(kSystemBarPicture, 1);
      const PictureInfo bottom = GetPictureInfo(kSystemBarPicture, 2);
      system_bar_->DrawThreePartsV(&top, &middle, &bottom);
      system_bar_->SetDepth(GetDepth());
      system_bar_->MoveTo(x0, T + op + g / 2);
      system_bar_->Show();
      system_bar_->Invalidate();
    }
  }
  if (ChatBox* chat = GetChatBox()) {
    if (ch < 1) {
      // No room left for the chat: hidden rather than given a size below one pixel.
      chat->Hide();
      chat->Invalidate();
    } else {
      chat->MoveTo(L + (W + 1) / 2, T + H - in - ch / 2);
      chat->Resize(W, ch);
      chat->Show();
      chat->Invalidate();
      chat->Layout();
    }
  }
  if (InputBar* input = GetInputBar()) {
    input->Resize(W + 1, in);
    input->MoveTo(x0, B - in / 2);
    input->Invalidate();
    input->Layout();
  }
}

// ---- Entering the table ----

void SubSystem::OnEnterGame() {
  // The own record has come: it says how long a line the user may send.
  LimitInputLine();
  if (MatchListBar* match = GetMatchListBar()) match->DrawAvatar();
  if (UserListBar* users = GetUserListBar()) users->Refresh();
  if (MatchListBar* match = GetMatchListBar()) match->DrawTitle();
  if (AdvertBar* advert = GetAdvertBar()) advert->DrawScoreTable();
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || GetChatBox() == nullptr) return;
  const std::string room = engine::EscapeMarkupText(app->FormatRoomName());
  const std::string place = engine::EscapeMarkupText(app->GetLocationName());
  char line[512];
  if (!app->TestTableOption8() || app->GetLookOn() != 0) {
    std::snprintf(line, sizeof line, " 欢迎来到 <s=180,c=%u,e=b>%s\r\n<> 您的位置：%s 第%u桌\r\n", kWelcomeColour,
                  room.c_str(), place.c_str(), app->GetTableRecordId() + 1);
  } else {
    std::snprintf(line, sizeof line, " 欢迎来到 <s=180,c=%u,e=b>%s\r\n<> 您的位置：%s\r\n", kWelcomeColour,
                  room.c_str(), place.c_str());
  }
  app->AppendSystemText(line);
  if (shell::CGameFrameWnd* window = app->GetMainWnd()) window->StartNotifyFetch();
}

// ---- Plain operations ----

void SubSystem::OnMatchTableState() {
  if (MatchListBar* match = GetMatchListBar()) match->ResumeClock();
}

void SubSystem::OpenSafeBox() {
  InputBar* bar = GetInputBar();
  if (bar == nullptr) return;
  bar->ShowQuickSilverMenu(true);
  bar->LoadFixDeposit();
  bar->FillQuickSilverMenu();
}

void SubSystem::PrepareQuickSilver() {
  InputBar* bar = GetInputBar();
  if (bar == nullptr) return;
  bar->LoadFixDeposit();
  bar->BuildQuickSilverMenu(kQuickSilverWidth, kQuickSilverHeight);
}

void SubSystem::ToggleEmoticons() {
  if (ChatBox* chat = GetChatBox()) chat->ToggleEmoticonPicker();
}

// ---- Messages ----

int SubSystem::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const uintptr_t p1 = message->p1;
  const uintptr_t p2 = message->p2;
  const char* text = reinterpret_cast<const char*>(p1);
  const auto* record = reinterpret_cast<const shell::PlayerRecord*>(p1);
  const auto* body = reinterpret_cast<const shell::NotifyBody*>(p1);
  switch (message->id) {
    case child_msg::kPlayerEnter:
      AddEnterLine(record);
      break;
    case child_msg::kLookerEnter:
      AddLookOnEnterLine(record);
      break;
    case child_msg::kPlayerLeave:
      AddLeaveLine(record);
      break;
    case child_msg::kLookerLeave:
      AddLookOnLeaveLine(record);
      break;
    case child_msg::kRandomTable:
      AddRandomTableLine();
      break;
    case child_msg::kRefreshUsers:
      if (UserListBar* users = GetUserListBar()) users->Refresh();
      LimitInputLine();
      break;
    case child_msg::kMovedTable:
      AddMovedTableLine();
      break;
    case child_msg::kSafeBoxEvent:
      AddSafeBoxNotice(reinterpret_cast<const shell::SafeBoxRecord*>(p1));
      break;
    case sub_msg::kRefreshRanking:
      if (MatchListBar* match = GetMatchListBar()) match->RefreshRanking();
      break;
    case child_msg::kMatchBegin:
      if (MatchListBar* match = GetMatchListBar()) match->StartClock();
      break;
    case sub_msg::kStopMatchClock:
      if (MatchListBar* match = GetMatchListBar()) match->StopClock();
      break;
    case child_msg::kMatchInfo:
      if (MatchListBar* match = GetMatchListBar()) match->ShowSignUpCount(static_cast<int32_t>(p1));
      break;
    case child_msg::kMatchProgress:
      OnMatchProgress();
      break;
    case shell::app_msg::kSystemText:
      if (ChatBox* chat = GetChatBox()) chat->AppendText(text);
      shell::FreeHeapText(p1);
      break;
    case sub_msg::kChatLine:
      AddChatLine(body);
      break;
    case sub_msg::kRelayedChat:
      AddRelayedChat(body);
      break;
    case sub_msg::kAdvertAddress:
      if (AdvertBar* advert = GetAdvertBar()) advert->Navigate(text);
      shell::FreeHeapText(p1);
      break;
    case sub_msg::kAmuletNotice:
      ShowAmuletNotice(body);
      break;
    case child_msg::kChairRecords:
      OnChairRecords(reinterpret_cast<const shell::ChairRecords*>(p1));
      break;
    case shell::app_msg::kNoticeText:
      AddNotice(text);
      shell::FreeHeapText(p1);
      break;
    case EmoticonPicker::kMsgPickEmoticon:
      PutChatText(text, p2, 0);
      break;
    case EmoticonPicker::kMsgInsertEmoticon:
      PutChatText(text, p2, 1);
      break;
    case InputBar::kMsgSendClicked:
      if (InputBar* bar = GetInputBar()) bar->SubmitText();
      break;
    case InputBar::kMsgLineEntered:
      // The input bar's own text, lent for the call.
      SendMyChat(text);
      break;
    case InputBar::kMsgPhraseButton:
      if (InputBar* bar = GetInputBar()) bar->ToggleQuickPhrases();
      break;
    case InputBar::kMsgPhrasePicked: {
      SendMyChat(text);
      // p2 names the phrase menu that sent the phrase: only the input bar's own is closed.
      InputBar* bar = GetInputBar();
      engine::MenuList* menu = bar != nullptr ? bar->GetPhraseMenu() : nullptr;
      if (menu != nullptr && reinterpret_cast<uintptr_t>(menu) == p2) {
        menu->Hide();
        menu->Invalidate();
      }
      break;
    }
    case child_msg::kMatchPanel:
      if (ChatBox* chat = GetChatBox()) chat->Clear();
      break;
    case sub_msg::kClearChat:
      ClearChat();
      break;
    case sub_msg::kToggleEmoticons:
      ToggleEmoticons();
      break;
    case sub_msg::kSaveScreenshot:
      SaveScreenshot();
      break;
    case sub_msg::kOpenComplaintPage:
      OpenComplaintPage();
      break;
    case sub_msg::kOpenSafeBox:
      OpenSafeBox();
      break;
    case MatchListBar::kQueryUser:
      if (CGameAppBase* app = shell::GetApp(); app != nullptr && app->GetSession() != nullptr) {
        app->GetSession()->QueryUser(static_cast<uint32_t>(p1));
      }
      break;
    default:
      break;
  }
  return 1;
}

}  // namespace frame
