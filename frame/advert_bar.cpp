#include "frame/advert_bar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/ui/font_record.h"
#include "engine/ui/image_button.h"
#include "engine/ui/text_markup.h"
#include "frame/frame_messages.h"
#include "frame/panel_messages.h"
#include "frame/panel_scroll_bar.h"
#include "platform/profile.h"
#include "platform/window.h"
#include "shell/app_messages.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace frame {
namespace {

using engine::CanvasObject;
using engine::ObjectMessage;
using engine::PictureInfo;
using shell::CGameAppBase;

constexpr int32_t kFontSize = 12;
constexpr int32_t kWeight = 400;
// The browser window: its class, style and first rectangle.
constexpr const char* kBrowserClass = "AfxWnd";
constexpr uint32_t kBrowserStyle = 0x2000000;
// ShowWindow's command that shows a window as it was.
constexpr int kSwShow = 5;
constexpr int kRefreshCompletely = 3;
constexpr int32_t kDefaultTopMargin = 28;
constexpr int32_t kDefaultHeadHeight = 22;
constexpr int32_t kDefaultRowHeight = 26;
constexpr int32_t kDefaultColumnWidth = 70;
// How long and how often the score tab may go back to the advert.
constexpr int32_t kMaxBackSeconds = 3600;
// ScrollOn moves at least this far from the start.
constexpr int32_t kFirstStep = 100;

}  // namespace

int32_t AdvertBar::Metric(uint32_t key, int32_t fallback) {
  const int32_t value = GetIntSetting(key);
  return value >= 0 ? value : fallback;
}

int32_t AdvertBar::RowCount() {
  CGameAppBase* app = shell::GetApp();
  const int32_t chairs = app != nullptr ? app->GetChairCount() : CGameAppBase::kDefaultChairCount;
  return std::max(chairs, kMinRows);
}

void AdvertBar::OnAddedToScene() {
  SetName(kObjectName);
  CGameAppBase* app = shell::GetApp();
  browser_.Create(kBrowserClass, kObjectName, kBrowserStyle, engine::RECT{0, 0, 10, 10},
                  app != nullptr ? app->GetMainWnd() : nullptr, 0);
  browser_.SetFlag(1);
  if (app != nullptr) browser_.SetIdText(app->GetDomainFilePath());

  auto make_tab = [this](const char* picture, uint32_t id) {
    engine::ImageButton* tab =
        engine::MakeImageButton(this, GetPictureInfo(picture, 0), engine::MakeMessage(GetKey(), id, 0, 0));
    if (tab == nullptr) return tab;
    // Pointing at a tab is enough to switch to it.
    tab->SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, GetKey(), id, 0, 0);
    tab->Show();
    return tab;
  };
  advert_tab_ = make_tab("btnAdvertTab", panel_msg::kShowAdvertTab);
  if (advert_tab_ != nullptr) advert_tab_->SetDown(false);
  // At a random-seating table a player sees no scores.
  if (app != nullptr && app->TestTableOption8() && app->GetLookOn() == 0) return;

  score_tab_ =
      make_tab(app != nullptr && app->TestRoomOption4() ? "btnDepositTab" : "btnScoreTab", panel_msg::kShowScoreTab);

  const PictureInfo track = GetPictureInfo(GetStringSetting(frame_setting::kScrollTrackName), 0);
  scroll_bar_ = new PanelScrollBar();
  AddToScene(scroll_bar_);
  if (scroll_bar_->Create(GetKey(), 100, track.height, PanelScrollBar::kHorizontal, 0)) {
    scroll_bar_->SetTrackPicture(track);
    scroll_bar_->SetThumbPicture(GetPictureInfo(GetStringSetting(frame_setting::kScrollTrackName + 1), 0));
    scroll_bar_->SetGripPicture(GetPictureInfo(GetStringSetting(frame_setting::kScrollTrackName + 2), 0));
    scroll_bar_->SetLeftButtonPicture(GetPictureInfo(GetStringSetting(frame_setting::kScrollTrackName + 3), 0));
    scroll_bar_->SetRightButtonPicture(GetPictureInfo(GetStringSetting(frame_setting::kScrollTrackName + 4), 0));
  }

  score_canvas_ = CreateCanvas(10, 10, engine::kColourKey);
  if (score_canvas_ != nullptr) {
    DrawScoreTable();
    score_canvas_->AddChild(scroll_bar_, kBarLinks);
    score_canvas_->SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, GetKey(), panel_msg::kScoreTableClicked, 0,
                                    0);
  }

  if (app != nullptr) {
    const std::string ini = app->GetGameIniPath();
    const auto seconds = static_cast<int32_t>(
        platform::GetPrivateProfileIntA("GAMESET", "AdvertACSencond", kDefaultBackSeconds, ini.c_str()));
    const auto count = static_cast<int32_t>(
        platform::GetPrivateProfileIntA("GAMESET", "AdvertACMaxCount", kDefaultBackCount, ini.c_str()));
    // A value the file cannot mean: no wait beyond an hour, no negative count.
    back_seconds_ = std::clamp(seconds, 1, kMaxBackSeconds);
    back_count_ = std::max(count, 0);
  }
  ShowScoreTab();
}

void AdvertBar::LoadAdvert() {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return;
  const std::string address =
      app->IsOfflineMode() != 0 ? "http://" + app->GetWebHost() + "/shop/" : app->GetAdvertWindowUrl();
  Navigate(address.c_str());
}

void AdvertBar::Navigate(const char* address) {
  if (address == nullptr) return;
  const std::string target(address);
  if (target.size() > kMaxAddress) {
    engine::WriteGameLog("advert bar: an address of %zu bytes refused", target.size());
    return;
  }
  browser_.Navigate(target.c_str(), 0, 0, 0, 0, 0);
}

void AdvertBar::RunScript(const char* function) {
  if (browser_.IsCreated()) browser_.CallScript(function);
}

void AdvertBar::Reload() {
  if (browser_.IsCreated()) browser_.Refresh(kRefreshCompletely);
}

void AdvertBar::Layout() {
  const int32_t top_margin = Metric(frame_setting::kTopMargin, kDefaultTopMargin);
  const int32_t head = Metric(frame_setting::kHeadHeight, kDefaultHeadHeight);
  const int32_t row = Metric(frame_setting::kRowHeight, kDefaultRowHeight);
  const int32_t extra =
      Metric(frame_setting::kExtraHeight, GetPictureInfo(GetStringSetting(frame_setting::kScrollTrackName), 0).height);
  const int32_t h = head + row * RowCount();
  const int32_t total_height = h + extra;
  const double left = GetLeft();
  const double top = GetTop();

  double x0 = left;
  for (engine::ImageButton* tab : {advert_tab_, score_tab_}) {
    if (tab == nullptr) continue;
    tab->MoveTo(x0 + tab->GetWidth() / 2, top + top_margin - tab->GetHeight() / 2 + (h % 2 != 0 ? 1 : 0));
    tab->Invalidate();
    x0 = std::trunc(x0 + tab->GetWidth() + 1);
  }
  const auto l = static_cast<int32_t>(left);
  const auto t = static_cast<int32_t>(top) + top_margin;
  browser_.MoveWindow(engine::RECT{l, t, l + static_cast<int32_t>(GetWidth()), t + total_height});
  browser_.UpdateWindow();

  if (score_canvas_ != nullptr) {
    score_canvas_->SetLimitRect(
        engine::RECT{l, t, static_cast<int32_t>(GetRight()), static_cast<int32_t>(GetBottom())});
    score_canvas_->MoveTo(left + score_canvas_->GetWidth() / 2, top + top_margin + h / 2.0);
    score_canvas_->Invalidate();
  }
  if (scroll_bar_ != nullptr && score_canvas_ != nullptr) {
    scroll_bar_->Resize(GetWidth(), scroll_bar_->GetHeight());
    scroll_bar_->MoveTo(GetX(), score_canvas_->GetBottom() + scroll_bar_->GetHeight() / 2);
    scroll_bar_->Invalidate();
    ScrollBarRange(scroll_bar_->GetPosition());
  }
  DrawScoreTable();
}

void AdvertBar::ScrollBarRange(double position) {
  if (scroll_bar_ == nullptr || score_canvas_ == nullptr) return;
  scroll_bar_->SetRange(position, GetWidth(), score_canvas_->GetWidth(), -1.0);
  scroll_bar_->Notify();
}

void AdvertBar::DrawScoreTable() {
  CanvasObject* canvas = score_canvas_;
  if (canvas == nullptr) return;
  CGameAppBase* app = shell::GetApp();
  static const shell::ScoreHistory kNoHistory;
  const shell::ScoreHistory& history = app != nullptr ? app->GetScoreHistory() : kNoHistory;
  const int32_t games = std::max(history.game_count, 0);
  const int32_t columns = std::min(games >= 1 ? games + 1 : 2, kMaxColumns);
  const int32_t shown = std::min(games, shell::ScoreHistory::kRing);
  const int32_t cw = Metric(frame_setting::kColumnWidth, kDefaultColumnWidth);
  const int32_t rh = Metric(frame_setting::kRowHeight, kDefaultRowHeight);
  const int32_t hh = Metric(frame_setting::kHeadHeight, kDefaultHeadHeight);
  const int32_t rows = RowCount();
  const int32_t height = rows * rh + hh;
  const int32_t width = std::max(kNameColumn + cw * columns, static_cast<int32_t>(GetWidth()));

  canvas->ResizeSurface(width, height);
  canvas->Resize(width, height);
  canvas->SetFillColour(app != nullptr ? app->GetAdvBkColour() : 0xFFFFFF);
  canvas->Clear();
  const PictureInfo title = GetPictureInfo("bitHistoryTitle", 0);
  canvas->DrawImage(&title, 0, 0, width, hh, 0.0, 1.0);

  canvas->SetTextColour(app != nullptr ? app->GetAdvGridColour() : 0, 1.0);
  canvas->DrawLine(kNameColumn, 0, kNameColumn, height);
  for (int32_t i = 0; i < columns; ++i) canvas->DrawLine(kNameColumn + i * cw, 0, kNameColumn + i * cw, height);
  canvas->DrawLine(0, hh, width, hh);
  for (int32_t i = 1; i <= rows; ++i) canvas->DrawLine(0, hh + i * rh, width, hh + i * rh);

  canvas->SetTextColour(app != nullptr ? app->GetAdvHeaderColour() : 0, 1.0);
  canvas->SetFont(kFontSize, kWeight, engine::kDefaultFaceName);
  canvas->DrawText(kNameX, 5, "用户名");
  const PictureInfo divider = GetPictureInfo("jf_line", 0);
  for (int32_t i = 0; i < columns; ++i) {
    canvas->DrawImage(&divider, kNameColumn + i * cw, std::max(0, (hh - divider.height) / 2 + 1), -1, -1, 0.0, 1.0);
  }
  for (int32_t column = 1; column <= shown + 1; ++column) {
    canvas->DrawTextCentred(kNameColumn + (column - 1) * cw + cw / 2, rh / 2 - 1, GetScoreCell(0, column).c_str());
  }

  canvas->SetTextColour(app != nullptr ? app->GetAdvTextColour() : 0, 1.0);
  for (int32_t k = 1; ChairOfRow(k) >= 0; ++k) {
    const int32_t y = hh + (k - 1) * rh;
    canvas->DrawTextWithin(kNameX, y + 7, kNameColumn - kNameX - kNameGap,
                           engine::InertCanvasText(GetScoreCell(k, 0)).c_str());
    for (int32_t column = 1; column <= shown + 1; ++column) {
      canvas->DrawTextCentred(kNameColumn + (column - 1) * cw + cw / 2, y + rh / 2, GetScoreCell(k, column).c_str());
    }
  }
  canvas->Invalidate();
  if (scroll_bar_ != nullptr) ScrollBarRange(0.0);
}

int32_t AdvertBar::ChairOfRow(int32_t row) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || row < 1) return -1;
  int32_t k = 0;
  for (int32_t chair = 0; chair < RowCount() && chair < shell::kMaxChairs; ++chair) {
    if (app->IsChairTaken(chair) && ++k == row) return chair;
  }
  return -1;
}

std::string AdvertBar::GetScoreCell(int32_t row, int32_t column) {
  CGameAppBase* app = shell::GetApp();
  if (app == nullptr || column < 0) return {};
  const shell::ScoreHistory& history = app->GetScoreHistory();
  const int32_t games = std::max(history.game_count, 0);
  const int32_t shown = std::min(games, shell::ScoreHistory::kRing);
  if (column > shown + 1) return {};
  char text[32];
  if (row == 0) {
    if (column == 0) return "用户名";
    if (column == 1) return app->TestRoomOption4() ? "总银子" : "总积分";
    std::snprintf(text, sizeof text, "第%d局", games - (column - 2));
    return text;
  }
  const int32_t chair = ChairOfRow(row);
  if (chair < 0) return {};
  if (column == 0) return app->GetChairName(chair);
  if (column == 1) {
    std::snprintf(text, sizeof text, "%d", history.totals[chair]);
    return text;
  }
  const int32_t game = games - (column - 2);
  std::snprintf(text, sizeof text, "%d", history.results[chair][(game - 1) % shell::ScoreHistory::kRing]);
  return text;
}

void AdvertBar::RefreshScores() {
  DrawScoreTable();
  ScrollBarRange(0.0);
}

void AdvertBar::ScrollTo(const ScrollPos* pos) {
  if (pos == nullptr || score_canvas_ == nullptr) return;
  score_canvas_->MoveTo(GetLeft() - pos->position + pos->total / 2, score_canvas_->GetY());
  score_canvas_->Invalidate();
}

void AdvertBar::ScrollBack() {
  if (score_canvas_ == nullptr) return;
  const int32_t cw = Metric(frame_setting::kColumnWidth, kDefaultColumnWidth);
  int32_t offset = static_cast<int32_t>((GetLeft() - score_canvas_->GetLeft()) - cw);
  if (offset < kFirstStep) offset = 0;
  ScrollBarRange(offset);
}

void AdvertBar::ScrollOn() {
  if (score_canvas_ == nullptr) return;
  const int32_t cw = Metric(frame_setting::kColumnWidth, kDefaultColumnWidth);
  int32_t offset = static_cast<int32_t>((GetLeft() - score_canvas_->GetLeft()) + cw);
  if (offset >= 1 && offset < kFirstStep) offset = kFirstStep;
  const auto last = std::max(0, static_cast<int32_t>(score_canvas_->GetWidth() - GetWidth()));
  offset = std::min(offset, last);
  ScrollBarRange(offset);
}

void AdvertBar::ShowAdvertTab() {
  if (score_tab_ == nullptr) return;
  advert_tab_->Show();
  advert_tab_->SetDown(true);
  score_tab_->Show();
  score_tab_->SetDown(false);
  browser_.ShowWindow(kSwShow);
  browser_.UpdateWindow();
  if (score_canvas_ != nullptr) {
    score_canvas_->Hide();
    score_canvas_->Invalidate();
  }
  score_shown_ = false;
}

void AdvertBar::PostBackTimer() {
  if (back_timer_ != 0) CancelAction(back_timer_);
  const ObjectMessage back = engine::MakeMessage(GetKey(), panel_msg::kAdvertBackTimer, 0, 0);
  back_timer_ = DelayFor(this, static_cast<uint32_t>(back_seconds_) * 1000u, &back);
}

void AdvertBar::ShowScoreTab() {
  if (score_tab_ == nullptr) return;
  advert_tab_->SetDown(false);
  score_tab_->SetDown(true);
  browser_.ShowWindow(platform::SW_HIDE);
  browser_.UpdateWindow();
  if (score_canvas_ != nullptr) {
    score_canvas_->Show();
    score_canvas_->Invalidate();
  }
  score_shown_ = true;
  if (back_count_ > 0) {
    --back_count_;
    PostBackTimer();
  }
}

void AdvertBar::OnBackTimer() {
  back_timer_ = 0;
  if (!score_shown_) return;
  engine::InputSnapshot pointer;
  GetInputSnapshot(&pointer);
  if (HitTest(pointer.x, pointer.y) != 0) {
    PostBackTimer();
    return;
  }
  ShowAdvertTab();
}

bool AdvertBar::IsAdvertShown() { return advert_tab_ != nullptr && advert_tab_->IsVisible() != 0 && !score_shown_; }

void AdvertBar::HideBrowser() { browser_.ShowWindow(platform::SW_HIDE); }

void AdvertBar::RestoreBrowser() {
  if (IsAdvertShown()) browser_.ShowWindow(kSwShow);
}

int AdvertBar::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  switch (message->id) {
    case panel_msg::kScrollChanged:
      ScrollTo(reinterpret_cast<const ScrollPos*>(message->p1));
      return 1;
    case panel_msg::kScrollRight:
      ScrollOn();
      return 1;
    case panel_msg::kScrollLeft:
      ScrollBack();
      return 1;
    case panel_msg::kShowAdvertTab:
      ShowAdvertTab();
      return 1;
    case panel_msg::kShowScoreTab:
      ShowScoreTab();
      return 1;
    case panel_msg::kAdvertBackTimer:
      OnBackTimer();
      return 1;
    case panel_msg::kScoreTableClicked:
      // The user looks at the table: it stays until the user changes the tab.
      back_count_ = 0;
      if (back_timer_ != 0) CancelAction(back_timer_);
      back_timer_ = 0;
      return 1;
    case shell::app_msg::kRefreshAdvertBar:
      RefreshScores();
      return 1;
    default:
      return WidgetBase::OnMessage(message);
  }
}

}  // namespace frame
