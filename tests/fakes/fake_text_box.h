// Fakes of the host's text box ("TextBox.") and its font.
//
//   auto box = std::make_shared<FakeTextBox>(100, log);   // window handle 100
//   box->FailAt("hWnd", Error(438, "..."));                // an object without hWnd
//
// hWnd and Font are recorded as "TextBox.hWnd()" and "TextBox.Font()".
#ifndef GLNAMELIST_TESTS_FAKES_FAKE_TEXT_BOX_H_
#define GLNAMELIST_TESTS_FAKES_FAKE_TEXT_BOX_H_

#include <memory>
#include <string>

#include "contracts/text_box.h"
#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

class FakeFont : public glnamelist::Font {
 public:
  explicit FakeFont(std::string name = "SimSun", double size = 9, bool bold = false)
      : name_(std::move(name)), size_(size), bold_(bold) {}
  std::string Name() const override { return name_; }
  double Size() const override { return size_; }
  bool Bold() const override { return bold_; }

 private:
  std::string name_;
  double size_;
  bool bold_;
};

class FakeTextBox : public TextBox, public FakeRecorder {
 public:
  explicit FakeTextBox(long hwnd = 100, CallLogPtr log = nullptr)
      : FakeRecorder("TextBox", std::move(log)),
        hwnd_value(hwnd),
        font_value(std::make_shared<FakeFont>()) {}

  long hWnd() const override {
    Call("hWnd");
    return hwnd_value;
  }
  FontPtr Font() const override {
    Call("Font");
    return font_value;
  }

  long hwnd_value;
  FontPtr font_value;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_TEXT_BOX_H_
