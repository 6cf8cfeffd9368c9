#include "tests/support/x_hand.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cmath>
#include <sstream>
#include <utility>
#include <vector>

namespace test {
namespace {

struct Step {
  enum Kind { kMove, kPress, kRelease } kind;
  int a = 0, b = 0;            // the place (a move) or the button
  unsigned long after_ms = 0;  // the hand's time since the event before
};

// The gesture's events; false at a word it does not know.
bool Parse(const std::string& gesture, std::vector<Step>* steps, unsigned long* trailing_ms, std::string* error) {
  std::istringstream words(gesture);
  std::string word;
  unsigned long pause = 0;
  auto number = [&](long* out) { return static_cast<bool>(words >> *out); };
  while (words >> word) {
    long a = 0, b = 0;
    if (word == "sleep") {
      double seconds = -1;
      if (!(words >> seconds) || seconds < 0 || seconds > 60) return *error = "sleep takes seconds", false;
      pause += static_cast<unsigned long>(std::lround(seconds * 1000));
    } else if (word == "mousemove" && number(&a) && number(&b)) {
      steps->push_back({Step::kMove, static_cast<int>(a), static_cast<int>(b), pause});
      pause = 0;
    } else if ((word == "mousedown" || word == "mouseup") && number(&a) && a >= 1 && a <= 5) {
      steps->push_back({word == "mousedown" ? Step::kPress : Step::kRelease, static_cast<int>(a), 0, pause});
      pause = 0;
    } else {
      return *error = "the hand does not know \"" + word + "\" (in: " + gesture + ")", false;
    }
  }
  *trailing_ms = pause;
  return true;
}

}  // namespace

XHand::XHand(std::string display) : display_name_(std::move(display)) {}

XHand::~XHand() { Close(); }

void XHand::Close() {
  if (display_ != nullptr) XCloseDisplay(static_cast<Display*>(display_));
  display_ = nullptr;
}

bool XHand::Do(const std::string& gesture, std::string* error, const std::function<void()>& meanwhile) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  std::vector<Step> steps;
  unsigned long trailing = 0;
  if (!Parse(gesture, &steps, &trailing, error)) return false;
  if (display_ == nullptr) {
    Display* display = XOpenDisplay(display_name_.empty() ? nullptr : display_name_.c_str());
    int event = 0, error_base = 0, major = 0, minor = 0;
    if (display != nullptr && !XTestQueryExtension(display, &event, &error_base, &major, &minor)) {
      XCloseDisplay(display);
      return *error = "the X server has no XTest", false;
    }
    if (display == nullptr) return *error = "the hand cannot open the display " + display_name_, false;
    display_ = display;
  }
  auto* display = static_cast<Display*>(display_);
  for (Step& step : steps) {
    // The time left over from the gesture before goes before this one's first event.
    const unsigned long after = step.after_ms + carried_ms_;
    carried_ms_ = 0;
    switch (step.kind) {
      case Step::kMove:
        XTestFakeMotionEvent(display, -1, step.a, step.b, after);
        break;
      case Step::kPress:
      case Step::kRelease:
        XTestFakeButtonEvent(display, static_cast<unsigned>(step.a), step.kind == Step::kPress, after);
        break;
    }
  }
  carried_ms_ += trailing;
  if (meanwhile) {
    XFlush(display);
    meanwhile();
  }
  // The server answers once it has made the last event.
  XSync(display, False);
  return true;
}

}  // namespace test
