// The side panel's text work: the own chat line, other players' chat, the enter and leave lines,
// the table, safe-box and amulet notices, and the system bar's clear, screenshot and complaint.
#include "frame/sub_system.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/engine_log.h"
#include "engine/ui/edit_box.h"
#include "engine/ui/text_markup.h"
#include "frame/advert_bar.h"
#include "frame/chat_box.h"
#include "frame/chat_display.h"
#include "frame/input_bar.h"
#include "frame/player_list_ctrl.h"
#include "frame/user_list_bar.h"
#include "net/answer_codes.h"
#include "net/card_game_session.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "shell/game_app_base.h"
#include "shell/game_handler.h"
#include "shell/screenshot.h"
#include "table/table_view.h"

namespace frame {
namespace {

using shell::CGameAppBase;
using shell::NotifyBody;
using shell::PlayerRecord;

constexpr engine::COLORREF kRed = 255;
constexpr engine::COLORREF kLookerColour = 0x2C5858;
// What a user with flag 0x1000 writes in.
constexpr const char* kLoudStyle = "<c=255,e=b,s=240>";
constexpr const char* kMemberMark = "<m=qm蓝钻>";
constexpr uint32_t kTableOptionRandomSeats = 0x8;

constexpr const char* kQuickPhrases[] = {
    "快点吧，我等到花儿也谢了!",  "我是菜鸟，大侠手下留情!", "小意思，这些赏你的。",  "晕，打错牌啦!",
    "不要走，再战三百回合!",      "555~~~你们都欺负我!",     "这牌打的也太给力了吧!", "神马都是浮云，打好牌才是关键。",
    "真不好意思，我要离开一会。", "下次再玩，我要走了。",
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  return std::string(buffer, std::min(static_cast<size_t>(n), sizeof buffer - 1));
}

// A text of a notification body from offset, up to its NUL or the body's end, bounded and cut
// on a character boundary.
std::string BodyText(const NotifyBody* body, size_t offset) {
  if (body == nullptr || body->data == nullptr) return {};
  const std::string text = shell::ReadRecordText(body->data, body->length, offset, panel_record::kMaxChatText);
  return text.substr(0, platform::GbkPrefixLength(text, text.size()));
}

// A player's chat line from a notification body for markup: its characters as written (tags
// shown, not read; no line breaks of its own), only its emoticon codes live.
std::string LineOf(const NotifyBody* body, size_t offset) {
  return engine::EscapeMarkupText(BodyText(body, offset), engine::kKeepEmoticons);
}

// A user's name or display name for markup; the record's own names when the application does not
// know the user (any more).
std::string DisplayNameOf(const PlayerRecord* record) {
  CGameAppBase* app = shell::GetApp();
  std::string name = app != nullptr ? app->GetUserDisplayName(record->UserId()) : std::string();
  if (name.empty()) {
    name = record->Name();
    const std::string second = record->SecondName();
    if (!second.empty()) name += "[" + second + "]";
  }
  return engine::EscapeMarkupText(name);
}

std::string NameOf(uint32_t user_id) {
  CGameAppBase* app = shell::GetApp();
  return engine::EscapeMarkupText(app != nullptr ? app->GetUserName(user_id) : std::string());
}

bool RandomSeatPlayer(CGameAppBase* app) {
  return app != nullptr && app->TestTableOption(kTableOptionRandomSeats) && app->GetLookOn() == 0;
}

void SystemText(const std::string& line) {
  if (CGameAppBase* app = shell::GetApp()) app->AppendSystemText(line.c_str());
}

}  // namespace

engine::COLORREF SubSystem::ChatColour(uint32_t key, engine::COLORREF fallback) {
  const int32_t value = GetIntSetting(key);
  return value >= 0 ? static_cast<engine::COLORREF>(value) : fallback;
}

engine::COLORREF SubSystem::OwnNameColour() {
  return ChatColour(table::CTableView::kSettingChatColour1, kDefaultOwnNameColour);
}

engine::COLORREF SubSystem::NameColour() {
  return ChatColour(table::CTableView::kSettingChatColour2, kDefaultNameColour);
}

engine::COLORREF SubSystem::TextColour() {
  return ChatColour(table::CTableView::kSettingChatColour3, kDefaultTextColour);
}

void SubSystem::DisplayAppend(const std::string& line) {
  ChatBox* chat = GetChatBox();
  ChatDisplay* display = chat != nullptr ? chat->GetDisplay() : nullptr;
  if (display != nullptr) display->AppendText(line.c_str());
}

// ---- The own chat line ----

void SubSystem::PutChatText(const char* text, uintptr_t /*unused*/, int flag) {
  InputBar* bar = GetInputBar();
  if (bar == nullptr || text == nullptr) return;
  if (flag == 0 && bar->GetEditFlag() == 0 && GetChatBox() != nullptr) {
    SendMyChat(text);
  } else {
    bar->InsertText(text);
  }
}

size_t SubSystem::OwnChatLimit() {
  CGameAppBase* app = shell::GetApp();
  return app != nullptr && app->GetUserFlag1(app->GetUserId()) != 0 ? kMemberChatLimit : kChatLimit;
}

void SubSystem::LimitInputLine() {
  InputBar* bar = GetInputBar();
  if (engine::EditBox* edit = bar != nullptr ? bar->GetEdit() : nullptr) {
    edit->SetMaxLength(static_cast<int32_t>(OwnChatLimit()));
  }
}

void SubSystem::SendMyChat(const char* text) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || text == nullptr) return;
  const uint32_t me = app->GetUserId();
  const bool member = app->GetUserFlag1(me) != 0;
  const bool no_flood_limit = app->GetUserFlag1000(me) != 0;
  const bool offline = app->IsOfflineMode() != 0;
  // Whole characters only: a lead byte cut from its trail would eat the byte after the line.
  const std::string_view typed(text, strnlen(text, kMemberChatLimit + 1));
  const std::string line(typed.substr(0, platform::GbkPrefixLength(typed, OwnChatLimit())));
  if (line.empty()) return;
  // Within the gap the line is dropped and the input line keeps it.
  if (!flood_gap_.Admit(platform::GetTickCount(), no_flood_limit || offline)) return;
  InputBar* bar = GetInputBar();
  if (app->FilterChat(line.c_str()) != 0) {
    if (bar != nullptr) bar->ClearText();
    return;
  }
  if (offline) {
    // No server answers here: the line is shown at once.
    if (bar != nullptr) bar->ClearText();
    EchoOwnLine(line, member, no_flood_limit);
    return;
  }
  net::CCardGameSession* session = app->GetSession();
  const int32_t code = session != nullptr ? session->SendChat(line.c_str()) : net::answer::kNotConnected;
  if (code != net::answer::kOk) {
    // The line stays in the input line to be sent again.
    engine::WriteGameLog("chat: line not sent (%d)", code);
    SystemText(Format(" <z=qm系统通知><c=255> 聊天信息没有发出：%s\r\n",
                      engine::EscapeMarkupText(net::AnswerText(code)).c_str()));
    return;
  }
  // It shows when the server relays it back.
  if (bar != nullptr) bar->ClearText();
}

void SubSystem::EchoOwnLine(const std::string& text, bool member, bool no_flood_limit) {
  ChatBox* chat = GetChatBox();
  if (chat == nullptr) return;
  const engine::COLORREF own = OwnNameColour();
  const std::string prefix = member ? kMemberMark : " ";
  const std::string style = no_flood_limit ? std::string(kLoudStyle) : Format("<c=%u>", own);
  chat->AppendText(Format("%s<c=%u>我说: %s%s<><>\r\n", prefix.c_str(), own, style.c_str(), text.c_str()).c_str());
}

// ---- Other players' chat ----

void SubSystem::AddChatLine(const NotifyBody* record) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr || !record->Has(panel_record::kChatText)) return;
  const uint32_t sender = record->WordAt(panel_record::kChatSender);
  const std::string prefix = Format("%s<c=%u>", app->GetUserFlag1(sender) != 0 ? " <m=qm蓝钻>" : " ", NameColour());
  const std::string style =
      app->GetUserFlag1000(sender) != 0 ? std::string(kLoudStyle) : Format("<c=%u>", TextColour());
  DisplayAppend(prefix + NameOf(sender) + "说: " + style + LineOf(record, panel_record::kChatText) + "\n");
}

void SubSystem::AddRelayedChat(const NotifyBody* record) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr || GetChatBox() == nullptr || !record->Has(panel_record::kRelayedText)) {
    return;
  }
  const uint32_t kind = record->WordAt(panel_record::kRelayedKind);
  if (kind == panel_record::kRelayedAsItStands) {
    DisplayAppend(BodyText(record, panel_record::kRelayedText));
    return;
  }
  if (kind != panel_record::kRelayedChat) return;
  const uint32_t sender = record->WordAt(panel_record::kRelayedSender);
  const std::string name = app->GetUserName(sender);
  // Somebody who is neither a player nor a looker here.
  if (name.empty()) return;
  const std::string prefix = app->GetUserFlag1(sender) != 0 ? " <m=qm蓝钻>" : " ";
  const std::string style = app->GetUserFlag1000(sender) != 0 ? kLoudStyle : "";
  // A player's own line as it came back, as the others see it; each ends its line, as other
  // players' chat lines do.
  const std::string text = LineOf(record, panel_record::kRelayedText) + "\n";
  if (sender == app->GetUserId()) {
    DisplayAppend(Format("%s<c=%u>我说: ", prefix.c_str(), OwnNameColour()) + style + text);
  } else {
    DisplayAppend(Format("%s<c=%u>", prefix.c_str(), NameColour()) + engine::EscapeMarkupText(name) + "说: " + style +
                  text);
  }
}

void SubSystem::AddNotice(const char* text) {
  if (ChatBox* chat = GetChatBox()) chat->AppendNotice(text);
}

// ---- Players and lookers ----

void SubSystem::AddEnterLine(const PlayerRecord* record) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr) return;
  const std::string name = DisplayNameOf(record);
  if (RandomSeatPlayer(app)) {
    SystemText(Format(" <c=%u>%s进入 \r\n", kRed, name.c_str()));
  } else {
    SystemText(Format(" <c=%u>%s进入第%u桌 \r\n", kRed, name.c_str(), record->Word(PlayerRecord::kTable) + 1));
  }
  if (AdvertBar* advert = GetAdvertBar()) advert->RefreshScores();
}

void SubSystem::AddLeaveLine(const PlayerRecord* record) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr) return;
  const std::string name = DisplayNameOf(record);
  if (RandomSeatPlayer(app)) {
    SystemText(Format(" <c=%u>%s离开 \r\n", kRed, name.c_str()));
  } else {
    SystemText(Format(" <c=%u>%s离开第%u桌 \r\n", kRed, name.c_str(), record->Word(PlayerRecord::kTable) + 1));
  }
  ResetScores();
}

void SubSystem::AddLookOnEnterLine(const PlayerRecord* record) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr) return;
  if ((record->Flags() & PlayerRecord::kFlagNoFloodLimit) != 0) return;
  SystemText(Format(" <c=%u>%s进入旁观 \r\n", kLookerColour, DisplayNameOf(record).c_str()));
}

void SubSystem::AddLookOnLeaveLine(const PlayerRecord* record) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr) return;
  if ((record->Flags() & PlayerRecord::kFlagNoFloodLimit) == 0) {
    SystemText(Format(" <c=%u>%s退出旁观 \r\n", kLookerColour, DisplayNameOf(record).c_str()));
  }
  UserListBar* users = GetUserListBar();
  if (PlayerListCtrl* list = users != nullptr ? users->GetList() : nullptr) list->RemoveLookOnPermission(record);
}

void SubSystem::AddRandomTableLine() {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  if (RandomSeatPlayer(app)) {
    SystemText(" <c=255>随机分桌成功，游戏开始\r\n");
  } else {
    SystemText(Format(" <c=255>您已经被随机分配到第%u桌\r\n", app->GetTableRecordId() + 1));
  }
  ResetScores();
}

void SubSystem::AddMovedTableLine() {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  SystemText(Format(" <c=255>您已经被换到第%u桌\r\n", app->GetTableRecordId() + 1));
  ResetScores();
}

void SubSystem::ResetScores() {
  AdvertBar* advert = GetAdvertBar();
  CGameAppBase* app = shell::GetApp();
  if (advert == nullptr || app == nullptr) return;
  app->ClearScoreHistory();
  advert->RefreshScores();
}

// ---- Notices ----

void SubSystem::AddSafeBoxNotice(const shell::SafeBoxRecord* record) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr) return;
  const std::string name = NameOf(record->user_id);
  switch (record->kind) {
    case shell::SafeBoxRecord::kTakenOut:
      SystemText(Format(" <z=qm系统通知> <c=255>%s<>从保险箱中取出<c=255>%d<>两银子, 现有<c=255>%d<>两银子 \r\n",
                        name.c_str(), record->a, record->b));
      break;
    case shell::SafeBoxRecord::kStored:
      SystemText(Format(" <z=qm系统通知> <c=255>%s<>存入<c=255>%d<>两银子到保险箱, 现有<c=255>%d<>两银子 \r\n",
                        name.c_str(), record->a, record->b));
      break;
    case shell::SafeBoxRecord::kAllowance:
      SystemText(Format(" <z=qm系统通知> <c=255>%s<>领取了低保到%s，共<c=255>%d<>两银子 \r\n", name.c_str(),
                        record->where == 0 ? "游戏" : "后备箱", record->a));
      break;
    default:
      break;
  }
  const int32_t base = record->base_silver;
  shell::IGameHandler* holder = app->GetTableStateHolder();
  if (base > 0 && (holder == nullptr || base != holder->GetBaseSilver())) {
    SystemText(Format(" <z=qm系统通知> 当前基础银为<c=255>%d<>两 \r\n", base));
  }
}

void SubSystem::ShowAmuletNotice(const NotifyBody* record) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || record == nullptr || !record->Has(panel_record::kAmuletBytes)) return;
  if ((record->WordAt(panel_record::kAmuletFlags) & 1) == 0) return;
  ChatBox* chat = GetChatBox();
  const engine::COLORREF colour = NameColour();
  const int chairs = std::min(app->GetChairCount(), shell::kMaxChairs);
  for (int chair = 0; chair < chairs; ++chair) {
    const uint32_t user = record->WordAt(panel_record::kAmuletUsers + 4 * static_cast<size_t>(chair));
    const auto points =
        static_cast<int32_t>(record->WordAt(panel_record::kAmuletPoints + 4 * static_cast<size_t>(chair)));
    if (app->GetUserFlag1(user) == 0 || points <= 0 || chat == nullptr) continue;
    chat->AppendText(Format(" <m=qm蓝钻><c=%u>%s<>发动<c=%u>会员积分护身符<>技能，补回<c=%u>%d<>分\r\n", colour,
                            NameOf(user).c_str(), colour, kRed, points)
                         .c_str());
  }
}

// ---- The system bar ----

void SubSystem::ClearChat() {
  if (ChatBox* chat = GetChatBox()) chat->Clear();
}

std::string SubSystem::ScreenshotName(const std::string& game, uint32_t user_id, int year, int month, int day, int hour,
                                      int minute, int second) {
  return platform::FileNamePart(game) +
         Format("_%u_%d%d_%d", user_id, year, month * 100 + day, hour * 10000 + minute * 100 + second);
}

void SubSystem::SaveScreenshot() {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  const platform::SystemTime now = platform::GetLocalTime();
  const std::string folder = app->GetExeDir() + kScreenshotFolder;
  const std::string path = folder +
                           ScreenshotName(app->GetGameName(), app->GetUserId(), now.year, now.month, now.day, now.hour,
                                          now.minute, now.second) +
                           ".jpg";
  // Another shot of the same second takes the next free name ("-2", "-3"...), never this one's place.
  std::string saved;
  if (!platform::CreateDirectories(folder) || !shell::SaveDesktopScreenshot(path.c_str(), kScreenshotQuality, &saved)) {
    engine::WriteGameLog("side panel: the screenshot %s was not saved", path.c_str());
    SystemText(" <z=qm系统通知><c=255> 游戏截图没有保存成功\r\n");
    return;
  }
  engine::WriteGameLog("side panel: screenshot saved as %s", saved.c_str());
  SystemText(" <z=qm系统通知><c=255> 游戏截图已保存到" + engine::FolderLinkMarkup(folder, "临时目录") + "<c=255>\r\n");
}

std::string SubSystem::ComplaintAddress(const std::string& host, uint32_t game_id) {
  return "http://" + host + Format("/advice.aspx?gameid=%u", game_id);
}

void SubSystem::OpenComplaintPage() {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  const std::string address = ComplaintAddress(app->GetWebHost(), app->GetGameId());
  // Offline there is no lobby to ask: the page opens here.
  if (app->IsOfflineMode() != 0) {
    app->OpenUrlInThread(address.c_str(), 0);
    return;
  }
  app->SendLobbyText(address.c_str(), 1);
}

void SubSystem::AddQuickChatPhrases() {
  InputBar* bar = GetInputBar();
  if (bar == nullptr) return;
  for (const char* phrase : kQuickPhrases) bar->AddQuickPhrase(phrase);
}

}  // namespace frame
