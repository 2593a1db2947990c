#include "apps/voucher/code_messages.h"

#include "contracts/list_kinds.h"
#include "contracts/text.h"

namespace glnamelist::voucher {
namespace {

constexpr size_t kQuotedChars = 24;
constexpr size_t kQuotedEnd = 10;

// The kinds whose code listing lists every entry, and only while the box is empty.
bool ListsOnlyWhenEmpty(long kind) {
  return kind == nlCurrency || kind == nlItemClass || kind == nlUnitGroup || kind == nlUnit ||
         kind == nlSettleType;
}

}  // namespace

std::string EntryWord(long kind) {
  switch (kind) {
    case nlAccount:
      return "科目";
    case nlCurrency:
      return "币别";
    case nlItemClass:
      return "核算类别";
    case nlItem:
      return "核算项目";
    case nlUnitGroup:
      return "单位组";
    case nlUnit:
      return "计量单位";
    case nlSubMes:
      return "明细分类";
    case nlSettleType:
      return "结算方式";
    case nlVchExp:
      return "摘要";
    default:
      return "";
  }
}

std::string QuotedCode(const std::string& code) {
  size_t chars = text::CharCount(code);
  if (chars <= kQuotedChars) return code;
  size_t head_end = text::OffsetOfChar(code, kQuotedEnd);
  size_t tail_start = text::OffsetOfChar(code, chars - kQuotedEnd);
  return code.substr(0, head_end) + "…" + code.substr(tail_start);
}

std::string LeavingComplaint(long kind, const std::string& code, const NamedEntry& entry) {
  if (code.empty() || kind == nlVchExp) return "";
  if (!entry.known) return EntryWord(kind) + " " + QuotedCode(code) + " 不存在";
  if (kind == nlAccount && !entry.detail) {
    return "科目 " + QuotedCode(code) + " " + entry.name + " 不是明细科目，凭证要用明细科目";
  }
  return "";
}

Hint ListingHint(const ListingOutcome& o) {
  const std::string word = EntryWord(o.kind);
  const std::string code = QuotedCode(o.code);
  if (o.listed) {
    if (o.code.empty() || o.entry.known || !o.lists_all) return {};
    return {word + " " + code + " 不存在，下面列出全部" + word, true};
  }
  if ((o.kind == nlItem || o.kind == nlSubMes) && !o.parent_chosen) {
    return {"请先在“核算类别”中选定类别，才能列出" + word, false};
  }
  if (o.kind == nlUnit && !o.parent_chosen) {
    return {"请先在“单位组”中选定单位组，才能列出计量单位", false};
  }
  if (o.code.empty() || o.kind == nlVchExp) return {};
  bool only_when_empty = ListsOnlyWhenEmpty(o.kind);
  if (!o.entry.known) {
    return {word + " " + code + " 不存在" +
                (only_when_empty ? "；清空本框后按 F8 列出全部" + word : std::string()),
            true};
  }
  if (only_when_empty) return {"清空本框后按 F8 列出全部" + word, false};
  if (o.entry.detail) return {word + " " + code + " " + o.entry.name + " 是明细，没有下级可列出"};
  if (o.kind == nlSubMes && !o.point) {
    return {word + " " + code + " " + o.entry.name + "：输入 " + code + ". 后按 F8 列出其下级"};
  }
  return {};
}

}  // namespace glnamelist::voucher
