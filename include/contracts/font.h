// A font object of the host's user interface. The component passes the text box's font to
// the list control by reference and never looks inside it.
#ifndef GLNAMELIST_CONTRACTS_FONT_H_
#define GLNAMELIST_CONTRACTS_FONT_H_

#include <string>

#include "contracts/api.h"
#include "contracts/object.h"

namespace glnamelist {

class GLNAMELIST_API Font : public Object {
 public:
  virtual std::string Name() const = 0;
  virtual double Size() const = 0;
  virtual bool Bold() const = 0;
};

using FontPtr = std::shared_ptr<Font>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_FONT_H_
