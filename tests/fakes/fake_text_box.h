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

struct FakeFont : glnamelist::Font {
  std::string Name() const override { return "SimSun"; }
  double Size() const override { return 9; }
  bool Bold() const override { return false; }
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
