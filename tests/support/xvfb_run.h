// Runs programs on a real X server (a private Xvfb) and reads back what they showed.
//
// RunOnXvfb: the program prints "ready X Y W H" (its client area on the screen) once it has drawn
// what is to be seen, then waits for a line on its standard input; meanwhile the whole screen is
// read from Xvfb's frame-buffer file. The program also writes its own presented frame as
// shown.png in the work folder. XvfbSession: the same server, driven step by step.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/screen_capture.h"

namespace test {

// Whether Xvfb and the X tools are there to run anything.
bool HaveXvfb();

struct XvfbShot {
  Picture shown;                            // the program's own presented frame
  Picture screen;                           // the whole screen
  int x = 0, y = 0, width = 0, height = 0;  // the client area on the screen
  // The screen's pixels at the client area.
  Picture Window() const;
  // Pixels where the screen differs from the program's own frame (the part of it on the screen).
  int DifferingPixels() const;
};

// Runs `program` (a shell command line: what it prints on its standard output is the ready line)
// with `environment` (assignments, may be empty) in a fresh `work` folder. Fails the test
// (fatally: wrap in ASSERT_NO_FATAL_FAILURE) when the run fails, the ready line or either picture
// is missing, or the client area is not on the screen; the file `log` of the work folder is shown
// then. The screen is 1280 x 1024 unless said; a client that
// starts maximised fills a 1024 x 768 one.
void RunOnXvfb(const std::filesystem::path& work, const std::string& environment, const std::string& program,
               const char* log, XvfbShot* shot, int screen_width = 1280, int screen_height = 1024);

std::string ReadTextFile(const std::filesystem::path& path);

// A private X server for tests that drive a client's window step by step: Xvfb (it says its
// display number once it takes connections), with or without a window manager (openbox, or xfwm4
// on a session bus of its own, without its compositor), and one
// client whose standard output comes back line by line and whose standard input is the fifo
// "pipe" of the work folder. The test's hand on the pointer is XTest's (x_hand.h: a gesture is one
// sequence the server paces); the keyboard and the window manager's requests are xdotool's; the
// window's place, size and map state are xwininfo's; the whole screen is read from Xvfb's -fbdir
// file. What it started it ends, by process id, when it goes.
class XvfbSession {
 public:
  struct Options {
    int width = 1280;
    int height = 1024;
    std::string window_manager;  // "openbox", "xfwm4", or empty for none
    // A screen that RANDR can make larger or smaller (xrandr -s WxH, up to 1600 x 1200): Xephyr
    // in an Xvfb of that largest size, its screen shown at the top left of Xvfb's.
    bool resizable = false;
  };
  // The client's window as the X server has it: its client area on the screen.
  struct Geometry {
    bool found = false;
    bool viewable = false;  // mapped and shown (a minimised window is not)
    int x = 0, y = 0, width = 0, height = 0;
  };

  XvfbSession();
  ~XvfbSession();
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;

  // Whether Xvfb and the X tools (and the window manager named, if any, and what a resizable
  // screen takes) can be run here.
  static bool Available(const std::string& window_manager, bool resizable = false);
  // Starts the server with its screen in a fresh folder `work` (and the window manager, once it
  // manages the screen). False, with *error, when either does not come up.
  bool Start(const std::filesystem::path& work, const Options& options, std::string* error);
  // Starts a window manager (as Options names it) on the running server, once none runs yet.
  bool StartWindowManager(const std::string& window_manager, std::string* error);
  // Runs an X command-line tool on the session's display; what it printed.
  std::string X(const std::string& command);
  // The hand's gesture (x_hand.h) on the session's display; returns once the server made it all.
  // False, with the reason on stderr, when it cannot be made. `meanwhile` runs as XHand::Do says.
  bool Hand(const std::string& gesture, const std::function<void()>& meanwhile = {});
  // Runs the client (a shell command, its stderr redirected by the caller) in the work folder.
  bool Launch(const std::string& command, std::string* error);
  // The client's next line; false at its end or after timeout_ms.
  bool NextLine(std::string* line, int timeout_ms);
  // A line to the client.
  void Answer();
  // Waits for the client's end; its exit status, or -1 when it has not ended after timeout_ms.
  int WaitForExit(int timeout_ms);
  Geometry ClientGeometry();
  // An X tool's command on the client's window, which it names $w; nothing without the window.
  std::string OnClientWindow(const std::string& command);
  // The whole screen now.
  bool Screen(Picture* out);
  // The client's process id (-1 before Launch), for a test that stops it a moment.
  int ClientPid() const;
  // Stops the window manager (all its processes) or lets it go on, as a busy one is stopped.
  void PauseWindowManager(bool paused);
  // Ends the X server now, as a display that goes away does.
  void EndServer();
  const std::filesystem::path& work() const { return work_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::filesystem::path work_;
};

}  // namespace test
