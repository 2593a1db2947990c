// Registering classes by ProgID: where the objects that Env().CreateObject makes come from.
//
// The platform's class registry is one (platform/register_platform.h hands a host the one
// of the installed environment); the ledger and a host's own controls register their
// classes through this interface.
#ifndef GLNAMELIST_CONTRACTS_CLASS_REGISTRAR_H_
#define GLNAMELIST_CONTRACTS_CLASS_REGISTRAR_H_

#include <functional>
#include <string>

#include "contracts/api.h"
#include "contracts/object.h"

namespace glnamelist {

class GLNAMELIST_API ClassRegistrar {
 public:
  // Makes a new object of the class, or raises an Error; the error reaches the creator.
  using Factory = std::function<ObjectPtr()>;

  virtual ~ClassRegistrar() = default;

  // Registers (or replaces) the factory of progId.
  virtual void Register(const std::string& progId, Factory factory) = 0;
  // Forgets the factory of progId; nothing when there is none.
  virtual void Unregister(const std::string& progId) = 0;
  virtual bool IsRegistered(const std::string& progId) const = 0;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_CLASS_REGISTRAR_H_
