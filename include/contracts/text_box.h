// The host's text box, as the component sees it: only its window handle and its font.
//
// Either member may raise an Error (an object that has no such member); Attach passes the
// error on after the steps before it took effect.
#ifndef GLNAMELIST_CONTRACTS_TEXT_BOX_H_
#define GLNAMELIST_CONTRACTS_TEXT_BOX_H_

#include "contracts/api.h"
#include "contracts/font.h"
#include "contracts/object.h"

namespace glnamelist {

class GLNAMELIST_API TextBox : public Object {
 public:
  virtual long hWnd() const = 0;
  virtual FontPtr Font() const = 0;
};

using TextBoxPtr = std::shared_ptr<TextBox>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_TEXT_BOX_H_
