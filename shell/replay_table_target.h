// What the replay bar asks of the table view ("MainGame") while it plays a recorded game back.
// The table view implements it next to its engine object base; the replay bar finds it by the
// object key it was given and talks to it through these three operations only.
//
// Records come in the order they were recorded, each once, as the table received them from the
// server: 211040 the game starts (the recorded hands are dealt), 221170 plays, 223100 passes,
// 229500 game messages, 211080 the game ends.
#pragma once

#include <cstdint>

namespace shell {

class ReplayTableTarget {
 public:
  virtual ~ReplayTableTarget() = default;

  // One recorded message; false (the table unchanged) when it is not one the table plays back
  // or its body is refused.
  virtual bool PlayRecordedMessage(int32_t id, const uint8_t* data, uint32_t length) = 0;
  // The replay goes back to its beginning: the table as it was before the deal.
  virtual void OnReplayRewound() = 0;
  // The replay stops or goes on: the table's clock stops or goes on with it.
  virtual void OnReplayPaused(bool paused) = 0;
};

}  // namespace shell
