#include "app/zipai-client/window_report.h"

#include <cstdio>
#include <iostream>
#include <vector>

#include "app/command_line.h"
#include "frame/sub_system.h"
#include "platform/ascii.h"
#include "platform/click_run.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/jpeg_file.h"
#include "platform/png_file.h"
#include "platform/win_messages.h"

namespace client {

ScreenshotKind ScreenshotKindOf(const std::string& path) {
  const size_t name = path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1;
  const size_t dot = path.rfind('.');
  // A name that starts with its only dot (".shot") has no extension.
  if (dot == std::string::npos || dot <= name) return ScreenshotKind::kPng;
  const std::string extension = path.substr(dot);
  if (platform::AsciiEqualNoCase(extension, ".png")) return ScreenshotKind::kPng;
  if (platform::AsciiEqualNoCase(extension, ".jpg") || platform::AsciiEqualNoCase(extension, ".jpeg")) {
    return ScreenshotKind::kJpeg;
  }
  return ScreenshotKind::kUnknown;
}

bool WriteScreenshot(const platform::Window& window, const std::string& path) {
  // The frame's words are 0xAARRGGBB: blue, green, red, alpha in memory.
  const std::vector<uint32_t>& frame = window.PresentedFrame();
  const int width = window.FrameWidth(), height = window.FrameHeight();
  std::string error;
  bool written = frame.size() == static_cast<size_t>(width) * static_cast<size_t>(height);
  if (written && ScreenshotKindOf(path) == ScreenshotKind::kJpeg) {
    std::vector<uint8_t> jpeg;
    written = platform::EncodeJpeg(frame.data(), width, height, width, frame::SubSystem::kScreenshotQuality, &jpeg,
                                   &error) &&
              platform::WriteFileAtomic(path, jpeg.data(), jpeg.size(), &error);
  } else if (written) {
    written = platform::SavePng(path, width, height, reinterpret_cast<const uint8_t*>(frame.data()), &error,
                                platform::PngAlpha::kDrop);
  }
  if (!written) {
    // The writer's reason names the file already.
    if (error.empty()) error = "cannot write " + platform::NativeOutputPath(path) + " (no frame)";
    std::fprintf(stderr, "zipai-client: %s\n", cli::Printable(error).c_str());
    return false;
  }
  return true;
}

platform::RECT ClientAreaOnScreen(const platform::Window& window) {
  platform::RECT client{};
  window.GetClientRect(&client);
  platform::POINT corner{0, 0};
  window.ClientToScreen(&corner);
  return platform::RECT{corner.x, corner.y, corner.x + client.right, corner.y + client.bottom};
}

SettledReport::SettledReport(std::string screenshot, std::function<std::string()> more)
    : screenshot_(std::move(screenshot)),
      more_(std::move(more)),
      lines_(cli::LinesBeside(screenshot_)) {}

bool SettledReport::NewFrame(const State& now, const State& before) {
  return now.minimised != before.minimised || now.shown.right - now.shown.left != before.shown.right - before.shown.left ||
         now.shown.bottom - now.shown.top != before.shown.bottom - before.shown.top;
}

bool SettledReport::State::operator==(const State& other) const {
  return minimised == other.minimised && shown.left == other.shown.left && shown.top == other.shown.top &&
         shown.right == other.shown.right && shown.bottom == other.shown.bottom;
}

void SettledReport::OnButton() {
  clicked_ = true;
  clicked_at_ = platform::GetTickCount();
}

void SettledReport::OnFrame(platform::Window& window) {
  if (ended_ || !window.IsWindow()) return;
  const State now{ClientAreaOnScreen(window), window.IsIconic()};
  if (!has_last_ || !(now == last_)) {
    // A move alone brings no new frame; a new size (or a window shown again) does.
    if (!has_last_ || NewFrame(now, last_)) presents_at_change_ = window.PresentCount();
    last_ = now;
    has_last_ = true;
    quiet_frames_ = 0;
    return;
  }
  // While a button holds the pointer (a drag under way), or a click may yet become a double click,
  // the window has not settled: the hand's moves and clicks reach it as they come, not in one
  // batch after the watcher's answer.
  if (platform::Window::GetCapture() != nullptr ||
      (clicked_ && platform::GetTickCount() - clicked_at_ < platform::kDoubleClickTime)) {
    quiet_frames_ = 0;
    return;
  }
  if (++quiet_frames_ < kQuietFrames) return;
  // A new size, or a window shown again, is settled once its new frame is on the screen.
  const bool resized = !has_reported_ || NewFrame(now, reported_);
  if (resized && !now.minimised && window.PresentCount() == presents_at_change_) return;

  if (now.minimised) {
    std::fprintf(lines_, "minimised\n");
  } else {
    if (!WriteScreenshot(window, screenshot_)) std::fprintf(stderr, "zipai-client: the report has no picture\n");
    // The screen may be read once the line is out.
    platform::GdiFlush();
    const std::string more = more_ ? more_() : std::string();
    std::fprintf(lines_, "shown %d %d %d %d%s%s\n", now.shown.left, now.shown.top, now.shown.right - now.shown.left,
                 now.shown.bottom - now.shown.top, more.empty() ? "" : " ", more.c_str());
  }
  std::fflush(lines_);
  reported_ = now;
  has_reported_ = true;
  quiet_frames_ = 0;
  std::string line;
  if (!std::getline(std::cin, line)) {
    ended_ = true;
    window.PostMessage(platform::WM_CLOSE, 0, 0);
  }
}

}  // namespace client
