// A host that asks the installed package for the component and the platform alone. With no
// list control registered, a GLNameList cannot be made, and says which class it missed:
// Error 429 naming the list control's class.
#include <cstdio>
#include <string>

#include "component/gl_name_list.h"
#include "contracts/environment.h"
#include "platform/register_platform.h"

namespace gl = glnamelist;

int main() {
  std::string got;
  const std::string want = "error 429: ActiveX component can't create object: QALNLLib.NameList";
  try {
    gl::platform::InstallPlatform();
    gl::GLNameList account;
    got = "made";
  } catch (const gl::Error& e) {
    got = "error " + std::to_string(e.Number()) + ": " + e.what();
  }
  gl::SetEnv(nullptr);
  std::printf("consumer: %s (%s)\n", got == want ? "passed" : "FAILED", got.c_str());
  return got == want ? 0 : 1;
}
