// Cursor handles and the cursor state every backend shares: the current cursor, the display
// count, the clip rectangle and (without a pointer of the backend's own) the cursor position.
#include "platform/cursor.h"

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <mutex>

#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/win_messages.h"
#include "platform/window_backend.h"

namespace platform {
namespace {

struct CursorState {
  std::mutex mutex;  // guards the handle tables: cursors may be loaded from any thread
  std::map<uint32_t, std::unique_ptr<CursorShape>> system;
  std::vector<std::unique_ptr<CursorShape>> loaded;
  HCURSOR current = nullptr;
  int display_count = 0;
  bool clipped = false;
  RECT clip{};
  POINT position{};
};

CursorState& C() {
  static CursorState state;
  return state;
}

constexpr uint32_t kSystemCursors[] = {IDC_ARROW,  IDC_IBEAM,  IDC_WAIT,    IDC_CROSS, IDC_SIZENWSE, IDC_SIZENESW,
                                       IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO,    IDC_HAND};

void Apply() {
  if (WindowBackend* b = ActiveWindowBackend()) b->ApplyCursor(C().current, C().display_count >= 0);
}

}  // namespace

void ResetCursorState() {
  CursorState& c = C();
  c.current = nullptr;
  c.display_count = 0;
  c.clipped = false;
  c.clip = RECT{};
  c.position = POINT{};
}

HCURSOR LoadCursorA(const void* instance, uintptr_t id) {
  if (instance) {
    ReportProblem("cursor: resource cursor %u requested, but the program has no cursor resources",
                  static_cast<unsigned>(id));
    return nullptr;
  }
  if (std::find(std::begin(kSystemCursors), std::end(kSystemCursors), id) == std::end(kSystemCursors)) return nullptr;
  CursorState& c = C();
  std::lock_guard lock(c.mutex);
  auto& slot = c.system[static_cast<uint32_t>(id)];
  if (!slot) {
    slot = std::make_unique<CursorShape>();
    slot->system_id = static_cast<uint32_t>(id);
  }
  return slot.get();
}

HCURSOR LoadCursorFromFileA(const char* path) {
  if (!path || !*path) return nullptr;
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, &bytes)) {
    ReportProblem("cursor: cannot read %s", GbkToUtf8(path).c_str());
    return nullptr;
  }
  auto shape = std::make_unique<CursorShape>();
  std::string error;
  if (!ParseCursorFile(bytes, shape.get(), &error)) {
    ReportProblem("cursor: %s: %s", GbkToUtf8(path).c_str(), error.c_str());
    return nullptr;
  }
  CursorState& c = C();
  std::lock_guard lock(c.mutex);
  c.loaded.push_back(std::move(shape));
  return c.loaded.back().get();
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = C().current;
  C().current = cursor;
  if (previous != cursor) Apply();
  return previous;
}

HCURSOR GetCursor() { return C().current; }

int ShowCursor(bool show) {
  CursorState& c = C();
  const bool was_visible = c.display_count >= 0;
  c.display_count += show ? 1 : -1;
  if (was_visible != (c.display_count >= 0)) Apply();
  return c.display_count;
}

bool ClipCursor(const RECT* screen_rect) {
  CursorState& c = C();
  c.clipped = screen_rect != nullptr;
  c.clip = screen_rect ? *screen_rect : RECT{};
  if (WindowBackend* b = ActiveWindowBackend()) b->ApplyClip(screen_rect);
  if (c.clipped) {
    c.position.x = std::clamp(c.position.x, c.clip.left, std::max(c.clip.left, c.clip.right - 1));
    c.position.y = std::clamp(c.position.y, c.clip.top, std::max(c.clip.top, c.clip.bottom - 1));
  }
  return true;
}

bool GetClipCursor(RECT* out) {
  if (!out) return false;
  const CursorState& c = C();
  *out = c.clipped ? c.clip : RECT{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};
  return true;
}

bool GetCursorPos(POINT* out) {
  if (!out) return false;
  WindowBackend* b = ActiveWindowBackend();
  if (!b || !b->QueryCursorPos(out)) *out = C().position;
  return true;
}

bool SetCursorPos(int x, int y) {
  CursorState& c = C();
  if (c.clipped) {
    x = std::clamp(x, c.clip.left, std::max(c.clip.left, c.clip.right - 1));
    y = std::clamp(y, c.clip.top, std::max(c.clip.top, c.clip.bottom - 1));
  }
  c.position = POINT{x, y};
  if (WindowBackend* b = ActiveWindowBackend()) b->WarpCursor(x, y);
  return true;
}

}  // namespace platform
