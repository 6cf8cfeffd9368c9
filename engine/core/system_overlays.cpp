// The engine's own overlays, drawn on behalf of any object: the message box, the system details
// box, the system note and the system board; and the settings-routed message.
#include "engine/core/object_services.h"

namespace engine {

void ObjectServices::ShowMessageBox(const char*, const ObjectMessage*, const ObjectMessage*, int32_t) {}
void ObjectServices::ShowSystemDetails() {}
void ObjectServices::ShowSystemNote(bool) {}
void ObjectServices::ShowSystemBoard(const char*, int32_t) {}
void ObjectServices::HideSystemBoard() {}
CanvasObject* ObjectServices::GetSystemBoard() { return nullptr; }

void ObjectServices::SendSettingsMessage(uintptr_t p1, uintptr_t p2) {
  const int32_t target = GetIntSetting(setting::kSettingsMessageTarget);
  if (target == 0) return;
  const int32_t id = GetIntSetting(setting::kSettingsMessageId);
  if (id == 0) return;
  const ObjectMessage message = MakeMessage(static_cast<uint32_t>(target), static_cast<uint32_t>(id), p1, p2);
  SendMessage(&message);
}

}  // namespace engine
