// The number of the Error a call raises, for tests of refusals:
//
//   EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021);
//
// Header-only, so that suites that link no fakes can use it too.
#ifndef GLNAMELIST_TESTS_FAKES_ERROR_OF_H_
#define GLNAMELIST_TESTS_FAKES_ERROR_OF_H_

#include "contracts/error.h"

namespace glnamelist {

// The number of the Error call raises; 0 when it raises none.
template <class Call>
long ErrorOf(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

}  // namespace glnamelist

#endif  // GLNAMELIST_TESTS_FAKES_ERROR_OF_H_
