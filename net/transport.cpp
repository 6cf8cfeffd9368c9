#include "net/transport.h"

#include "engine/core/engine_log.h"

namespace net {
namespace {

NotConnectedTransport g_not_connected;
Transport* g_transport = nullptr;
NotificationSink* g_sink = nullptr;

}  // namespace

bool NotConnectedTransport::Send(const OutgoingRequest& request) {
  engine::WriteGameLog("session: not connected to a game server; request %u (%zu bytes) dropped", request.request_id,
                       request.body.size());
  return false;
}

Transport& CurrentTransport() { return g_transport ? *g_transport : g_not_connected; }

Transport* InstallTransport(Transport* transport) {
  Transport* previous = g_transport;
  g_transport = transport;
  return previous;
}

NotificationSink* SetNotificationSink(NotificationSink* sink) {
  NotificationSink* previous = g_sink;
  g_sink = sink;
  return previous;
}

NotificationSink* CurrentNotificationSink() { return g_sink; }

void DeliverNotification(uint32_t notification_id, const uint8_t* body, uint32_t length) {
  if (g_sink == nullptr) {
    engine::WriteGameLog("session: notification %u (%u bytes) has no handler; dropped", notification_id, length);
    return;
  }
  if (body == nullptr) length = 0;
  g_sink->Dispatch(notification_id, body, length);
}

}  // namespace net
