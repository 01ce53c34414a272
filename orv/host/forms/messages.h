// Window messages: the record a control's WindowProc receives, and the message
// numbers the window layer sends. Qt input reaches a control as these messages
// (mouse buttons, keys, focus, text change, clicks), and Perform sends one down
// the same path, so whoever replaces a control's WindowProc sees and may change
// everything the control gets. Plain data; main thread only.
#pragma once

#include <cstdint>

namespace orv {

// One message: its number, two parameters and the result the handler stores.
struct TMessage {
  unsigned Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

constexpr unsigned WM_NULL = 0x0000;       // no message: a hook may turn any message into it
constexpr unsigned WM_SETFOCUS = 0x0007;   // the control got the keyboard focus
constexpr unsigned WM_KILLFOCUS = 0x0008;  // the control lost the focus to another of its window
constexpr unsigned WM_SETTEXT = 0x000C;    // set the text; LParam: const char* (1251)
constexpr unsigned WM_GETTEXTLENGTH = 0x000E;  // Result: the length of the text
constexpr unsigned WM_KEYDOWN = 0x0100;        // WParam: virtual key code; LParam: TShiftState bits
constexpr unsigned WM_KEYUP = 0x0101;          // WParam: virtual key code; LParam: TShiftState bits
constexpr unsigned WM_CHAR = 0x0102;           // WParam: the typed character (1251)
constexpr unsigned WM_COMMAND = 0x0111;        // a notification from a control
constexpr unsigned WM_MOUSEMOVE = 0x0200;      // WParam: MK_ bits; LParam: x | y << 16
constexpr unsigned WM_LBUTTONDOWN = 0x0201;    // WParam: MK_ bits; LParam: x | y << 16
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;

constexpr unsigned CM_BASE = 0xB000;                 // the layer's own messages start here
constexpr unsigned CM_ENABLEDCHANGED = CM_BASE + 0;  // Enabled changed
constexpr unsigned CM_TEXTCHANGED = CM_BASE + 18;    // Caption/Text changed
constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;     // the mouse entered the control
constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;     // the mouse left the control
constexpr unsigned CN_BASE = 0xBC00;                 // notifications reflected back to the control
constexpr unsigned CN_COMMAND = CN_BASE + WM_COMMAND;  // WParam high word: BN_CLICKED, EN_CHANGE...

constexpr unsigned BN_CLICKED = 0;      // a button was clicked
constexpr unsigned EN_CHANGE = 0x0300;  // an edit's text changed
constexpr unsigned CBN_SELCHANGE = 1;   // a combo box's choice changed
constexpr unsigned CBN_EDITCHANGE = 5;  // a combo box's edit text was typed in

// Mouse key bits of WParam.
constexpr uintptr_t MK_LBUTTON = 0x01;
constexpr uintptr_t MK_RBUTTON = 0x02;
constexpr uintptr_t MK_SHIFT = 0x04;
constexpr uintptr_t MK_CONTROL = 0x08;
constexpr uintptr_t MK_MBUTTON = 0x10;

// Virtual key codes of WM_KEYDOWN/WM_KEYUP; letters and digits are their
// upper-case ASCII codes.
constexpr unsigned VK_BACK = 0x08;
constexpr unsigned VK_TAB = 0x09;
constexpr unsigned VK_RETURN = 0x0D;
constexpr unsigned VK_SHIFT = 0x10;
constexpr unsigned VK_CONTROL = 0x11;
constexpr unsigned VK_ESCAPE = 0x1B;
constexpr unsigned VK_SPACE = 0x20;
constexpr unsigned VK_END = 0x23;
constexpr unsigned VK_HOME = 0x24;
constexpr unsigned VK_LEFT = 0x25;
constexpr unsigned VK_UP = 0x26;
constexpr unsigned VK_RIGHT = 0x27;
constexpr unsigned VK_DOWN = 0x28;
constexpr unsigned VK_DELETE = 0x2E;
constexpr unsigned VK_F1 = 0x70;

constexpr intptr_t MakeLParam(int low, int high) {
  return static_cast<intptr_t>((static_cast<uint32_t>(high & 0xFFFF) << 16) | (low & 0xFFFF));
}
constexpr uintptr_t MakeWParam(unsigned low, unsigned high) {
  return (static_cast<uintptr_t>(high & 0xFFFF) << 16) | (low & 0xFFFF);
}
// The signed low and high words of a parameter (mouse coordinates).
constexpr int LoWordSigned(intptr_t v) { return static_cast<int16_t>(v & 0xFFFF); }
constexpr int HiWordSigned(intptr_t v) { return static_cast<int16_t>((v >> 16) & 0xFFFF); }
constexpr unsigned HiWord(uintptr_t v) { return static_cast<unsigned>((v >> 16) & 0xFFFF); }

}  // namespace orv
