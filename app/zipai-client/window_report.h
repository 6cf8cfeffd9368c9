// What the client tells a program that watches its window (the tests on a real X server): the
// frame it shows, as a PNG file, and where its client area lies on the screen.
//
// With --report the client stops each time its window has settled (at the start, and again after
// every line it is given; never while a button holds the pointer, nor within the double-click
// time of a press or release, while a double click may be under way): it writes the frame it
// shows, prints "shown X Y WIDTH HEIGHT" (the client area on the screen) or "minimised" on stdout,
// and waits for a line on stdin before it goes on, taking no input meanwhile (a watcher holds it
// busy so). At the end of stdin it closes its window. A client may add to the "shown" line (after
// a space) what else the watcher is to know of the settled window. When the screenshot is the
// client's standard output itself (/dev/stdout), the lines go to stderr: the picture goes alone.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "platform/win_types.h"
#include "platform/window.h"

namespace client {

// What a screenshot is written as, by its name's extension (ASCII case ignored): JPEG for
// .jpg and .jpeg, as the screenshot button writes its own; PNG for .png or a name without one.
enum class ScreenshotKind { kPng, kJpeg, kUnknown };
ScreenshotKind ScreenshotKindOf(const std::string& path);
// Why a name of another extension is refused.
inline constexpr char kScreenshotKinds[] = "a screenshot is written as .png (or a name without an extension) or .jpg/.jpeg";

// Writes what the window shows as a PNG or JPEG file (by the name's extension); false (with a
// line on stderr) when it cannot.
bool WriteScreenshot(const platform::Window& window, const std::string& path);
// The client area on the screen.
platform::RECT ClientAreaOnScreen(const platform::Window& window);

class SettledReport {
 public:
  // The lines go to stdout; to stderr when the screenshot itself is written there.
  explicit SettledReport(std::string screenshot, std::function<std::string()> more = {});
  // Once per engine frame: reports, and waits for the next line, when the window has settled.
  void OnFrame(platform::Window& window);
  // A mouse button went down or up in the window.
  void OnButton();

 private:
  struct State {
    platform::RECT shown{};
    bool minimised = false;
    bool operator==(const State& other) const;
  };
  // Whether going from `before` to `now` brings a new frame: another size, or minimised or shown.
  static bool NewFrame(const State& now, const State& before);
  // The frames a state must last before it counts as settled.
  static constexpr int kQuietFrames = 4;

  std::string screenshot_;
  std::function<std::string()> more_;
  FILE* lines_;
  bool ended_ = false;
  State last_{};
  bool has_last_ = false;
  State reported_{};
  bool has_reported_ = false;
  int quiet_frames_ = 0;
  uint64_t presents_at_change_ = 0;  // the window's presents when its size last changed
  bool clicked_ = false;
  uint32_t clicked_at_ = 0;  // the tick count of the latest press or release
};

}  // namespace client
