// ctest-labels: table window
// A dealt table on a real X server: the test program runs itself under Xvfb, where the
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
#include "tests/support/xvfb_run.h"
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
    if (std::getenv(kChildVariable) == nullptr) GTEST_SKIP() << "runs under Xvfb, started by the test below";
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
  platform::GdiFlush();
  // The line goes to the copier waiting on descriptor 3; gtest keeps standard output.
  std::ofstream("/dev/fd/3") << "ready " << corner.x << ' ' << corner.y << ' ' << client.right << ' ' << client.bottom
                             << std::endl;
  std::string line;
  std::getline(std::cin, line);
}

TEST(TableOnXvfb, TheWindowShowsExactlyTheDealtTable) {
  if (std::getenv(kChildVariable) != nullptr) GTEST_SKIP() << "the part under Xvfb";
  if (!test::HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
  const fs::path self = fs::read_symlink("/proc/self/exe");
  const fs::path work = fs::current_path() / "screen";
  // The part under Xvfb writes its ready line on descriptor 3; gtest keeps standard output.
  test::XvfbShot shot;
  ASSERT_NO_FATAL_FAILURE(test::RunOnXvfb(
      work, std::string(kChildVariable) + "='" + work.string() + "'",
      "'" + self.native() + "' --gtest_filter=TableOnScreen.* 3>&1 >child.out 2>child.log", "child.log", &shot,
      1024, 768));
  const std::string out = test::ReadTextFile(work / "child.out");
  EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
  EXPECT_EQ(shot.width, 1024);
  EXPECT_EQ(shot.height, 768);
  EXPECT_EQ(shot.DifferingPixels(), 0);
  const test::Picture& shown = shot.shown;
  // Cloth in the corners; the hand, the side rows, the plates and the start button over it.
  EXPECT_EQ(shown.At(2, 2), kCloth);
  EXPECT_EQ(shown.At(1021, 100), kCloth);
  for (const auto& [px, py] : {std::pair{512, 665}, {71, 384}, {512, 748}, {19, 384}, {1004, 384}, {512, 576}}) {
    EXPECT_NE(shown.At(px, py), kCloth) << px << "," << py;
  }
}

}  // namespace
