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

// The keys of the desktop form and what they do, in the order its help shows them.
struct KeyHelp {
  const char* keys;
  const char* does;
};
inline const std::vector<KeyHelp>& KeysOfTheForm() {
  static const std::vector<KeyHelp> keys = {
      {"Tab / Enter", "到下一格（框）；列表中移动过或输入过时，Enter 选定那一行"},
      {"Shift-Tab", "到上一格（框）；第一格前是凭证头：附件、凭证字、日期"},
      {"Up Down", "上一行 / 下一行的同一格；列表中移动；凭证字框里选择凭证字"},
      {"PgUp PgDn", "上翻 / 下翻一屏的行；列表中翻页"},
      {"Home End", "本行的第一格 / 最后一格；列表中第一行 / 最后一行"},
      {"Ctrl-Home Ctrl-End", "第一行 / 最后一行的同一格"},
      {"F8", "按代码列出"},
      {"F9", "按名称查找"},
      {"F2", "自动列出 开/关"},
      {"=", "在借方或贷方填入使凭证平衡的金额"},
      {"Space", "在借方或贷方：把本行金额移到另一方"},
      {".. / //", "在摘要：Enter 后取上一行 / 第一行的摘要；摘要代码取它的摘要"},
      {"助记码 Enter", "在科目：按拼音首字母（如 YHCK）取科目，有几个时列出来选"},
      {"F5 / Ctrl-S", "检查并保存凭证"},
      {"F6", "打开已保存的凭证：3、转 2 或 2026-11 3"},
      {"F3", "在当前行前插入一行"},
      {"F4 / Ctrl-Z", "删除当前行 / 恢复删除的行"},
      {"F7", "放弃修改，回到已保存的凭证或空白的新凭证"},
      {"Ctrl-N", "开始录入新凭证"},
      {"Ctrl-D", "放到一边的草稿"},
      {"Esc", "关闭列表；没有列表时恢复格（框）里原来的内容"},
      {"Ctrl-Q", "退出（有没保存的修改时先问）；F10 打开菜单"},
  };
  return keys;
}

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_FORM_WORDS_H_
