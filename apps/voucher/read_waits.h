// What both forms share about waiting for the ledger: the words that say what a request
// waits for, and the hand-over of a form's waiter to the ledger's data service while the
// form lives.
#ifndef GLNAMELIST_APPS_VOUCHER_READ_WAITS_H_
#define GLNAMELIST_APPS_VOUCHER_READ_WAITS_H_

#include <memory>
#include <string>

#include "contracts/live_data.h"

namespace glnamelist::voucher {

// What a form says while read waits: "正在等待账套服务器：查找科目…  Esc 放弃".
std::string WaitingText(const PendingRead& read);

// The waiter waits for the requests of the installed data service (GetGLData) from now until
// this ends; nothing without a data service, or one without a live side.
class WaitsShown {
 public:
  explicit WaitsShown(std::shared_ptr<ReadWaiter> waiter);
  ~WaitsShown();
  WaitsShown(const WaitsShown&) = delete;
  WaitsShown& operator=(const WaitsShown&) = delete;

 private:
  std::shared_ptr<LiveData> live_;
};

}  // namespace glnamelist::voucher

#endif  // GLNAMELIST_APPS_VOUCHER_READ_WAITS_H_
