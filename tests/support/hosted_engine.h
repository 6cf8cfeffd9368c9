// The engine hosted in a headless window, as the client runs it: a CQuillaronWnd on the headless
// window backend, its engine started with a root RectObject, frames driven by stepping the manual
// clock 5 ms at a time, and input posted to the window as window messages.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/core/input_module.h"
#include "engine/core/object_module.h"
#include "engine/core/quillaron_wnd.h"
#include "engine/core/rect_object.h"
#include "tests/support/engine_doubles.h"
#include "tests/support/engine_fixture.h"

namespace test {

// A root that counts its layouts and keeps the copy-data it was handed.
class CountingRoot : public engine::RectObject {
 public:
  void OnRectChanged() override { ++layouts; }
  void OnCopyData(const engine::COPYDATASTRUCT* data) override { copied.push_back(data ? data->dwData : 0); }
  int layouts = 0;
  std::vector<uintptr_t> copied;
};

// One input event as an object received it, with the input state it carried.
struct ReceivedInput {
  uint32_t id = 0;
  bool has_snapshot = false;
  engine::InputSnapshot snapshot;
};

// A test object that keeps a copy of each input snapshot as it is delivered.
class InputProbe : public TestObject {
 public:
  int OnMessage(const engine::ObjectMessage* message) override;
  std::vector<uint32_t> Ids() const;
  std::vector<ReceivedInput> inputs;
};

class HostedEngine : public EngineFixture {
 protected:
  // Client area 800 x 600 at screen (100, 50).
  static constexpr int kLeft = 100;
  static constexpr int kTop = 50;

  void SetUp() override;
  void TearDown() override;

  // Steps the clock one frame (5 ms) at a time.
  void Frames(int count);
  // Enough frames for the object module to tick and deliver what was posted.
  void Deliver() { Frames(3); }
  // Posts a mouse message at a client point and lets the loop handle it.
  void Mouse(uint32_t message, int x, int y, uint32_t flags = 0);
  void Post(uint32_t message, uintptr_t wparam, intptr_t lparam);
  // Moves the pointer to a client point, lets the move arrive, then presses and releases the left
  // button there and lets the click arrive.
  void Click(int x, int y);
  // The colour (0x00RRGGBB) that the window shows at a client point.
  uint32_t Pixel(int x, int y) const;
  // A shown probe subscribed to each event with a message to itself.
  InputProbe* AddProbe(double x, double y, double w, double h, std::initializer_list<uint32_t> events);

  std::unique_ptr<engine::CQuillaronWnd> window_;
  CountingRoot* root_ = nullptr;
  engine::ObjectModule* objects_ = nullptr;
  engine::InputModule* input_ = nullptr;
};

}  // namespace test
