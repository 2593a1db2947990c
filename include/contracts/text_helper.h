// The string helper shared by the whole library.
#ifndef GLNAMELIST_CONTRACTS_TEXT_HELPER_H_
#define GLNAMELIST_CONTRACTS_TEXT_HELPER_H_

#include <memory>
#include <string>
#include <vector>

#include "contracts/api.h"
#include "contracts/object.h"
#include "contracts/variant.h"

namespace glnamelist {

class GLNAMELIST_API TextHelper : public Object {
 public:
  // The template with "%1".."%9" replaced by the text of the matching argument; nothing
  // else changes. A placeholder without an argument stays as it is.
  virtual std::string FormatArgs(const std::string& Template, const std::vector<Variant>& Args) = 0;
  // The text that the first Length bytes of Buffer hold (never half a character; nothing
  // of the spare buffer or a terminating character).
  virtual std::string BufferText(const std::string& Buffer, long Length) = 0;
};

using TextHelperPtr = std::shared_ptr<TextHelper>;

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_TEXT_HELPER_H_
