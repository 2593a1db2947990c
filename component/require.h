// Using a member of an object that may be Nothing.
#ifndef GLNAMELIST_COMPONENT_REQUIRE_H_
#define GLNAMELIST_COMPONENT_REQUIRE_H_

#include <memory>

#include "contracts/error.h"

namespace glnamelist {

// The object p points to; Error 424 ("Object required") when p is Nothing.
template <class T>
T& Require(const std::shared_ptr<T>& p) {
  if (!p) throw Error(errc::kObjectRequired, "Object required");
  return *p;
}

}  // namespace glnamelist

#endif  // GLNAMELIST_COMPONENT_REQUIRE_H_
