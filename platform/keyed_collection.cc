#include "platform/keyed_collection.h"

#include "contracts/error.h"

namespace glnamelist::platform {
namespace {

[[noreturn]] void ThrowNoSuchKey() {
  throw Error(errc::kInvalidProcedureCall, "Invalid procedure call or argument");
}

}  // namespace

bool MapKeyedCollection::Exists(const std::string& Key) const { return items_.contains(Key); }

Variant MapKeyedCollection::Item(const std::string& Key) const {
  auto it = items_.find(Key);
  if (it == items_.end()) ThrowNoSuchKey();
  return it->second;
}

void MapKeyedCollection::Item(const std::string& Key, Variant Value) {
  items_.insert_or_assign(Key, std::move(Value));
}

void MapKeyedCollection::Add(const std::string& Key, Variant Value) {
  if (!items_.try_emplace(Key, std::move(Value)).second) {
    throw Error(errc::kKeyExists,
                "This key is already associated with an element of this collection");
  }
}

void MapKeyedCollection::Remove(const std::string& Key) {
  if (items_.erase(Key) == 0) ThrowNoSuchKey();
}

long MapKeyedCollection::Count() const { return static_cast<long>(items_.size()); }

}  // namespace glnamelist::platform
