// The words both voucher forms show beside their boxes: the title, the switch that lists a
// box's entries when the focus enters it, and the keys.
#ifndef GLNAMELIST_APPS_VOUCHER_FORM_WORDS_H_
#define GLNAMELIST_APPS_VOUCHER_FORM_WORDS_H_

#include <vector>

namespace glnamelist::voucher {

inline constexpr const char* kFormTitle = "记账凭证录入";

// Listing on entering a box (and on a typed point in the account and item boxes): its name
// in menus and help, the state shown in the status line, and what switching it says.
inline constexpr const char* kListOnEntry = "进入输入框时自动列出";
inline constexpr const char* kListOnEntryOn = "自动列出: 开";
inline constexpr const char* kListOnEntryOff = "自动列出: 关";
inline constexpr const char* kListOnEntrySwitchedOn = "已打开自动列出：进入输入框时列出可选的内容";
inline constexpr const char* kListOnEntrySwitchedOff = "已关闭自动列出：按 F8 列出，F9 查找";

// The keys of the form and what they do, in the order help shows them.
struct KeyHelp {
  const char* keys;
  const char* does;
};
inline const std::vector<KeyHelp>& KeysOfTheForm() {
  static const std::vector<KeyHelp> keys = {
      {"Tab / Shift-Tab", "到下一框 / 上一框"},
      {"F8", "按代码列出"},
      {"F9", "按名称查找"},
      {"F2", "自动列出 开/关"},
      {"Up Down PgUp PgDn Home End", "在列表中移动"},
      {"Enter", "选定列表中的行；没有列表时到下一框"},
      {"Esc", "关闭列表"},
      {"F10 / Ctrl-Q", "退出"},
  };
  return keys;
}

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_FORM_WORDS_H_
