// A host that uses the installed library: it installs the platform, registers no data
// service, and expects the creation of a GLNameList to fail with the registry's error.
#include <cstdio>
#include <memory>

#include "component/gl_name_list.h"
#include "contracts/error.h"
#include "platform/environment.h"

int main() {
  glnamelist::platform::InstallPlatformEnvironment();
  try {
    auto list = std::make_shared<glnamelist::GLNameList>();
  } catch (const glnamelist::Error& e) {
    if (e.Number() == glnamelist::errc::kCannotCreateObject) {
      std::puts("consumer: 1 passed, 0 failed");
      return 0;
    }
  }
  std::puts("consumer: 0 passed, 1 failed");
  return 1;
}
