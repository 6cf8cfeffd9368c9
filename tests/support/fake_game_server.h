// A scripted game server on the session's transport interface, for tests.
//
// It answers each request by its id with a scripted code and body (code 0 and no body when
// nothing is scripted), at once or after a delay, or stays silent so that the request times out.
// Waiting moves the manual clock on instead of sleeping: a silent server advances the clock by
// the whole time-out. Push hands a notification to the application's dispatch, as the server's
// push would. Every request, answer and push is written down as a line of text, so a test can
// read the exchange as a transcript:
//   "-> 201211 #1 wait 128: 0a000000 ..."   a request (id, sequence, wait or post, body words)
//   "<- #1 0 (8)"                            an answer (sequence, code, body bytes)
//   "<- #1 silent"                           no answer
//   "push 229500 (24)"                       a notification
//
// Install it with ScopedFakeServer, like the manual clock.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "net/transport.h"
#include "platform/clock.h"

namespace test {

class FakeGameServer final : public net::Transport {
 public:
  struct Received {
    uint32_t request_id = 0;
    uint32_t sequence = 0;
    bool wants_answer = false;
    std::vector<uint8_t> body;
  };

  explicit FakeGameServer(platform::ManualClock& clock) : clock_(clock) {}

  // Every request of this id is answered so (until scripted again).
  void Answer(uint32_t request_id, int32_t code, std::vector<uint8_t> body = {});
  // The next request of this id is answered so; queued answers go before the standing one.
  void AnswerOnce(uint32_t request_id, int32_t code, std::vector<uint8_t> body = {});
  // Every request of this id is answered after delay_ms of the clock.
  void AnswerAfter(uint32_t request_id, uint32_t delay_ms, int32_t code, std::vector<uint8_t> body = {});
  // Requests of this id get no answer.
  void StaySilent(uint32_t request_id);
  // A disconnected server takes no requests.
  void SetConnected(bool connected) { connected_ = connected; }

  // Hands a notification to the dispatch now.
  void Push(uint32_t notification_id, const std::vector<uint8_t>& body);
  // Called with each request as it arrives, before it is answered: a test looks at the client
  // while the request waits.
  std::function<void(const Received&)> on_request;

  const std::vector<Received>& Requests() const { return requests_; }
  // The last request of that id, or null.
  const Received* Last(uint32_t request_id) const;
  size_t CountOf(uint32_t request_id) const;
  const std::vector<std::string>& Transcript() const { return transcript_; }
  std::string TranscriptText() const;
  void ClearRecord();

  bool IsConnected() const override { return connected_; }
  bool Send(const net::OutgoingRequest& request) override;
  bool WaitAnswer(uint32_t sequence, uint32_t timeout_ms, net::Answer* out) override;

 private:
  struct Script {
    int32_t code = 0;
    std::vector<uint8_t> body;
    uint32_t delay_ms = 0;
    bool silent = false;
  };
  struct Pending {
    uint32_t sequence = 0;
    uint32_t due = 0;  // tick
    int32_t code = 0;
    std::vector<uint8_t> body;
  };
  Script Next(uint32_t request_id);

  platform::ManualClock& clock_;
  bool connected_ = true;
  std::map<uint32_t, std::deque<Script>> once_;
  std::map<uint32_t, Script> standing_;
  std::vector<Pending> pending_;
  std::vector<Received> requests_;
  std::vector<std::string> transcript_;
};

// While alive, a FakeGameServer on the given manual clock is the session's transport.
class ScopedFakeServer {
 public:
  explicit ScopedFakeServer(platform::ManualClock& clock)
      : server_(clock), previous_(net::InstallTransport(&server_)) {}
  ~ScopedFakeServer() { net::InstallTransport(previous_); }
  ScopedFakeServer(const ScopedFakeServer&) = delete;
  ScopedFakeServer& operator=(const ScopedFakeServer&) = delete;
  FakeGameServer& server() { return server_; }
  FakeGameServer* operator->() { return &server_; }

 private:
  FakeGameServer server_;
  net::Transport* previous_;
};

// Little-endian words as bytes, for scripted bodies and expected requests.
std::vector<uint8_t> Words(std::initializer_list<uint32_t> words);
// Bytes as lowercase hex in groups of four ("0a000000 01000000").
std::string HexWords(const std::vector<uint8_t>& bytes);

}  // namespace test
