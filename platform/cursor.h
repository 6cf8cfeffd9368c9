// Mouse cursors: system cursors by id, cursors read from .cur files, the current cursor, the
// show/hide display count and cursor clipping, with the Win32 names the engine calls.
//
// A cursor handle points to a CursorShape that lives until the process ends (like a shared
// Windows cursor handle, it is never destroyed). The window backend turns a shape into what its
// display shows; without a window the calls keep their state so that tests can read it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace platform {

struct CursorShape {
  uint32_t system_id = 0;  // IDC_ value for a system cursor, else 0
  int width = 0;
  int height = 0;
  int hot_x = 0;
  int hot_y = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, width * height, rows top down (empty for a system cursor)
};
using HCURSOR = const CursorShape*;

// instance null: the system cursor with that IDC_ id, the same handle for the same id every
// time; null for an unknown id. Any other instance asks for an application resource cursor,
// which this program does not have: null and a log line.
HCURSOR LoadCursorA(const void* instance, uintptr_t id);
// A cursor from a .cur file (path in GBK); null, with a log line, when it cannot be read.
HCURSOR LoadCursorFromFileA(const char* path);

// Makes the cursor current (null removes the cursor from the window); returns the previous one.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

// Adds one to (show) or takes one from (hide) the display count and returns the new count;
// the cursor shows while the count is 0 or more. It starts at 0.
int ShowCursor(bool show);

// Keeps the cursor inside a screen rectangle; null frees it.
bool ClipCursor(const RECT* screen_rect);
// The clip rectangle, or the whole screen (a very large rectangle) when the cursor is free.
bool GetClipCursor(RECT* out);

// The cursor position in screen coordinates.
bool GetCursorPos(POINT* out);
bool SetCursorPos(int x, int y);

// Reads the first image of a .cur (or .ico) file: BMP images of 1, 4, 8, 24 or 32 bits with
// their AND mask. Animated cursors and PNG images are refused. error says why on failure.
bool ParseCursorFile(std::span<const uint8_t> bytes, CursorShape* out, std::string* error);

}  // namespace platform
