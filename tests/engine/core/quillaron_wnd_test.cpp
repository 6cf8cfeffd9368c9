// ctest-labels: window tsan
#include "engine/core/quillaron_wnd.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/core/cursor_object.h"
#include "engine/core/object_module.h"
#include "engine/core/rect_object.h"
#include "engine/media/music_module.h"
#include "engine/media/paint_module.h"
#include "engine/media/resource_module.h"
#include "platform/cursor.h"
#include "platform/win_messages.h"
#include "platform/window.h"
#include "tests/support/hosted_engine.h"
#include "tests/support/paint_fixture.h"

namespace {

using platform::SW_MINIMIZE;
using platform::SW_RESTORE;

class HostWindow : public test::HostedEngine {};

TEST_F(HostWindow, StartsTheEngineWithTheClientSize) {
  EXPECT_EQ(window_->GetClientWidth(), 800);
  EXPECT_EQ(window_->GetClientHeight(), 600);
  EXPECT_EQ(objects_->GetViewCentre(), (engine::POINT{400, 300}));
  EXPECT_EQ(window_->GetRootObject(), root_);
  EXPECT_NE(root_->GetKey(), 0u);  // in the scene
  EXPECT_GE(root_->layouts, 1);
  EXPECT_EQ(window_->GetCore()->GetMainWindow(), static_cast<platform::Window*>(window_.get()));
}

TEST_F(HostWindow, TheEngineHasTextAndSound) {
  // Canvases draw text with the window's renderer; the tests' audio device is SDL's dummy one.
  EXPECT_NE(objects_->GetFontRenderer(), nullptr);
  EXPECT_NE(dynamic_cast<engine::MusicModule*>(window_->GetCore()->FindModule(engine::module_id::kMusic)), nullptr);
}

TEST_F(HostWindow, SizeRulesIgnoreZeroAndUnchangedSizes) {
  const int layouts = root_->layouts;
  // Minimising reports 0 x 0: nothing changes.
  window_->ShowWindow(SW_MINIMIZE);
  EXPECT_EQ(window_->GetClientWidth(), 800);
  EXPECT_EQ(root_->layouts, layouts);
  // Restoring to the same size lays nothing out again.
  window_->ShowWindow(SW_RESTORE);
  EXPECT_EQ(root_->layouts, layouts);
  // An odd width: the view centre is truncated.
  window_->MoveWindow(kLeft, kTop, 801, 600);
  EXPECT_EQ(window_->GetClientWidth(), 801);
  EXPECT_EQ(objects_->GetViewCentre().x, 400);
  EXPECT_EQ(root_->layouts, layouts + 1);
  window_->MoveWindow(kLeft, kTop, 801, 600);
  EXPECT_EQ(root_->layouts, layouts + 1);
}

TEST_F(HostWindow, TheFrameTimerRunsTheCore) {
  test::InputProbe* probe = AddProbe(100, 100, 50, 50, {});
  const engine::ObjectMessage hello = engine::MakeMessage(probe->GetKey(), 80000001, 0, 0);
  probe->PostMessage(&hello);
  Frames(1);
  EXPECT_TRUE(probe->received.empty());
  Frames(2);  // the object module ticks once more than 10 ms have passed
  ASSERT_EQ(probe->received.size(), 1u);
  EXPECT_EQ(probe->received[0].id, 80000001u);
}

TEST_F(HostWindow, DestroyUnloadsTheModulesAndStopsTheTimer) {
  window_->DestroyWindow();
  EXPECT_EQ(window_->GetCore()->FindModule(engine::module_id::kObject), nullptr);
  EXPECT_EQ(window_->GetCore()->FindModule(engine::module_id::kInput), nullptr);
  EXPECT_EQ(window_->GetRootObject(), nullptr);
  Frames(10);  // no frame runs on an unloaded core
}

TEST_F(HostWindow, CopyDataReachesTheRoot) {
  const char bytes[] = "x";
  const engine::COPYDATASTRUCT data{5, sizeof bytes, bytes};
  window_->SendMessage(platform::WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&data));
  EXPECT_EQ(root_->copied, (std::vector<uintptr_t>{5}));
}

TEST(HostWindowBeforeStart, InputAndCopyDataWithoutAnEngineDoNothing) {
  platform::ScopedManualClock clock;
  ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
  {
    engine::CQuillaronWnd window;
    ASSERT_TRUE(window.CreateEngineWindow("early", platform::WS_VISIBLE, 0, engine::RECT{0, 0, 300, 200}, nullptr));
    const engine::COPYDATASTRUCT data{1, 0, nullptr};
    window.SendMessage(platform::WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&data));
    window.SendMessage(platform::WM_LBUTTONDOWN, platform::MK_LBUTTON, platform::MakePointLParam(3, 4));
    window.SendMessage(platform::WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(window.SendMessage(platform::WM_ERASEBKGND, 0, 0), 1);  // never erases
    EXPECT_EQ(platform::Window::GetCapture(), nullptr);
    window.DestroyWindow();
  }
  platform::ShutdownWindowSystem();
}

TEST(HostWindowCreation, TheWindowRectangleHoldsTheFrameAndTheEngineGetsTheClientArea) {
  platform::ScopedManualClock clock;
  ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
  {
    engine::CQuillaronWnd owner;
    ASSERT_TRUE(owner.CreateEngineWindow("owner", platform::WS_VISIBLE | platform::WS_POPUP, 0,
                                         engine::RECT{0, 0, 640, 480}, nullptr));
    engine::CQuillaronWnd window;
    const uint32_t style = platform::WS_OVERLAPPEDWINDOW | platform::WS_VISIBLE;
    const engine::RECT outer{100, 80, 100 + 328, 80 + 227};
    ASSERT_TRUE(window.CreateEngineWindow("framed", style, platform::WS_EX_TOPMOST, outer, &owner));
    EXPECT_EQ(window.ExStyle(), platform::WS_EX_TOPMOST);
    EXPECT_EQ(window.GetParent(), &owner);
    engine::RECT shown{};
    window.GetWindowRect(&shown);
    EXPECT_EQ(shown, outer);
    EXPECT_EQ(window.GetClientWidth(), 320);
    EXPECT_EQ(window.GetClientHeight(), 200);

    window.InitEngine(new engine::RectObject(), nullptr);
    auto* objects = dynamic_cast<engine::ObjectModule*>(window.GetCore()->FindModule(engine::module_id::kObject));
    ASSERT_NE(objects, nullptr);
    engine::RECT view{};
    objects->GetViewRect(&view);
    EXPECT_EQ(view.right - view.left, 320);
    EXPECT_EQ(view.bottom - view.top, 200);
    owner.DestroyWindow();
    EXPECT_FALSE(window.IsWindow()) << "an owned window goes with its owner";
    EXPECT_EQ(window.GetCore()->FindModule(engine::module_id::kObject), nullptr);
  }
  platform::ShutdownWindowSystem();
}

TEST_F(HostWindow, MinimisedEngineKeepsItsDirtyAreasBounded) {
  Frames(3);
  window_->ShowWindow(SW_MINIMIZE);
  // What an animation does while nobody can see it: a new area every frame, for a long time.
  for (int i = 0; i < 500; ++i) {
    const int x = (i * 37) % 700, y = (i * 53) % 500;
    objects_->AddDirtyArea(engine::RECT{x, y, x + 10, y + 10});
    Frames(1);
  }
  EXPECT_FALSE(objects_->DirtyAreas().empty());  // kept for when the window comes back
  EXPECT_LE(objects_->DirtyAreas().size(), engine::ObjectModule::kMaxDirtyAreas);
  window_->ShowWindow(SW_RESTORE);
  Frames(3);
  EXPECT_TRUE(objects_->DirtyAreas().empty());
}

// A resource module whose start fails: the core destroys it while InitEngine runs.
class FailingResources : public engine::ResourceModule {
 public:
  int Init() override { return 0; }
};

TEST(HostWindowStart, AModuleThatFailsToStartIsNotUsedAfterwards) {
  platform::ScopedManualClock clock;
  ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
  {
    engine::CQuillaronWnd window;
    ASSERT_TRUE(window.CreateEngineWindow("start", platform::WS_VISIBLE, 0, engine::RECT{0, 0, 320, 200}, nullptr));
    window.InitEngine(new engine::RectObject(), new FailingResources());  // ASan would see any later use
    EXPECT_EQ(window.GetCore()->FindModule(engine::module_id::kResource), nullptr);
    EXPECT_NE(window.GetCore()->FindModule(engine::module_id::kObject), nullptr);
    for (int i = 0; i < 10; ++i) clock->Advance(5);  // frames run without it
    window.DestroyWindow();
  }
  platform::ShutdownWindowSystem();
}

// ---- cursors ----

TEST_F(HostWindow, AFailedCursorLoadKeepsTheCurrentCursor) {
  const platform::HCURSOR arrow = platform::LoadCursorA(nullptr, platform::IDC_ARROW);
  input_->SetCursorHandle(platform::LoadCursorFromFileA("no_such.cur"));
  EXPECT_EQ(input_->GetCursorHandle(), arrow);
  window_->SendMessage(platform::WM_SETCURSOR, 0, 0);
  EXPECT_EQ(platform::GetCursor(), arrow);
  EXPECT_TRUE(input_->IsCursorShown());
}

TEST_F(HostWindow, SetCursorAsksTheWindowAndShowsTheStoredHandle) {
  const platform::HCURSOR hand = platform::LoadCursorA(nullptr, platform::IDC_HAND);
  input_->SetCursorHandle(hand);
  EXPECT_EQ(platform::GetCursor(), hand);
  platform::SetCursor(nullptr);
  window_->SendMessage(platform::WM_SETCURSOR, 0, 0);
  EXPECT_EQ(platform::GetCursor(), hand);
  // Hidden: the display count drops below zero; shown again: back to zero.
  input_->SetCursorVisible(false);
  EXPECT_EQ(platform::ShowCursor(true), 0);
  EXPECT_EQ(platform::ShowCursor(false), -1);
  input_->SetCursorVisible(true);
  EXPECT_EQ(platform::ShowCursor(false), -1);
  platform::ShowCursor(true);
}

TEST_F(HostWindow, ACursorObjectInTheSceneAnswersTheWindow) {
  auto* cursors = new engine::CursorObject();
  objects_->AddObject(cursors, nullptr);
  const platform::HCURSOR hand = platform::LoadCursorA(nullptr, platform::IDC_HAND);
  const platform::HCURSOR arrow = platform::LoadCursorA(nullptr, platform::IDC_ARROW);
  platform::SetCursor(nullptr);
  // Before anything was selected, set-cursor shows nothing new.
  window_->SendMessage(platform::WM_SETCURSOR, 0, 0);
  EXPECT_EQ(platform::GetCursor(), nullptr);
  // Empty table: the system hand and arrow.
  const engine::ObjectMessage to_hand =
      engine::MakeMessage(cursors->GetKey(), engine::QUILLARON_EVENT_CURSOR_HAND, 0, 0);
  const engine::ObjectMessage to_arrow =
      engine::MakeMessage(cursors->GetKey(), engine::QUILLARON_EVENT_CURSOR_ARROW, 0, 0);
  EXPECT_EQ(cursors->SendMessage(&to_hand), 1u);
  EXPECT_EQ(platform::GetCursor(), hand);
  cursors->SendMessage(&to_arrow);
  EXPECT_EQ(platform::GetCursor(), arrow);
  platform::SetCursor(nullptr);
  window_->SendMessage(platform::WM_SETCURSOR, 0, 0);
  EXPECT_EQ(platform::GetCursor(), arrow);
}

TEST(CursorObject, NumberedCursorsWinOverTheSystemOnes) {
  engine::CursorObject cursors;
  EXPECT_STREQ(cursors.GetName(), "object_cursor");
  const platform::HCURSOR cross = platform::LoadCursorA(nullptr, platform::IDC_CROSS);
  const platform::HCURSOR wait = platform::LoadCursorA(nullptr, platform::IDC_WAIT);
  EXPECT_EQ(cursors.AddSystemCursor(platform::IDC_CROSS, 0), cross);
  EXPECT_EQ(cursors.AddSystemCursor(platform::IDC_WAIT, 1), wait);
  // A taken number keeps its first cursor.
  EXPECT_EQ(cursors.AddSystemCursor(platform::IDC_HAND, 1), nullptr);
  EXPECT_EQ(cursors.FindCursor(1), wait);
  EXPECT_EQ(cursors.AddCursorFromFile("missing.cur", 2), nullptr);
  EXPECT_EQ(cursors.AddCursorFromFile(std::string(300, 'a').c_str(), 3), nullptr);
  EXPECT_EQ(cursors.AddCursorFromResource(101, 4), nullptr);

  const engine::ObjectMessage hand{0, engine::QUILLARON_EVENT_CURSOR_HAND, 0, 0};
  const engine::ObjectMessage arrow{0, engine::QUILLARON_EVENT_CURSOR_ARROW, 0, 0};
  const engine::ObjectMessage other{0, engine::msg::kHide, 0, 0};
  EXPECT_EQ(cursors.OnMessage(&hand), 1);
  EXPECT_EQ(platform::GetCursor(), wait);
  EXPECT_EQ(cursors.OnMessage(&arrow), 1);
  EXPECT_EQ(platform::GetCursor(), cross);
  EXPECT_EQ(cursors.OnMessage(&other), 0);
}

}  // namespace

namespace {

TEST_F(HostWindow, ThePaintModulesFrameReachesTheWindow) {
  auto* paint = dynamic_cast<engine::PaintModule*>(window_->GetCore()->FindModule(engine::module_id::kPaint));
  ASSERT_NE(paint, nullptr);
  EXPECT_EQ(paint->GetWidth(), 800);
  paint->FillBase(platform::RGB(0x10, 0x80, 0x40));
  objects_->RedrawAll();
  const uint64_t shown = window_->PresentCount();
  Frames(3);
  EXPECT_GT(window_->PresentCount(), shown);
  ASSERT_EQ(window_->FrameWidth(), 800);
  EXPECT_EQ(window_->PresentedFrame()[0] & 0xFFFFFF, 0x108040u);
  EXPECT_EQ(window_->PresentedFrame()[799 + 599 * 800] & 0xFFFFFF, 0x108040u);

  // After a resize the paint module has the new size and the window shows its frame whole.
  window_->MoveWindow(kLeft, kTop, 640, 480);
  EXPECT_EQ(paint->GetWidth(), 640);
  paint->FillBase(platform::RGB(0x20, 0x30, 0x40));
  objects_->RedrawAll();
  Frames(3);
  EXPECT_EQ(window_->PresentedFrame()[639 + 479 * 640] & 0xFFFFFF, 0x203040u);
}

// The window shows only what each frame changed (the paint module's invalid areas, converted and
// copied alone); after any sequence of changes that must be the picture a whole redraw gives.
TEST_F(HostWindow, AfterRandomChangesThePartialPresentsShowWhatAWholeRedrawShows) {
  auto* paint = dynamic_cast<engine::PaintModule*>(window_->GetCore()->FindModule(engine::module_id::kPaint));
  ASSERT_NE(paint, nullptr);
  paint->FillBase(platform::RGB(0x10, 0x80, 0x40));
  std::mt19937 random(29);
  std::vector<engine::EngineObject*> sprites;
  for (int i = 0; i < 12; ++i) {
    // Solid, half transparent and fully transparent pictures of several sizes.
    const uint32_t alpha = i % 3 == 0 ? 0x80u : i % 5 == 0 ? 0u : 0xFFu;
    engine::ImageRecord record = test::SolidRecord(8 + i * 5, 6 + i * 3, alpha << 24 | (random() & 0xFFFFFF));
    engine::PictureInfo info;
    info.record = &record;
    const std::string name = "piece" + std::to_string(i);
    paint->AddPicture(name.c_str(), &info);
    engine::FreeImageRecord(&record);
    paint->GetPictureInfo(&info, name.c_str(), 0);
    engine::EngineObject* sprite = objects_->CreateSprite(&info, nullptr);
    sprite->MoveTo(200 + random() % 400, 150 + random() % 300);  // many overlap
    sprite->Show();
    sprites.push_back(sprite);
  }
  objects_->RedrawAll();
  Frames(3);
  for (int step = 0; step < 60; ++step) {
    // A few changes at once, so that a frame's areas lie apart and items cover several of them.
    for (int change = static_cast<int>(random() % 3); change >= 0; --change) {
      engine::EngineObject* sprite = sprites[random() % sprites.size()];
      switch (random() % 4) {
        case 0:
          sprite->MoveBy(static_cast<int>(random() % 41) - 20, static_cast<int>(random() % 41) - 20);
          break;
        case 1:
          sprite->MoveTo(random() % 840 - 20, random() % 640 - 20);  // now and then past the edge
          break;
        case 2:
          sprite->IsVisible() ? sprite->Hide() : sprite->Show();
          break;
        default:
          sprite->SetAngle(random() % 4 * 90.0);
          break;
      }
      sprite->Invalidate();
    }
    Frames(1 + static_cast<int>(random() % 3));
    if (step % 10 != 9) continue;
    Frames(3);  // every change painted
    const std::vector<uint32_t> partial = window_->PresentedFrame();
    objects_->RedrawAll();
    Frames(3);
    ASSERT_EQ(window_->PresentedFrame(), partial) << "step " << step;
  }
}

}  // namespace
