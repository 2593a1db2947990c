// Window messages and virtual-key codes that the terminal parts send and handle, beyond
// those the component itself uses (contracts/environment.h).
#ifndef GLNAMELIST_TUI_WIN_KEYS_H_
#define GLNAMELIST_TUI_WIN_KEYS_H_

namespace glnamelist::tui {

inline constexpr long kWmKillFocus = 8;

inline constexpr long kVkBack = 8;
inline constexpr long kVkTab = 9;
inline constexpr long kVkReturn = 13;
inline constexpr long kVkEscape = 27;
inline constexpr long kVkPrior = 33;  // Page Up
inline constexpr long kVkNext = 34;   // Page Down
inline constexpr long kVkEnd = 35;
inline constexpr long kVkHome = 36;
inline constexpr long kVkLeft = 37;
inline constexpr long kVkUp = 38;
inline constexpr long kVkRight = 39;
inline constexpr long kVkDown = 40;
inline constexpr long kVkDelete = 46;
inline constexpr long kVkF2 = 113;
inline constexpr long kVkF10 = 121;

}  // namespace glnamelist::tui

#endif  // GLNAMELIST_TUI_WIN_KEYS_H_
