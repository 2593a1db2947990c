// A fake platform ("Env.") and the small outside objects it creates by default: pictures,
// the string helper, keyed collections, streams and empty record sets.
//
// FakeEnvironment on its own knows the classes progid::kTextHelper, kKeyedCollection,
// kStream and kRecordset; ScopedFakeEnvironment (scoped_fake_environment.h) adds the list
// control, subclassing object, data service and item set fakes and installs it all.
//
//   env.windows[100] = {.text = "1001.", .enabled = true, .style = 0};
//   env.timer = 3600.5f;                  // what Timer returns (timer_readings first)
//   env.messages                          // every MsgBox (prompt, buttons, title)
//
// Recorded calls: "Env.CreateObject(ADODB.Stream)", "Env.IsWindowEnabled(100)",
// "Env.GetWindowLongA(100, -16)", "Env.GetWindowTextLengthA(100)",
// "Env.GetWindowTextA(100, 6)", "Env.Timer()", "Env.MsgBox(<prompt>, 64, <title>)",
// "Env.GetPicture(Detail)". Each can be made to fail with FailAt.
#ifndef GLNAMELIST_TESTS_FAKES_FAKE_ENVIRONMENT_H_
#define GLNAMELIST_TESTS_FAKES_FAKE_ENVIRONMENT_H_

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/environment.h"
#include "contracts/keyed_collection.h"
#include "contracts/stream.h"
#include "contracts/text_helper.h"
#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

// A 16 x 16 picture filled with one colour derived from its key.
class FakePicture : public Picture {
 public:
  explicit FakePicture(std::string key);
  int Width() const override { return 16; }
  int Height() const override { return 16; }
  const std::vector<uint32_t>& Pixels() const override { return pixels_; }
  std::string Key() const override { return key_; }

 private:
  std::string key_;
  std::vector<uint32_t> pixels_;
};

// FormatArgs replaces "%1".."%9" by the display text of the matching argument (a
// placeholder without an argument stays); BufferText gives the text of the first Length
// bytes, cut at a NUL byte and never ending in half a UTF-8 character.
// Recorded as "TextHelper.FormatArgs(<template>, <args>...)" and
// "TextHelper.BufferText(<length>)".
class FakeTextHelper : public TextHelper, public FakeRecorder {
 public:
  explicit FakeTextHelper(CallLogPtr log = nullptr) : FakeRecorder("TextHelper", std::move(log)) {}
  std::string FormatArgs(const std::string& Template, const std::vector<Variant>& Args) override;
  std::string BufferText(const std::string& Buffer, long Length) override;
};

class FakeEnvironment : public Environment, public FakeRecorder {
 public:
  using Factory = std::function<ObjectPtr()>;

  explicit FakeEnvironment(CallLogPtr log = nullptr);

  // Registers (or replaces) the factory of a class.
  void Register(const std::string& progId, Factory factory);
  void Unregister(const std::string& progId) { factories_.erase(progId); }
  // From now on creating progId raises error.
  void FailCreate(const std::string& progId, Error error);
  // How many objects of progId were created (successfully).
  long CreationCount(const std::string& progId) const;

  // The keys of the picture store, in stored order (14).
  static const std::vector<std::string>& PictureKeys();
  // The picture under key, unrecorded (the same object GetPicture returns).
  PicturePtr PictureOf(const std::string& key);

  struct Window {
    std::string text;
    bool enabled = true;
    long style = 0;
  };
  // Windows by handle; an unknown handle is a disabled window with no text and no style.
  std::map<long, Window> windows;

  // Timer returns the front of timer_readings (removing it) while there is one, else timer.
  float timer = 0;
  std::deque<float> timer_readings;

  struct Message {
    std::string prompt;
    long buttons;
    std::string title;
  };
  std::vector<Message> messages;
  long msgbox_result = 1;

  ObjectPtr CreateObject(const std::string& progId) override;
  long IsWindowEnabled(long hWnd) override;
  long GetWindowLongA(long hWnd, long nIndex) override;
  long GetWindowTextLengthA(long hWnd) override;
  long GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) override;
  float Timer() override;
  long MsgBox(const std::string& Prompt, long Buttons, const std::string& Title) override;
  PicturePtr GetPicture(const std::string& key) override;

 private:
  std::map<std::string, Factory> factories_;
  std::map<std::string, long> creations_;
  std::map<std::string, PicturePtr> pictures_;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_ENVIRONMENT_H_
