// A picture object of the host's user interface: the row pictures of the list.
#ifndef GLNAMELIST_CONTRACTS_PICTURE_H_
#define GLNAMELIST_CONTRACTS_PICTURE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/api.h"
#include "contracts/object.h"

namespace glnamelist {

class GLNAMELIST_API Picture : public Object {
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Width() * Height() pixels, row by row, each 0xRRGGBBAA.
  virtual const std::vector<uint32_t>& Pixels() const = 0;
  // The key the picture store holds it under ("Bank", "Cash", ...), or the empty text for a
  // picture of the host's own. A text-only list control draws a picture by this key.
  virtual std::string Key() const = 0;
};

using PicturePtr = std::shared_ptr<Picture>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_PICTURE_H_
