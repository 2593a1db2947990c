#include "platform/environment.h"

#include <utility>

#include "contracts/error.h"

namespace glnamelist::platform {

PlatformEnvironment::PlatformEnvironment() : presenter_(std::make_shared<StderrMessageBox>()) {
  RegisterStandardClasses(registry_, windows_);
}

void PlatformEnvironment::SetMessageBox(std::shared_ptr<MessageBoxPresenter> presenter) {
  presenter_ = presenter ? std::move(presenter) : std::make_shared<StderrMessageBox>();
}

ObjectPtr PlatformEnvironment::CreateObject(const std::string& progId) {
  return registry_.Create(progId);
}

long PlatformEnvironment::IsWindowEnabled(long hWnd) { return windows_.IsWindowEnabled(hWnd); }

long PlatformEnvironment::GetWindowLongA(long hWnd, long nIndex) {
  return windows_.GetWindowLongA(hWnd, nIndex);
}

long PlatformEnvironment::GetWindowTextLengthA(long hWnd) {
  return windows_.GetWindowTextLengthA(hWnd);
}

long PlatformEnvironment::GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) {
  return windows_.GetWindowTextA(hWnd, lpString, nMaxCount);
}

float PlatformEnvironment::Timer() { return clock_.Timer(); }

long PlatformEnvironment::MsgBox(const std::string& Prompt, long Buttons,
                                 const std::string& Title) {
  // A copy: the presenter may be replaced while its box is up.
  std::shared_ptr<MessageBoxPresenter> presenter = presenter_;
  return presenter->Show(Prompt, Buttons, Title);
}

PicturePtr PlatformEnvironment::GetPicture(const std::string& key) { return pictures_.Get(key); }

std::shared_ptr<PlatformEnvironment> InstallPlatformEnvironment() {
  auto env = std::make_shared<PlatformEnvironment>();
  SetEnv(env);
  return env;
}

std::shared_ptr<PlatformEnvironment> InstalledPlatformEnvironment() {
  auto env = std::dynamic_pointer_cast<PlatformEnvironment>(InstalledEnv());
  if (!env) {
    throw Error(errc::kCannotCreateObject, "The platform environment is not installed");
  }
  return env;
}

}  // namespace glnamelist::platform
