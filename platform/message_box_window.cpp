// The message box as an SDL window drawn with the client's font: laid out and painted into a
// pixel block of our own, shown through the window's surface, answered from its own events.
#include "platform/message_box_window.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/font.h"
#include "platform/gbk.h"
#include "platform/message_box.h"
#include "platform/x11_connection.h"
#include "platform/x11_window.h"

namespace platform {
namespace {

constexpr int kFontHeight = 14;
constexpr int kLineGap = 5;
constexpr int kMargin = 20;
constexpr int kWrapWidth = 420;
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 10;
constexpr int kMinWidth = 240;
// What a window manager's frame may add around the box (a title bar above, borders).
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 40;
constexpr char32_t kEllipsis = U'\u2026';

constexpr uint32_t kBackground = 0xFFF0F0F0;
constexpr uint32_t kInk = 0xFF000000;
constexpr uint32_t kButtonFace = 0xFFE1E1E1;
constexpr uint32_t kButtonPressed = 0xFFCCE4F7;
constexpr uint32_t kButtonEdge = 0xFFADADAD;
constexpr uint32_t kFocusEdge = 0xFF0078D7;

struct Button {
  int answer;
  std::u32string label;
  int x, y;
};

struct Layout {
  int width = 0, height = 0;
  std::vector<std::u32string> lines;
  std::vector<Button> buttons;
  int way_out = IDOK;
};

int TextWidth(Font& font, const std::u32string& text) {
  int width = 0;
  for (char32_t c : text) width += font.Advance(c);
  return width;
}

// The text's lines: broken at each line end, and wrapped before a character that would pass the
// wrap width (at the last blank before it, when the line has one).
std::vector<std::u32string> WrapText(Font& font, const std::u32string& text, int wrap_width) {
  std::vector<std::u32string> lines(1);
  int width = 0;
  for (char32_t c : text) {
    if (c == U'\r') continue;
    if (c == U'\n') {
      lines.emplace_back();
      width = 0;
      continue;
    }
    const int advance = font.Advance(c);
    if (width + advance > wrap_width && !lines.back().empty()) {
      // The word the line ends in goes down with the character, when the line has a blank.
      std::u32string rest;
      const size_t blank = lines.back().rfind(U' ');
      if (blank != std::u32string::npos && blank > 0) {
        rest = lines.back().substr(blank + 1);
        lines.back().erase(blank);
      }
      lines.push_back(rest);
      width = TextWidth(font, rest);
    }
    lines.back() += c;
    width += advance;
  }
  return lines;
}

// Keeps the first `count` lines; the last one kept then ends in an ellipsis within the width.
void CutLines(Font& font, std::vector<std::u32string>& lines, size_t count, int wrap_width) {
  if (lines.size() <= count) return;
  lines.resize(count);
  std::u32string& last = lines.back();
  const int ellipsis = font.Advance(kEllipsis);
  while (!last.empty() && TextWidth(font, last) + ellipsis > wrap_width) last.pop_back();
  last += kEllipsis;
}

// The box's layout within an area of the screen (the work area): the text wraps within its
// width, and what does not fit its height is cut.
Layout LayOut(Font& font, const std::string& text, unsigned type, int area_width, int area_height) {
  Layout layout;
  const std::u32string ok = GbkToUcs4("确定"), cancel = GbkToUcs4("取消"), yes = GbkToUcs4("是"), no = GbkToUcs4("否");
  switch (type & 0xF) {
    case MB_OKCANCEL:
      layout.buttons = {{IDOK, ok, 0, 0}, {IDCANCEL, cancel, 0, 0}};
      layout.way_out = IDCANCEL;
      break;
    case MB_YESNO:
      layout.buttons = {{IDYES, yes, 0, 0}, {IDNO, no, 0, 0}};
      layout.way_out = IDNO;
      break;
    case MB_YESNOCANCEL:
      layout.buttons = {{IDYES, yes, 0, 0}, {IDNO, no, 0, 0}, {IDCANCEL, cancel, 0, 0}};
      layout.way_out = IDCANCEL;
      break;
    default:
      layout.buttons = {{IDOK, ok, 0, 0}};
      break;
  }
  const int count = static_cast<int>(layout.buttons.size());
  const int row_width = count * kButtonWidth + (count - 1) * kButtonGap;
  // The text takes at least the buttons' width, at most what the area leaves.
  const int wrap_width = std::max(row_width, std::min(kWrapWidth, area_width - kFrameWidth - 2 * kMargin));
  layout.lines = WrapText(font, GbkToUcs4(text), wrap_width);
  // Below the text: a margin, the buttons and the bottom margin.
  const int below = kMargin + kButtonHeight + kMargin - 4;
  const int pitch = kFontHeight + kLineGap;
  const int room = area_height - kFrameHeight - kMargin - below + kLineGap;
  CutLines(font, layout.lines, static_cast<size_t>(std::max(1, room / pitch)), wrap_width);
  int text_width = 0;
  for (const std::u32string& line : layout.lines) text_width = std::max(text_width, TextWidth(font, line));
  layout.width = std::max({kMinWidth, text_width + 2 * kMargin, row_width + 2 * kMargin});
  const int text_height = static_cast<int>(layout.lines.size()) * pitch - kLineGap;
  const int row_top = kMargin + text_height + kMargin;
  layout.height = kMargin + text_height + below;
  for (int i = 0; i < count; ++i) {
    layout.buttons[static_cast<size_t>(i)].x = (layout.width - row_width) / 2 + i * (kButtonWidth + kButtonGap);
    layout.buttons[static_cast<size_t>(i)].y = row_top;
  }
  return layout;
}

class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, kBackground) {}
  void Fill(int x, int y, int w, int h, uint32_t colour) {
    for (int yy = std::max(y, 0); yy < std::min(y + h, height_); ++yy) {
      for (int xx = std::max(x, 0); xx < std::min(x + w, width_); ++xx) pixels_[static_cast<size_t>(yy) * width_ + xx] = colour;
    }
  }
  void Frame(int x, int y, int w, int h, int thickness, uint32_t colour) {
    Fill(x, y, w, thickness, colour);
    Fill(x, y + h - thickness, w, thickness, colour);
    Fill(x, y, thickness, h, colour);
    Fill(x + w - thickness, y, thickness, h, colour);
  }
  // Draws text with its cell's top at y, sharp as the program's small text is.
  void Text(Font& font, const std::u32string& text, int x, int y) {
    GlyphImage glyph;
    for (char32_t c : text) {
      if (font.RenderGlyph(c, false, glyph)) {
        const int left = x + glyph.left, top = y + font.Baseline() - glyph.top;
        for (int row = 0; row < glyph.rows; ++row) {
          for (int col = 0; col < glyph.width; ++col) {
            if (glyph.coverage[static_cast<size_t>(row) * glyph.width + col] >= 128) Fill(left + col, top + row, 1, 1, kInk);
          }
        }
      }
      x += font.Advance(c);
    }
  }
  std::vector<uint32_t>& pixels() { return pixels_; }

 private:
  int width_, height_;
  std::vector<uint32_t> pixels_;
};

std::vector<uint32_t> Paint(Font& font, const Layout& layout, int focused, int pressed) {
  Canvas canvas(layout.width, layout.height);
  int y = kMargin;
  for (const std::u32string& line : layout.lines) {
    canvas.Text(font, line, kMargin, y);
    y += kFontHeight + kLineGap;
  }
  for (int i = 0; i < static_cast<int>(layout.buttons.size()); ++i) {
    const Button& b = layout.buttons[static_cast<size_t>(i)];
    canvas.Fill(b.x, b.y, kButtonWidth, kButtonHeight, i == pressed ? kButtonPressed : kButtonFace);
    canvas.Frame(b.x, b.y, kButtonWidth, kButtonHeight, i == focused ? 2 : 1, i == focused ? kFocusEdge : kButtonEdge);
    const int label = TextWidth(font, b.label);
    canvas.Text(font, b.label, b.x + (kButtonWidth - label) / 2, b.y + (kButtonHeight - kFontHeight) / 2);
  }
  return std::move(canvas.pixels());
}

int ButtonAt(const Layout& layout, int x, int y) {
  for (size_t i = 0; i < layout.buttons.size(); ++i) {
    const Button& b = layout.buttons[i];
    if (x >= b.x && x < b.x + kButtonWidth && y >= b.y && y < b.y + kButtonHeight) return static_cast<int>(i);
  }
  return -1;
}

// The window's own events, taken out of SDL's queue; every other event stays there, in order.
struct OwnEvents {
  Uint32 window;
  unsigned long x11_window;  // 0 off X11
  std::vector<SDL_Event> taken;
};

Uint32 WindowOf(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT:
      return e.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return e.key.windowID;
    case SDL_TEXTEDITING:
      return e.edit.windowID;
    case SDL_TEXTINPUT:
      return e.text.windowID;
    case SDL_MOUSEMOTION:
      return e.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return e.button.windowID;
    case SDL_MOUSEWHEEL:
      return e.wheel.windowID;
    default:
      return 0;
  }
}

int TakeOwn(void* data, SDL_Event* event) {
  auto* own = static_cast<OwnEvents*>(data);
  if (event->type == SDL_SYSWMEVENT) {
    // The server's own events: the box's destruction by another program is noted (a box that
    // asks nothing of the server meets no error that would tell); the box's are dropped.
    X11NoteEvent(event->syswm.msg);
    return own->x11_window == 0 || X11EventWindow(event->syswm.msg) != own->x11_window;
  }
  if (WindowOf(*event) != own->window) return 1;
  own->taken.push_back(*event);
  return 0;
}

void Show(SDL_Window* window, const Layout& layout, const std::vector<uint32_t>& pixels) {
  SDL_Surface* target = SDL_GetWindowSurface(window);
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels.data()), layout.width,
                                                           layout.height, 32, layout.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (target != nullptr && source != nullptr) {
    SDL_BlitSurface(source, nullptr, target, nullptr);
    SDL_UpdateWindowSurface(window);
  }
  SDL_FreeSurface(source);
}

// The work area the box stands in: the owner's display's, else the first display's.
SDL_Rect WorkArea(SDL_Window* owner) {
  const int display = owner != nullptr ? std::max(0, SDL_GetWindowDisplayIndex(owner)) : 0;
  SDL_Rect area{0, 0, 1024, 768};
  if (SDL_GetDisplayUsableBounds(display, &area) != 0 || area.w <= 0 || area.h <= 0) area = SDL_Rect{0, 0, 1024, 768};
  return area;
}

}  // namespace

int ShowWindowMessageBox(const std::string& text, const std::string& caption, unsigned type, SDL_Window* owner) {
  const std::unique_ptr<Font> font = Font::Open("宋体", kFontHeight, 400, false);
  if (!font) return (type & 0xF) == MB_OK ? IDOK : (type & 0xF) == MB_YESNO ? IDNO : IDCANCEL;
  const SDL_Rect area = WorkArea(owner);
  const Layout layout = LayOut(*font, text, type, area.w, area.h);
  // Shown only once it is a dialog: window managers read a window's kind as it is first shown.
  // Transient for its owner, a window manager keeps it above that; without one it stays on top.
  SDL_Window* window = SDL_CreateWindow(GbkToUtf8(caption).c_str(), area.x + (area.w - layout.width) / 2,
                                        area.y + (area.h - layout.height) / 2, layout.width, layout.height,
                                        SDL_WINDOW_HIDDEN | (owner != nullptr ? 0 : SDL_WINDOW_ALWAYS_ON_TOP));
  if (window == nullptr) return layout.way_out;
  // A box shown before the program has a window of its own watches the connection itself, so a
  // display that goes away ends the box instead of the process. The box's window is watched too:
  // the errors about it once another program destroyed it mark it gone instead of ending the
  // process.
  const X11Connection x11 = FindX11Connection(window);
  if (!X11ConnectionWatched(x11)) X11WatchConnection(x11);
  const unsigned long x11_window = X11WatchWindow(window);
  X11MakeDialog(x11, window);
  X11SetWindowNames(x11, window, GbkToUtf8(caption));
  if (owner != nullptr) SDL_SetWindowModalFor(window, owner);
  // Neither showing it nor closing it waits on a connection that may break meanwhile.
  X11ShowWindowUnwaited(x11, window, x11_window);
  SDL_RaiseWindow(window);
  OwnEvents own{SDL_GetWindowID(window), x11_window, {}};
  int focused = 0, pressed = -1, held = -1;  // held: the button the pointer went down on
  int answer = -1;
  bool dirty = true;
  while (answer < 0) {
    if (dirty) Show(window, layout, Paint(*font, layout, focused, pressed));
    dirty = false;
    own.taken.clear();
    SDL_PumpEvents();
    SDL_FilterEvents(TakeOwn, &own);
    // A box another program destroyed is closed: its way out is the answer.
    if (X11WindowGone(x11_window)) {
      answer = layout.way_out;
      break;
    }
    if (own.taken.empty()) {
      // A display that went away takes the box with it: its way out is the answer.
      if (X11ConnectionBroken()) {
        ReportProblem("message box: the connection to the display was lost");
        answer = layout.way_out;
      }
      SDL_Delay(10);
      continue;
    }
    const int count = static_cast<int>(layout.buttons.size());
    for (const SDL_Event& e : own.taken) {
      if (answer >= 0) break;
      if (e.type == SDL_WINDOWEVENT) {
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) answer = layout.way_out;
        dirty = true;  // shown, exposed, resized: drawn again
      } else if (e.type == SDL_KEYDOWN) {
        const SDL_Keycode key = e.key.keysym.sym;
        if (key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_SPACE) {
          answer = layout.buttons[static_cast<size_t>(focused)].answer;
        } else if (key == SDLK_ESCAPE) {
          answer = layout.way_out;
        } else if (key == SDLK_TAB || key == SDLK_RIGHT || key == SDLK_DOWN) {
          focused = (focused + ((e.key.keysym.mod & KMOD_SHIFT) && key == SDLK_TAB ? count - 1 : 1)) % count;
          dirty = true;
        } else if (key == SDLK_LEFT || key == SDLK_UP) {
          focused = (focused + count - 1) % count;
          dirty = true;
        }
      } else if (e.type == SDL_MOUSEBUTTONDOWN && e.button.button == SDL_BUTTON_LEFT) {
        held = pressed = ButtonAt(layout, e.button.x, e.button.y);
        if (held >= 0) focused = held;
        dirty = true;
      } else if (e.type == SDL_MOUSEMOTION && held >= 0) {
        const int over = ButtonAt(layout, e.motion.x, e.motion.y) == held ? held : -1;
        dirty = over != pressed;
        pressed = over;
      } else if (e.type == SDL_MOUSEBUTTONUP && e.button.button == SDL_BUTTON_LEFT) {
        if (held >= 0 && ButtonAt(layout, e.button.x, e.button.y) == held) answer = layout.buttons[static_cast<size_t>(held)].answer;
        held = pressed = -1;
        dirty = true;
      }
    }
  }
  X11DestroyWindowUnwaited(x11, window, x11_window);
  // The server's answers to the requests that closed it come while it is still watched: another
  // program may have destroyed it just before.
  X11Sync(x11);
  X11ForgetWindow(x11_window);
  // What the window still had on its way out is nobody else's.
  own.taken.clear();
  SDL_PumpEvents();
  SDL_FilterEvents(TakeOwn, &own);
  return answer;
}

}  // namespace platform
