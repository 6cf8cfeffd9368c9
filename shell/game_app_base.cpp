// The application object: start, owned objects, the lobby and what the application shows.
// The people at the table and the match data are in game_app_base_table.cpp.
#include "shell/game_app_base.h"

#include <cstdio>
#include <cstring>

#include "engine/core/engine_log.h"
#include "engine/core/rect_object.h"
#include "engine/media/byte_span.h"
#include "engine/ui/text_markup.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/machine_id.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "platform/window.h"
#include "shell/app_frame_view.h"
#include "shell/app_messages.h"
#include "shell/chat_text.h"
#include "shell/desktop_hooks.h"
#include "shell/game_frame_wnd.h"
#include "shell/game_handler.h"
#include "shell/lobby_link.h"
#include "shell/notice_fetcher.h"
#include "shell/server_notify.h"
#include "shell/table_notify_target.h"
#include "shell/wait_box.h"

namespace shell {
namespace {

CGameAppBase* g_app = nullptr;

}  // namespace

CGameAppBase* GetApp() { return g_app; }

IGameHandler* GetTableStateHolder() { return g_app ? g_app->GetTableStateHolder() : nullptr; }

AppFrameView* GetAppView() { return g_app ? g_app->GetAppView() : nullptr; }

CGameAppBase::CGameAppBase()
    : session_(std::make_unique<net::CCardGameSession>(this)),
      notify_(std::make_unique<CCardServerNotify>()),
      holder_(std::make_unique<IGameHandler>()),
      lobby_(std::make_unique<LobbyStandIn>()),
      notice_fetcher_(std::make_unique<NoNoticeFetcher>()),
      wait_box_(std::make_unique<WaitBox>()) {
  // One application per process; a second one (a test's) stands in until it goes.
  previous_app_ = g_app;
  g_app = this;
  net::SetNotificationSink(notify_.get());
}

CGameAppBase::~CGameAppBase() {
  // The window goes first: its destruction may still reach the application.
  if (main_wnd_ && main_wnd_->IsWindow()) main_wnd_->DestroyWindow();
  main_wnd_.reset();
  if (net::CurrentNotificationSink() == notify_.get()) {
    net::SetNotificationSink(previous_app_ ? previous_app_->GetNotifyHandler() : nullptr);
  }
  if (g_app == this) g_app = previous_app_;
}

// ---- Start and end ----

bool CGameAppBase::InitInstance(const std::string& command_line) {
  if (!ParseCommandLine(command_line)) {
    platform::MessageBoxA("请从游戏大厅进入游戏。", "提示", 0);
    return false;
  }
  LoadSettings();
  if (!CreateMainWindow()) {
    platform::MessageBoxA("游戏窗口创建失败，请重新进入游戏。", "提示", 0);
    return false;
  }
  PostToLobby(lobby_msg::kClientStarted, MainWindowId(), static_cast<intptr_t>(GetUserId()));
  return true;
}

int CGameAppBase::ExitInstance() {
  SaveSettings();
  PostToLobby(lobby_msg::kClientEnded, MainWindowId(), static_cast<intptr_t>(GetUserId()));
  StopCommThread();
  return 0;
}

bool CGameAppBase::ParseCommandLine(const std::string& line) {
  LobbyCommandLine parsed;
  command_error_.clear();
  if (!LobbyCommandLine::Parse(line, &parsed, &command_error_)) {
    engine::WriteGameLog("application: command line refused: %s", command_error_.c_str());
    return false;
  }
  command_ = std::move(parsed);
  has_command_line_ = true;
  return true;
}

bool CGameAppBase::TakeStartData(const uint8_t* data, size_t size) {
  std::string error;
  EnterGameData parsed;
  const bool ok = EnterGameData::Parse(data, size, &parsed, &error);
  if (ok) {
    start_ = std::move(parsed);
    has_start_data_ = true;
    match_ = start_.room.Word(RoomBlock::kMatchRoom) != 0;
  } else {
    engine::WriteGameLog("application: start data refused: %s", error.c_str());
  }
  uint8_t answer[4];
  engine::WriteU32(answer, ok ? 1 : 0);
  if (lobby_) lobby_->SendCopyData(lobby_record::kStartDataTaken, answer, sizeof answer, kLobbySendTimeoutMs);
  return ok;
}

bool CGameAppBase::OnLobbyRecord(uint32_t code, const uint8_t* data, size_t size) {
  if (code == lobby_record::kLookerJoins) {
    if (data == nullptr || size != PlayerRecord::kSize) {
      engine::WriteGameLog("application: looker record of %zu bytes refused", size);
      return false;
    }
    PlayerRecord r;
    std::memcpy(r.bytes, data, PlayerRecord::kSize);
    if (r.UserId() == 0 || FindPlayerRecord(r.UserId()) != nullptr) return false;
    if (start_.lookers.size() >= static_cast<size_t>(kMaxLookers)) {
      engine::WriteGameLog("application: no room for looker %u", r.UserId());
      return false;
    }
    start_.lookers.push_back(r);
    RefreshUserList();
    return true;
  }
  if (code == lobby_record::kPlayerLeft) {
    if (data == nullptr || size < 4) return false;
    const uint32_t user = engine::ReadU32(data);
    bool removed = false;
    for (auto* list : {&start_.players, &start_.lookers}) {
      for (auto it = list->begin(); it != list->end(); ++it) {
        if (it->UserId() == user) {
          list->erase(it);
          removed = true;
          break;
        }
      }
    }
    if (removed) RefreshUserList();
    return removed;
  }
  return false;
}

bool CGameAppBase::CreateMainWindow() {
  if (main_wnd_ && main_wnd_->IsWindow()) return true;
  main_wnd_.reset(NewFrameWindow());
  if (!main_wnd_) return false;
  const std::string title = FormatGameName();
  // A popup without a system frame: the game frame draws its own title strip and borders and
  // moves, maximises and restores the window itself, so the window rectangle is the client area.
  // It starts maximised: the whole work area.
  const uint32_t style = platform::WS_POPUP | platform::WS_VISIBLE;
  platform::RECT rect{};
  if (!platform::GetWorkArea(&rect) || platform::IsRectEmpty(rect)) {
    engine::WriteGameLog("application: no work area; the window opens at %d x %d", kClientWidth, kClientHeight);
    rect = platform::RECT{100, 100, 100 + kClientWidth, 100 + kClientHeight};
  }
  platform::AdjustWindowRectEx(&rect, style, false, 0);
  if (!main_wnd_->CreateEngineWindow(title.c_str(), style, 0, rect, nullptr)) {
    engine::WriteGameLog("application: the main window could not be created");
    main_wnd_.reset();
    return false;
  }
  main_wnd_->InitEngine(NewGameFrameObject(), nullptr);
  return true;
}

bool CGameAppBase::StartReplay(const std::string& path, const LobbyCommandLine& command, const EnterGameData& start) {
  replay_file_ = path;
  replay_mode_ = true;
  offline_mode_ = true;
  command_ = command;
  has_command_line_ = true;
  start_ = start;
  has_start_data_ = true;
  match_ = start_.room.Word(RoomBlock::kMatchRoom) != 0;
  LoadSettings();
  if (!CreateMainWindow()) {
    engine::WriteGameLog("application: no window to play the replay %s in", path.c_str());
    return false;
  }
  main_wnd_->PostMessage(frame_msg::kEnterGame, 0, 0);
  return true;
}

void CGameAppBase::OnEnterGame() {
  if (IsMatch()) {
    EnterMatchGame();
  } else {
    EnterNormalGame();
  }
}

engine::RectObject* CGameAppBase::NewGameFrameObject() {
  auto* root = new engine::RectObject();
  root->SetName("GameFrame");
  return root;
}

CGameFrameWnd* CGameAppBase::NewFrameWindow() { return new CGameFrameWnd(); }

void CGameAppBase::ConfirmClose() {
  if (main_wnd_) main_wnd_->ConfirmClose();
}

// ---- Owned objects ----

engine::RectObject* CGameAppBase::GetGameFrame() {
  if (!main_wnd_ || !main_wnd_->IsWindow()) return nullptr;
  return dynamic_cast<engine::RectObject*>(main_wnd_->GetRootObject());
}

AppFrameView* CGameAppBase::GetAppView() { return dynamic_cast<AppFrameView*>(GetGameFrame()); }

TableNotifyTarget* CGameAppBase::GetMainGame() { return dynamic_cast<TableNotifyTarget*>(FindObject("MainGame")); }

void CGameAppBase::SetSession(std::unique_ptr<net::CCardGameSession> session) {
  if (session) session_ = std::move(session);
}

void CGameAppBase::SetNotifyHandler(std::unique_ptr<CServerNotifyBase> handler) {
  if (!handler) return;
  const bool installed = net::CurrentNotificationSink() == notify_.get();
  notify_ = std::move(handler);
  if (installed || net::CurrentNotificationSink() == nullptr) net::SetNotificationSink(notify_.get());
}

void CGameAppBase::SetTableStateHolder(std::unique_ptr<IGameHandler> holder) {
  if (holder) holder_ = std::move(holder);
}

void CGameAppBase::SetLobby(std::unique_ptr<LobbyLink> lobby) {
  if (lobby) lobby_ = std::move(lobby);
}

void CGameAppBase::SetNoticeFetcher(std::unique_ptr<NoticeFetcher> fetcher) {
  if (fetcher) notice_fetcher_ = std::move(fetcher);
}

engine::EngineObject* CGameAppBase::FindObject(const char* name) {
  engine::RectObject* frame = GetGameFrame();
  return frame ? frame->FindObjectByName(name) : nullptr;
}

bool CGameAppBase::PostToObject(const char* name, uint32_t id, uintptr_t p1, uintptr_t p2) {
  engine::RectObject* frame = GetGameFrame();
  engine::EngineObject* target = frame ? frame->FindObjectByName(name) : nullptr;
  if (target == nullptr) return false;
  const engine::ObjectMessage message = engine::MakeMessage(target->GetKey(), id, p1, p2);
  frame->PostMessage(&message);
  return true;
}

void CGameAppBase::SendToObject(const char* name, uint32_t id) {
  engine::EngineObject* target = FindObject(name);
  if (target == nullptr) return;
  const engine::ObjectMessage message = engine::MakeMessage(target->GetKey(), id, 0, 0);
  target->OnMessage(&message);
}

// ---- Settings, texts, paths ----

void CGameAppBase::LoadSettings() {
  const std::string ini = GetGameIniPath();
  const char* file = ini.c_str();
  sound_on_ = platform::GetPrivateProfileIntA("GAMESET", "Sound", 1, file) != 0;
  auto colour = [file](const char* key, COLORREF fallback) {
    return static_cast<COLORREF>(platform::GetPrivateProfileIntA("CommColors", key, static_cast<int>(fallback), file));
  };
  const Colours defaults;
  colours_.title_text = colour("TitleText", defaults.title_text);
  colours_.adv_back = colour("AdvBk", defaults.adv_back);
  colours_.adv_grid = colour("AdvGrid", defaults.adv_grid);
  colours_.adv_header = colour("AdvHeader", defaults.adv_header);
  colours_.adv_text = colour("AdvText", defaults.adv_text);
  colours_.player_view_header = colour("PlayerViewHeader", defaults.player_view_header);
  colours_.player_view_text = colour("PlayerViewText", defaults.player_view_text);
}

void CGameAppBase::SaveSettings() {
  if (!has_command_line_) return;
  const std::string ini = GetGameIniPath();
  if (!platform::WriteProfileInt("GAMESET", "Sound", sound_on_ ? 1 : 0, ini.c_str())) {
    engine::WriteGameLog("application: the game options could not be saved to %s", ini.c_str());
  }
}

std::string CGameAppBase::FormatRoomName() const {
  return start_.room.Text(RoomBlock::kRoomName, RoomBlock::kTextBytes);
}

std::string CGameAppBase::GetLocationName() const {
  return start_.room.Text(RoomBlock::kLocationName, RoomBlock::kTextBytes);
}

std::string CGameAppBase::GetExeDir() const { return platform::ExecutableDirectory(); }

std::string CGameAppBase::GetGameIniPath() const {
  // The name comes from outside: it names one file beside the program, never another folder.
  const std::string& name = command_.game_name;
  return GetExeDir() + (name.empty() ? std::string("game") : platform::FileNamePart(name)) + ".ini";
}

std::string CGameAppBase::GetUserDataPath() const {
  return GetExeDir() + "userdata\\" + std::to_string(command_.user_id) + ".ini";
}

std::string CGameAppBase::GetDomainFilePath() const { return GetExeDir() + "domain.ini"; }

std::string CGameAppBase::GetAvatarFilePrefix(int character) const {
  return GetExeDir() + "face\\Character" + std::to_string(character) + "_";
}

std::string CGameAppBase::GetWebHost() const {
  return platform::GetProfileString("WEB", "Host", "localhost", GetGameIniPath().c_str());
}

std::string CGameAppBase::GetAdvertWindowUrl() const {
  const std::string fallback = "http://" + GetWebHost() + "/advert/game/" + std::to_string(command_.game_id) + ".html";
  return platform::GetProfileString("ADVERT", "Url", fallback.c_str(), GetGameIniPath().c_str());
}

std::string CGameAppBase::GetAwardPageAddress() const {
  return "http://" + GetWebHost() + "/award/?gameid=" + std::to_string(command_.game_id) +
         "&userid=" + std::to_string(command_.user_id);
}

std::string CGameAppBase::GetNoticeAddress() const {
  char path[48];
  std::snprintf(path, sizeof path, "/notify/game/%u.txt", command_.game_id);
  return "http://" + GetWebHost() + path;
}

std::string CGameAppBase::GetMachineId() { return platform::GetMachineId(); }

// ---- What the application shows ----

void CGameAppBase::AppendSystemText(const char* text) {
  if (text == nullptr || *text == '\0') return;
  const auto copy = reinterpret_cast<uintptr_t>(NewHeapText(text));
  if (PostToObject("SubSystem", app_msg::kSystemText, copy, 0)) return;
  FreeHeapText(copy);
  engine::WriteGameLog("system text (no side panel): %s", text);
}

void CGameAppBase::ShowMessageBox(const char* text, const engine::ObjectMessage* ok,
                                  const engine::ObjectMessage* cancel, int32_t buttons, int32_t style,
                                  const char* icon) {
  if (AppFrameView* view = GetAppView()) {
    view->ShowMessageBox(text, ok, cancel, buttons, style, icon);
    return;
  }
  engine::WriteGameLog("message box (no game frame): %s", text ? text : "");
}

void CGameAppBase::ShowExitBox(const char* text, int32_t buttons, int32_t style, const char* icon) {
  PlaySound("Snd_msg");
  if (AppFrameView* view = GetAppView()) {
    view->ShowExitBox(text, buttons, style, icon);
    return;
  }
  engine::WriteGameLog("system message (no game frame): %s", text ? text : "");
}

void CGameAppBase::PostToCommThread(const char* text, int show) {
  wait_shown_ = show != 0;
  wait_text_ = show ? (text ? text : "") : std::string();
  if (!show) {
    wait_box_->Hide(GetGameFrame());
    return;
  }
  engine::WriteGameLog("wait: %s", wait_text_.c_str());
  wait_box_->Show(main_wnd_.get(), GetGameFrame(), wait_text_);
}

engine::EngineObject* CGameAppBase::GetWaitBox() { return wait_box_->GetBox(GetGameFrame()); }

void CGameAppBase::RefreshUserList() { SendToObject("UserListBar", app_msg::kRefreshUserList); }

void CGameAppBase::ClearLookOnPermissions() { SendToObject("UserListBar", app_msg::kClearLookOn); }

void CGameAppBase::RefreshAdvertBar() { SendToObject("AdvertBar", app_msg::kRefreshAdvertBar); }

void CGameAppBase::PlaySound(const char* name) {
  if (engine::RectObject* frame = GetGameFrame()) frame->PlaySound(name, 1, nullptr);
}

void CGameAppBase::OnWelfareConfig(int result, const std::string& answer_text, int32_t, const int32_t*) {
  if (result == 0) return;
  engine::WriteGameLog("welfare: configuration refused: %s", answer_text.c_str());
  ShowMessageBox("获取低保活动配置失败!", nullptr, nullptr, 10, 48, "qzf打牌");
}

void CGameAppBase::OnWelfareClaim(int result, const std::string& answer_text, int32_t, int32_t, int32_t amount) {
  if (result != 0) {
    engine::WriteGameLog("welfare: claim refused: %s", answer_text.c_str());
    ShowMessageBox("领取银子失败!", nullptr, nullptr, 10, 48, "qzf打牌");
    return;
  }
  char text[160];
  std::snprintf(text, sizeof text, "已赠送银子%d两到%s中!", static_cast<int>(amount),
                engine::InertCanvasText(FormatGameName()).c_str());
  ShowMessageBox(text, nullptr, nullptr, 10, 48, "qzf打牌");
}

// ---- The lobby ----

uintptr_t CGameAppBase::MainWindowId() const { return reinterpret_cast<uintptr_t>(main_wnd_.get()); }

bool CGameAppBase::PostToLobby(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (offline_mode_ || !lobby_) return false;
  return lobby_->PostMessage(message, wparam, lparam);
}

bool CGameAppBase::SendLobbyText(const char* text, uint32_t code) {
  if (offline_mode_ || !lobby_ || text == nullptr) return false;
  std::vector<uint8_t> record;
  engine::ByteWriter w(&record);
  w.U32(code);
  w.Bytes(text, std::strlen(text));
  w.U8(0);
  return lobby_->SendCopyData(lobby_record::kText, record.data(), static_cast<uint32_t>(record.size()),
                              kLobbySendTimeoutMs);
}

bool CGameAppBase::SendLobbyState(platform::Window* window) {
  if (offline_mode_ || !lobby_) return false;
  uint32_t state = 0;
  if (window != nullptr && window->IsWindow()) state = window->IsIconic() ? 2 : 1;
  std::vector<uint8_t> record;
  engine::ByteWriter w(&record);
  const uint64_t id = reinterpret_cast<uintptr_t>(window);
  w.U32(static_cast<uint32_t>(id));
  w.U32(static_cast<uint32_t>(id >> 32));
  w.U32(state);
  return lobby_->SendCopyData(lobby_record::kWindowState, record.data(), static_cast<uint32_t>(record.size()),
                              kLobbySendTimeoutMs);
}

bool CGameAppBase::RequestUserDetails(uint32_t user_id) {
  return PostToLobby(lobby_msg::kUserDetails, MainWindowId(), static_cast<intptr_t>(user_id));
}

bool CGameAppBase::OpenUrlInThread(const char* address, int) { return OpenWebAddress(address ? address : ""); }

void CGameAppBase::StopCommThread() {
  if (!comm_stopped_) engine::WriteGameLog("application: the session is closed");
  comm_stopped_ = true;
}

}  // namespace shell
