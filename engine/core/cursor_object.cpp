// The cursor object's table and its three messages.
#include "engine/core/cursor_object.h"

#include <cstring>

#include "engine/core/engine_log.h"
#include "platform/win_messages.h"

namespace engine {
namespace {
// Stands for the application's own module when a cursor resource is asked for.
const int kApplicationInstance = 0;
}  // namespace

CursorObject::CursorObject() { SetName(kCursorObjectName); }

// The handles themselves stay: cursors live as long as the program.
CursorObject::~CursorObject() { cursors_.clear(); }

platform::HCURSOR CursorObject::Add(platform::HCURSOR loaded, int32_t number) {
  if (!loaded) return nullptr;
  cursors_.emplace(number, loaded);
  return loaded;
}

platform::HCURSOR CursorObject::AddCursorFromFile(const char* path, int32_t number) {
  if (cursors_.count(number) != 0 || !path) return nullptr;
  if (std::strlen(path) > kMaxPath) {
    WriteGameLog("CursorObject: cursor path longer than %zu characters refused", kMaxPath);
    return nullptr;
  }
  return Add(platform::LoadCursorFromFileA(path), number);
}

platform::HCURSOR CursorObject::AddCursorFromResource(uint32_t resource_id, int32_t number) {
  if (cursors_.count(number) != 0) return nullptr;
  return Add(platform::LoadCursorA(&kApplicationInstance, resource_id & 0xFFFF), number);
}

platform::HCURSOR CursorObject::AddSystemCursor(uint32_t system_id, int32_t number) {
  if (cursors_.count(number) != 0) return nullptr;
  return Add(platform::LoadCursorA(nullptr, system_id), number);
}

platform::HCURSOR CursorObject::FindCursor(int32_t number) {
  const auto it = cursors_.find(number);
  return it == cursors_.end() ? nullptr : it->second;
}

void CursorObject::ApplyCursor() {
  if (current_) platform::SetCursor(current_);
}

void CursorObject::SetCurrentHandle(platform::HCURSOR cursor) {
  if (!cursor) return;
  current_ = cursor;
  ApplyCursor();
}

void CursorObject::SelectCursor(int32_t number) { SetCurrentHandle(FindCursor(number)); }

void CursorObject::SelectSystemCursor(uint32_t system_id) {
  SetCurrentHandle(platform::LoadCursorA(nullptr, system_id));
}

void CursorObject::SelectResourceCursor(uint32_t resource_id) {
  SetCurrentHandle(platform::LoadCursorA(&kApplicationInstance, resource_id & 0xFFFF));
}

int CursorObject::OnMessage(const ObjectMessage* message) {
  if (!message) return 0;
  switch (message->id) {
    case QUILLARON_EVENT_CURSOR_HAND:
      if (FindCursor(1)) {
        SelectCursor(1);
      } else {
        SelectSystemCursor(platform::IDC_HAND);
      }
      return 1;
    case QUILLARON_EVENT_CURSOR_ARROW:
      if (FindCursor(0)) {
        SelectCursor(0);
      } else {
        SelectSystemCursor(platform::IDC_ARROW);
      }
      return 1;
    case QUILLARON_EVENT_SET_CURSOR:
      ApplyCursor();
      return 1;
    default:
      return 0;
  }
}

}  // namespace engine
