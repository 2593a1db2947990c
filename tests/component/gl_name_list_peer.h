// Reaches the inside of a GLNameList for the component's own tests: the state the providers
// share, the list on show, the dispatcher's repeat-guard time and its provider slots; and a
// provider for those slots that records its calls into the shared log as "Provider.List()"
// and "Provider.Search()" and can be told to fail.
#ifndef GLNAMELIST_TESTS_COMPONENT_GL_NAME_LIST_PEER_H_
#define GLNAMELIST_TESTS_COMPONENT_GL_NAME_LIST_PEER_H_

#include <optional>
#include <utility>

#include "component/gl_name_list.h"
#include "component/gl_name_list_impl.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/error_of.h"

namespace glnamelist {

// The implementation behind list (gl_name_list_peer.cc).
GLNameListImpl& ImplOf(GLNameList& list);

class GLNameListPeer {
 public:
  static NameListState& State(GLNameList& list) { return ImplOf(list).state_; }
  static const ShownList& Shown(GLNameList& list) { return ImplOf(list).shown_; }
  static double LastListTime(GLNameList& list) { return ImplOf(list).dispatcher_.last_list_time_; }
  static void SetProvider(GLNameList& list, long kind, ProviderPtr provider) {
    ImplOf(list).dispatcher_.providers_.at(static_cast<size_t>(kind)) = std::move(provider);
  }
  // Shows records (and the parent) as a listing of kind does.
  static void Show(GLNameList& list, long kind, RecordsetPtr records,
                   std::optional<EntryPtr> parent = EntryPtr()) {
    State(list).name_list_type = kind;
    State(list).show_listing({.records = std::move(records), .parent = std::move(parent)});
  }
};

class TestProvider : public Provider {
 public:
  explicit TestProvider(fakes::CallLogPtr log) : log_(std::move(log)) {}
  void List(NameListState&) override { Run("Provider.List()"); }
  void Search(NameListState&) override { Run("Provider.Search()"); }
  std::optional<Error> fail;

 private:
  void Run(const char* call) {
    log_->Add(call);
    if (fail) throw *fail;
  }
  fakes::CallLogPtr log_;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_TESTS_COMPONENT_GL_NAME_LIST_PEER_H_
