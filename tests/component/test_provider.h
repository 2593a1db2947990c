// A provider for tests of the dispatch: records its calls into the shared log as
// "Provider.List()" / "Provider.Search()" and can be told to fail. Also a matcher of calls
// that raise an Error of a given number.
#ifndef GLNAMELIST_TESTS_COMPONENT_TEST_PROVIDER_H_
#define GLNAMELIST_TESTS_COMPONENT_TEST_PROVIDER_H_

#include <gmock/gmock.h>

#include <memory>
#include <optional>

#include "providers/provider.h"
#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

class TestProvider : public Provider {
 public:
  explicit TestProvider(CallLogPtr log) : log_(std::move(log)) {}

  void List(NameListState&) override {
    log_->Add("Provider.List()");
    if (fail) throw *fail;
  }
  void Search(NameListState&) override {
    log_->Add("Provider.Search()");
    if (fail) throw *fail;
  }

  std::optional<Error> fail;

 private:
  CallLogPtr log_;
};

// EXPECT_THAT([&] { ... }, ThrowsError(438)): the call raises an Error numbered 438.
inline auto ThrowsError(long number) {
  return ::testing::Throws<Error>(::testing::Property(&Error::Number, number));
}

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_COMPONENT_TEST_PROVIDER_H_
