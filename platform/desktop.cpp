// The desktop calls, handed to the running window backend.
#include "platform/desktop.h"

#include "platform/window_backend.h"

namespace platform {
namespace {

// The backend and the window's open state, or null when the call cannot go anywhere.
WindowBackend* BackendFor(Window* window) {
  WindowBackend* backend = ActiveWindowBackend();
  if (backend == nullptr || window == nullptr || !window->IsWindow()) return nullptr;
  return backend;
}

}  // namespace

bool GetWorkArea(RECT* out) {
  if (out == nullptr) return false;
  *out = RECT{};
  WindowBackend* backend = ActiveWindowBackend();
  return backend != nullptr && backend->QueryWorkArea(out);
}

bool IsForegroundWindow(Window* window) {
  WindowBackend* backend = BackendFor(window);
  return backend != nullptr && backend->IsForeground(*window);
}

bool SetForegroundWindow(Window* window) {
  WindowBackend* backend = BackendFor(window);
  if (backend == nullptr) return false;
  backend->Raise(*window);
  return true;
}

bool FlashIfNotForeground(Window* window) {
  WindowBackend* backend = BackendFor(window);
  if (backend == nullptr || backend->IsForeground(*window)) return false;
  backend->Flash(*window);
  return true;
}

bool SetTextInputRect(Window* window, const RECT& client_rect) {
  WindowBackend* backend = BackendFor(window);
  if (backend == nullptr) return false;
  backend->SetTextInputRect(*window, client_rect);
  return true;
}

}  // namespace platform
