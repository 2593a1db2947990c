// The platform's own environment, installed for the life of a test, with every call recorded
// and the fakes of the outside objects registered under their ProgIDs, all sharing one
// CallLog.
//
//   ScopedFakeEnvironment fake;            // SetEnv + ResetLibraryServices
//   fake.gl_data()->SetAccounts({...});    // the one data service every GetGLData sees
//   auto box = fake.NewTextBox("1001.");   // a window of the platform and a box on it
//   fake.env().Windows().SetText(box->hwnd_value, "1002.");
//   fake.env().timer = 3600.5f;            // what Timer returns (timer_readings first)
//   fake.env().messages()                  // every MsgBox (text, style, caption)
//   fake.LastSubClass()->Send(WM_KEYDOWN, VK_F8, 0);
//   fake.log()->calls()
//
// The environment records "Env.CreateObject(ADODB.Stream)", "Env.IsWindowEnabled(1)",
// "Env.GetWindowLongA(1, -16)", "Env.GetWindowTextLengthA(1)", "Env.GetWindowTextA(1, 6)",
// "Env.Timer()", "Env.MsgBox(<prompt>, 64, <title>)" and "Env.GetPicture(Detail)"; each can be
// made to fail with FailAt. Created objects are remembered weakly: LastNameList() and the
// like give Nothing once the component has released the object. The data service is the
// exception: every creation hands out gl_data(). On destruction the library services are
// reset again and the environment installed before is restored.
#ifndef GLNAMELIST_TESTS_FAKES_SCOPED_FAKE_ENVIRONMENT_H_
#define GLNAMELIST_TESTS_FAKES_SCOPED_FAKE_ENVIRONMENT_H_

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/message_box.h"
#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_controls.h"
#include "tests/fakes/fake_gl_data.h"

namespace glnamelist::fakes {

class RecordingEnvironment : public platform::PlatformEnvironment, public FakeRecorder {
 public:
  explicit RecordingEnvironment(CallLogPtr log);

  // Timer returns the front of timer_readings (removing it) while there is one, else timer.
  float timer = 0;
  std::deque<float> timer_readings;
  const std::vector<platform::RecordingMessageBox::Call>& messages() const { return box_->calls(); }

  ObjectPtr CreateObject(const std::string& progId) override;
  long IsWindowEnabled(long hWnd) override;
  long GetWindowLongA(long hWnd, long nIndex) override;
  long GetWindowTextLengthA(long hWnd) override;
  long GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) override;
  float Timer() override;
  long MsgBox(const std::string& Prompt, long Buttons, const std::string& Title) override;
  PicturePtr GetPicture(const std::string& key) override;

 private:
  std::shared_ptr<platform::RecordingMessageBox> box_;
};

class ScopedFakeEnvironment {
 public:
  ScopedFakeEnvironment();
  ~ScopedFakeEnvironment();
  ScopedFakeEnvironment(const ScopedFakeEnvironment&) = delete;
  ScopedFakeEnvironment& operator=(const ScopedFakeEnvironment&) = delete;

  RecordingEnvironment& env() { return *env_; }
  const CallLogPtr& log() const { return log_; }
  const std::shared_ptr<FakeGLData>& gl_data() const { return gl_data_; }

  // The most recently created object of each kind that is still alive, or Nothing.
  std::shared_ptr<FakeNameList> LastNameList() const { return Last(name_lists_); }
  std::shared_ptr<FakeSubClass> LastSubClass() const { return Last(subclasses_); }
  std::shared_ptr<FakeItemSet> LastItemSet() const { return Last(item_sets_); }
  long SubClassCount() const { return static_cast<long>(subclasses_.size()); }

  // A new window of the platform holding text (the first one made is window 1) and a text
  // box on it recording into the shared log.
  std::shared_ptr<FakeTextBox> NewTextBox(const std::string& text = std::string());

 private:
  template <class T>
  static std::shared_ptr<T> Last(const std::vector<std::weak_ptr<T>>& made) {
    return made.empty() ? nullptr : made.back().lock();
  }

  CallLogPtr log_;
  std::shared_ptr<RecordingEnvironment> env_;
  std::shared_ptr<FakeGLData> gl_data_;
  std::shared_ptr<Environment> previous_;
  std::vector<std::weak_ptr<FakeNameList>> name_lists_;
  std::vector<std::weak_ptr<FakeSubClass>> subclasses_;
  std::vector<std::weak_ptr<FakeItemSet>> item_sets_;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_SCOPED_FAKE_ENVIRONMENT_H_
