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
      {"Tab / Shift-Tab", "到下一格（框） / 上一格（框）；第一格前是凭证头：日期、凭证字、附件"},
      {"Up Down", "在凭证字框里选择凭证字"},
      {"F8", "按代码列出"},
      {"F9", "按名称查找"},
      {"F2", "自动列出 开/关"},
      {"Up Down PgUp PgDn Home End", "在列表中移动"},
      {"Enter", "选定列表中的行；没有列表时到下一格（框）"},
      {"=", "在借方或贷方填入使凭证平衡的金额"},
      {"F5 / Ctrl-S", "检查并保存凭证"},
      {"F6", "按号码打开已保存的凭证"},
      {"F3", "在当前行前插入一行"},
      {"F4", "删除当前行"},
      {"F7", "放弃修改，回到已保存的凭证或空白的新凭证"},
      {"Ctrl-N", "开始录入新凭证"},
      {"Esc", "在凭证头的框里：恢复原来的内容"},
      {"Esc", "关闭列表"},
      {"F10 / Ctrl-Q", "退出"},
  };
  return keys;
}

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_FORM_WORDS_H_
