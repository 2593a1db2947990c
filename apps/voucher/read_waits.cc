#include "apps/voucher/read_waits.h"

#include "apps/voucher/voucher_boxes.h"
#include "services/library_services.h"

namespace glnamelist::voucher {
namespace {

// The label of the box of a list kind.
std::string KindWord(long kind) {
  for (const VoucherBoxes::BoxKind& box : VoucherBoxes::Kinds()) {
    if (box.kind == kind) return box.label;
  }
  return "";
}

}  // namespace

std::string WaitingText(const PendingRead& read) {
  const std::string word = KindWord(read.kind);
  const std::string what = read.save      ? "保存凭证"
                           : word.empty() ? "打开账套"
                                          : (read.lookup ? "查找" : "列出") + word;
  return std::string("正在等待") + (read.server ? "账套服务器：" : "账套文件：") + what +
         "…  Esc 放弃";
}

WaitsShown::WaitsShown(std::shared_ptr<ReadWaiter> waiter) {
  try {
    live_ = LiveDataOf(GetGLData());
  } catch (const std::exception&) {
    // No data service: the lists' own callers meet its error.
  }
  if (live_) live_->WaitWith(std::move(waiter));
}

WaitsShown::~WaitsShown() {
  if (live_) live_->WaitWith(nullptr);
}

}  // namespace glnamelist::voucher
