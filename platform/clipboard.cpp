// Clipboard text: converted between GBK and UTF-8 here, held by the backend's system clipboard
// or, without one, in memory.
#include "platform/clipboard.h"

#include <mutex>

#include "platform/gbk.h"
#include "platform/window_backend.h"

namespace platform {
namespace {
std::mutex g_mutex;
std::string g_text;  // UTF-8, when the backend has no clipboard of its own
}  // namespace

void ResetClipboardState() {
  std::lock_guard lock(g_mutex);
  g_text.clear();
}

bool SetClipboardText(std::string_view gbk) {
  const std::string utf8 = GbkToUtf8(gbk);
  if (WindowBackend* b = ActiveWindowBackend(); b && b->SetClipboard(utf8)) return true;
  std::lock_guard lock(g_mutex);
  g_text = utf8;
  return true;
}

std::string GetClipboardText() {
  std::string utf8;
  WindowBackend* b = ActiveWindowBackend();
  if (!b || !b->GetClipboard(&utf8)) {
    std::lock_guard lock(g_mutex);
    utf8 = g_text;
  }
  return Utf8ToGbk(utf8);
}

bool HasClipboardText() { return !GetClipboardText().empty(); }

}  // namespace platform
