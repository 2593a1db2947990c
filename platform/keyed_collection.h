// The keyed collection: text keys (matched exactly) to variant values.
#ifndef GLNAMELIST_PLATFORM_KEYED_COLLECTION_H_
#define GLNAMELIST_PLATFORM_KEYED_COLLECTION_H_

#include <map>
#include <string>

#include "contracts/keyed_collection.h"

namespace glnamelist::platform {

class MapKeyedCollection : public KeyedCollection {
 public:
  bool Exists(const std::string& Key) const override;
  Variant Item(const std::string& Key) const override;  // Error 5 when absent
  void Item(const std::string& Key, Variant Value) override;
  void Add(const std::string& Key, Variant Value) override;  // Error 457 when present
  void Remove(const std::string& Key) override;              // Error 5 when absent
  long Count() const override;

 private:
  std::map<std::string, Variant, std::less<>> items_;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_KEYED_COLLECTION_H_
