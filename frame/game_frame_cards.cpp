// The floating player card in its two forms, the user information card and the duan card, drawn
// into one canvas; where it goes; and the user details the lobby hands over for it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/ui/font_record.h"
#include "engine/ui/image_button.h"
#include "engine/ui/text_markup.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "platform/cursor.h"
#include "shell/app_messages.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"
#include "shell/wealth_title.h"

namespace frame {
namespace {

constexpr COLORREF kNameColour = 0x38D8E6;
constexpr COLORREF kLabelColour = 0xCDECD1;
constexpr COLORREF kUserCardColour = 0x5BE8D6;
constexpr int32_t kCardWidth = 340;
constexpr int32_t kCardHeight = 320;

// Copies a field's text (up to its first NUL, never past the field) into a field of the same
// size of the destination record, always terminated.
void CopyTextField(const uint8_t* source, uint8_t* destination, size_t field) {
  size_t n = 0;
  while (n + 1 < field && source[n] != 0) ++n;
  std::memcpy(destination, source, n);
  std::memset(destination + n, 0, field - n);
}

void CopyBytes(const shell::TableExtraRecord& from, size_t from_at, DuanCardRecord* to, size_t to_at, size_t n) {
  std::memcpy(to->bytes + to_at, from.bytes + from_at, n);
}

}  // namespace

DuanCardRecord DuanCardFromTableExtra(const shell::TableExtraRecord& extra) {
  DuanCardRecord r;
  CopyBytes(extra, 0, &r, 0, 20);
  CopyTextField(extra.bytes + 20, r.bytes + DuanCardRecord::kName, DuanCardRecord::kNameBytes);
  CopyTextField(extra.bytes + 52, r.bytes + DuanCardRecord::kSecondName, DuanCardRecord::kSecondNameBytes);
  r.SetWord(DuanCardRecord::kDuanIndex, extra.Word(96));
  r.SetWord(DuanCardRecord::kDuanScore, extra.Word(100));
  r.SetWord(DuanCardRecord::kDuanScoreNeeded, extra.Word(264));
  CopyBytes(extra, 108, &r, 80, 20);
  r.SetWord(100, 0);
  CopyBytes(extra, 184, &r, 104, 24);
  r.SetWord(128, extra.Word(208));
  r.SetWord(132, extra.Word(212));
  return r;
}

int64_t GamesPlayed(int32_t wins, int32_t losses, int32_t draws) {
  return int64_t{std::max(wins, 0)} + std::max(losses, 0) + std::max(draws, 0);
}

std::string RateText(int32_t part, int64_t games, const char* none) {
  if (games <= 0) return none;
  const int64_t share = std::clamp<int64_t>(part, 0, games);
  char text[32];
  std::snprintf(text, sizeof text, "%.2f%%", static_cast<double>(share) / static_cast<double>(games) * 100.0);
  return text;
}

bool GameFrame::MakeCard(bool duan_form) {
  if (card_ != nullptr) return true;
  const engine::PictureInfo back = GetPictureInfo("bit_playerdetail", 0);
  const int32_t w = back.record != nullptr ? back.width : kCardWidth;
  const int32_t h = back.record != nullptr ? back.height : kCardHeight;
  card_ = CreateCanvas(w, h, engine::kColourKey);
  if (card_ == nullptr) return false;
  card_->SetDepth(kCardDepth);
  card_->SetDraggable(true);
  card_->Hide();
  const uint32_t me = Key();
  if (duan_form) {
    card_->SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, me, frame_msg::kCardEntered, 0, 0);
    card_->SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, me, frame_msg::kCardLeft, 0, 0);
  }
  card_->SubscribeMessage(engine::QUILLARON_EVENT_RCLICK, me, frame_msg::kCardClose, 0, 0);
  engine::ImageButton* close = MakeImageButton("btn_redcrossEx", me, frame_msg::kCardClose);
  engine::ImageButton* buy = MakeImageButton("btn_buycharacter", me, frame_msg::kOpenShopItem);
  card_close_button_ = close;
  card_button_ = buy;
  if (close != nullptr) {
    close->MoveTo(card_->GetRight() - close->GetWidth() / 2 - 10, card_->GetTop() + 19);
    close->SetDepth(card_->GetDepth() + 0.1);
    card_->AddChild(close, engine::link_flag::kFollowAll);
  }
  if (buy != nullptr) {
    buy->MoveTo(duan_form ? card_->GetLeft() + 75 : card_->GetX(), card_->GetTop() + 290);
    buy->SetDepth(card_->GetDepth() + 0.1);
    card_->AddChild(buy, engine::link_flag::kFollowAll);
  }
  return true;
}

void GameFrame::DrawCardBackground(int32_t character) {
  card_->Clear();
  const engine::PictureInfo back = GetPictureInfo("bit_playerdetail", 0);
  if (back.record != nullptr) {
    card_->DrawImage(&back, 0, 0, -1, -1, 0.0, 1.0);
  } else {
    card_->SetFillColour(0x3A2A1E);
    card_->FillRect(0, 0, card_->GetSurfaceWidth(), card_->GetSurfaceHeight());
    card_->SetFillColour(engine::kColourKey);
  }
  const std::string avatar = LoadAvatarImage(character, 3);
  if (!avatar.empty()) {
    const engine::PictureInfo picture = GetPictureInfo(avatar.c_str(), 0);
    if (picture.record != nullptr) card_->DrawImage(&picture, 10, 10, 135, 270, 0.0, 1.0);
  }
  // The item the buy button offers is the character shown.
  if (auto* buy = dynamic_cast<engine::ImageButton*>(card_button_)) {
    engine::ObjectMessage m = buy->GetMessage();
    m.p1 = static_cast<uintptr_t>(static_cast<uint32_t>(character));
    buy->SetMessage(m);
  }
}

void GameFrame::ShowDuanCard(const uint8_t* data, size_t size) {
  if (data == nullptr) return;
  DuanCardRecord r;
  std::memcpy(r.bytes, data, std::min(size, sizeof r.bytes));
  if (r.Word(DuanCardRecord::kUserId) == 0 || !MakeCard(true)) return;
  card_user_ = r.Word(DuanCardRecord::kUserId);
  card_character_ = r.Int(DuanCardRecord::kCharacter);
  DrawCardBackground(card_character_);

  const std::string name = engine::InertCanvasText(r.Text(DuanCardRecord::kName, DuanCardRecord::kNameBytes));
  card_->SetFont(14, 700, engine::kDefaultFaceName);
  card_->SetTextColour(kNameColour, 1.0);
  card_->DrawText(190, 45, name.c_str());
  card_->SetFont(12, 400, engine::kDefaultFaceName);
  card_->SetTextColour(kLabelColour, 1.0);
  char value[96];
  auto line = [&](int32_t y, const char* label, const char* text) {
    card_->DrawText(155, y, label);
    if (text != nullptr) card_->DrawText(205, y, text);
  };
  line(70, "段位", nullptr);
  const engine::PictureInfo duan = GetPictureInfo("bit_Duan", r.Int(DuanCardRecord::kDuanIndex));
  if (duan.record != nullptr) card_->DrawImage(&duan, 205, 65, -1, -1, 0.0, 1.0);
  std::snprintf(value, sizeof value, "%d/%d", r.Int(DuanCardRecord::kDuanScore),
                r.Int(DuanCardRecord::kDuanScoreNeeded));
  line(100, "段位分", value);
  const int32_t wins = r.Int(DuanCardRecord::kWins);
  const int32_t losses = r.Int(DuanCardRecord::kLosses);
  const int32_t draws = r.Int(DuanCardRecord::kDraws);
  std::snprintf(value, sizeof value, "%d", wins);
  line(130, "赢", value);
  std::snprintf(value, sizeof value, "%d", losses);
  line(150, "输", value);
  std::snprintf(value, sizeof value, "%d", draws);
  line(170, "和", value);
  line(190, "胜率", RateText(wins, GamesPlayed(wins, losses, draws), "100%").c_str());
  std::snprintf(value, sizeof value, "<c=%d>%d胜<c=%d>%d负<c=%d>%d平", 255, r.Int(DuanCardRecord::kSessionWins), 0xFF00,
                r.Int(DuanCardRecord::kSessionLosses), 0x1CE1FE, r.Int(DuanCardRecord::kSessionDraws));
  line(220, "本场", value);
  card_->Invalidate();
}

void GameFrame::ShowUserCard(const shell::PlayerRecord& record) {
  using shell::PlayerRecord;
  if (record.UserId() == 0 || !MakeCard(false)) return;
  card_user_ = record.UserId();
  card_character_ = record.AvatarId();
  DrawCardBackground(card_character_);

  card_->SetFont(14, 700, engine::kDefaultFaceName);
  card_->SetTextColour(kNameColour, 1.0);
  card_->DrawText(195, 46, engine::InertCanvasText(record.Name()).c_str());
  card_->SetFont(12, 400, engine::kDefaultFaceName);
  card_->SetTextColour(kUserCardColour, 1.0);
  int32_t y = 70;
  char text[96];
  auto line = [&](const char* format, auto value) {
    std::snprintf(text, sizeof text, format, value);
    card_->DrawText(145, y, text);
    y += 18;
  };
  std::string wealth;
  shell::GetWealthTitle(record.Silver(), &wealth);
  const std::string level = engine::InertCanvasText(record.LevelText());
  shell::CGameAppBase* app = shell::GetApp();
  const bool silver_room = app != nullptr && app->TestRoomOption4();
  if (!silver_room) {
    line("   积 分 ： %d", record.Score());
    line("   级 别 ： %s", level.c_str());
    card_->SetTextColour(kLabelColour, 1.0);
    line("   银 子 ： %d 两", record.Silver());
    line("财富等级 ： %s", wealth.c_str());
  } else {
    line("   银 子 ： %d 两", record.Silver());
    line("财富等级 ： %s", wealth.c_str());
    card_->SetTextColour(kLabelColour, 1.0);
    line("   积 分 ： %d", record.Score());
    line("   级 别 ： %s", level.c_str());
  }
  const int32_t wins = record.Int(PlayerRecord::kWins);
  const int32_t losses = record.Int(PlayerRecord::kLosses);
  const int32_t draws = record.Int(PlayerRecord::kDraws);
  const int64_t games = GamesPlayed(wins, losses, draws);
  line("   经 验 ： %d", record.Int(PlayerRecord::kExperience));
  line("断 线 率 ： %s", RateText(record.Int(PlayerRecord::kDisconnects), games, "0.00%").c_str());
  line("   网 速 ： %d", record.Int(PlayerRecord::kNetSpeed));
  line("   赢 局 ： %d", wins);
  line("   输 局 ： %d", losses);
  line("   和 局 ： %d", draws);
  line("   胜 率 ： %s", RateText(wins, games, "100%").c_str());
  card_->Invalidate();
}

void GameFrame::PlaceCardAtPoint(uint32_t, int32_t x, int32_t y) {
  if (card_ == nullptr) return;
  const RECT r = GetMainGameRect();
  const int32_t l = r.left;
  const int32_t t = r.top;
  const int32_t w = r.right - r.left;
  const int32_t h = r.bottom - r.top;
  const double cw = card_->GetWidth();
  const double ch = card_->GetHeight();
  double cx = std::trunc(x > l + w / 2 ? x - cw / 2 : x + cw / 2);
  double cy = std::trunc(y > t + h / 2 ? y - ch / 2 : y + ch / 2);
  const engine::PictureInfo board = GetPictureInfo("PlayerBoardSmall", 0);
  const int32_t m = board.record != nullptr ? board.height : 0;
  if (cy > t + h - ch / 2 - m) cy = t + h - ch / 2 - m;
  if (cy < t + ch / 2 + m) cy = t + ch / 2 + m;
  if (cx < l + cw / 2 + m) cx = l + cw / 2 + m;
  card_->SetDepth(kCardDepth);
  card_->Show();
  card_->SetAlpha(1.0);
  card_->MoveTo(cx, cy);
  card_->Invalidate();
}

void GameFrame::PlaceCardByUserList(uint32_t, int32_t pinned) {
  card_pinned_ = pinned;
  if (card_ == nullptr) return;
  card_->SetDepth(kCardDepth);
  card_->Show();
  card_->SetAlpha(1.0);
  const RECT r = GetMainGameRect();
  const double ch = card_->GetHeight();
  double y = r.top + (r.bottom - r.top) / 3;
  if (engine::EngineObject* list = FindObjectByName("UserListBar")) {
    y = std::trunc(list->GetTop() + ch / 2);
    const double lowest = std::trunc(r.bottom - ch / 2);
    if (y > lowest) y = lowest;
  }
  card_->MoveTo(r.right - card_->GetWidth() / 2, y);
  card_->Invalidate();
}

void GameFrame::RefreshUserCard() {
  if (card_ != nullptr && card_->IsVisible() && card_user_ != 0) ShowUserCardOf(card_user_, 0);
}

void GameFrame::ShowUserCardOf(uint32_t user_id, int32_t hide_first) {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr || user_id == 0) return;
  if (app->IsOfflineMode() != 0) {
    const shell::PlayerRecord* record = app->FindPlayerRecord(user_id);
    if (record == nullptr) return;
    ShowUserCard(*record);
    platform::POINT cursor{};
    platform::GetCursorPos(&cursor);
    if (shell::CGameFrameWnd* window = app->GetMainWnd()) window->ScreenToClient(&cursor);
    PlaceCardAtPoint(user_id, cursor.x, cursor.y);
    return;
  }
  if (hide_first != 0) HideCard();
  app->RequestUserDetails(user_id);
}

void GameFrame::HideCard() {
  if (card_ == nullptr) return;
  CancelObjectActions(card_->GetKey());
  card_->Hide();
  card_->Invalidate();
}

void GameFrame::KeepCardInWindow() {
  if (card_ == nullptr) return;
  const RECT window{kBorder, kTop, GetScreenWidth() - kBorder, GetScreenHeight() - kBottom};
  engine::KeepInside(card_, window);
}

void GameFrame::ShowPlayerDuan(const uint8_t* record, size_t size) {
  ShowDuanCard(record, size);
  if (record == nullptr || size < 4) return;
  uint32_t user = 0;
  std::memcpy(&user, record, 4);
  PlaceCardByUserList(user, 1);
}

void GameFrame::OnCopyData(const engine::COPYDATASTRUCT* data) {
  if (data == nullptr || data->dwData != shell::lobby_record::kUserCard) return;
  if (data->lpData == nullptr || data->cbData < shell::PlayerRecord::kSize) {
    engine::WriteGameLog("user card: a record of %u bytes refused", data != nullptr ? data->cbData : 0);
    return;
  }
  shell::PlayerRecord record;
  std::memcpy(record.bytes, data->lpData, shell::PlayerRecord::kSize);
  if (record.UserId() == 0) return;
  ShowUserCard(record);
  platform::POINT cursor{};
  platform::GetCursorPos(&cursor);
  shell::CGameAppBase* app = shell::GetApp();
  if (shell::CGameFrameWnd* window = app != nullptr ? app->GetMainWnd() : nullptr) window->ScreenToClient(&cursor);
  PlaceCardAtPoint(record.UserId(), cursor.x, cursor.y);
}

}  // namespace frame
