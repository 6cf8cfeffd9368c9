#include "frame/player_list_ctrl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/core/rect_object.h"
#include "engine/ui/font_record.h"
#include "engine/ui/text_markup.h"
#include "frame/call_player.h"
#include "frame/game_frame.h"
#include "frame/popup_menu.h"
#include "net/card_game_session.h"
#include "net/text_bounds.h"
#include "platform/clipboard.h"
#include "shell/app_frame_view.h"
#include "shell/game_app_base.h"
#include "shell/wealth_title.h"

namespace frame {
namespace {

using engine::CanvasObject;
using engine::ObjectMessage;
using engine::PictureInfo;
using shell::CGameAppBase;
using shell::PlayerRecord;

constexpr const char* kRowPicture = "UserListBlock";
constexpr const char* kGameFrameName = "GameFrame";
constexpr const char* kLookerMark = "bit_LookOn";
constexpr int32_t kFontSize = 12;
constexpr int32_t kOwnWeight = 700;
constexpr int32_t kWeight = 400;
// Where a row's texts and avatar stand.
constexpr int32_t kTextDx = 4;
constexpr int32_t kTextDy = 12;
constexpr int32_t kNameDx = 34;
constexpr int32_t kAvatarWidth = 32;
constexpr int32_t kAvatarHeight = 30;
// A cell's text ends this far before the next column.
constexpr int32_t kCellGap = 2;
// How many bytes of a column's text are shown.
constexpr size_t kShortText = 10;
constexpr size_t kSecondNameText = 12;
// The menu's icon: the avatar from its second row, 30 rows high.
constexpr int32_t kIconTop = 1;
constexpr int32_t kIconHeight = 30;
constexpr double kMenuDepthStep = 100.0;

const engine::InputSnapshot* SnapshotOf(const ObjectMessage* message) {
  return message->p2 != 0 ? reinterpret_cast<const engine::InputSnapshot*>(message->p2) : nullptr;
}

}  // namespace

CanvasObject* PlayerListCtrl::GetCanvas() const { return dynamic_cast<CanvasObject*>(CurrentSkin()); }

const PlayerRow* PlayerListCtrl::GetRow(int32_t index) const { return IsRow(index) ? &rows_[index] : nullptr; }

PopupMenuItem* PlayerListCtrl::GetMenuEntry(int entry) const {
  return entry >= 0 && entry < kEntryCount ? entries_[entry] : nullptr;
}

bool PlayerListCtrl::Create(int32_t width, int32_t height) {
  if (!IsRegistered()) {
    engine::WriteGameLog("PlayerListCtrl::Create: the list is not in a scene");
    return false;
  }
  CanvasObject* canvas = CreateCanvas(width, height, engine::kColourKey);
  if (canvas == nullptr) return false;
  canvas->SetTextColour(0, 1.0);
  canvas->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  geometry().width = canvas->GetWidth();
  geometry().height = canvas->GetHeight();
  SetSkin(canvas, kSkinLinks);
  row_height_ = GetPictureInfo(kRowPicture, 0).height;
  const uint32_t key = GetKey();
  SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, key, kLeftDown, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_RBUTTON_DOWN, key, kRightDown, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_MOVE, key, kPointerMoved, 0, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, key, kPointerLeft, 0, 0);
  // Focusable, so that the wheel (which goes to the focus) reaches the list once it was clicked.
  SetFocusable(true);
  return true;
}

void PlayerListCtrl::BuildContextMenu() {
  if (menu_ != nullptr) return;
  auto* menu = new PopupMenu();
  AddToScene(menu);
  if (!menu->IsRegistered() || !menu->Create(kMenuWidth, kMenuEntryHeight, kMenuFontSize, kMenuColour)) {
    engine::WriteGameLog("PlayerListCtrl: no context menu");
    if (menu->IsRegistered()) DeleteObject(menu, true);
    return;
  }
  menu_ = menu;
  menu_->SetDepth(GetDepth() + kMenuDepthStep);
  struct Entry {
    const char* text;
    uint32_t id;
    bool bold;
    bool separator;
  };
  static constexpr Entry kEntries[kEntryCount] = {
      {"", kInfoLine, false, true},           {"查看详细", kShowDetails, true, true},
      {"", kInfoLine, false, false},          {"", kInfoLine, false, false},
      {"", kInfoLine, false, true},           {"允许旁观看牌", kToggleLookOn, true, false},
      {"呼叫玩家", kCallPlayer, true, false}, {"复制玩家名", kCopyName, true, false},
  };
  for (int i = 0; i < kEntryCount; ++i) {
    const ObjectMessage message = engine::MakeMessage(GetKey(), kEntries[i].id, 0, 0);
    entries_[i] = menu_->AddItem(kEntries[i].text, &message, 0, 0, kEntries[i].bold);
    if (kEntries[i].separator) menu_->AddSeparator();
  }
  selected_ = -1;
}

void PlayerListCtrl::SelectRow(int32_t index) {
  selected_ = index;
  PlaySound("SndSelectBlock", 1, nullptr);
}

void PlayerListCtrl::HideMenu() {
  if (menu_ != nullptr && menu_->IsVisible()) {
    menu_->Hide();
    menu_->Invalidate();
  }
}

void PlayerListCtrl::ShowMenu(bool show, int32_t x, int32_t y) {
  if (menu_ == nullptr) return;
  if (!show) {
    HideMenu();
    return;
  }
  PlaceMenu(x, y);
  menu_->Show();
  menu_->Invalidate();
  // The menu hides itself when the focus goes elsewhere.
  SetFocusObject(menu_->GetKey());
  FillMenu();
}

void PlayerListCtrl::PlaceMenu(int32_t x, int32_t y) {
  const double w = menu_->GetWidth();
  const double h = menu_->GetHeight();
  double cx = 0;
  double cy = 0;
  if (x < 0 || y < 0) {
    cx = GetRight() - 10;
    cy = GetTop() + h / 2;
  } else {
    cx = std::trunc(x + (w + 1) / 2 + 1);
    cy = std::trunc(y + (h + 1) / 2 + 1);
  }
  // Inside the side panel's right and bottom edges, then inside the window.
  if (auto* panel = dynamic_cast<engine::RectObject*>(FindObjectByName("SubSystem"))) {
    engine::RECT r{};
    panel->GetRect(&r);
    if (r.right > 0 && r.right - w / 2 < cx) cx = std::trunc(r.right - w / 2);
    if (r.bottom > 0 && r.bottom - h / 2 < cy) cy = std::trunc(r.bottom - h / 2);
  }
  engine::RECT view{};
  GetViewRect(&view);
  if (view.right > view.left && view.bottom > view.top) {
    cx = std::max(std::min(cx, std::trunc(view.right - w / 2)), std::ceil(view.left + w / 2));
    cy = std::max(std::min(cy, std::trunc(view.bottom - h / 2)), std::ceil(view.top + h / 2));
  }
  menu_->MoveTo(cx, cy);
}

void PlayerListCtrl::FillMenu() {
  CGameAppBase* app = shell::GetApp();
  const int32_t row = selected_;
  const uint32_t user = GetRowUserId(row);
  char line[96];

  if (PopupMenuItem* entry = entries_[kEntryUser]) {
    PictureInfo icon = GetPictureInfo(shell::GetAvatarImageName(GetRowAvatar(row), 1).c_str(), 0);
    if (icon.record != nullptr) {
      icon.source_y = std::min(kIconTop, std::max(icon.height - 1, 0));
      icon.height = std::min(kIconHeight, icon.height - icon.source_y);
    }
    entry->SetIcon(icon);
    entry->SetText(engine::InertCanvasText(GetRowName(row)).c_str());
  }
  if (PopupMenuItem* entry = entries_[kEntrySilver]) {
    std::snprintf(line, sizeof line, "银子：%d两", GetRowSilver(row));
    entry->SetText(line);
  }
  if (PopupMenuItem* entry = entries_[kEntryScore]) {
    std::snprintf(line, sizeof line, "积分：%d分", GetRowScore(row));
    entry->SetText(line);
  }
  if (PopupMenuItem* entry = entries_[kEntryLevel]) {
    const std::string level = "级别：" + engine::InertCanvasText(GetRowLevel(row));
    entry->SetText(level.c_str());
  }

  const bool watching = app == nullptr || app->GetLookOn() != 0;
  if (PopupMenuItem* entry = entries_[kEntryCall]) {
    const int32_t chair = app != nullptr ? app->GetChairOfUser(user) : -1;
    const bool enable = !watching && user != 0 && chair != -1 && (chair != app->GetChair() || app->IsLooker(user));
    entry->SetEnabled(enable);
  }
  if (PopupMenuItem* entry = entries_[kEntryLookOn]) {
    const PlayerRow* r = GetRow(row);
    const bool enable = app != nullptr && app->IsGameRunning() != 0 && !watching && r != nullptr &&
                        app->IsLooker(user) && r->record.Chair() == app->GetChair();
    entry->SetText(enable && IsLookOnAllowed(user) ? "禁止旁观看牌" : "允许旁观看牌");
    entry->SetEnabled(enable);
  }
  if (PopupMenuItem* entry = entries_[kEntryCopy]) entry->DrawState(entry->GetState());
}

void PlayerListCtrl::ClearRows() {
  menu_user_ = menu_ != nullptr && menu_->IsVisible() ? SelectedUser() : 0;
  rows_.clear();
  selected_ = -1;
}

void PlayerListCtrl::RowsRebuilt() {
  const uint32_t user = menu_user_;
  menu_user_ = 0;
  if (user == 0) return;
  for (int32_t i = 0; i < static_cast<int32_t>(rows_.size()); ++i) {
    if (rows_[i].record.UserId() == user) {
      selected_ = i;
      return;
    }
  }
  engine::WriteGameLog("user list: user %u left while the menu was open", user);
  HideMenu();
}

void PlayerListCtrl::SetColumns(const ColumnList* columns) { columns_ = columns; }

int PlayerListCtrl::AddRow(const PlayerRow& row) {
  rows_.push_back(row);
  return static_cast<int>(rows_.size());
}

void PlayerListCtrl::RedrawRows() {
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr) return;
  canvas->SetFillColour(engine::kColourKey);
  canvas->Clear();
  for (int32_t i = 0; i < static_cast<int32_t>(rows_.size()); ++i) DrawRow(i);
  canvas->Invalidate();
}

void PlayerListCtrl::DrawRow(int32_t index) {
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr || !IsRow(index)) return;
  const PlayerRow& row = rows_[index];
  const PlayerRecord& record = row.record;
  CGameAppBase* app = shell::GetApp();
  const int32_t h = row_height_;
  const int32_t top = h * index;
  const int32_t width = canvas->GetSurfaceWidth();
  canvas->SetFillColour(engine::kColourKey);
  canvas->FillRect(0, top, width, top + h);
  canvas->SetTextColour(app != nullptr ? app->GetPlayerViewTextColour() : 0, 1.0);
  if (h > 0) {
    const int32_t frame = row.hovered == 0 && row.marked == 0 ? (row.parity % 2) + 1 : 0;
    const PictureInfo block = GetPictureInfo(kRowPicture, frame);
    canvas->DrawImage(&block, 0, top, width, h, 0.0, 1.0);
  }
  canvas->Invalidate();
  const uint32_t user = record.UserId();
  if (user == 0 || columns_ == nullptr) return;
  const bool own = app != nullptr && user == app->GetUserId();
  canvas->SetFont(kFontSize, own ? kOwnWeight : kWeight, engine::kDefaultFaceName);

  int32_t x = 0;
  for (const ColumnDef& column : *columns_) {
    if (column.id == column::kName) {
      if (record.IsLooker()) {
        const PictureInfo mark = GetPictureInfo(kLookerMark, 0);
        canvas->DrawImage(&mark, x + 1 + (kAvatarWidth - mark.width) / 2, top + 3 + (kAvatarHeight - mark.height) / 2,
                          -1, -1, 0.0, 1.0);
      } else {
        const std::string name = shell::GetAvatarImageName(record.AvatarId(), 1);
        if (!name.empty()) {
          const PictureInfo avatar = GetPictureInfo(name.c_str(), 0);
          canvas->DrawImage(&avatar, x + 1, top + 1, kAvatarWidth, kAvatarHeight, 0.0, 1.0);
        }
      }
      canvas->DrawTextWithin(x + kNameDx, top + kTextDy, column.width - kNameDx - kCellGap,
                             engine::InertCanvasText(record.Name()).c_str());
    } else {
      const std::string text = GetCellText(index, column.id);
      if (!text.empty()) {
        canvas->DrawTextWithin(x + kTextDx, top + kTextDy, column.width - kTextDx - kCellGap,
                               engine::InertCanvasText(text).c_str());
      }
    }
    // Every column takes its width, written or not, so the rows stay under their titles.
    x += column.width;
  }
}

std::string PlayerListCtrl::GetCellText(int32_t index, int32_t column_id) {
  if (!IsRow(index)) return {};
  const PlayerRecord& record = rows_[index].record;
  if (record.UserId() == 0) return {};
  char number[16];
  switch (column_id) {
    case column::kName:
      return record.Name();
    case column::kScore:
      std::snprintf(number, sizeof number, "%d", record.Score());
      return number;
    case column::kSilver:
      std::snprintf(number, sizeof number, "%d", record.Silver());
      return number;
    case column::kLevel:
      return net::CopyBounded(record.LevelText(), kShortText);
    case column::kWealth: {
      std::string title;
      shell::GetWealthTitle(record.Silver(), &title);
      return net::CopyBounded(title, kShortText);
    }
    case column::kWatched: {
      // A looker's watched chair comes from its record: only a real chair names a player.
      CGameAppBase* app = shell::GetApp();
      const int32_t chair = record.Chair();
      if (!record.IsLooker() || app == nullptr || chair < 0 || chair >= shell::kMaxChairs) return {};
      const PlayerRecord* watched = app->GetPlayerRecord(chair);
      return watched != nullptr ? net::CopyBounded(watched->Name(), kShortText) : std::string();
    }
    case column::kSecondName:
      return net::CopyBounded(record.SecondName(), kSecondNameText);
    case column::kGender:
      if (record.Gender() == 1) return "美女";
      if (record.Gender() == 0) return "帅哥";
      return {};
    default:
      return {};
  }
}

void PlayerListCtrl::SetListSize(int32_t width, int32_t height) {
  CanvasObject* canvas = GetCanvas();
  if (canvas == nullptr || width <= 0 || height <= 0) return;
  canvas->ResizeSurface(width, height);
  canvas->Resize(width, height);
  geometry().width = width;
  geometry().height = height;
  RedrawRows();
}

int32_t PlayerListCtrl::RowAt(int32_t x, int32_t y) {
  if ((GetFlags() & engine::object_flag::kLimitRect) != 0) {
    engine::RECT clip{};
    GetLimitRect(&clip);
    if (!platform::PtInRect(clip, x, y)) return -1;
  }
  const auto lx = static_cast<int32_t>(x - GetLeft());
  const auto ly = static_cast<int32_t>(y - GetTop());
  if (lx < 0 || lx > GetWidth() || ly < 0 || ly > GetHeight()) return -1;
  if (row_height_ <= 0) return -1;
  return ly / row_height_;
}

std::string PlayerListCtrl::GetRowName(int32_t index) { return IsRow(index) ? rows_[index].record.Name() : ""; }

uint32_t PlayerListCtrl::GetRowUserId(int32_t index) { return IsRow(index) ? rows_[index].record.UserId() : 0; }

int32_t PlayerListCtrl::GetRowAvatar(int32_t index) { return IsRow(index) ? rows_[index].record.AvatarId() : 0; }

int32_t PlayerListCtrl::GetRowSilver(int32_t index) { return IsRow(index) ? rows_[index].record.Silver() : 0; }

int32_t PlayerListCtrl::GetRowScore(int32_t index) { return IsRow(index) ? rows_[index].record.Score() : 0; }

std::string PlayerListCtrl::GetRowLevel(int32_t index) { return IsRow(index) ? rows_[index].record.LevelText() : ""; }

uint32_t PlayerListCtrl::SelectedUser() const { return IsRow(selected_) ? rows_[selected_].record.UserId() : 0; }

void PlayerListCtrl::ShowUserCard(uint32_t user_id) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || user_id == 0) return;
  // The game frame shows the card: the one showing goes first; offline it is drawn from the
  // table's own records, else the lobby is asked for the user's details.
  if (auto* frame = dynamic_cast<GameFrame*>(FindObjectByName(kGameFrameName))) {
    frame->ShowUserCardOf(user_id, 1);
    return;
  }
  if (!app->RequestUserDetails(user_id)) engine::WriteGameLog("user list: no lobby to show user %u", user_id);
}

void PlayerListCtrl::RemoveLookOnPermission(const PlayerRecord* record) {
  if (record != nullptr) look_on_.erase(record->UserId());
}

void PlayerListCtrl::CopyName() {
  HideMenu();
  if (!IsRow(selected_)) return;
  const std::string name = GetRowName(selected_);
  if (!platform::SetClipboardText(name)) engine::WriteGameLog("user list: the clipboard took no name");
}

void PlayerListCtrl::CallPlayer() {
  HideMenu();
  // The call line goes into the chat at once, whatever the server answers.
  if (CallPlayerToTable(SelectedUser())) PlaySound("SndFa", 1, nullptr);
}

void PlayerListCtrl::ToggleLookOn() {
  HideMenu();
  CGameAppBase* app = shell::GetApp();
  const uint32_t user = SelectedUser();
  if (app == nullptr || user == 0 || !app->IsLooker(user)) return;
  const bool allow = !IsLookOnAllowed(user);
  net::CCardGameSession* session = app->GetSession();
  if (session == nullptr || session->SetLookOnPermission(user, allow ? 1 : 0) == 0) {
    engine::WriteGameLog("user list: look-on permission for %u refused", user);
    return;
  }
  if (allow) {
    look_on_.insert(user);
  } else {
    look_on_.erase(user);
  }
  const std::string own = engine::EscapeMarkupText(app->GetUserName(app->GetUserId()));
  const std::string other = engine::EscapeMarkupText(app->GetUserName(user));
  char line[256];
  std::snprintf(line, sizeof line, " <c=%u>%s%s%s看牌 \r\n", kLookOnLineColour, own.c_str(), allow ? "允许" : "禁止",
                other.c_str());
  app->AppendSystemText(line);
}

int PlayerListCtrl::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  const engine::InputSnapshot* snapshot = SnapshotOf(message);
  switch (message->id) {
    case kLeftDown: {
      if (snapshot == nullptr) return 1;
      const int32_t r = RowAt(snapshot->x, snapshot->y);
      if (IsRow(r) && rows_[r].record.UserId() != 0) {
        SelectRow(r);
        HideMenu();
        ShowUserCard(rows_[r].record.UserId());
      }
      return 1;
    }
    case kRightDown: {
      if (snapshot == nullptr) return 1;
      const int32_t r = RowAt(snapshot->x, snapshot->y);
      if (IsRow(r) && rows_[r].record.UserId() != 0) {
        SelectRow(r);
        ShowMenu(true, snapshot->x, snapshot->y);
      }
      return 1;
    }
    case kCopyName:
      CopyName();
      return 1;
    case kHideMenu:
      HideMenu();
      return 1;
    case kShowDetails: {
      HideMenu();
      CGameAppBase* app = shell::GetApp();
      const uint32_t user = SelectedUser();
      if (user != 0 && app != nullptr && app->FindPlayerRecord(user) != nullptr) ShowUserCard(user);
      return 1;
    }
    case kCallPlayer:
      CallPlayer();
      return 1;
    case kNothing:
      return 1;
    case kPointerLeft:
      if (IsRow(hovered_)) {
        rows_[hovered_].hovered = 0;
        DrawRow(hovered_);
      }
      hovered_ = -1;
      return 1;
    case kInfoLine:
      HideMenu();
      return 1;
    case kPointerMoved: {
      if (snapshot == nullptr) return 1;
      const int32_t r = RowAt(snapshot->x, snapshot->y);
      if (IsRow(r) && r != hovered_ && rows_[r].record.UserId() != 0) {
        if (IsRow(hovered_)) {
          rows_[hovered_].hovered = 0;
          DrawRow(hovered_);
        }
        rows_[r].hovered = 1;
        DrawRow(r);
        hovered_ = r;
      }
      return 1;
    }
    case kToggleLookOn:
      ToggleLookOn();
      return WidgetBase::OnMessage(message);
    default:
      return WidgetBase::OnMessage(message);
  }
}

}  // namespace frame
