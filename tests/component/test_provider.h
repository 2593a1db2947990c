// A provider for tests of the dispatch: records its calls into the shared log as
// "Provider.List()" / "Provider.Search()" and can be told to fail.
#ifndef GLNAMELIST_TESTS_COMPONENT_TEST_PROVIDER_H_
#define GLNAMELIST_TESTS_COMPONENT_TEST_PROVIDER_H_

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

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_COMPONENT_TEST_PROVIDER_H_
