#include "tests/component/gl_name_list_peer.h"

#include <memory>

namespace glnamelist {
namespace {

// The public header names no test, so GLNameList's one member is reached through an
// explicit instantiation: the language checks no access to the names such an instantiation
// is given. The friend it defines is declared again below, so that it can be called.
template <std::unique_ptr<GLNameListImpl> GLNameList::*Member>
struct ImplMember {
  friend std::unique_ptr<GLNameListImpl>& Impl(GLNameList& list) { return list.*Member; }
};
template struct ImplMember<&GLNameList::impl_>;
std::unique_ptr<GLNameListImpl>& Impl(GLNameList& list);

}  // namespace

GLNameListImpl& ImplOf(GLNameList& list) { return *Impl(list); }

}  // namespace glnamelist
