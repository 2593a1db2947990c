// A keyed collection: text keys to variant values (numbers, texts, objects, Nothing).
#ifndef GLNAMELIST_CONTRACTS_KEYED_COLLECTION_H_
#define GLNAMELIST_CONTRACTS_KEYED_COLLECTION_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "contracts/object.h"
#include "contracts/variant.h"

namespace glnamelist {

class GLNAMELIST_API KeyedCollection : public Object {
 public:
  virtual bool Exists(const std::string& Key) const = 0;
  // The value under Key; Error 5 when the key is absent.
  virtual Variant Item(const std::string& Key) const = 0;
  // Stores Value under Key, adding the key or replacing its value.
  virtual void Item(const std::string& Key, Variant Value) = 0;
  // Adds a new key; Error 457 when the key is already there.
  virtual void Add(const std::string& Key, Variant Value) = 0;
  // Removes Key; Error 5 when the key is absent.
  virtual void Remove(const std::string& Key) = 0;
  virtual long Count() const = 0;
};

using KeyedCollectionPtr = std::shared_ptr<KeyedCollection>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_KEYED_COLLECTION_H_
