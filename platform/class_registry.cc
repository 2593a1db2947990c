#include "platform/class_registry.h"

#include <utility>

#include "contracts/error.h"

namespace glnamelist::platform {
namespace {

[[noreturn]] void ThrowCannotCreate(const std::string& progId) {
  throw Error(errc::kCannotCreateObject, "ActiveX component can't create object: " + progId);
}

}  // namespace

void ClassRegistry::Register(const std::string& progId, Factory factory) {
  factories_[progId] = std::move(factory);
}

void ClassRegistry::Unregister(const std::string& progId) { factories_.erase(progId); }

bool ClassRegistry::IsRegistered(const std::string& progId) const {
  return factories_.contains(progId);
}

ObjectPtr ClassRegistry::Create(const std::string& progId) const {
  auto it = factories_.find(progId);
  if (it == factories_.end() || !it->second) ThrowCannotCreate(progId);
  // A copy: the factory may register or unregister classes while it runs.
  Factory factory = it->second;
  ObjectPtr object = factory();
  if (!object) ThrowCannotCreate(progId);
  return object;
}

}  // namespace glnamelist::platform
