// A test fixture with the manual clock installed, logs in a fresh folder and message boxes answered
// (and recorded) instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace test {

class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The text of today's engine log ("Game%d%02d%02d.log").
  std::string GameLog() const;
  // Moves the clock on, so that modules with the default interval tick in the next frame.
  void Step(uint32_t ms = 11) { clock_->Advance(ms); }

  platform::ScopedManualClock clock_{1000};
  std::filesystem::path dir_;
  std::vector<std::string> message_boxes_;
};

}  // namespace test

#include <memory>

#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "tests/support/engine_doubles.h"

namespace test {

// A core with the object module and a recording paint module, on a view of 800 x 600 centred
// at (400, 300), as the host window sets it up.
class SceneFixture : public EngineFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // One frame, late enough for every module with the default interval to tick.
  void Frame() {
    Step();
    core_->RunFrame();
  }
  // Adds a shown, drawn test object of the given box.
  TestObject* Add(double x, double y, double w, double h);

  std::unique_ptr<engine::GameCore> core_;
  engine::ObjectModule* objects_ = nullptr;
  RecordingPaintModule* paint_ = nullptr;
};

}  // namespace test
