// The class registry: creates outside objects by their class name (ProgID).
//
// A host registers its implementations once at start-up; tests register fakes.
#ifndef GLNAMELIST_PLATFORM_CLASS_REGISTRY_H_
#define GLNAMELIST_PLATFORM_CLASS_REGISTRY_H_

#include <map>
#include <string>

#include "contracts/class_registrar.h"
#include "contracts/object.h"

namespace glnamelist::platform {

class ClassRegistry : public ClassRegistrar {
 public:
  void Register(const std::string& progId, Factory factory) override;
  void Unregister(const std::string& progId) override;
  bool IsRegistered(const std::string& progId) const override;

  // A new object of progId. Error 429 naming the class when none is registered; an error
  // of the factory (or a factory that gives Nothing) reaches the caller.
  ObjectPtr Create(const std::string& progId) const;

 private:
  std::map<std::string, Factory> factories_;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_CLASS_REGISTRY_H_
