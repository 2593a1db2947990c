#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

std::vector<std::string> CallLog::With(std::string_view prefix) const {
  std::vector<std::string> out;
  for (const std::string& c : calls_)
    if (std::string_view(c).substr(0, prefix.size()) == prefix) out.push_back(c);
  return out;
}

long CallLog::Count(std::string_view call) const {
  long n = 0;
  for (const std::string& c : calls_)
    if (c == call) ++n;
  return n;
}

FakeRecorder::FakeRecorder(std::string object_name, CallLogPtr log)
    : object_name_(std::move(object_name)),
      log_(log ? std::move(log) : std::make_shared<CallLog>()) {}

long FakeRecorder::CallCount(const std::string& member) const {
  auto it = counts_.find(member);
  return it == counts_.end() ? 0 : it->second;
}

void FakeRecorder::Call(const std::string& member, const std::string& args) const {
  log_->Add(object_name_ + "." + member + "(" + args + ")");
  ++counts_[member];
  auto it = faults_.find(member);
  if (it != faults_.end()) throw it->second;
}

}  // namespace glnamelist::fakes
