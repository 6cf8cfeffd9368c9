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
