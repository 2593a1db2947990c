#include "listkit/error_text.h"

#include "contracts/error.h"

namespace glnamelist::listkit {

std::string ErrorText(const std::exception& e) {
  if (auto* err = dynamic_cast<const Error*>(&e)) {
    return "错误 " + std::to_string(err->Number()) + ": " + err->Description();
  }
  return std::string("错误: ") + e.what();
}

}  // namespace glnamelist::listkit
