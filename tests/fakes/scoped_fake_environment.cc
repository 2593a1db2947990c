#include "tests/fakes/scoped_fake_environment.h"

#include "contracts/prog_ids.h"
#include "services/library_services.h"

namespace glnamelist::fakes {

RecordingEnvironment::RecordingEnvironment(CallLogPtr log)
    : FakeRecorder("Env", std::move(log)), box_(std::make_shared<platform::RecordingMessageBox>()) {
  SetMessageBox(box_);
}

ObjectPtr RecordingEnvironment::CreateObject(const std::string& progId) {
  Call("CreateObject", progId);
  return PlatformEnvironment::CreateObject(progId);
}

long RecordingEnvironment::IsWindowEnabled(long hWnd) {
  Call("IsWindowEnabled", DescribeArgs(hWnd));
  return PlatformEnvironment::IsWindowEnabled(hWnd);
}

long RecordingEnvironment::GetWindowLongA(long hWnd, long nIndex) {
  Call("GetWindowLongA", DescribeArgs(hWnd, nIndex));
  return PlatformEnvironment::GetWindowLongA(hWnd, nIndex);
}

long RecordingEnvironment::GetWindowTextLengthA(long hWnd) {
  Call("GetWindowTextLengthA", DescribeArgs(hWnd));
  return PlatformEnvironment::GetWindowTextLengthA(hWnd);
}

long RecordingEnvironment::GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) {
  Call("GetWindowTextA", DescribeArgs(hWnd, nMaxCount));
  return PlatformEnvironment::GetWindowTextA(hWnd, lpString, nMaxCount);
}

float RecordingEnvironment::Timer() {
  Call("Timer");
  if (timer_readings.empty()) return timer;
  float t = timer_readings.front();
  timer_readings.pop_front();
  return t;
}

long RecordingEnvironment::MsgBox(const std::string& Prompt, long Buttons,
                                  const std::string& Title) {
  Call("MsgBox", DescribeArgs(Prompt, Buttons, Title));
  return PlatformEnvironment::MsgBox(Prompt, Buttons, Title);
}

PicturePtr RecordingEnvironment::GetPicture(const std::string& key) {
  Call("GetPicture", key);
  return PlatformEnvironment::GetPicture(key);
}

ScopedFakeEnvironment::ScopedFakeEnvironment()
    : log_(std::make_shared<CallLog>()),
      env_(std::make_shared<RecordingEnvironment>(log_)),
      gl_data_(std::make_shared<FakeGLData>(log_)) {
  platform::ClassRegistry& classes = env_->Registry();
  classes.Register(progid::kNameList, [this] {
    auto o = std::make_shared<FakeNameList>(log_);
    name_lists_.push_back(o);
    return o;
  });
  classes.Register(progid::kSubClass, [this] {
    auto o = std::make_shared<FakeSubClass>(log_);
    subclasses_.push_back(o);
    return o;
  });
  classes.Register(progid::kGLData, [this] { return gl_data_; });
  classes.Register(progid::kItemSet, [this] {
    auto o = std::make_shared<FakeItemSet>(gl_data_, log_);
    item_sets_.push_back(o);
    return o;
  });
  previous_ = SetEnv(env_);
  ResetLibraryServices();
}

ScopedFakeEnvironment::~ScopedFakeEnvironment() {
  ResetLibraryServices();
  SetEnv(previous_);
}

std::shared_ptr<FakeTextBox> ScopedFakeEnvironment::NewTextBox(const std::string& text) {
  return std::make_shared<FakeTextBox>(env_->Windows().CreateWindow(text), log_);
}

}  // namespace glnamelist::fakes
