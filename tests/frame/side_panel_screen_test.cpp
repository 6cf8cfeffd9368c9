// ctest-labels: panel window tsan
// The client on a real X server shows the side panel: the client runs under Xvfb (offline, on a
// 1024 x 768 screen kept in a file), holds its window open while the screen is copied, and the
// window's place on the screen holds exactly the frame the client presented. Its side panel, from the
// advert bar down to the input bar and its system buttons, is pixel for pixel the panel that the
// headless game frame of the tests draws.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/media/image_record.h"
#include "engine/ui/image_button.h"
#include "frame/input_bar.h"
#include "tests/support/screen_capture.h"
#include "tests/support/xvfb_run.h"
#include "tests/support/side_panel_fixture.h"

namespace {

namespace fs = std::filesystem;

// The panel's rectangle in the 1024 x 768 window.
constexpr int kLeft = 770;
constexpr int kTop = 25;
constexpr int kRight = 1020;
constexpr int kBottom = 764;

// Colours equal but for a rounding step per channel.
bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d < -3 || d > 3) return false;
  }
  return true;
}

class SidePanelOnScreen : public test::SidePanelFixture {};

TEST_F(SidePanelOnScreen, TheClientsWindowShowsTheSidePanelWithItsBars) {
  if (!test::HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
  // The client, offline, on a real screen.
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  ASSERT_TRUE(fs::exists(client)) << client;
  test::XvfbShot run;
  ASSERT_NO_FATAL_FAILURE(test::RunOnXvfb(
      fs::current_path() / "screen", "",
      "'" + client.native() + "' --frames 40 --screenshot shown.png --hold 2>client.log", "client.log", &run,
      1024, 768));
  ASSERT_EQ(run.width, 1024);
  ASSERT_EQ(run.height, 768);
  EXPECT_EQ(run.DifferingPixels(), 0);
  const test::Picture& shown = run.shown;
  int differing = 0;

  // The same panel, offline, in the headless window of the tests.
  StartOffline();
  Frames(40);
  const std::vector<uint32_t>& frame = window().PresentedFrame();
  ASSERT_EQ(frame.size(), 1024u * 768u);
  auto headless = [&](int px, int py) { return frame[static_cast<size_t>(py) * 1024 + px] & 0xFFFFFF; };
  for (int py = kTop; py < kBottom; ++py)
    for (int px = kLeft; px < kRight; ++px) differing += shown.At(px, py) != headless(px, py);
  EXPECT_EQ(differing, 0);

  // The system buttons stand in the input bar, each showing its picture.
  frame::InputBar* bar = panel().GetInputBar();
  ASSERT_NE(bar, nullptr);
  const std::vector<const char*> pictures = {"btnFace", "qm清屏按钮", "qm截屏按钮", "qm投诉按钮"};
  for (size_t i = 0; i < pictures.size(); ++i) {
    auto* button = dynamic_cast<engine::ImageButton*>(bar->GetChild(static_cast<int>(i)));
    ASSERT_NE(button, nullptr) << pictures[i];
    EXPECT_GE(button->GetTop(), bar->GetTop()) << pictures[i];
    EXPECT_LE(button->GetTop() + button->GetHeight(), bar->GetTop() + bar->GetHeight()) << pictures[i];
    // The middle of the picture's first frame, where the client drew it.
    const engine::PictureInfo info = panel().GetPictureInfo(pictures[i], 0);
    ASSERT_NE(info.record, nullptr) << pictures[i];
    const int dx = info.width / 2;
    const int dy = info.height / 2;
    const uint8_t* p =
        info.record->pixels + (static_cast<size_t>(info.source_y + dy) * info.record->width + info.source_x + dx) * 4;
    const uint32_t rgb = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    EXPECT_PRED2(Near, shown.At(static_cast<int>(button->GetLeft()) + dx, static_cast<int>(button->GetTop()) + dy), rgb)
        << pictures[i];
  }
}

}  // namespace
