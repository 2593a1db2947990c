// The fault and message of the ledger's error a call raises, for tests of refusals:
//
//   Refusal lost = RefusalOf([&] { store.Save(voucher); });
//   EXPECT_EQ(lost.fault, Fault::kLost);
#ifndef GLNAMELIST_TESTS_LEDGER_REFUSAL_OF_H_
#define GLNAMELIST_TESTS_LEDGER_REFUSAL_OF_H_

#include <string>

#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

struct Refusal {
  Fault fault = Fault::kOther;
  std::string what = "no error raised";
};

// What call raised; kOther and "no error raised" when it raised no ledger error.
template <class Call>
Refusal RefusalOf(Call&& call) {
  try {
    call();
  } catch (const LedgerError& e) {
    return {e.fault(), e.what()};
  }
  return {};
}

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_TESTS_LEDGER_REFUSAL_OF_H_
