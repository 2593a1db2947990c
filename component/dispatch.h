// List dispatch: from a key of the text box to the provider of the attached kind.
#ifndef GLNAMELIST_COMPONENT_DISPATCH_H_
#define GLNAMELIST_COMPONENT_DISPATCH_H_

#include <array>
#include <functional>

#include "providers/provider.h"
#include "providers/state.h"

namespace glnamelist {

using ProviderFactory = ProviderPtr (*)();

// The provider factory of each kind, indexed by NameListType 1..10 (slot 0 unused). An
// empty slot lists nothing; nlAsset has no provider.
extern const std::array<ProviderFactory, 11> kProviderFactories;

// Makes the provider of a kind; nullptr when the kind has none.
using ProviderSource = std::function<ProviderPtr(long kind)>;

// Runs the code listing and the name search of the attached kind. Each provider is created
// on first use and kept, with its caches, for the life of the dispatcher.
class Dispatcher {
 public:
  // Providers come from source, or from kProviderFactories when it is empty.
  explicit Dispatcher(ProviderSource source = {}) : source_(std::move(source)) {}

  // The code listing. A repeat within GLNameList::kRepeatSeconds of the last listing's end
  // does nothing (a clock reading below the last one, after midnight, counts as enough
  // time); a box that is not editable lists nothing; every error is absorbed silently.
  // Unless it was a repeat, the time of the end is recorded, whatever happened.
  void ShowList(NameListState& s);
  // The name search: nothing for a box that is not editable; no repeat guard, and errors
  // reach the caller.
  void SearchList(NameListState& s);

  // Releases every provider and its caches.
  void ReleaseProviders();

 private:
  // The provider of kind, created on first use; nullptr when the kind has none.
  Provider* ProviderFor(long kind);

  ProviderSource source_;
  std::array<ProviderPtr, 11> providers_;
  // Seconds since midnight at the end of the last listing that got past the repeat guard.
  double last_list_time_ = 0;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_DISPATCH_H_
