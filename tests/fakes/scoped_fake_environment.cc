#include "tests/fakes/scoped_fake_environment.h"

#include "contracts/prog_ids.h"
#include "services/library_services.h"

namespace glnamelist::fakes {

ScopedFakeEnvironment::ScopedFakeEnvironment()
    : log_(std::make_shared<CallLog>()),
      env_(std::make_shared<FakeEnvironment>(log_)),
      gl_data_(std::make_shared<FakeGLData>(log_)) {
  env_->Register(progid::kNameList, [this] {
    auto o = std::make_shared<FakeNameList>(log_);
    name_lists_.push_back(o);
    return o;
  });
  env_->Register(progid::kSubClass, [this] {
    auto o = std::make_shared<FakeSubClass>(log_);
    subclasses_.push_back(o);
    return o;
  });
  env_->Register(progid::kGLData, [this] { return gl_data_; });
  env_->Register(progid::kItemSet, [this] {
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

std::shared_ptr<FakeTextBox> ScopedFakeEnvironment::NewTextBox(long hWnd, const std::string& text,
                                                               bool enabled, long style) {
  env_->windows[hWnd] = {text, enabled, style};
  return std::make_shared<FakeTextBox>(hWnd, log_);
}

}  // namespace glnamelist::fakes
