// The voucher form around the voucher being entered: going through the month's saved
// vouchers, the list of them, voiding and deleting one (each after a question), and
// templates. Every opening goes through OpenByText, so a voucher with changes asks first.
#include <algorithm>
#include <exception>

#include "apps/voucher/error_text.h"
#include "apps/voucher/voucher_entry.h"
#include "apps/voucher/voucher_listing.h"
#include "contracts/virtual_keys.h"

namespace glnamelist::voucher {
namespace {

// The words of a refusal or a fault of the ledger.
std::string Why(const std::exception& e) {
  if (auto* refused = dynamic_cast<const VoucherRefused*>(&e)) {
    return refused->problems().empty() ? refused->Description()
                                       : refused->problems().front().Message();
  }
  return FaultText(e);
}

// "记 2026-12 3": how OpenByText names a saved voucher.
std::string Reference(const std::string& word, const std::string& date, long number) {
  return word + " " + date.substr(0, 7) + " " + std::to_string(number);
}

}  // namespace

bool VoucherEntry::AroundKey(const FormKey& key) {
  if (key.ctrl && (key.vk == VK_PRIOR || key.vk == VK_NEXT)) {
    const bool back = key.vk == VK_PRIOR;
    Browse(key.shift ? (back ? Toward::kFirst : Toward::kLast)
                     : (back ? Toward::kPrevious : Toward::kNext));
  } else if (key.ch == kVoidKey) {
    AskVoid();
  } else if (key.ch == kDeleteKey) {
    AskDelete();
  } else {
    return false;
  }
  return true;
}

std::optional<std::vector<VoucherSummary>> VoucherEntry::ListVouchers(const std::string& typed) {
  std::string why;
  std::optional<VoucherFilter> filter = ReadFilter(typed, grid_.voucher().date, Words(), &why);
  if (!filter) {
    boxes_.ShowStatus("筛选“" + typed + "”读不懂：" + why, true);
    return std::nullopt;
  }
  try {
    if (!keeper_) throw Error(errc::kInvalidProcedureCall, "这个账套不能保存凭证");
    std::vector<VoucherSummary> list = keeper_->List(*filter);
    SortSummaries(list, Words());
    return list;
  } catch (const std::exception& e) {
    boxes_.ShowStatus("凭证列表没有读到：" + Why(e), true);
    return std::nullopt;
  }
}

void VoucherEntry::OpenListed(const VoucherSummary& listed) {
  OpenByText(Reference(listed.word, listed.date, listed.number));
}

void VoucherEntry::Browse(Toward toward) {
  Commit();
  const Voucher& now = grid_.voucher();
  std::optional<std::vector<VoucherSummary>> listed = ListVouchers("");
  if (!listed) return;  // the status line says why
  const std::vector<VoucherSummary>& list = *listed;
  if (list.empty()) return boxes_.ShowStatus(now.date.substr(0, 7) + " 还没有凭证", false);
  auto at = std::find_if(list.begin(), list.end(),
                         [&](const VoucherSummary& s) { return now.id != 0 && s.id == now.id; });
  std::vector<VoucherSummary>::const_iterator to;
  switch (toward) {
    case Toward::kFirst:
      to = list.begin();
      break;
    case Toward::kLast:
      to = list.end() - 1;
      break;
    case Toward::kPrevious:  // from a new voucher (not listed), the month's last
      to = at == list.begin() ? list.end() : at - 1;
      break;
    case Toward::kNext:
      to = at == list.end() ? at : at + 1;
      break;
  }
  if (to == list.end() || (at != list.end() && to == at)) {
    const bool back = toward == Toward::kPrevious || toward == Toward::kFirst;
    return boxes_.ShowStatus(back ? "已是本月第一张凭证" : "已是本月最后一张凭证", false);
  }
  OpenListed(*to);
}

bool VoucherEntry::MayMark(const char* doing) {
  Commit();
  if (grid_.voucher().id == 0) {
    boxes_.ShowStatus(std::string("只能") + doing + "已保存的凭证：请先打开它（" + kOpenKeys +
                          "、" + kListKeys + "）",
                      true);
    return false;
  }
  if (Unsaved()) {
    boxes_.ShowStatus(std::string("这张凭证有没有保存的修改，不能") + doing + "：请先保存（" +
                          kSaveKeys + "），或放弃修改（" + kGiveUpKeys + "）",
                      true);
    return false;
  }
  return true;
}

void VoucherEntry::AskVoid() {
  if (!MayMark("作废")) return;
  if (!grid_.voucher().voided_at.empty()) return boxes_.ShowStatus("这张凭证已经作废", true);
  asked_ = Asked::kVoid;
}

void VoucherEntry::AskDelete() {
  if (MayMark("删除")) asked_ = Asked::kDelete;
}

void VoucherEntry::Mark(bool void_it) {
  Voucher v = grid_.voucher();
  const std::string name =
      v.word + "字第 " + std::to_string(v.number) + " 号（" + v.date.substr(0, 7) + "）";
  try {
    if (void_it) {
      keeper_->Void(v);
      Show(v, v);
      boxes_.ShowStatus("已作废：" + name + "，号码保留，不计入合计", false);
    } else {
      keeper_->Delete(v);
      DiscardDraft();
      Fresh(v.date, v.word);
      boxes_.ShowStatus("已删除：" + name, false);
    }
  } catch (const std::exception& e) {
    boxes_.ShowStatus(std::string(void_it ? "没有作废：" : "没有删除：") + Why(e), true);
  }
}

std::string VoucherEntry::TemplatePrompt(bool save) {
  std::string names;
  try {
    for (const std::string& name : keeper_ ? keeper_->Templates() : std::vector<std::string>{}) {
      names += (names.empty() ? "" : "、") + name;
    }
  } catch (const std::exception&) {
    // the names are a help; a fault is told when the template is used
  }
  return std::string(save ? "存为模板，名字" : "用模板") +
         (names.empty() ? "" : "（已有：" + names + "）") + "：";
}

void VoucherEntry::SaveTemplate(const std::string& name) {
  Commit();
  try {
    if (!keeper_) throw Error(errc::kInvalidProcedureCall, "这个账套不能保存凭证");
    keeper_->SaveTemplate(name, grid_.voucher());
    boxes_.ShowStatus("已存为模板“" + name + "”", false);
  } catch (const std::exception& e) {
    boxes_.ShowStatus("没有存为模板：" + Why(e), true);
  }
}

void VoucherEntry::FromTemplate(const std::string& name) {
  Commit();
  if (Unsaved()) {
    return boxes_.ShowStatus("正在录入的凭证还没有保存：请先保存（" + std::string(kSaveKeys) +
                                 "），或放弃修改（" + kGiveUpKeys + "）",
                             true);
  }
  try {
    std::optional<Voucher> made = keeper_ ? keeper_->FromTemplate(name) : std::nullopt;
    if (!made) return boxes_.ShowStatus("没有名为“" + name + "”的模板", true);
    made->uid = NewVoucherUid();
    made->date = grid_.voucher().date;
    Voucher begun = *made;
    begun.lines.clear();
    Show(*made, begun);
    KeepDraft(true);
    boxes_.ShowStatus("已按模板“" + name + "”开始新凭证：请填金额", false);
  } catch (const std::exception& e) {
    boxes_.ShowStatus("没有用模板：" + Why(e), true);
  }
}

}  // namespace glnamelist::voucher
