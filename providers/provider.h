// A list provider: the code listing and the name search of one kind of list.
//
// Each provider keeps its own caches (record-set clones, looked-up entries) for the life of
// the GLNameList that owns it. Errors of the data service, record sets or the list control
// are not caught: they reach the dispatcher.
#ifndef GLNAMELIST_PROVIDERS_PROVIDER_H_
#define GLNAMELIST_PROVIDERS_PROVIDER_H_

#include <memory>

#include "providers/state.h"

namespace glnamelist {

class Provider {
 public:
  virtual ~Provider() = default;
  // The code listing (F8, focus, a typed ".").
  virtual void List(NameListState& s) = 0;
  // The name search (F9). Kinds without one do nothing.
  virtual void Search(NameListState& s) = 0;
};

using ProviderPtr = std::unique_ptr<Provider>;

// One provider per kind; each starts with empty caches.
ProviderPtr NewAccountProvider();
ProviderPtr NewCurrencyProvider();
ProviderPtr NewItemClassProvider();
ProviderPtr NewVchExpProvider();
ProviderPtr NewItemProvider();
ProviderPtr NewSubMesProvider();
ProviderPtr NewUnitGroupProvider();
ProviderPtr NewUnitProvider();
ProviderPtr NewSettleTypeProvider();

}  // namespace glnamelist

#endif  // GLNAMELIST_PROVIDERS_PROVIDER_H_
