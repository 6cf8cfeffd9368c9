// ctest-labels: window tsan
// The input module as the host window drives it: window messages posted to a headless engine
// window, frames run by the manual clock, events read where the objects receive them.
#include "engine/core/input_module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/cursor.h"
#include "platform/win_messages.h"
#include "platform/window.h"
#include "tests/support/hosted_engine.h"

namespace {

using namespace engine;
using engine::InputSnapshot;
using platform::MK_LBUTTON;
using platform::WM_LBUTTONDOWN;
using platform::WM_LBUTTONUP;
using platform::WM_MOUSEMOVE;
using Ids = std::vector<uint32_t>;

class InputThroughWindow : public test::HostedEngine {
 protected:
  // Moves to a client point and clicks the left button there.
  void ClickAt(int x, int y) {
    Mouse(WM_MOUSEMOVE, x, y);
    Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, x, y);
  }
};

TEST_F(InputThroughWindow, ClickDeliversPressReleaseAndClickWithTheInputState) {
  test::InputProbe* button = AddProbe(
      200, 150, 100, 60,
      {QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_CLICK, QUILLARON_EVENT_BUTTON_UP});
  Mouse(WM_MOUSEMOVE, 200, 150);
  Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 205, 152);
  EXPECT_TRUE(button->inputs.empty());  // delivered by the frame, not by the window message
  Deliver();
  ASSERT_EQ(button->Ids(), (Ids{QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_CLICK,
                                QUILLARON_EVENT_BUTTON_UP}));

  const InputSnapshot& press = button->inputs[0].snapshot;
  ASSERT_TRUE(button->inputs[0].has_snapshot);
  EXPECT_EQ(press.x, 200);
  EXPECT_EQ(press.y, 150);
  EXPECT_EQ(press.state & engine::input_state::kLeftHeld, engine::input_state::kLeftHeld);
  EXPECT_EQ(press.hovered, button->GetKey());
  const InputSnapshot& release = button->inputs[1].snapshot;
  EXPECT_EQ(release.x, 205);
  EXPECT_EQ(release.dx, 5);
  EXPECT_EQ(release.dy, 2);
  EXPECT_EQ(release.state & engine::input_state::kLeftHeld, 0u);

  // Every snapshot and message block goes back to the module once the input tick has run.
  Frames(25);
  EXPECT_EQ(input_->OutstandingMessages(), 0u);
}

TEST_F(InputThroughWindow, AClickReachesItsObjectInTheObjectModulesNextTick) {
  test::InputProbe* button = AddProbe(200, 150, 100, 60, {QUILLARON_EVENT_CLICK});
  Mouse(WM_MOUSEMOVE, 200, 150);
  Deliver();
  Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 200, 150);
  int frames = 0;
  while (button->inputs.empty() && frames < 10) {
    Frames(1);
    ++frames;
  }
  // The object module ticks when more than 10 ms have passed: at most every third 5 ms frame.
  EXPECT_LE(frames, 3);
  EXPECT_EQ(button->Ids(), (Ids{QUILLARON_EVENT_CLICK}));
}

TEST_F(InputThroughWindow, DragStaysWithThePressedObjectAndReleaseOutsideIsNoClick) {
  test::InputProbe* a = AddProbe(200, 150, 100, 60,
                                 {QUILLARON_EVENT_DRAG, QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_CLICK,
                                  QUILLARON_EVENT_MOUSE_LEAVE, QUILLARON_EVENT_MOUSE_ENTER});
  test::InputProbe* b = AddProbe(500, 150, 100, 60,
                                 {QUILLARON_EVENT_DRAG, QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_CLICK,
                                  QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_MOVE});
  Mouse(WM_MOUSEMOVE, 200, 150);
  Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, 350, 150, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, 500, 150, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 500, 150);
  Deliver();
  EXPECT_EQ(a->Ids(), (Ids{QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_DRAG, QUILLARON_EVENT_DRAG,
                           QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_MOUSE_LEAVE}));
  EXPECT_EQ(a->inputs[2].snapshot.dx, 150);
  EXPECT_EQ(b->Ids(), (Ids{QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_MOVE}));
}

TEST_F(InputThroughWindow, WheelGoesToTheFocusObjectAtTheClientPosition) {
  test::InputProbe* list =
      AddProbe(200, 150, 100, 60, {QUILLARON_EVENT_WHEEL_UP, QUILLARON_EVENT_WHEEL_DOWN, QUILLARON_EVENT_FOCUS_GAINED});
  list->SetFocusable(true);
  ClickAt(200, 150);
  // The wheel message carries the screen position: client (210, 160) at screen (310, 210).
  const auto down = static_cast<uint16_t>(-platform::WHEEL_DELTA);
  Post(platform::WM_MOUSEWHEEL, platform::MAKELONG(0, down), platform::MakePointLParam(kLeft + 210, kTop + 160));
  Post(platform::WM_MOUSEWHEEL, platform::MAKELONG(0, platform::WHEEL_DELTA),
       platform::MakePointLParam(kLeft + 210, kTop + 160));
  Deliver();
  ASSERT_EQ(list->Ids(), (Ids{QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_WHEEL_DOWN, QUILLARON_EVENT_WHEEL_UP}));
  EXPECT_EQ(list->inputs[1].snapshot.x, 210);
  EXPECT_EQ(list->inputs[1].snapshot.y, 160);
  EXPECT_EQ(list->inputs[1].snapshot.focus, list->GetKey());
}

TEST_F(InputThroughWindow, HoverEntersAndLeavesAsThePointerCrossesObjects) {
  test::InputProbe* a = AddProbe(100, 100, 80, 80, {QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE});
  test::InputProbe* b = AddProbe(300, 100, 80, 80, {QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE});
  Mouse(WM_MOUSEMOVE, 100, 100);
  Mouse(WM_MOUSEMOVE, 110, 100);  // still on a: no second enter
  Mouse(WM_MOUSEMOVE, 300, 100);
  Mouse(WM_MOUSEMOVE, 500, 400);  // over nothing
  Deliver();
  EXPECT_EQ(a->Ids(), (Ids{QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE}));
  EXPECT_EQ(b->Ids(), (Ids{QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE}));
  InputSnapshot now;
  input_->GetSnapshot(&now);
  EXPECT_EQ(now.hovered, 0u);
}

TEST_F(InputThroughWindow, FocusMovesWithPressesAndGoesWhenTheWindowLosesIt) {
  test::InputProbe* a = AddProbe(
      100, 100, 80, 80, {QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_FOCUS_LOST, QUILLARON_EVENT_KILL_FOCUS});
  test::InputProbe* b = AddProbe(300, 100, 80, 80,
                                 {QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_FOCUS_LOST, QUILLARON_EVENT_KILL_FOCUS,
                                  QUILLARON_EVENT_MOUSE_LEAVE});
  a->SetFocusable(true);
  b->SetFocusable(true);
  ClickAt(100, 100);
  EXPECT_EQ(platform::Window::GetFocus(), window_.get());  // the press focused the window
  ClickAt(300, 100);
  EXPECT_NE(b->GetFlags() & engine::object_flag::kHasFocus, 0u);
  EXPECT_EQ(a->GetFlags() & engine::object_flag::kHasFocus, 0u);

  platform::LoseSystemFocus();
  Deliver();
  EXPECT_EQ(a->Ids(), (Ids{QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_FOCUS_LOST}));
  EXPECT_EQ(b->Ids(), (Ids{QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_KILL_FOCUS, QUILLARON_EVENT_MOUSE_LEAVE,
                           QUILLARON_EVENT_MOUSE_LEAVE, QUILLARON_EVENT_FOCUS_LOST}));
  InputSnapshot now;
  input_->GetSnapshot(&now);
  const InputSnapshot zero{};
  EXPECT_EQ(std::memcmp(&now, &zero, sizeof now), 0);
}

TEST_F(InputThroughWindow, SwitchingAwayInTheMiddleOfADragEndsThePressAndTheCapture) {
  test::InputProbe* a = AddProbe(
      200, 150, 100, 60,
      {QUILLARON_EVENT_DRAG, QUILLARON_EVENT_LBUTTON_UP, QUILLARON_EVENT_KILL_FOCUS, QUILLARON_EVENT_MOUSE_MOVE});
  Mouse(WM_MOUSEMOVE, 200, 150);
  Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
  EXPECT_EQ(platform::Window::GetCapture(), window_.get());
  // The user turns to another program with the button held; its release goes there.
  platform::LoseSystemFocus();
  EXPECT_EQ(platform::Window::GetCapture(), nullptr);
  Deliver();
  EXPECT_EQ(a->Ids(), (Ids{QUILLARON_EVENT_MOUSE_MOVE, QUILLARON_EVENT_KILL_FOCUS, QUILLARON_EVENT_LBUTTON_UP}));
  // Back over the window, the pointer moves without a button.
  a->inputs.clear();
  Mouse(WM_MOUSEMOVE, 210, 155);
  Deliver();
  EXPECT_EQ(a->Ids(), (Ids{QUILLARON_EVENT_MOUSE_MOVE}));
}

TEST_F(InputThroughWindow, KeysAndAGbkCharacterReachTheFocusObject) {
  test::InputProbe* edit =
      AddProbe(100, 100, 80, 80, {QUILLARON_EVENT_KEY_DOWN, QUILLARON_EVENT_KEY_UP, QUILLARON_EVENT_CHAR});
  edit->SetFocusable(true);
  ClickAt(100, 100);
  const std::string pai = "牌";  // two GBK bytes
  ASSERT_EQ(pai.size(), 2u);
  Post(platform::WM_KEYDOWN, 'P', platform::MakeKeyLParam(1, 0));
  Post(platform::WM_CHAR, static_cast<uint8_t>(pai[0]), platform::MakeKeyLParam(1, 0));
  Post(platform::WM_CHAR, static_cast<uint8_t>(pai[1]), platform::MakeKeyLParam(1, 0));
  Post(platform::WM_KEYUP, 'P', platform::MakeKeyLParam(1, platform::KF_UP | platform::KF_REPEAT));
  Post(platform::WM_CHAR, '\r', platform::MakeKeyLParam(1, 0));  // controls are key events only
  Deliver();
  ASSERT_EQ(edit->Ids(), (Ids{QUILLARON_EVENT_KEY_DOWN, QUILLARON_EVENT_CHAR, QUILLARON_EVENT_KEY_UP}));
  const InputSnapshot& ch = edit->inputs[1].snapshot;
  EXPECT_EQ(ch.character[0], static_cast<uint8_t>(pai[0]));
  EXPECT_EQ(ch.character[1], static_cast<uint8_t>(pai[1]));
  EXPECT_EQ(ch.key_down, static_cast<uint32_t>('P'));
  EXPECT_EQ(edit->inputs[2].snapshot.key_down, 0u);
  EXPECT_EQ(edit->inputs[2].snapshot.key_up, static_cast<uint32_t>('P'));
  EXPECT_EQ(edit->inputs[2].snapshot.key_flags, platform::KF_UP | platform::KF_REPEAT);
}

TEST_F(InputThroughWindow, AnUnfinishedGbkCharacterDoesNotSwallowTheNextKey) {
  test::InputProbe* edit = AddProbe(100, 100, 80, 80, {QUILLARON_EVENT_CHAR});
  edit->SetFocusable(true);
  ClickAt(100, 100);
  // A lead byte, then a digit (no GBK second byte): the digit stands alone.
  Post(platform::WM_CHAR, 0xC5, 0);
  Post(platform::WM_CHAR, '7', 0);
  // A lead byte, then Enter, then 'b': the lead byte is dropped, Enter gives nothing, 'b' alone.
  Post(platform::WM_CHAR, 0xC5, 0);
  Post(platform::WM_CHAR, '\r', 0);
  Post(platform::WM_CHAR, 'b', 0);
  // DEL is no lead byte.
  Post(platform::WM_CHAR, 0x7F, 0);
  Post(platform::WM_CHAR, 'c', 0);
  Deliver();
  ASSERT_EQ(edit->Ids(), (Ids{QUILLARON_EVENT_CHAR, QUILLARON_EVENT_CHAR, QUILLARON_EVENT_CHAR}));
  EXPECT_EQ(edit->inputs[0].snapshot.character[0], '7');
  EXPECT_EQ(edit->inputs[0].snapshot.character[1], 0);
  EXPECT_EQ(edit->inputs[1].snapshot.character[0], 'b');
  EXPECT_EQ(edit->inputs[2].snapshot.character[0], 'c');
}

TEST_F(InputThroughWindow, ALeadByteTypedBeforeTheFocusLeftIsForgotten) {
  test::InputProbe* edit = AddProbe(100, 100, 80, 80, {QUILLARON_EVENT_CHAR});
  edit->SetFocusable(true);
  ClickAt(100, 100);
  Post(platform::WM_CHAR, 0xC5, 0);
  platform::LoseSystemFocus();
  ClickAt(100, 100);
  Post(platform::WM_CHAR, 'a', 0);
  Deliver();
  ASSERT_EQ(edit->Ids(), (Ids{QUILLARON_EVENT_CHAR}));
  EXPECT_EQ(edit->inputs[0].snapshot.character[0], 'a');
  EXPECT_EQ(edit->inputs[0].snapshot.character[1], 0);
}

TEST_F(InputThroughWindow, AnOddWidthViewMapsThePointerOntoTheSceneWithoutDrift) {
  // 801 wide: the view's left edge is scene x -1, so client x 300 is scene x 299.
  window_->MoveWindow(kLeft, kTop, 801, 600);
  test::InputProbe* edge =
      AddProbe(295, 200, 10, 10, {QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE});  // scene x 290..299
  Mouse(WM_MOUSEMOVE, 300, 200);
  Deliver();
  InputSnapshot now;
  input_->GetSnapshot(&now);
  EXPECT_EQ(now.x, 299);
  EXPECT_EQ(now.hovered, edge->GetKey());
  // The object moves away: the tick re-checks the hover from the stored position, which must
  // not move the pointer.
  edge->MoveTo(600, 400);
  edge->Invalidate();
  Frames(60);
  input_->GetSnapshot(&now);
  EXPECT_EQ(now.x, 299);
  EXPECT_EQ(now.dx, 0);
  EXPECT_EQ(now.hovered, 0u);
  EXPECT_EQ(edge->Ids(), (Ids{QUILLARON_EVENT_MOUSE_ENTER, QUILLARON_EVENT_MOUSE_LEAVE}));
}

TEST_F(InputThroughWindow, RestAndRestEndFollowTheTick) {
  test::InputProbe* a = AddProbe(100, 100, 80, 80, {QUILLARON_EVENT_MOUSE_REST, QUILLARON_EVENT_MOUSE_REST_END});
  Mouse(WM_MOUSEMOVE, 100, 100);
  Frames(200);  // one second: one rest, never a second
  Mouse(WM_MOUSEMOVE, 101, 100);
  Deliver();
  EXPECT_EQ(a->Ids(), (Ids{QUILLARON_EVENT_MOUSE_REST, QUILLARON_EVENT_MOUSE_REST_END}));
}

TEST_F(InputThroughWindow, APressAtTheOriginRightAfterStartIsNoDoubleClick) {
  test::InputProbe* corner = AddProbe(5, 5, 20, 20, {QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_DBLCLICK});
  ClickAt(0, 0);
  Mouse(WM_LBUTTONDOWN, 0, 0, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 0, 0);
  Deliver();
  EXPECT_EQ(corner->Ids(), (Ids{QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_DBLCLICK}));
}

// A double click is two presses at one place of the screen: after a drag of the window by its
// title the pointer stands at the same point of the window, elsewhere on the screen, and a drag
// between two presses starts a new run.
TEST_F(InputThroughWindow, PressesAtOnePointOfTheWindowAreADoubleClickOnlyAtOnePlaceOfTheScreenWithNoDragBetween) {
  test::InputProbe* strip =
      AddProbe(300, 100, 600, 200, {QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_DBLCLICK});
  ClickAt(200, 150);
  window_->MoveWindow(kLeft + 200, kTop + 100, 800, 600);
  ClickAt(200, 150);
  // Again at that place of the screen: a double click.
  ClickAt(200, 150);
  // A drag of 4 pixels and back between two presses.
  Mouse(WM_LBUTTONDOWN, 200, 150, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, 204, 150, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, 200, 150, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 200, 150);
  ClickAt(200, 150);
  Deliver();
  EXPECT_EQ(strip->Ids(), (Ids{QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_DBLCLICK,
                               QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_LBUTTON_DOWN}));
}

// Presses pair by when the hand made them (the stamp each came with), not by when a busy client
// took them, and only stamps of one clock are set against each other.
TEST_F(InputThroughWindow, PressesPairByWhenTheyWereMadeByOneClock) {
  test::InputProbe* strip = AddProbe(300, 100, 600, 200, {QUILLARON_EVENT_LBUTTON_DOWN, QUILLARON_EVENT_DBLCLICK});
  Mouse(WM_MOUSEMOVE, 400, 150);
  const auto click = [&](int x, platform::MessageTime made) {
    window_->PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, platform::MakePointLParam(x, 150), made);
    window_->PostMessage(WM_LBUTTONUP, 0, platform::MakePointLParam(x, 150), made);
  };
  constexpr auto kServer = platform::MessageTime::kSystem;
  // Two clicks made 700 ms apart, taken in one turn: two clicks.
  click(400, {5000, kServer});
  click(400, {5700, kServer});
  platform::PumpMessages();
  // Two clicks made 100 ms apart, the second taken 700 ms after the first: a double click.
  click(420, {6000, kServer});
  platform::PumpMessages();
  Frames(140);
  click(420, {6100, kServer});
  platform::PumpMessages();
  // A server's stamp and the tick count of the same number: two clicks.
  click(440, {platform::GetTickCount(), kServer});
  platform::PumpMessages();
  Mouse(WM_LBUTTONDOWN, 440, 150, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 440, 150);
  Deliver();
  const uint32_t down = QUILLARON_EVENT_LBUTTON_DOWN, twice = QUILLARON_EVENT_DBLCLICK;
  EXPECT_EQ(strip->Ids(), (Ids{down, down, down, twice, down, down}));
}

// The object that held the focus gets it back with the window, unless it was hidden meanwhile.
TEST_F(InputThroughWindow, TheFocusComesBackWithTheWindowButNotToAnObjectHiddenMeanwhile) {
  test::InputProbe* edit = AddProbe(100, 100, 80, 80, {QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_FOCUS_LOST});
  edit->SetFocusable(true);
  ClickAt(100, 100);
  platform::LoseSystemFocus();
  window_->SetFocus();
  Deliver();
  EXPECT_EQ(edit->Ids(), (Ids{QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_FOCUS_LOST, QUILLARON_EVENT_FOCUS_GAINED}));
  platform::LoseSystemFocus();
  edit->Hide();
  window_->SetFocus();
  Frames(30);
  EXPECT_EQ(edit->Ids(), (Ids{QUILLARON_EVENT_FOCUS_GAINED, QUILLARON_EVENT_FOCUS_LOST, QUILLARON_EVENT_FOCUS_GAINED,
                              QUILLARON_EVENT_FOCUS_LOST}));
  InputSnapshot now;
  input_->GetSnapshot(&now);
  EXPECT_EQ(now.focus, 0u);
}

}  // namespace
