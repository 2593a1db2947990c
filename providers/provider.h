// A list provider: the code listing and the name search of one kind of list.
//
// Each provider keeps its own caches (record-set clones, looked-up entries) for the life of
// the GLNameList that owns it. Errors of the data service, record sets or the list control
// are not caught: they reach the dispatcher.
#ifndef GLNAMELIST_PROVIDERS_PROVIDER_H_
#define GLNAMELIST_PROVIDERS_PROVIDER_H_

#include <memory>

#include "contracts/api.h"
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
GLNAMELIST_INTERNAL ProviderPtr NewAccountProvider();
GLNAMELIST_INTERNAL ProviderPtr NewCurrencyProvider();
GLNAMELIST_INTERNAL ProviderPtr NewItemClassProvider();
GLNAMELIST_INTERNAL ProviderPtr NewVchExpProvider();
GLNAMELIST_INTERNAL ProviderPtr NewItemProvider();
GLNAMELIST_INTERNAL ProviderPtr NewSubMesProvider();
GLNAMELIST_INTERNAL ProviderPtr NewUnitGroupProvider();
GLNAMELIST_INTERNAL ProviderPtr NewUnitProvider();
GLNAMELIST_INTERNAL ProviderPtr NewSettleTypeProvider();

}  // namespace glnamelist

#endif  // GLNAMELIST_PROVIDERS_PROVIDER_H_
