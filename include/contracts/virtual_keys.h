// Window messages and virtual-key codes of the window-message interface, as numbered there.
#ifndef GLNAMELIST_CONTRACTS_VIRTUAL_KEYS_H_
#define GLNAMELIST_CONTRACTS_VIRTUAL_KEYS_H_

namespace glnamelist {

inline constexpr long WM_SETFOCUS = 7;
inline constexpr long WM_KILLFOCUS = 8;
inline constexpr long WM_KEYDOWN = 256;
inline constexpr long WM_CHAR = 258;

// Key codes in the low 16 bits of wParam of WM_KEYDOWN (Backspace also arrives as WM_CHAR 8).
inline constexpr long VK_BACK = 8;
inline constexpr long VK_TAB = 9;
inline constexpr long VK_RETURN = 13;
inline constexpr long VK_ESCAPE = 27;
inline constexpr long VK_PRIOR = 33;  // Page Up
inline constexpr long VK_NEXT = 34;   // Page Down
inline constexpr long VK_END = 35;
inline constexpr long VK_HOME = 36;
inline constexpr long VK_LEFT = 37;
inline constexpr long VK_UP = 38;
inline constexpr long VK_RIGHT = 39;
inline constexpr long VK_DOWN = 40;
inline constexpr long VK_DELETE = 46;
inline constexpr long VK_F2 = 113;
inline constexpr long VK_F8 = 119;
inline constexpr long VK_F9 = 120;
inline constexpr long VK_F10 = 121;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_VIRTUAL_KEYS_H_
