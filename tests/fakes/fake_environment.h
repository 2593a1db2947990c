// A fake platform ("Env."). It creates the platform's own string helper, keyed collections,
// streams and record sets by default, and hands out the platform's pictures.
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
#include "platform/picture_store.h"
#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

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

  // The picture under key, unrecorded (the same object GetPicture returns).
  PicturePtr PictureOf(const std::string& key) { return pictures_.Get(key); }

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
  platform::PictureStore pictures_;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_ENVIRONMENT_H_
