// Window message numbers, mouse-key flags, virtual-key codes and the other small constants that
// window messages carry. The values are the ones the game's code and its peers expect.
#pragma once

#include <cstdint>

namespace platform {

// Window messages.
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ERASEBKGND = 0x0014;
// A setting of the system changed (wParam: which, as an SPI_SET code).
constexpr uint32_t WM_SETTINGCHANGE = 0x001A;
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_WINDOWPOSCHANGING = 0x0046;
constexpr uint32_t WM_COPYDATA = 0x004A;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr uint32_t WM_USER = 0x0400;

// WM_SETTINGCHANGE: the work area changed (a panel came, went or changed its size).
constexpr uint32_t SPI_SETWORKAREA = 0x002F;

// WM_SIZE types.
constexpr uint32_t SIZE_RESTORED = 0;
constexpr uint32_t SIZE_MINIMIZED = 1;
constexpr uint32_t SIZE_MAXIMIZED = 2;

// Mouse-key state flags of mouse messages.
constexpr uint32_t MK_LBUTTON = 0x0001;
constexpr uint32_t MK_RBUTTON = 0x0002;
constexpr uint32_t MK_SHIFT = 0x0004;
constexpr uint32_t MK_CONTROL = 0x0008;
constexpr uint32_t MK_MBUTTON = 0x0010;

// One notch of the mouse wheel.
constexpr int WHEEL_DELTA = 120;

// Key flags (the high word of a key message's lParam, as key handlers receive them).
constexpr uint32_t KF_EXTENDED = 0x0100;
constexpr uint32_t KF_ALTDOWN = 0x2000;
constexpr uint32_t KF_REPEAT = 0x4000;
constexpr uint32_t KF_UP = 0x8000;

// Window class style: the window receives double clicks as WM_LBUTTONDBLCLK and its kin.
constexpr uint32_t CS_DBLCLKS = 0x0008;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A' 65, '0' 48).
constexpr uint32_t VK_BACK = 0x08;
constexpr uint32_t VK_TAB = 0x09;
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_SHIFT = 0x10;
constexpr uint32_t VK_CONTROL = 0x11;
constexpr uint32_t VK_MENU = 0x12;
constexpr uint32_t VK_PAUSE = 0x13;
constexpr uint32_t VK_CAPITAL = 0x14;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_PRIOR = 0x21;
constexpr uint32_t VK_NEXT = 0x22;
constexpr uint32_t VK_END = 0x23;
constexpr uint32_t VK_HOME = 0x24;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;
constexpr uint32_t VK_SNAPSHOT = 0x2C;
constexpr uint32_t VK_INSERT = 0x2D;
constexpr uint32_t VK_DELETE = 0x2E;
constexpr uint32_t VK_NUMPAD0 = 0x60;
constexpr uint32_t VK_MULTIPLY = 0x6A;
constexpr uint32_t VK_ADD = 0x6B;
constexpr uint32_t VK_SUBTRACT = 0x6D;
constexpr uint32_t VK_DECIMAL = 0x6E;
constexpr uint32_t VK_DIVIDE = 0x6F;
constexpr uint32_t VK_F1 = 0x70;
constexpr uint32_t VK_NUMLOCK = 0x90;
constexpr uint32_t VK_SCROLL = 0x91;
constexpr uint32_t VK_OEM_1 = 0xBA;       // ;:
constexpr uint32_t VK_OEM_PLUS = 0xBB;    // =+
constexpr uint32_t VK_OEM_COMMA = 0xBC;   // ,<
constexpr uint32_t VK_OEM_MINUS = 0xBD;   // -_
constexpr uint32_t VK_OEM_PERIOD = 0xBE;  // .>
constexpr uint32_t VK_OEM_2 = 0xBF;       // /?
constexpr uint32_t VK_OEM_3 = 0xC0;       // `~
constexpr uint32_t VK_OEM_4 = 0xDB;       // [{
constexpr uint32_t VK_OEM_5 = 0xDC;       // \|
constexpr uint32_t VK_OEM_6 = 0xDD;       // ]}
constexpr uint32_t VK_OEM_7 = 0xDE;       // '"

// System cursor ids for LoadCursorA(nullptr, id).
constexpr uint32_t IDC_ARROW = 32512;
constexpr uint32_t IDC_IBEAM = 32513;
constexpr uint32_t IDC_WAIT = 32514;
constexpr uint32_t IDC_CROSS = 32515;
constexpr uint32_t IDC_SIZENWSE = 32642;
constexpr uint32_t IDC_SIZENESW = 32643;
constexpr uint32_t IDC_SIZEWE = 32644;
constexpr uint32_t IDC_SIZENS = 32645;
constexpr uint32_t IDC_SIZEALL = 32646;
constexpr uint32_t IDC_NO = 32648;
constexpr uint32_t IDC_HAND = 32649;

// Packing of message parameters.
constexpr uint32_t MAKELONG(uint16_t low, uint16_t high) {
  return static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
}
constexpr uint16_t LOWORD(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
constexpr uint16_t HIWORD(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
// The signed x and y of a mouse message's lParam.
constexpr int GET_X_LPARAM(intptr_t lp) { return static_cast<int16_t>(lp & 0xFFFF); }
constexpr int GET_Y_LPARAM(intptr_t lp) { return static_cast<int16_t>((lp >> 16) & 0xFFFF); }
// A mouse message's lParam from client coordinates (each kept as a signed 16-bit value).
constexpr intptr_t MakePointLParam(int x, int y) {
  return static_cast<intptr_t>(MAKELONG(static_cast<uint16_t>(x), static_cast<uint16_t>(y)));
}
// The signed wheel delta in a WM_MOUSEWHEEL's wParam.
constexpr int16_t GET_WHEEL_DELTA_WPARAM(uintptr_t wp) { return static_cast<int16_t>(HIWORD(wp)); }
// A key message's lParam: repeat count in the low word, key flags (KF_ and scan code) in the high word.
constexpr intptr_t MakeKeyLParam(uint32_t repeat, uint32_t flags) {
  return static_cast<intptr_t>(MAKELONG(static_cast<uint16_t>(repeat), static_cast<uint16_t>(flags)));
}

// When a message was made (a MSG's time), in milliseconds of the clock that stamped it. Presses
// and releases the system delivers carry its own stamp (on X11 the server's: when the hand did it,
// however late the program takes it), or SDL's where the system's is not known; a message posted
// here carries the tick count (GetTickCount) of its posting. Two clocks' stamps say nothing of
// each other.
struct MessageTime {
  enum Clock : uint8_t { kTickCount, kSystem, kSdl };
  uint32_t ms = 0;
  Clock clock = kTickCount;
  // Whether `later` was made less than `span` ms after this, by the same clock (which may wrap).
  constexpr bool IsWithin(MessageTime later, uint32_t span) const {
    return later.clock == clock && later.ms - ms < span;
  }
};

}  // namespace platform
