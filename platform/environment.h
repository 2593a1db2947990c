// The platform environment of a real host, built from the platform stand-ins.
#ifndef GLNAMELIST_PLATFORM_ENVIRONMENT_H_
#define GLNAMELIST_PLATFORM_ENVIRONMENT_H_

#include <memory>
#include <string>

#include "contracts/api.h"
#include "contracts/environment.h"
#include "platform/class_registry.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/picture_store.h"
#include "platform/window_system.h"

namespace glnamelist::platform {

// Registers the classes the platform provides under the ProgIDs of contracts/prog_ids.h:
// the stream, the record set, the keyed collection, the string helper and the subclassing
// object (over windows, which must outlive the registrations' use).
void RegisterStandardClasses(ClassRegistry& registry, WindowSystem& windows);

class GLNAMELIST_INTERNAL PlatformEnvironment : public Environment {
 public:
  // Registers the standard classes; the message box writes to standard error until the
  // host sets its own presenter.
  PlatformEnvironment();

  ClassRegistry& Registry() { return registry_; }
  WindowSystem& Windows() { return windows_; }
  Clock& SystemClock() { return clock_; }
  PictureStore& Pictures() { return pictures_; }
  MessageBoxPresenter& MessageBox() { return *presenter_; }
  // Installs the presenter (nullptr restores the standard-error one).
  void SetMessageBox(std::shared_ptr<MessageBoxPresenter> presenter);

  ObjectPtr CreateObject(const std::string& progId) override;
  long IsWindowEnabled(long hWnd) override;
  long GetWindowLongA(long hWnd, long nIndex) override;
  long GetWindowTextLengthA(long hWnd) override;
  long GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) override;
  float Timer() override;
  long MsgBox(const std::string& Prompt, long Buttons, const std::string& Title) override;
  PicturePtr GetPicture(const std::string& key) override;

 private:
  // Declared first: the registry's factories refer to the window system.
  WindowSystem windows_;
  ClassRegistry registry_;
  Clock clock_;
  PictureStore pictures_;
  std::shared_ptr<MessageBoxPresenter> presenter_;
};

// Creates a PlatformEnvironment, installs it with SetEnv and returns it.
std::shared_ptr<PlatformEnvironment> InstallPlatformEnvironment();
// The installed environment when it is a PlatformEnvironment; Error 429 otherwise.
GLNAMELIST_INTERNAL std::shared_ptr<PlatformEnvironment> InstalledPlatformEnvironment();

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_ENVIRONMENT_H_
