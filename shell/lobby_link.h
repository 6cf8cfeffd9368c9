// The lobby program's window, as the client talks to it: posted messages and WM_COPYDATA
// records sent with a time-out. There is no lobby program here; LobbyStandIn keeps what the
// client sends (the last 256 of each kind) and can hand the client the records a lobby would:
// the start data as record 1.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "shell/enter_game_data.h"

namespace platform {
class Window;
}

namespace shell {

class LobbyLink {
 public:
  virtual ~LobbyLink() = default;
  // Whether the lobby's window still exists.
  virtual bool IsWindow() = 0;
  virtual bool PostMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
  // A WM_COPYDATA record; false when the lobby did not take it within timeout_ms.
  virtual bool SendCopyData(uint32_t code, const void* data, uint32_t size, uint32_t timeout_ms) = 0;
};

struct LobbyPost {
  uint32_t message = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

struct LobbyRecord {
  uint32_t code = 0;
  std::vector<uint8_t> data;
};

class LobbyStandIn final : public LobbyLink {
 public:
  static constexpr size_t kKept = 256;

  bool IsWindow() override { return alive_; }
  bool PostMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
  bool SendCopyData(uint32_t code, const void* data, uint32_t size, uint32_t timeout_ms) override;

  // Closes or reopens the stand-in's "window".
  void SetAlive(bool alive) { alive_ = alive; }
  const std::deque<LobbyPost>& Posts() const { return posts_; }
  const std::deque<LobbyRecord>& Records() const { return records_; }
  void Clear();

  // Sends the client's window a record as the lobby would (WM_COPYDATA); the window's answer.
  static bool DeliverRecord(platform::Window& client, uint32_t code, const std::vector<uint8_t>& data);
  static bool DeliverStartData(platform::Window& client, const EnterGameData& data);

 private:
  bool alive_ = true;
  std::deque<LobbyPost> posts_;
  std::deque<LobbyRecord> records_;
};

}  // namespace shell
