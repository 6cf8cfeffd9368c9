#include "tests/support/xvfb_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace test {

bool HaveXvfb() { return std::system("command -v xvfb-run >/dev/null 2>&1") == 0; }

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Picture XvfbShot::Window() const {
  Picture window;
  window.width = width;
  window.height = height;
  window.rgb.reserve(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) window.rgb.push_back(screen.At(x + col, y + row));
  return window;
}

int XvfbShot::DifferingPixels() const {
  int differing = 0;
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) differing += screen.At(x + col, y + row) != shown.At(col, row) ? 1 : 0;
  return differing;
}

void RunOnXvfb(const std::filesystem::path& work, const std::string& environment, const std::string& program,
               const char* log, XvfbShot* shot, int screen_width, int screen_height) {
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work / "fb");
  std::ostringstream script;
  script << "cd '" << work.string() << "' && mkfifo pipe && " << environment
         << " SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 timeout 120 xvfb-run -a -n $((100 + $$ % 800)) "
         << "-s '-screen 0 " << screen_width << 'x' << screen_height << "x24 -wr -nocursor -noreset -fbdir " << (work / "fb").string() << "' sh -c \""
         << program << " | "
         << "{ read line; echo \\\"\\$line\\\" >ready.txt; cp fb/Xvfb_screen0 screen.xwd; echo done 1<>pipe; }\"";
  ASSERT_EQ(std::system(script.str().c_str()), 0) << ReadTextFile(work / log);

  std::istringstream ready(ReadTextFile(work / "ready.txt"));
  std::string word;
  ready >> word >> shot->x >> shot->y >> shot->width >> shot->height;
  ASSERT_EQ(word, "ready") << ReadTextFile(work / log);
  ASSERT_TRUE(ReadClientPng(work / "shown.png", &shot->shown));
  ASSERT_TRUE(ReadXwdScreen(work / "screen.xwd", &shot->screen));
  ASSERT_EQ(shot->shown.width, shot->width);
  ASSERT_EQ(shot->shown.height, shot->height);
  ASSERT_GE(shot->x, 0);
  ASSERT_GE(shot->y, 0);
  ASSERT_LE(shot->x + shot->width, shot->screen.width);
  ASSERT_LE(shot->y + shot->height, shot->screen.height);
}

}  // namespace test
