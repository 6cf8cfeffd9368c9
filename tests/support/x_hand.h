// The user's hand on the pointer of a real X server, for the tests that drive a window as a person
// does: a gesture in xdotool's words ("mousemove X Y", "mousedown B", "mouseup B", "sleep SECONDS")
// goes to the server through XTest, on a connection of the test's own, as one sequence. Each event
// carries its time after the one before, which the server itself waits out before it makes (and
// stamps) the event: no process start, nor the test's own turn, lies between the two presses of a
// double click, however busy the machine. A "sleep" at a gesture's end goes before the next
// gesture's first event (counted, as every time here, from the server's latest event).
// Dependencies: Xlib and its XTest extension.
#pragma once

#include <functional>
#include <string>

namespace test {

class XHand {
 public:
  // The hand on `display` ("" for $DISPLAY); connected at its first gesture.
  explicit XHand(std::string display = "");
  ~XHand();
  XHand(const XHand&) = delete;
  XHand& operator=(const XHand&) = delete;

  // Makes the gesture and returns once the server has made every event of it. False, with
  // *error, when the display or XTest cannot be had or a word is none of the above (nothing is
  // sent then). `meanwhile`, when given, runs once the whole gesture is on its way to the server
  // and before its end is waited for (a client let go on while the hand moves): nothing the test
  // does then comes between the gesture's events.
  bool Do(const std::string& gesture, std::string* error = nullptr, const std::function<void()>& meanwhile = {});
  // Lets the connection go (before the server ends).
  void Close();

 private:
  std::string display_name_;
  void* display_ = nullptr;  // Xlib's Display
  unsigned long carried_ms_ = 0;
};

}  // namespace test
