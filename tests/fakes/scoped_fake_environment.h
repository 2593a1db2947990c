// Installs a FakeEnvironment for the life of a test, with the fakes of every outside
// object registered under their ProgIDs and sharing one CallLog.
//
//   ScopedFakeEnvironment fake;            // SetEnv + ResetLibraryServices
//   fake.gl_data()->SetAccounts({...});    // the one data service every GetGLData sees
//   auto box = fake.NewTextBox(100, "1001.");
//   auto list = std::make_shared<GLNameList>();
//   list->Attach(box_ptr, nlAccount);
//   fake.LastNameList()->data->RequestRow(1);
//   fake.LastSubClass()->Send(WM_KEYDOWN, VK_F8, 0);
//   fake.log()->calls()
//
// Created objects are remembered weakly: LastNameList() and the like give Nothing once
// the component has released the object (so a test can see that it was released). The
// data service is the exception: every creation hands out gl_data(). On destruction the
// library services are reset again and the environment installed before is restored.
#ifndef GLNAMELIST_TESTS_FAKES_SCOPED_FAKE_ENVIRONMENT_H_
#define GLNAMELIST_TESTS_FAKES_SCOPED_FAKE_ENVIRONMENT_H_

#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/call_log.h"
#include "tests/fakes/fake_environment.h"
#include "tests/fakes/fake_gl_data.h"
#include "tests/fakes/fake_list_control.h"
#include "tests/fakes/fake_subclass.h"
#include "tests/fakes/fake_text_box.h"

namespace glnamelist::fakes {

class ScopedFakeEnvironment {
 public:
  ScopedFakeEnvironment();
  ~ScopedFakeEnvironment();
  ScopedFakeEnvironment(const ScopedFakeEnvironment&) = delete;
  ScopedFakeEnvironment& operator=(const ScopedFakeEnvironment&) = delete;

  FakeEnvironment& env() { return *env_; }
  const CallLogPtr& log() const { return log_; }
  const std::shared_ptr<FakeGLData>& gl_data() const { return gl_data_; }

  // The most recently created object of each kind that is still alive, or Nothing.
  std::shared_ptr<FakeNameList> LastNameList() const { return Last(name_lists_); }
  std::shared_ptr<FakeSubClass> LastSubClass() const { return Last(subclasses_); }
  std::shared_ptr<FakeItemSet> LastItemSet() const { return Last(item_sets_); }
  // How many objects of each kind were created so far (alive or not).
  long NameListCount() const { return static_cast<long>(name_lists_.size()); }
  long SubClassCount() const { return static_cast<long>(subclasses_.size()); }

  // A text box on window hWnd recording into the shared log, with a window of that handle
  // holding text (enabled, style 0 unless told otherwise).
  std::shared_ptr<FakeTextBox> NewTextBox(long hWnd, const std::string& text = std::string(),
                                          bool enabled = true, long style = 0);

 private:
  template <class T>
  static std::shared_ptr<T> Last(const std::vector<std::weak_ptr<T>>& made) {
    return made.empty() ? nullptr : made.back().lock();
  }

  CallLogPtr log_;
  std::shared_ptr<FakeEnvironment> env_;
  std::shared_ptr<FakeGLData> gl_data_;
  std::shared_ptr<Environment> previous_;
  std::vector<std::weak_ptr<FakeNameList>> name_lists_;
  std::vector<std::weak_ptr<FakeSubClass>> subclasses_;
  std::vector<std::weak_ptr<FakeItemSet>> item_sets_;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_SCOPED_FAKE_ENVIRONMENT_H_
