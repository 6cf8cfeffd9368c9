// ctest-labels: frame tsan
// The game frame's chrome, cloth and layout in the client's main window (headless): where the
// table scene, the side panel, the splitter, the strips and the window buttons go, for the
// window's size and the side panel's state, and what the window shows.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_events.h"
#include "engine/media/image_record.h"
#include "engine/ui/image_button.h"
#include "frame/frame_messages.h"
#include "frame/game_frame.h"
#include "frame/splitter_bar.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/png_file.h"
#include "tests/support/colour_match.h"
#include "tests/support/frame_fixture.h"

namespace {

using platform::RECT;

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// COLORREF 0x00BBGGRR as 0x00RRGGBB.
uint32_t Rgb(uint32_t colorref) { return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF); }

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

class FrameLayout : public test::FrameFixture {
 protected:
  // 0x00RRGGBB of a picture's pixel, as the skin holds it.
  uint32_t PicturePixel(const char* name, int x, int y) {
    const engine::PictureInfo info = frame().GetPictureInfo(name, 0);
    EXPECT_NE(info.record, nullptr) << name;
    if (info.record == nullptr) return 0;
    const engine::ImageRecord& r = *info.record;
    const uint8_t* p = r.pixels + ((static_cast<size_t>(info.frame) * r.height + y) * r.width + x) * 4;
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
  }
  // 0x00RRGGBB of what the window shows.
  uint32_t Shown(int x, int y) {
    return window().PresentedFrame()[static_cast<size_t>(y) * window().FrameWidth() + x] & 0xFFFFFFu;
  }
  // Two colours that differ by at most a rounding step of each channel (a canvas drawn over the
  // cloth blends once more than the cloth itself).
  static bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
      if (d < -3 || d > 3) return false;
    }
    return true;
  }
  void ClickSplitter() {
    const engine::ObjectMessage click =
        engine::MakeMessage(frame().GetSplitter()->GetKey(), frame::SplitterBar::kClicked, 0, 0);
    frame().GetSplitter()->OnMessage(&click);
  }
};

TEST_F(FrameLayout, At1024By768TheTableAndTheSidePanelShareTheWindowBesideTheSplitter) {
  Start();
  EXPECT_EQ(frame().GetScreenWidth(), 1024);
  EXPECT_EQ(frame().GetScreenHeight(), 768);
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 250);
  EXPECT_TRUE(Same(frame().table->Rect(), RECT{4, 25, 762, 764})) << Show(frame().table->Rect());
  EXPECT_TRUE(Same(frame().panel->Rect(), RECT{770, 25, 1020, 764})) << Show(frame().panel->Rect());
  EXPECT_TRUE(Same(frame().GetMainGameRect(), RECT{4, 25, 762, 764}));
  EXPECT_TRUE(Same(frame().GetSubSystemRect(), RECT{770, 25, 1020, 764}));
  frame::SplitterBar* splitter = frame().GetSplitter();
  ASSERT_NE(splitter, nullptr);
  EXPECT_EQ(splitter->GetWidth(), 8);
  EXPECT_EQ(splitter->GetHeight(), 739);
  EXPECT_EQ(splitter->GetX(), 766);
  EXPECT_EQ(splitter->GetY(), 25 + 370);
  EXPECT_TRUE(splitter->IsExpanded());
  EXPECT_EQ(frame().FindObjectByName("MainGame"), frame().table);
  EXPECT_EQ(frame().FindObjectByName("SubSystem"), frame().panel);
  EXPECT_EQ(frame().FindObjectByName("GameFrame"), &frame());
}

TEST_F(FrameLayout, ACollapsedSidePanelGivesTheTableTheWholeWidthAndComesBackAtTheDefaultWidth) {
  Start();
  frame().SetVisibleSidePanelWidth(120);  // a width chosen before: not what comes back
  ClickSplitter();
  EXPECT_FALSE(frame().GetSplitter()->IsExpanded());
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 0);
  EXPECT_TRUE(Same(frame().table->Rect(), RECT{4, 25, 1012, 764})) << Show(frame().table->Rect());
  EXPECT_EQ(frame().panel->Rect().left, 1024);
  EXPECT_EQ(frame().GetSplitter()->GetX(), 1016);

  ClickSplitter();
  EXPECT_TRUE(frame().GetSplitter()->IsExpanded());
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 250);
  EXPECT_TRUE(Same(frame().table->Rect(), RECT{4, 25, 762, 764})) << Show(frame().table->Rect());
}

TEST_F(FrameLayout, TheDefaultSidePanelWidthFollowsTheWorkAreaWhileMaximised) {
  Start();
  const struct {
    int width;
    int expected;
  } cases[] = {{800, 250}, {1024, 250}, {1152, 256}, {1279, 284}, {1280, 282}, {1920, 282}};
  frame().SetMaximizedFlag(1);
  for (const auto& c : cases) {
    SetWorkArea(RECT{0, 0, c.width, 700});
    EXPECT_EQ(frame().DefaultSidePanelWidth(), c.expected) << c.width;
  }
  frame().SetMaximizedFlag(0);
  SetWorkArea(RECT{0, 0, 1920, 1080});
  EXPECT_EQ(frame().DefaultSidePanelWidth(), 250);
}

TEST_F(FrameLayout, MaximisedAndAtTheSmallestSizeTheChildrenFollowTheWindow) {
  SetWorkArea(RECT{0, 0, 1280, 1024});
  Start();
  // The window starts maximised: it fills the work area, and so does its client area (the window has no frame).
  EXPECT_TRUE(Same(WindowRect(), RECT{0, 0, 1280, 1024})) << Show(WindowRect());
  const int W = frame().GetScreenWidth();
  const int H = frame().GetScreenHeight();
  EXPECT_EQ(W, 1280);
  EXPECT_EQ(H, 1024);
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 282);
  EXPECT_TRUE(Same(frame().panel->Rect(), RECT{W - 282 - 4, 25, W - 4, H - 4})) << Show(frame().panel->Rect());
  EXPECT_TRUE(Same(frame().table->Rect(), RECT{4, 25, W - 282 - 4 - 8, H - 4})) << Show(frame().table->Rect());

  frame().ToggleMaximize();
  Frames(2);
  EXPECT_TRUE(Same(WindowRect(), RECT{100, 100, 1150, 700})) << Show(WindowRect());
  EXPECT_EQ(frame().GetScreenWidth(), 1050);
  EXPECT_EQ(frame().GetScreenHeight(), 600);
  // The title strip spans the new width; the title on it keeps its own 200 pixels.
  EXPECT_EQ(frame().GetTopStrip()->GetWidth(), 1050);
  EXPECT_EQ(frame().GetTitle()->GetWidth(), 200);
  EXPECT_EQ(frame().GetTitle()->GetLeft(), 0);
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 250);
  EXPECT_TRUE(Same(frame().panel->Rect(), RECT{1050 - 254, 25, 1050 - 4, 600 - 4})) << Show(frame().panel->Rect());
}

// A game whose name, as the lobby or the game gives it, looks like a colour tag.
class MarkupNamedGame : public test::FrameApp {
 public:
  std::string FormatGameName() override { return "<c=255>X"; }
};

TEST_F(FrameLayout, AGameNameThatLooksLikeMarkupIsDrawnAsItIsAndNeverAsAColour) {
  app_.reset();
  app_ = std::make_unique<MarkupNamedGame>();
  Start();
  const engine::CanvasObject* title = frame().GetTitle();
  ASSERT_NE(title, nullptr);
  EXPECT_GT(test::PixelsOf(title, app_->GetTitleTextColour()), 0u);
  EXPECT_EQ(test::PixelsOf(title, 0x0000FF), 0u);  // nothing red
}

TEST_F(FrameLayout, TheTitleStripHoldsTheWindowButtonsRightToLeftFourPixelsFromTheEdge) {
  Start();
  engine::CanvasObject* strip = frame().GetTopStrip();
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->GetWidth(), 1024);
  EXPECT_EQ(strip->GetHeight(), 25);
  EXPECT_EQ(strip->GetDepth(), frame::GameFrame::kTitleDepth);
  EXPECT_EQ(strip->GetY(), 13);
  // 27-pixel buttons: close, fit and minimise; then the 42-pixel help, settings and shop buttons.
  EXPECT_EQ(frame().GetCloseButton()->GetX(), 1006);
  EXPECT_EQ(frame().GetFitButton()->GetX(), 979);
  EXPECT_EQ(frame().GetMinimizeButton()->GetX(), 952);
  EXPECT_DOUBLE_EQ(frame().GetHelpButton()->GetRight(), frame().GetMinimizeButton()->GetLeft());
  EXPECT_DOUBLE_EQ(frame().GetSettingsButton()->GetRight(), frame().GetHelpButton()->GetLeft());
  EXPECT_DOUBLE_EQ(frame().GetShopButton()->GetRight(), frame().GetSettingsButton()->GetLeft());
  for (engine::ImageButton* b : {frame().GetCloseButton(), frame().GetFitButton(), frame().GetMinimizeButton(),
                                 frame().GetHelpButton(), frame().GetSettingsButton(), frame().GetShopButton()}) {
    EXPECT_EQ(b->GetY(), 13);
    EXPECT_GT(b->GetDepth(), strip->GetDepth());  // in front of the strip
    EXPECT_TRUE(b->IsVisible());
  }
  EXPECT_EQ(frame().GetTitle()->GetLeft(), 0);
  EXPECT_GT(frame().GetTitle()->GetDepth(), strip->GetDepth());
  EXPECT_EQ(strip->GetChildLinkFlags(frame().GetTitle()->GetKey()), 0x1980A3u);
  EXPECT_EQ(frame().GetLeftStrip()->GetDepth(), frame::GameFrame::kBorderDepth);
  EXPECT_EQ(frame().GetBottomStrip()->GetDepth(), frame::GameFrame::kBottomDepth);
  EXPECT_EQ(frame().GetBottomStrip()->GetY(), 766);
  EXPECT_EQ(frame().GetRightStrip()->GetX(), 1022);
  // The frame's metrics for the side panel.
  EXPECT_EQ(frame().GetIntSetting(50007), 28);
  EXPECT_EQ(frame().GetIntSetting(50008), 22);
  EXPECT_EQ(frame().GetIntSetting(50009), 26);
  EXPECT_EQ(frame().GetIntSetting(50010), 70);
  EXPECT_EQ(frame().GetIntSetting(50011), 16);  // "ScrollBar_HorzBack" is 16 high
  EXPECT_EQ(frame().GetIntSetting(50012), 1);
}

TEST_F(FrameLayout, TheWindowShowsTheClothTheStripsAndTheButtons) {
  Start();
  Frames(4);
  ASSERT_EQ(window().FrameWidth(), 1024);
  // Cloth where nothing lies on it: beside the halo, and under the empty side panel.
  EXPECT_EQ(Shown(8, 400), PicturePixel("TablePatten", 8, 400 % 96));
  EXPECT_EQ(Shown(900, 400), PicturePixel("TablePatten", 900 % 96, 400 % 96));
  // The title strip's tile between its ornaments, the borders, the splitter.
  EXPECT_PRED2(Near, Shown(300, 3), PicturePixel("Frame_Top", 300 % 32, 3));
  EXPECT_PRED2(Near, Shown(1, 400), PicturePixel("Frame_Left", 1, 0));
  EXPECT_PRED2(Near, Shown(1022, 400), PicturePixel("Frame_Right", 2, 0));
  EXPECT_PRED2(Near, Shown(500, 766), PicturePixel("Frame_Bottom", 500, 2));
  EXPECT_PRED2(Near, Shown(766, 200), PicturePixel("左右分隔条_bg", 4, 0));
  // The close button shows its first frame over the strip: a row through its middle, left of the
  // cross, is the picture blended over the strip by its alpha.
  const int left = static_cast<int>(frame().GetCloseButton()->GetLeft() + 0.5);
  const int top = static_cast<int>(frame().GetCloseButton()->GetTop() + 0.5);
  const engine::PictureInfo close = frame().GetPictureInfo("btnFrameClose", 0);
  ASSERT_NE(close.record, nullptr);
  int matching = 0;
  for (int x = 3; x < 9; ++x) {
    const uint8_t alpha = close.record->pixels[(9 * close.record->width + x) * 4 + 3];
    const uint32_t under = Rgb(frame().GetTopStrip()->GetPixel(left + x, top + 9));
    const uint32_t over = PicturePixel("btnFrameClose", x, 9);
    uint32_t expected = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t a = (over >> shift) & 0xFF, b = (under >> shift) & 0xFF;
      expected |= ((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
    }
    matching += Near(Shown(left + x, top + 9), expected) ? 1 : 0;
  }
  EXPECT_GE(matching, 5);
}

TEST_F(FrameLayout, TheSideBordersReachDownATallScreen) {
  SetWorkArea(RECT{0, 0, 3840, 2160});
  Start();
  Frames(4);
  ASSERT_EQ(window().FrameHeight(), 2160);
  const int height = frame().GetPictureInfo("Frame_Left", 0).height;
  ASSERT_GT(height, 0);
  ASSERT_LT(height, 2100);
  EXPECT_PRED2(Near, Shown(1, 2100), PicturePixel("Frame_Left", 1, 2100 % height));
  EXPECT_PRED2(Near, Shown(3838, 2100), PicturePixel("Frame_Right", 2, 2100 % height));
}

TEST_F(FrameLayout, WithoutTheSkinTheStripsAreGreenAndTheButtonsStillKeepFourPixelsFromTheEdge) {
  skin_ = false;
  Start();
  Frames(4);
  EXPECT_EQ(frame().GetTopHeight(), 25);
  EXPECT_EQ(frame().GetLeftWidth(), 3);
  EXPECT_EQ(frame().GetRightWidth(), 3);
  EXPECT_EQ(frame().GetBottomHeight(), 3);
  EXPECT_EQ(frame().GetTopStrip()->GetHeight(), 25);
  EXPECT_EQ(Shown(300, 10), 0x22B14Cu);  // COLORREF 0x4CB122
  EXPECT_EQ(Shown(1, 400), 0x22B14Cu);
  EXPECT_EQ(Shown(500, 766), 0x22B14Cu);
  EXPECT_EQ(frame().GetCloseButton()->GetX(), 1020);
  // No splitter picture: the splitter takes no room.
  EXPECT_TRUE(Same(frame().table->Rect(), RECT{4, 25, 770, 764})) << Show(frame().table->Rect());
}

TEST_F(FrameLayout, OnANarrowWorkAreaTheSidePanelStartsCollapsed) {
  SetWorkArea(RECT{0, 0, 800, 600});
  Start();
  EXPECT_FALSE(frame().GetSplitter()->IsExpanded());
  EXPECT_EQ(frame().GetVisibleSidePanelWidth(), 0);
  EXPECT_EQ(frame().table->Rect().right, 800 - 4 - 8);
}

TEST_F(FrameLayout, AnAvatarComesFromTheSkinThenFromItsFileThenFromCharacterZero) {
  Start();
  EXPECT_EQ(frame().LoadAvatarImage(5, 2), "Character5Type2");
  // No picture and no file for character 9: character 0's.
  EXPECT_EQ(frame().LoadAvatarImage(9, 2), "Character0Type2");
  EXPECT_EQ(frame().GetAvatarImageName(9, 1), "Character0Type1");

  // A file beside the program for character 11 in the 48 x 48 size.
  const std::string path = app_->GetAvatarFilePrefix(11) + "48x48.png";
  ASSERT_TRUE(platform::CreateDirectories(app_->GetExeDir() + "face"));
  std::vector<uint32_t> pixels(48 * 48, 0xFF3366CCu);
  std::string error;
  ASSERT_TRUE(platform::SavePng(platform::NativePath(path), 48, 48, reinterpret_cast<const uint8_t*>(pixels.data()),
                                &error, platform::PngAlpha::kKeep))
      << error;
  EXPECT_EQ(frame().LoadAvatarImage(11, 2), "Character11Type2");
  const engine::PictureInfo info = frame().GetPictureInfo("Character11Type2", 0);
  ASSERT_NE(info.record, nullptr);
  EXPECT_EQ(info.width, 48);
  EXPECT_EQ(info.height, 48);
  // Only that size has a file.
  EXPECT_EQ(frame().LoadAvatarImage(11, 1), "Character0Type1");
}

TEST_F(FrameLayout, WithoutAnyAvatarTheNameIsEmpty) {
  skin_ = false;
  Start();
  EXPECT_EQ(frame().LoadAvatarImage(5, 2), "");
  EXPECT_EQ(frame().LoadAvatarImage(0, 3), "");
}

TEST_F(FrameLayout, EnteringTheGameTellsTheTableThenThePanelThenTheApplication) {
  Start();
  frame().OnEnterGame();
  EXPECT_EQ(frame().table->entered, 1);
  EXPECT_EQ(frame().panel->entered, 1);
}

}  // namespace
