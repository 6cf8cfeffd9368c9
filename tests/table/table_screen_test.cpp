// ctest-labels: table window
// A dealt table on a real X server: the test program runs itself under xvfb-run, where the
// table scene opens its window through SDL, deals three hands and holds the window open while
// the screen is copied from Xvfb's frame-buffer file. The window's place on the screen must hold
// exactly the frame the scene presented, with the cards and boards on the cloth.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "engine/ui/number_display.h"
#include "platform/png_file.h"
#include "shell/game_frame_wnd.h"
#include "shell/game_handler.h"
#include "tests/support/screen_capture.h"
#include "tests/support/table_view_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kChildVariable = "ZP_TABLE_SCREEN";
constexpr uint32_t kCloth = 0x1E5C3A;

// The part that runs under Xvfb: the scene on the real window backend.
class TableOnScreen : public test::TableViewFixture {
 protected:
  TableOnScreen() { backend_ = platform::WindowBackendKind::kAuto; }
  void SetUp() override {
    if (std::getenv(kChildVariable) == nullptr) GTEST_SKIP() << "runs under xvfb-run, started by the test below";
    TableViewFixture::SetUp();
  }
};

TEST_F(TableOnScreen, ShowsADealtTableAndHoldsIt) {
  const fs::path work = std::getenv(kChildVariable);
  Start();
  ASSERT_NE(platform::CurrentWindowBackend(), platform::WindowBackendKind::kHeadless);
  view().RefreshSeatedBoards();
  view().DealHands(rules_->Deal(3, 20, 7));
  view().SortHand(table::sort_mode::kValueFalling);
  shell::GetTableStateHolder()->SetActiveChair(0);
  view().ShowStartButton();
  view().StartClock();
  view().GetClock()->SetValue(15);
  frame().OnRectChanged();
  Frames(40);

  shell::CGameFrameWnd* window = app_->GetMainWnd();
  std::string error;
  ASSERT_TRUE(platform::SavePng((work / "shown.png").string(), window->FrameWidth(), window->FrameHeight(),
                                reinterpret_cast<const uint8_t*>(window->PresentedFrame().data()), &error,
                                platform::PngAlpha::kDrop))
      << error;
  platform::RECT client{};
  window->GetClientRect(&client);
  platform::POINT corner{0, 0};
  window->ClientToScreen(&corner);
  // The line goes to the copier waiting on descriptor 3; gtest keeps standard output.
  std::ofstream("/dev/fd/3") << "ready " << corner.x << ' ' << corner.y << ' ' << client.right << ' ' << client.bottom
                             << std::endl;
  std::string line;
  std::getline(std::cin, line);
}

TEST(TableOnXvfb, TheWindowShowsExactlyTheDealtTable) {
  if (std::getenv(kChildVariable) != nullptr) GTEST_SKIP() << "the part under Xvfb";
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  const fs::path self = fs::read_symlink("/proc/self/exe");
  const fs::path work = fs::current_path() / "screen";
  fs::remove_all(work);
  fs::create_directories(work / "fb");

  std::ostringstream script;
  script << "cd '" << work.string() << "' && mkfifo pipe && " << kChildVariable << "='" << work.string()
         << "' SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 timeout 120 xvfb-run -a -n $((100 + $$ % 800)) "
         << "-s '-screen 0 1280x1024x24 -wr -nocursor -noreset -fbdir " << (work / "fb").string() << "' sh -c \"'"
         << self.string() << "' --gtest_filter=TableOnScreen.* 3>&1 >child.out 2>child.log <>pipe | "
         << "{ read line; echo \\\"\\$line\\\" >ready.txt; cp fb/Xvfb_screen0 screen.xwd; echo done 1<>pipe; }\"";
  const int rc = std::system(script.str().c_str());
  const auto text = [&](const char* name) {
    std::ifstream in(work / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  ASSERT_EQ(rc, 0) << text("child.out") << text("child.log");
  EXPECT_NE(text("child.out").find("[  PASSED  ] 1 test"), std::string::npos) << text("child.out");

  std::istringstream ready(text("ready.txt"));
  std::string word;
  int x = 0, y = 0, w = 0, h = 0;
  ready >> word >> x >> y >> w >> h;
  ASSERT_EQ(word, "ready") << text("child.out") << text("child.log");
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  test::Picture shown, screen;
  ASSERT_TRUE(test::ReadClientPng(work / "shown.png", &shown));
  ASSERT_TRUE(test::ReadXwdScreen(work / "screen.xwd", &screen));
  ASSERT_EQ(shown.width, w);
  ASSERT_EQ(shown.height, h);
  ASSERT_GE(x, 0);
  ASSERT_GE(y, 0);
  ASSERT_LE(x + w, screen.width);
  ASSERT_LE(y + h, screen.height);
  int differing = 0;
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) differing += screen.At(x + col, y + row) != shown.At(col, row) ? 1 : 0;
  EXPECT_EQ(differing, 0);
  // Cloth in the corners; the hand, the side rows, the plates and the start button over it.
  EXPECT_EQ(shown.At(2, 2), kCloth);
  EXPECT_EQ(shown.At(1021, 100), kCloth);
  for (const auto& [px, py] : {std::pair{512, 665}, {71, 384}, {512, 748}, {19, 384}, {1004, 384}, {512, 576}}) {
    EXPECT_NE(shown.At(px, py), kCloth) << px << "," << py;
  }
}

}  // namespace
