#include "shell/lobby_link.h"

#include "engine/core/engine_log.h"
#include "platform/window.h"
#include "shell/app_messages.h"

namespace shell {

bool LobbyStandIn::PostMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (!alive_) return false;
  engine::WriteGameLog("lobby: message 0x%X (%lu, %ld)", message, static_cast<unsigned long>(wparam),
                       static_cast<long>(lparam));
  if (posts_.size() == kKept) posts_.pop_front();
  posts_.push_back(LobbyPost{message, wparam, lparam});
  return true;
}

bool LobbyStandIn::SendCopyData(uint32_t code, const void* data, uint32_t size, uint32_t) {
  if (!alive_) return false;
  engine::WriteGameLog("lobby: record %u (%u bytes)", code, size);
  if (records_.size() == kKept) records_.pop_front();
  LobbyRecord record;
  record.code = code;
  if (data != nullptr && size > 0) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    record.data.assign(bytes, bytes + size);
  }
  records_.push_back(std::move(record));
  return true;
}

void LobbyStandIn::Clear() {
  posts_.clear();
  records_.clear();
}

bool LobbyStandIn::DeliverRecord(platform::Window& client, uint32_t code, const std::vector<uint8_t>& data) {
  platform::COPYDATASTRUCT copy;
  copy.dwData = code;
  copy.cbData = static_cast<uint32_t>(data.size());
  copy.lpData = data.empty() ? nullptr : data.data();
  return client.SendMessage(platform::WM_COPYDATA, 0, reinterpret_cast<intptr_t>(&copy)) != 0;
}

bool LobbyStandIn::DeliverStartData(platform::Window& client, const EnterGameData& data) {
  return DeliverRecord(client, lobby_record::kStartData, data.Serialize());
}

}  // namespace shell
