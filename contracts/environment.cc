#include "contracts/environment.h"

#include <utility>

namespace glnamelist {
namespace {
std::shared_ptr<Environment>& Installed() {
  static std::shared_ptr<Environment> env;
  return env;
}
}  // namespace

Environment& Env() {
  auto& env = Installed();
  if (!env) throw Error(errc::kCannotCreateObject, "No platform environment is installed");
  return *env;
}

std::shared_ptr<Environment> InstalledEnv() { return Installed(); }

std::shared_ptr<Environment> SetEnv(std::shared_ptr<Environment> env) {
  return std::exchange(Installed(), std::move(env));
}

}  // namespace glnamelist
