#include "frame/match_player_list.h"

#include <cstring>
#include <string>
#include <string_view>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/ui/font_record.h"
#include "engine/ui/menu_item.h"
#include "frame/call_player.h"
#include "frame/match_rank_row.h"
#include "net/card_game_session.h"
#include "platform/clipboard.h"
#include "shell/game_app_base.h"

namespace frame {

using engine::ObjectMessage;

namespace {

// The menu's entries: details, call, copy the name.
constexpr int kCallItem = 1;

}  // namespace

// ---- rows ----

void MatchPlayerList::AddRow(MatchRankRow* row) {
  if (row == nullptr) return;
  AppendObject(row);
}

size_t MatchPlayerList::RowCount() const {
  size_t n = 0;
  for (size_t i = 0; i < ItemCount(); ++i) n += dynamic_cast<MatchRankRow*>(ObjectOf(ItemAt(i))) != nullptr ? 1 : 0;
  return n;
}

MatchRankRow* MatchPlayerList::RowAt(size_t index) const {
  for (size_t i = 0; i < ItemCount(); ++i) {
    auto* row = dynamic_cast<MatchRankRow*>(ObjectOf(ItemAt(i)));
    if (row == nullptr) continue;
    if (index == 0) return row;
    --index;
  }
  return nullptr;
}

MatchRankRow* MatchPlayerList::FindRow(uintptr_t row) const {
  if (row == 0) return nullptr;
  for (size_t i = 0; i < ItemCount(); ++i) {
    engine::InlineObject* object = ObjectOf(ItemAt(i));
    if (object != nullptr && reinterpret_cast<uintptr_t>(object) == row) return dynamic_cast<MatchRankRow*>(object);
  }
  return nullptr;
}

void MatchPlayerList::Clear() {
  RichTextBox::Clear();
  selected_ = nullptr;
  // The menu spoke of a row that is gone.
  ShowMenu(0);
}

void MatchPlayerList::Resize(double width, double height) {
  RichTextBox::Resize(width, height);
  const int32_t text_width = GetTextWidth();
  if (text_width < 1) return;
  bool changed = false;
  for (size_t i = 0; i < ItemCount(); ++i) {
    auto* row = dynamic_cast<MatchRankRow*>(ObjectOf(ItemAt(i)));
    if (row == nullptr || row->GetCanvas() == nullptr || row->GetCanvas()->GetSurfaceWidth() == text_width) continue;
    row->SetRowWidth(text_width);
    changed = true;
  }
  if (changed) Relayout(0);
}

// ---- style, selection and menu ----

void MatchPlayerList::ResetStyle() {
  SetTextColor(0);
  engine::LOGFONTA font = GetFont();
  font.lfHeight = kItemTextSize;
  font.lfWeight = 400;
  font.lfItalic = 0;
  font.lfUnderline = 0;
  engine::SetFaceName(font, engine::kDefaultFaceName);
  SetFont(font);
}

void MatchPlayerList::Select(MatchRankRow* row) {
  if (row == selected_) return;
  if (selected_ != nullptr) selected_->SetHighlight(0);
  if (row != nullptr) row->SetHighlight(1);
  selected_ = row;
  if (row != nullptr) PlaySound(kSelectSound, 1, nullptr);
}

void MatchPlayerList::BuildMenu() {
  if (menu_ != nullptr || !IsRegistered()) return;
  menu_ = CreateCanvas(kMenuWidth, kMenuHeight, kMenuFill);
  if (menu_ == nullptr) return;
  menu_->DrawBorder(kMenuFrame, 1);
  menu_->SetDepth(GetDepth() + kMenuDepthStep);
  menu_->Hide();

  struct Entry {
    const char* text;
    uint32_t id;
  };
  static constexpr Entry kEntries[kMenuItems] = {
      {"查看详细", kDetails}, {"呼叫玩家", kCallPlayer}, {"复制玩家名", kCopyName}};
  // The entries fill the menu inside its one-pixel frame, one below the other.
  const double top = menu_->GetTop() + 1;
  for (int i = 0; i < kMenuItems; ++i) {
    auto* item = new engine::MenuItem();
    AddToScene(item);
    const ObjectMessage message = engine::MakeMessage(GetKey(), kEntries[i].id, 0, 0);
    item->Create(kEntries[i].text, kItemWidth, kItemHeight, kItemTextSize, kMenuFill, 0, &message);
    if (i == kCallItem) item->SetName(kCallItemName);
    item->MoveTo(menu_->GetX(), top + kItemHeight / 2.0 + i * kItemHeight);
    item->SetDepth(menu_->GetDepth() + kItemDepthStep);
    item->Hide();
    menu_->AddChild(item, engine::link_flag::kFollowAll);
    items_[i] = item;
  }
  selected_ = nullptr;
}

engine::MenuItem* MatchPlayerList::GetMenuItem(int index) const {
  return index >= 0 && index < kMenuItems ? items_[index] : nullptr;
}

void MatchPlayerList::ShowMenu(int32_t show) {
  if (menu_ == nullptr) return;
  if (show == 0 || selected_ == nullptr) {
    menu_->Hide();
    menu_->Invalidate();
    return;
  }
  menu_->MoveTo(GetRight() - kMenuWidth / 2.0 - kMenuRightGap, selected_->GetY());
  menu_->SetDepth(GetDepth() + kMenuDepthStep);
  menu_->Show();
  menu_->Invalidate();
  shell::CGameAppBase* app = shell::GetApp();
  const bool at_table = app != nullptr && app->GetChairOfUser(selected_->GetUserId()) != -1;
  if (engine::MenuItem* call = items_[kCallItem]) call->SetEnabled(at_table);
}

// ---- requests ----

void MatchPlayerList::QueryUser(uint32_t user_id) {
  shell::CGameAppBase* app = shell::GetApp();
  net::CCardGameSession* session = app != nullptr ? app->GetSession() : nullptr;
  if (session == nullptr) return;
  session->QueryUser(user_id);
}

void MatchPlayerList::CopySelectedName() {
  ShowMenu(0);
  if (selected_ == nullptr) return;
  // The name field holds 32 bytes at most, with or without its NUL.
  if (!platform::SetClipboardText(selected_->GetName())) {
    engine::WriteGameLog("match list: the clipboard took no name");
  }
}

void MatchPlayerList::CallSelectedPlayer() {
  if (selected_ == nullptr || !CallPlayerToTable(selected_->GetUserId())) return;
  ShowMenu(0);
}

// ---- messages ----

int MatchPlayerList::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  switch (message->id) {
    case kRowLeftDown: {
      MatchRankRow* row = FindRow(message->p1);
      if (row == nullptr) return 1;
      Select(row);
      ShowMenu(0);
      if (selected_ != nullptr) QueryUser(selected_->GetUserId());
      return 1;
    }
    case kRowRightDown: {
      MatchRankRow* row = FindRow(message->p1);
      if (row == nullptr) return 1;
      Select(row);
      ShowMenu(1);
      return 1;
    }
    case kCopyName:
      CopySelectedName();
      return 1;
    case kHideMenu:
      ShowMenu(0);
      return 1;
    case kDetails:
      ShowMenu(0);
      if (selected_ != nullptr) QueryUser(selected_->GetUserId());
      return 1;
    case kCallPlayer:
      CallSelectedPlayer();
      return 1;
    case kRowEntered:
      if (MatchRankRow* row = FindRow(message->p1)) row->SetHighlight(1);
      return 1;
    case kRowLeft:
      if (MatchRankRow* row = FindRow(message->p1)) row->SetHighlight(0);
      return 1;
    default:
      return RichTextBox::OnMessage(message);
  }
}

}  // namespace frame
