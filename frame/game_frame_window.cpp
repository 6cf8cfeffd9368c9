// The game frame's window operations: the main window has no caption of the system's, so the
// title strip and its buttons maximise, restore, minimise and drag it. Screen pixels throughout.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/ui/image_button.h"
#include "frame/frame_messages.h"
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

void GameFrame::FillWorkArea(const platform::RECT& area) {
  platform::Window* main = MainWindow();
  const int32_t area_width = area.right - area.left;
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
}

// A panel came, went or changed its size, or the screen took another size: a maximised window
// fills the new work area, larger or smaller (it is no longer as large as the work area, so the
// next double click would maximise it again and take the maximised place for the restored one).
// A restored window stays where it stands while it lies inside the new work area; one the change
// left outside is moved back in as a restore would bring it (never made smaller, its top left
// corner kept on the screen when it is larger), and a restore brings it back inside too.
void GameFrame::OnWorkAreaChanged() {
  const platform::RECT area = WorkArea();
  if (platform::IsRectEmpty(area)) return;
  if (maximized_ != 0) {
    FillWorkArea(area);
    LayoutChildren();
    return;
  }
  platform::Window* main = MainWindow();
  platform::RECT window{};
  if (drag_moving_ != 0 || main == nullptr || !main->GetWindowRect(&window)) return;
  const int32_t w = window.right - window.left, h = window.bottom - window.top;
  const int32_t x = std::max(area.left, std::min(window.left, area.right - w));
  const int32_t y = std::max(area.top, std::min(window.top, area.bottom - h));
  if (x == window.left && y == window.top) return;
  restored_x_ = x;
  restored_y_ = y;
  main->MoveWindow(x, y, w, h);
}

void GameFrame::ToggleMaximize() {
  platform::Window* main = MainWindow();
  const platform::RECT area = WorkArea();
  if (IsMaximized() == 0) {
    // The restored window comes back where it stands now, whoever moved it there last.
    platform::RECT window{};
    if (main != nullptr && main->GetWindowRect(&window)) {
      restored_x_ = window.left;
      restored_y_ = window.top;
    }
    FillWorkArea(area);
  } else {
    maximized_ = 0;
    side_panel_width_ = visible_side_width_ = kSidePanelWidth;
    const int32_t w = GetMinWidth();
    if (w <= kNarrowWorkArea && splitter_ != nullptr && splitter_->IsExpanded()) {
      splitter_->SetCollapsed(1);
      visible_side_width_ = 0;
    }
    const int32_t h = GetMinHeight();
    if (drag_moving_ == 0 && !platform::IsRectEmpty(area)) {
      // Brought back by the button or a double click, the window comes back inside the work area
      // (a small screen has no room for it at its old place): moved, never made smaller, its top
      // left corner kept on the screen when it is larger than the work area. A drag that pulls it
      // out keeps the grabbed point under the pointer instead.
      restored_x_ = std::max(area.left, std::min(restored_x_, area.right - w));
      restored_y_ = std::max(area.top, std::min(restored_y_, area.bottom - h));
    }
    if (main != nullptr) main->MoveWindow(restored_x_, restored_y_, w, h);
    button_state_ = 0;
    if (fit_button_ != nullptr) {
      const engine::PictureInfo info = GetPictureInfo("btnFrameMax", 0);
      fit_button_->SetPicture(&info);
    }
  }
  // A size the window already had brings no resize: lay out for the new widths all the same.
  LayoutChildren();
}

void GameFrame::GiveWindowIcon(engine::CanvasObject* canvas, int32_t x, int32_t y, int32_t width, int32_t height) {
  platform::Window* main = MainWindow();
  const uint32_t* pixels = canvas != nullptr ? canvas->GetPixels() : nullptr;
  if (main == nullptr || pixels == nullptr || x < 0 || y < 0 || width <= 0 || height <= 0 ||
      x + width > canvas->GetSurfaceWidth() || y + height > canvas->GetSurfaceHeight())
    return;
  std::vector<uint32_t> icon;
  icon.reserve(static_cast<size_t>(width) * height);
  for (int32_t row = y; row < y + height; ++row) {
    const uint32_t* line = pixels + static_cast<size_t>(row) * canvas->GetSurfaceWidth();
    icon.insert(icon.end(), line + x, line + x + width);
  }
  main->SetIcon(icon.data(), width, height);
}

void GameFrame::Minimize() {
  platform::Window* main = MainWindow();
  if (main == nullptr) return;
  main->ShowWindow(platform::SW_MINIMIZE);
  main->UpdateWindow();
}

// The drag keeps the grabbed point of the title strip under the pointer: each step puts the
// window where the pointer stood at that step less that point, never where the last step left it
// plus the pointer's way, so a window the window manager places late, or another program moved,
// cannot leave it behind. It follows on the pointer's moves (each where the system says it made
// it, so a client busy meanwhile still ends where the button was let go, not where the pointer
// went since) and, as the window's own moves leave the point in the window unchanged, every
// kDragFollowMs as well, to the pointer as the server has it then. Whether the press is a drag is
// the pointer's way on the screen from the press, both ends where the system says it made them,
// never a way worked out from points in the window and where the client thinks the window stands:
// a window another program moved under a still pointer, or a press made on the window before the
// server carried out the client's own move of it (the third press of a triple click whose second
// switched the window), is no drag.
platform::POINT GameFrame::DragPointer() {
  if (drag_input_) return drag_input_at_;
  platform::POINT cursor{};
  platform::GetCursorPos(&cursor);
  return cursor;
}

void GameFrame::DragBegin(int32_t x, int32_t y) {
  platform::Window* main = MainWindow();
  if (main == nullptr) return;
  const platform::POINT cursor = DragPointer();
  drag_x_ = cursor.x;
  drag_y_ = cursor.y;
  grab_x_ = x;
  grab_y_ = y;
  drag_moving_ = 0;
  if (drag_follow_ != 0) CancelAction(drag_follow_);
  const engine::ObjectMessage follow = engine::MakeMessage(GetKey(), frame_msg::kDragMove, 0, 0);
  drag_follow_ = RepeatMessage(kDragFollowMs, -1, &follow);
}

void GameFrame::DragMove() {
  if (drag_x_ == -1 && drag_y_ == -1) return;
  platform::Window* main = MainWindow();
  if (main == nullptr) return;
  const platform::POINT cursor = DragPointer();
  platform::RECT window{};
  main->GetWindowRect(&window);
  if (drag_moving_ == 0) {
    // A press is a drag once the pointer has gone the desktop's drag distance.
    if (std::abs(cursor.x - drag_x_) < platform::kDragDistance &&
        std::abs(cursor.y - drag_y_) < platform::kDragDistance)
      return;
    drag_moving_ = 1;
    drag_width_ = window.right - window.left;
    drag_height_ = window.bottom - window.top;
    if (IsMaximized() != 0) {
      // A maximised window comes back to its smallest size, the grabbed point as far along its
      // title strip as it was along the wide one.
      if (drag_width_ > 0) grab_x_ = static_cast<int32_t>(int64_t{grab_x_} * GetMinWidth() / drag_width_);
      restored_x_ = cursor.x - grab_x_;
      restored_y_ = cursor.y - grab_y_;
      ToggleMaximize();
      drag_width_ = GetMinWidth();
      drag_height_ = GetMinHeight();
      return;
    }
  }
  const int32_t x = cursor.x - grab_x_;
  const int32_t y = cursor.y - grab_y_;
  if (x == window.left && y == window.top) return;
  restored_x_ = x;
  restored_y_ = y;
  main->MoveWindow(x, y, drag_width_, drag_height_);
  main->UpdateWindow();
}

// The window goes where the button was let go, wherever the pointer went after it.
void GameFrame::DragEnd() {
  // The pointer's last step may have come with the release, or with no move of its own.
  DragMove();
  drag_x_ = -1;
  drag_y_ = -1;
  drag_moving_ = 0;
  if (drag_follow_ != 0) CancelAction(drag_follow_);
  drag_follow_ = 0;
}

}  // namespace frame
