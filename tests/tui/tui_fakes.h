// Test doubles for the terminal parts: a window-text environment and a list host.
#ifndef GLNAMELIST_TESTS_TUI_TUI_FAKES_H_
#define GLNAMELIST_TESTS_TUI_TUI_FAKES_H_

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "contracts/environment.h"
#include "contracts/error.h"
#include "tui/terminal_name_list.h"

namespace glnamelist::tui::testing {

// Window texts by handle; everything else is refused.
class TextEnv : public Environment {
 public:
  std::map<long, std::string> texts;

  ObjectPtr CreateObject(const std::string& progId) override {
    throw Error(429, "Cannot create object: " + progId);
  }
  long IsWindowEnabled(long) override { return 1; }
  long GetWindowLongA(long, long) override { return 0; }
  long GetWindowTextLengthA(long hWnd) override { return static_cast<long>(texts[hWnd].size()); }
  long GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) override {
    std::string t = texts[hWnd].substr(0, static_cast<size_t>(std::max(nMaxCount - 1, 0L)));
    lpString.replace(0, t.size(), t);
    return static_cast<long>(t.size());
  }
  float Timer() override { return 0; }
  long MsgBox(const std::string&, long, const std::string&) override { return 1; }
  PicturePtr GetPicture(const std::string& key) override {
    throw Error(35601, "Element not found: " + key);
  }
};

class Pic : public Picture {
 public:
  explicit Pic(std::string key) : key_(std::move(key)) {}
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  const std::vector<uint32_t>& Pixels() const override { return pixels_; }
  std::string Key() const override { return key_; }

 private:
  std::string key_;
  std::vector<uint32_t> pixels_;
};

class FakeHost : public ListHost {
 public:
  int rows = 30;
  int cols = 100;
  std::map<long, Rect> boxes;
  std::map<long, std::string>* texts = nullptr;  // SetBoxText writes here when set
  std::vector<std::pair<long, std::string>> set_texts;
  std::vector<std::string> errors;
  TerminalNameList* shown = nullptr;

  Rect BoxRect(long hWnd) override {
    auto it = boxes.find(hWnd);
    return it == boxes.end() ? Rect{} : it->second;
  }
  int ScreenRows() override { return rows; }
  int ScreenCols() override { return cols; }
  void SetBoxText(long hWnd, const std::string& text) override {
    set_texts.emplace_back(hWnd, text);
    if (texts) (*texts)[hWnd] = text;
  }
  std::string PictureGlyph(const std::string& key) override { return key == "Bank" ? "$" : "·"; }
  void ListShown(TerminalNameList& list) override { shown = &list; }
  void ListHidden(TerminalNameList& list) override {
    if (shown == &list) shown = nullptr;
  }
  void ReportError(const std::string& message) override { errors.push_back(message); }
};

}  // namespace glnamelist::tui::testing

#endif  // GLNAMELIST_TESTS_TUI_TUI_FAKES_H_
