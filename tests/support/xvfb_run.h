// Runs a program on a real X server (Xvfb through xvfb-run) and reads back what it showed.
//
// The program prints "ready X Y W H" (its client area on the screen) once it has drawn what is to
// be seen, then waits for a line on its standard input; meanwhile the whole screen is copied from
// Xvfb's frame-buffer file. The program also writes its own presented frame as shown.png in the
// work folder. Both ends open the handshake pipe both ways, so nobody blocks opening it, even when
// the program has gone; the display number starts from the shell's pid, so that servers started
// at the same moment do not race for one number.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/screen_capture.h"

namespace test {

// Whether xvfb-run is there to run anything.
bool HaveXvfb();

struct XvfbShot {
  Picture shown;                            // the program's own presented frame
  Picture screen;                           // the whole screen
  int x = 0, y = 0, width = 0, height = 0;  // the client area on the screen
  // The screen's pixels at the client area.
  Picture Window() const;
  // Pixels where the screen differs from the program's own frame.
  int DifferingPixels() const;
};

// Runs `program` (a shell command line: what it prints on descriptor `ready_fd` is the ready
// line; its standard input is the pipe) with `environment` (assignments, may be empty) in a fresh
// `work` folder. Fails the test (fatally: wrap in ASSERT_NO_FATAL_FAILURE) when the run, the
// ready line or either picture is missing, or the client area is not on the screen; the file
// `log` of the work folder is shown then. The screen is 1280 x 1024 unless said; a client that
// starts maximised fills a 1024 x 768 one.
void RunOnXvfb(const std::filesystem::path& work, const std::string& environment, const std::string& program,
               const char* log, XvfbShot* shot, int screen_width = 1280, int screen_height = 1024);

std::string ReadTextFile(const std::filesystem::path& path);

}  // namespace test
