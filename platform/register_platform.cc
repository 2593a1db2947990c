#include "platform/register_platform.h"

#include <memory>
#include <utility>

#include "platform/environment.h"

namespace glnamelist::platform {
namespace {

// Keeps the environment alive for as long as its window may be destroyed.
class PlatformTextBox : public TextBox {
 public:
  PlatformTextBox(std::shared_ptr<PlatformEnvironment> env, const std::string& text, FontPtr font)
      : env_(std::move(env)), hwnd_(env_->Windows().CreateWindow(text)), font_(std::move(font)) {}
  ~PlatformTextBox() override { env_->Windows().DestroyWindow(hwnd_); }

  long hWnd() const override { return hwnd_; }
  FontPtr Font() const override { return font_; }

 private:
  std::shared_ptr<PlatformEnvironment> env_;
  long hwnd_;
  FontPtr font_;
};

class FunctionMessageBox : public MessageBoxPresenter {
 public:
  explicit FunctionMessageBox(MessageBoxFunction show) : show_(std::move(show)) {}
  long Show(const std::string& text, long style, const std::string& caption) override {
    return show_(text, style, caption);
  }

 private:
  MessageBoxFunction show_;
};

}  // namespace

Environment& InstallPlatform() { return *InstallPlatformEnvironment(); }

ClassRegistrar& PlatformClasses() { return InstalledPlatformEnvironment()->Registry(); }

TextBoxPtr CreateTextBox(const std::string& text, FontPtr font) {
  return std::make_shared<PlatformTextBox>(InstalledPlatformEnvironment(), text, std::move(font));
}

std::string WindowText(long hWnd) { return InstalledPlatformEnvironment()->Windows().Text(hWnd); }

void SetWindowText(long hWnd, const std::string& text) {
  InstalledPlatformEnvironment()->Windows().SetText(hWnd, text);
}

void SetFocus(long hWnd) { InstalledPlatformEnvironment()->Windows().SetFocus(hWnd); }

long SendMessage(long hWnd, long msg, long wParam, long lParam) {
  return InstalledPlatformEnvironment()->Windows().SendMessage(hWnd, msg, wParam, lParam);
}

void SetMessageBox(MessageBoxFunction show) {
  InstalledPlatformEnvironment()->SetMessageBox(
      show ? std::make_shared<FunctionMessageBox>(std::move(show)) : nullptr);
}

}  // namespace glnamelist::platform
