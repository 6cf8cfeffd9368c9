// How the session reaches the game server: a transport takes requests, hands back the answer to
// a waiting request, and passes on what the server pushes.
//
// A transport is a few virtual calls, like the window backends. The program installs one at a
// time (CurrentTransport): the client's own is NotConnectedTransport, since it does not talk to
// a game server; tests install a scripted server (tests/support/fake_game_server.h).
//
// Pushed notifications go to one sink, the application's notification handler. Everything here
// is called on the user-interface thread; a transport that receives on another thread hands its
// answers and notifications over to that thread before it delivers them.
#pragma once

#include <cstdint>
#include <vector>

namespace net {

// One request as the session hands it over. The answer to it carries the same sequence number.
struct OutgoingRequest {
  uint32_t request_id = 0;
  uint32_t sequence = 0;
  bool wants_answer = false;
  std::vector<uint8_t> body;  // little-endian record of the request
};

struct Answer {
  uint32_t sequence = 0;
  int32_t code = 0;
  std::vector<uint8_t> body;
};

class Transport {
 public:
  virtual ~Transport() = default;
  // Whether a server is there to talk to.
  virtual bool IsConnected() const = 0;
  // Hands a request over; false when it could not go out.
  virtual bool Send(const OutgoingRequest& request) = 0;
  // Waits at most timeout_ms (on the platform clock) for the answer to `sequence`; true with it.
  // It may return false early; the session then looks at the clock and waits again. Answers to
  // other sequences that come meanwhile are dropped, since nobody waits for them any longer.
  virtual bool WaitAnswer(uint32_t sequence, uint32_t timeout_ms, Answer* out) = 0;
};

// The client's transport: no server. Nothing is sent and no answer ever comes.
class NotConnectedTransport final : public Transport {
 public:
  bool IsConnected() const override { return false; }
  bool Send(const OutgoingRequest& request) override;
  bool WaitAnswer(uint32_t, uint32_t, Answer*) override { return false; }
};

// The installed transport (a NotConnectedTransport until something else is installed).
Transport& CurrentTransport();
// Installs a transport (not owned); null reinstalls the not-connected one. Returns the previous one.
Transport* InstallTransport(Transport* transport);

// While alive, the given transport is installed; the previous one comes back afterwards.
class ScopedTransport {
 public:
  explicit ScopedTransport(Transport& transport) : previous_(InstallTransport(&transport)) {}
  ~ScopedTransport() { InstallTransport(previous_); }
  ScopedTransport(const ScopedTransport&) = delete;
  ScopedTransport& operator=(const ScopedTransport&) = delete;

 private:
  Transport* previous_;
};

// Where server notifications go: the body is valid during the call only.
class NotificationSink {
 public:
  virtual ~NotificationSink() = default;
  virtual void Dispatch(uint32_t notification_id, const uint8_t* body, uint32_t length) = 0;
};

// Sets the sink (not owned; null: none). Returns the previous one.
NotificationSink* SetNotificationSink(NotificationSink* sink);
NotificationSink* CurrentNotificationSink();
// Hands a notification to the sink; without one it is dropped with a log line.
void DeliverNotification(uint32_t notification_id, const uint8_t* body, uint32_t length);

}  // namespace net
