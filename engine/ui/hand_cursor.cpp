#include "engine/ui/hand_cursor.h"

#include "engine/core/cursor_object.h"
#include "engine/core/object_services.h"
#include "platform/win_messages.h"

namespace engine {

void ShowHandCursor(ObjectServices* services, bool hand) {
  if (services == nullptr) return;
  if (EngineObject* cursors = services->FindObjectByName(kCursorObjectName)) {
    const ObjectMessage m =
        MakeMessage(cursors->GetKey(), hand ? QUILLARON_EVENT_CURSOR_HAND : QUILLARON_EVENT_CURSOR_ARROW, 0, 0);
    cursors->OnMessage(&m);
    return;
  }
  services->SetCursorHandle(platform::LoadCursorA(nullptr, hand ? platform::IDC_HAND : platform::IDC_ARROW));
}

}  // namespace engine
