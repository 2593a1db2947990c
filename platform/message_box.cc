#include "platform/message_box.h"

#include <iostream>

namespace glnamelist::platform {

long StderrMessageBox::Show(const std::string& text, long /*style*/, const std::string& caption) {
  std::cerr << "[" << caption << "] " << text << std::endl;
  return kButtonOk;
}

long RecordingMessageBox::Show(const std::string& text, long style, const std::string& caption) {
  calls_.push_back({text, style, caption});
  return answer_;
}

}  // namespace glnamelist::platform
