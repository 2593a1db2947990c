// The root of every outside object.
//
// Outside objects (list control, data service, record sets, pictures, ...) are reached only
// through the abstract classes in this folder and are held by std::shared_ptr. An empty
// pointer is "Nothing"; releasing a reference is reset().
#ifndef GLNAMELIST_CONTRACTS_OBJECT_H_
#define GLNAMELIST_CONTRACTS_OBJECT_H_

#include <memory>

#include "contracts/api.h"

namespace glnamelist {

class GLNAMELIST_API Object {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;
};

using ObjectPtr = std::shared_ptr<Object>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_OBJECT_H_
