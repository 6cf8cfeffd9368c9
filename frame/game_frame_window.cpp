// The game frame's window operations: the main window has no caption of the system's, so the
// title strip and its buttons maximise, restore, minimise and drag it. Screen pixels throughout.
#include <cstdint>

#include "engine/ui/image_button.h"
#include "frame/game_frame.h"
#include "frame/splitter_bar.h"
#include "platform/cursor.h"
#include "platform/desktop.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace frame {
namespace {

platform::Window* MainWindow() {
  shell::CGameAppBase* app = shell::GetApp();
  shell::CGameFrameWnd* window = app != nullptr ? app->GetMainWnd() : nullptr;
  return window != nullptr && window->IsWindow() ? window : nullptr;
}

platform::RECT WorkArea() {
  platform::RECT area{};
  platform::GetWorkArea(&area);
  return area;
}

}  // namespace

int32_t GameFrame::IsMaximized() {
  platform::RECT window{};
  platform::Window* main = MainWindow();
  if (main != nullptr) main->GetWindowRect(&window);
  const platform::RECT area = WorkArea();
  maximized_ = main != nullptr && window.right - window.left == area.right - area.left &&
                       window.bottom - window.top == area.bottom - area.top
                   ? 1
                   : 0;
  return maximized_;
}

int32_t GameFrame::GetMinWidth() {
  const platform::RECT area = WorkArea();
  return area.right - area.left < kWideWorkArea ? 800 : 1050;
}

int32_t GameFrame::GetMinHeight() { return kMinHeight; }

void GameFrame::ToggleMaximize() {
  platform::Window* main = MainWindow();
  const platform::RECT area = WorkArea();
  const int32_t area_width = area.right - area.left;
  if (IsMaximized() == 0) {
    maximized_ = 1;
    side_panel_width_ = visible_side_width_ = DefaultSidePanelWidth();
    if (area_width <= kNarrowWorkArea && splitter_ != nullptr && splitter_->IsExpanded()) {
      splitter_->SetCollapsed(1);
      visible_side_width_ = 0;
    }
    // Where the work area starts: a panel may hold the screen's left or top edge.
    if (main != nullptr) main->MoveWindow(area.left, area.top, area_width, area.bottom - area.top);
    button_state_ = 1;
    if (fit_button_ != nullptr) {
      const engine::PictureInfo info = GetPictureInfo("btnFrameFit", 0);
      fit_button_->SetPicture(&info);
    }
  } else {
    maximized_ = 0;
    side_panel_width_ = visible_side_width_ = kSidePanelWidth;
    const int32_t w = GetMinWidth();
    if (w <= kNarrowWorkArea && splitter_ != nullptr && splitter_->IsExpanded()) {
      splitter_->SetCollapsed(1);
      visible_side_width_ = 0;
    }
    if (main != nullptr) main->MoveWindow(restored_x_, restored_y_, w, GetMinHeight());
    button_state_ = 0;
    if (fit_button_ != nullptr) {
      const engine::PictureInfo info = GetPictureInfo("btnFrameMax", 0);
      fit_button_->SetPicture(&info);
    }
  }
  // A size the window already had brings no resize: lay out for the new widths all the same.
  LayoutChildren();
}

void GameFrame::Minimize() {
  platform::Window* main = MainWindow();
  if (main == nullptr) return;
  main->ShowWindow(platform::SW_MINIMIZE);
  main->UpdateWindow();
}

void GameFrame::DragBegin(int32_t x, int32_t y) {
  platform::Window* main = MainWindow();
  if (main == nullptr) return;
  platform::RECT window{};
  main->GetWindowRect(&window);
  drag_x_ = window.left + x;
  drag_y_ = window.top + y;
}

void GameFrame::DragMove() {
  if (drag_x_ == -1 && drag_y_ == -1) return;
  platform::Window* main = MainWindow();
  if (main == nullptr) return;
  platform::POINT cursor{};
  platform::GetCursorPos(&cursor);
  platform::RECT window{};
  main->GetWindowRect(&window);
  const int32_t rw = window.right - window.left;
  const int32_t rh = window.bottom - window.top;
  if (IsMaximized() == 0) {
    restored_x_ += cursor.x - drag_x_;
    restored_y_ += cursor.y - drag_y_;
    main->MoveWindow(restored_x_, restored_y_, rw, rh);
    main->UpdateWindow();
    drag_x_ = cursor.x;
    drag_y_ = cursor.y;
    return;
  }
  // A maximised window comes back to its smallest size under the pointer.
  if (rw > 0 && rh > 0) {
    restored_x_ = static_cast<int32_t>(int64_t{cursor.x} * (rw - GetMinWidth()) / rw);
    restored_y_ = static_cast<int32_t>(int64_t{cursor.y} * (rh - GetScreenHeight()) / rh);
  }
  ToggleMaximize();
}

void GameFrame::DragEnd() {
  drag_x_ = -1;
  drag_y_ = -1;
}

}  // namespace frame
