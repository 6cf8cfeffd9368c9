#include "frame/user_list_bar.h"

#include <algorithm>
#include <cmath>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/game_core.h"
#include "engine/ui/font_record.h"
#include "frame/panel_messages.h"
#include "frame/panel_scroll_bar.h"
#include "frame/player_list_ctrl.h"
#include "shell/app_messages.h"
#include "shell/game_app_base.h"

namespace frame {
namespace {

using engine::CanvasObject;
using engine::PictureInfo;

constexpr int32_t kFontSize = 12;
constexpr int32_t kWeight = 400;
// Engine string settings naming the scroll bar pictures.
constexpr uint32_t kHorizontalPictures = 27;  // track, thumb, grip, left, right
constexpr uint32_t kVerticalPictures = 22;    // track, thumb, grip, up, down
// Rows beyond the chair count the list always shows.
constexpr int kPaddingRows = 3;
constexpr int kMaxLookers = 64;

engine::RECT Truncated(double left, double top, double right, double bottom) {
  return engine::RECT{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                      static_cast<int32_t>(bottom)};
}

void SizeCanvas(CanvasObject* canvas, int32_t width, int32_t height) {
  if (canvas == nullptr || width <= 0 || height <= 0) return;
  canvas->ResizeSurface(width, height);
  canvas->Resize(width, height);
}

}  // namespace

void UserListBar::OnAddedToScene() { SetName(kObjectName); }

int UserListBar::AddColumn(const ColumnDef& column) {
  columns_.push_back(column);
  ++column_count_;
  total_width_ += column.width;
  return column_count_;
}

int UserListBar::AddColumn(int32_t id, int32_t width, const char* title, uint32_t a, uint32_t b, uint32_t c) {
  ColumnDef column;
  column.id = id;
  column.width = width;
  column.title = title != nullptr ? title : "";
  column.reserved[0] = a;
  column.reserved[1] = b;
  column.reserved[2] = c;
  return AddColumn(column);
}

void UserListBar::AddPanelColumns(bool silver_room) {
  AddColumn(column::kName, 138, "用户名");
  if (!silver_room) {
    AddColumn(column::kScore, 60, "积分");
    AddColumn(column::kLevel, 80, "级别");
    AddColumn(column::kSilver, 60, "银子");
  } else {
    AddColumn(column::kSilver, 60, "银子");
    AddColumn(column::kScore, 60, "积分");
    AddColumn(column::kWealth, 80, "财富等级");
    AddColumn(column::kLevel, 80, "级别");
  }
  AddColumn(column::kWatched, 80, "旁观对象");
}

PlayerListCtrl* UserListBar::GetList() { return list_; }

int32_t UserListBar::RowHeight() const { return list_ != nullptr ? list_->GetRowHeight() : 0; }

double UserListBar::HorizontalBarHeight() const { return horizontal_ != nullptr ? horizontal_->GetHeight() : 0.0; }

double UserListBar::VerticalBarWidth() const { return vertical_ != nullptr ? vertical_->GetWidth() : 0.0; }

int UserListBar::GetRowCount() {
  shell::CGameAppBase* app = shell::GetApp();
  if (app == nullptr) return shell::CGameAppBase::kDefaultChairCount + kPaddingRows;
  int n = 0;
  for (int chair = 0; chair < shell::kMaxChairs; ++chair) n += app->IsChairTaken(chair) ? 1 : 0;
  for (int i = 0; i < kMaxLookers; ++i) {
    const shell::PlayerRecord* r = app->GetLookerRecord(i);
    n += r != nullptr && r->UserId() != 0 ? 1 : 0;
  }
  return std::max(n, app->GetChairCount() + kPaddingRows);
}

bool UserListBar::Create() {
  if (!IsRegistered() || list_ != nullptr) return false;
  const PictureInfo header = GetPictureInfo(kHeaderPicture, 0);
  const PictureInfo block = GetPictureInfo(kRowPicture, 0);
  if (header.record == nullptr) {
    if (engine::GameCore* core = GetCore())
      core->SendEvent(engine::module_id::kMonitor, engine::core_event::kFault, 0, 0);
    return false;
  }
  header_height_ = header.height;
  const int rows = GetRowCount();

  list_ = new PlayerListCtrl();
  AddToScene(list_);
  list_->Create(total_width_, block.height * rows);
  list_->SetColumns(&columns_);
  list_->BuildContextMenu();
  list_->SetDepth(GetDepth() + kListDepthStep);
  list_->Show();

  header_ = CreateCanvas(total_width_, header.height, engine::kColourKey);
  if (header_ != nullptr) {
    header_->SetDepth(GetDepth() + kListDepthStep);
    header_->Show();
    // Focusable: the wheel goes to the focus, which a click on the header gives it.
    header_->SetFocusable(true);
    header_->SubscribeMessage(engine::QUILLARON_EVENT_WHEEL_UP, GetKey(), panel_msg::kScrollUp, 0, 0);
    header_->SubscribeMessage(engine::QUILLARON_EVENT_WHEEL_DOWN, GetKey(), panel_msg::kScrollDown, 0, 0);
  }

  auto picture = [this](uint32_t setting) { return GetPictureInfo(GetStringSetting(setting), 0); };
  horizontal_ = new PanelScrollBar();
  AddToScene(horizontal_);
  if (horizontal_->Create(GetKey(), 100, header.height, PanelScrollBar::kHorizontal, 0)) {
    horizontal_->SetTrackPicture(picture(kHorizontalPictures));
    horizontal_->SetThumbPicture(picture(kHorizontalPictures + 1));
    horizontal_->SetGripPicture(picture(kHorizontalPictures + 2));
    horizontal_->SetLeftButtonPicture(picture(kHorizontalPictures + 3));
    horizontal_->SetRightButtonPicture(picture(kHorizontalPictures + 4));
  }
  vertical_ = new PanelScrollBar();
  AddToScene(vertical_);
  if (vertical_->Create(GetKey(), header.width, 100, PanelScrollBar::kVertical, 0)) {
    vertical_->SetTrackPicture(picture(kVerticalPictures));
    vertical_->SetThumbPicture(picture(kVerticalPictures + 1));
    vertical_->SetGripPicture(picture(kVerticalPictures + 2));
    vertical_->SetUpButtonPicture(picture(kVerticalPictures + 3));
    vertical_->SetDownButtonPicture(picture(kVerticalPictures + 4));
  }
  for (PanelScrollBar* bar : {horizontal_, vertical_}) {
    bar->SetDepth(GetDepth() + kListDepthStep + 0.01);
    list_->AddChild(bar, kBarLinks);
  }
  list_->Show();

  const auto corner_width = static_cast<int32_t>(VerticalBarWidth());
  top_corner_ = CreateCanvas(corner_width, header.height, engine::kColourKey);
  scroll_corner_ = CreateCanvas(corner_width, static_cast<int32_t>(HorizontalBarHeight()), engine::kColourKey);
  for (CanvasObject* corner : {top_corner_, scroll_corner_}) {
    if (corner == nullptr) continue;
    corner->SetDepth(GetDepth() + kCornerDepthStep);
    corner->Show();
  }
  list_->SubscribeMessage(engine::QUILLARON_EVENT_WHEEL_UP, GetKey(), panel_msg::kScrollUp, 0, 0);
  list_->SubscribeMessage(engine::QUILLARON_EVENT_WHEEL_DOWN, GetKey(), panel_msg::kScrollDown, 0, 0);

  // The parts show and hide with the bar.
  for (engine::EngineObject* part :
       std::initializer_list<engine::EngineObject*>{header_, top_corner_, scroll_corner_, list_}) {
    if (part != nullptr) AddChild(part, kPartLinks);
  }
  Layout();
  return true;
}

void UserListBar::PlaceList() {
  if (list_ == nullptr) return;
  const double a = header_height_;
  list_->SetLimitRect(
      Truncated(GetLeft(), GetTop() + a, GetRight() - VerticalBarWidth(), GetBottom() - HorizontalBarHeight()));
  list_->MoveTo(GetLeft() + list_->GetWidth() / 2, GetTop() + a + list_->GetHeight() / 2);
  list_->Invalidate();
}

void UserListBar::SetVerticalRange(double position) {
  if (vertical_ == nullptr || list_ == nullptr) return;
  vertical_->SetRange(position, GetHeight() - header_height_ - HorizontalBarHeight(), list_->GetHeight(), -1.0);
  vertical_->Notify();
}

void UserListBar::SetHorizontalRange(double position) {
  if (horizontal_ == nullptr || list_ == nullptr) return;
  horizontal_->SetRange(position, GetWidth() - VerticalBarWidth(), list_->GetWidth(), -1.0);
  horizontal_->Notify();
}

void UserListBar::Layout() {
  if (GetWidth() < 0 || list_ == nullptr) return;
  const double left = GetLeft();
  const double top = GetTop();
  const double right = GetRight();
  const double bottom = GetBottom();
  const double a = header_height_;

  if (header_ != nullptr && top_corner_ != nullptr) {
    const double room = GetWidth() - top_corner_->GetWidth();
    if (room > total_width_) {
      total_width_ = static_cast<int32_t>(room);
      SizeCanvas(header_, total_width_, header_height_);
    }
    header_->SetLimitRect(Truncated(left, top, right, top + a));
    header_->MoveTo(left + header_->GetWidth() / 2, top + header_->GetHeight() / 2);
    top_corner_->MoveTo(right - top_corner_->GetWidth() / 2, top + top_corner_->GetHeight() / 2);
    header_->Invalidate();
    top_corner_->Invalidate();
  }
  PlaceList();
  if (horizontal_ != nullptr) {
    const auto w = static_cast<int32_t>(GetWidth() - VerticalBarWidth());
    horizontal_->Resize(w, horizontal_->GetHeight());
    horizontal_->MoveTo(left + w / 2, bottom - horizontal_->GetHeight() / 2);
    horizontal_->Invalidate();
    SetHorizontalRange(horizontal_->GetPosition());
  }
  if (vertical_ != nullptr) {
    const auto h = static_cast<int32_t>(GetHeight() - a - HorizontalBarHeight());
    vertical_->Resize(vertical_->GetWidth(), h);
    vertical_->MoveTo(right - vertical_->GetWidth() / 2, top + a + h / 2);
    vertical_->Invalidate();
    SetVerticalRange(vertical_->GetPosition());
  }
  if (scroll_corner_ != nullptr) {
    scroll_corner_->MoveTo(right - scroll_corner_->GetWidth() / 2, bottom - scroll_corner_->GetHeight() / 2);
    scroll_corner_->Invalidate();
  }
  DrawHeader();
  Refresh();
}

void UserListBar::DrawHeader() {
  if (header_ == nullptr) return;
  shell::CGameAppBase* app = shell::GetApp();
  const PictureInfo picture = GetPictureInfo(kHeaderPicture, 0);
  header_->Clear();
  header_->SetTextColour(app != nullptr ? app->GetPlayerViewHeaderColour() : 0, 1.0);
  header_->SetFont(kFontSize, kWeight, engine::kDefaultFaceName);
  // The header picture is stretched along the whole strip (a narrow picture shows as a strip).
  header_->DrawStretchedH(picture);
  const PictureInfo divider = GetPictureInfo(kDividerPicture, 0);
  int32_t x = 0;
  for (const ColumnDef& column : columns_) {
    if (x < 1) {
      header_->DrawText(x + 3, 3, column.title.c_str());
    } else {
      header_->DrawImage(&divider, x, 2, -1, -1, 0.0, 1.0);
      header_->DrawText(x + 4, 3, column.title.c_str());
    }
    x += column.width;
  }
  header_->Invalidate();

  if (top_corner_ != nullptr) {
    top_corner_->Clear();
    top_corner_->DrawImage(&picture, 0, 0, static_cast<int32_t>(top_corner_->GetWidth()), header_height_, 0.0, 1.0);
    top_corner_->Invalidate();
  }
  const PictureInfo corner = GetPictureInfo(kCornerPicture, 0);
  if (scroll_corner_ != nullptr && corner.height > 0) {
    scroll_corner_->Clear();
    scroll_corner_->DrawImage(&corner, 0, 0, -1, -1, 0.0, 1.0);
    scroll_corner_->Invalidate();
  }
}

void UserListBar::Refresh() {
  if (list_ == nullptr) return;
  shell::CGameAppBase* app = shell::GetApp();
  list_->ClearRows();
  int n = 0;
  auto add = [this, &n](const shell::PlayerRecord* record) {
    PlayerRow row;
    if (record != nullptr) row.record = *record;
    row.parity = (n % 2) + 1;
    list_->AddRow(row);
    ++n;
  };
  int chairs = shell::CGameAppBase::kDefaultChairCount;
  if (app != nullptr) {
    chairs = app->GetChairCount();
    // At a random-seating table a seated player sees no other player.
    const bool all_players = !app->TestTableOption8() || app->GetLookOn() != 0;
    for (int chair = 0; chair < shell::kMaxChairs; ++chair) {
      const shell::PlayerRecord* record = app->GetPlayerRecord(chair);
      if (record == nullptr) continue;
      if (all_players || record->UserId() == app->GetUserId()) add(record);
    }
    for (int i = 0; i < kMaxLookers; ++i) {
      const shell::PlayerRecord* record = app->GetLookerRecord(i);
      if (record != nullptr && record->UserId() != 0) add(record);
    }
  }
  while (n < chairs + kPaddingRows) add(nullptr);
  list_->RowsRebuilt();

  list_->SetListSize(total_width_, RowHeight() * n);
  PlaceList();
  SetVerticalRange(vertical_ != nullptr ? vertical_->GetPosition() : 0.0);
  SetHorizontalRange(horizontal_ != nullptr ? horizontal_->GetPosition() : 0.0);
  list_->RedrawRows();
}

void UserListBar::ScrollLeft() {
  if (horizontal_ == nullptr || list_ == nullptr) return;
  const int32_t p = std::max(horizontal_->GetPos() - kHorizontalStep, 0);
  if (p == horizontal_->GetPos()) return;
  horizontal_->SetRange(p, horizontal_->GetPage(), list_->GetWidth(), -1.0);
  horizontal_->Notify();
}

void UserListBar::ScrollRight() {
  if (horizontal_ == nullptr || list_ == nullptr) return;
  const int32_t p = std::min(horizontal_->GetPos() + kHorizontalStep, horizontal_->GetMaxPos());
  horizontal_->SetRange(p, horizontal_->GetPage(), list_->GetWidth(), -1.0);
  horizontal_->Notify();
}

void UserListBar::ScrollUp() {
  if (vertical_ == nullptr || list_ == nullptr) return;
  const int32_t p = std::max(vertical_->GetPos() - RowHeight(), 0);
  if (p == vertical_->GetPos()) return;
  vertical_->SetRange(p, vertical_->GetPage(), list_->GetHeight(), -1.0);
  vertical_->Notify();
}

void UserListBar::ScrollDown() {
  if (vertical_ == nullptr || list_ == nullptr) return;
  const int32_t p = std::min(vertical_->GetPos() + RowHeight(), vertical_->GetMaxPos());
  vertical_->SetRange(p, vertical_->GetPage(), list_->GetHeight(), -1.0);
  vertical_->Notify();
}

void UserListBar::OnScroll(const ScrollPos* pos, int32_t orientation) {
  if (pos == nullptr || list_ == nullptr) return;
  if (orientation == PanelScrollBar::kHorizontal) {
    for (engine::EngineObject* part : std::initializer_list<engine::EngineObject*>{list_, header_}) {
      if (part == nullptr) continue;
      part->MoveTo(GetLeft() - pos->position + part->GetWidth() / 2, part->GetY());
      part->Invalidate();
    }
  } else {
    list_->MoveTo(list_->GetX(), GetTop() + header_height_ - pos->position + list_->GetHeight() / 2);
    list_->Invalidate();
  }
}

int UserListBar::OnMessage(const engine::ObjectMessage* message) {
  if (message == nullptr) return 1;
  switch (message->id) {
    case shell::app_msg::kRefreshUserList:
      Refresh();
      return 1;
    case shell::app_msg::kClearLookOn:
      if (list_ != nullptr) list_->ClearLookOnPermissions();
      return WidgetBase::OnMessage(message);
    case panel_msg::kScrollChanged:
      OnScroll(reinterpret_cast<const ScrollPos*>(message->p1), static_cast<int32_t>(message->p2));
      return 1;
    case panel_msg::kScrollRight:
      ScrollRight();
      return 1;
    case panel_msg::kScrollLeft:
      ScrollLeft();
      return 1;
    case panel_msg::kScrollUp:
      ScrollUp();
      return 1;
    case panel_msg::kScrollDown:
      ScrollDown();
      return 1;
    default:
      return WidgetBase::OnMessage(message);
  }
}

}  // namespace frame
