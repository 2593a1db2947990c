// The error number, fault and message of the error a call raises, for tests of refusals:
//
//   Refusal lost = RefusalOf([&] { store.Save(voucher); });
//   EXPECT_EQ(lost.fault, Fault::kLost);
#ifndef GLNAMELIST_TESTS_LEDGER_REFUSAL_OF_H_
#define GLNAMELIST_TESTS_LEDGER_REFUSAL_OF_H_

#include <string>

#include "contracts/error.h"
#include "ledger/db/ledger_error.h"

namespace glnamelist::ledger {

struct Refusal {
  long number = 0;
  Fault fault = Fault::kOther;  // a ledger error's own; kOther for any other error
  std::string what = "no error raised";
};

// What call raised; error 0, kOther and "no error raised" when it raised no error.
template <class Call>
Refusal RefusalOf(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return {e.Number(), FaultOf(e), e.what()};
  }
  return {};
}

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_TESTS_LEDGER_REFUSAL_OF_H_
