// Recording and error injection shared by every fake of an outside object.
//
// Each fake writes one line per call into a CallLog, in the form
//   "<Object>.<Member>(<arguments>)"
// for example "ListData.Cols(2)", "NameList.DropDown()", "GLData.GetAccount(1001)".
// Arguments are separated by ", "; texts appear unquoted, Booleans as True/False, pictures
// by their key (or "Nothing"), fonts by their name. The fakes created by one
// ScopedFakeEnvironment share one log, so a test sees the order of calls across objects.
//
// Every fake can be told to raise an Error at a named member (FailAt("DropDown", ...)):
// the call is still recorded, then the error is thrown, on every call until
// ClearFailure(member).
#ifndef GLNAMELIST_TESTS_FAKES_CALL_LOG_H_
#define GLNAMELIST_TESTS_FAKES_CALL_LOG_H_

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "contracts/error.h"
#include "contracts/font.h"
#include "contracts/picture.h"

namespace glnamelist::fakes {

class CallLog {
 public:
  void Add(std::string call) { calls_.push_back(std::move(call)); }
  void Clear() { calls_.clear(); }
  const std::vector<std::string>& calls() const { return calls_; }

  // The calls that begin with prefix ("NameList.", "GLData.GetAccount"), in order.
  std::vector<std::string> With(std::string_view prefix) const;
  // How many recorded calls equal call exactly.
  long Count(std::string_view call) const;
  bool Contains(std::string_view call) const { return Count(call) > 0; }

 private:
  std::vector<std::string> calls_;
};

using CallLogPtr = std::shared_ptr<CallLog>;

// Text of a call argument as the log shows it.
template <class T>
std::string Describe(const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    return value ? "True" : "False";
  } else if constexpr (std::is_arithmetic_v<T>) {
    return std::to_string(value);
  } else if constexpr (std::is_convertible_v<T, PicturePtr>) {
    return value ? value->Key() : "Nothing";
  } else if constexpr (std::is_convertible_v<T, FontPtr>) {
    return value ? value->Name() : "Nothing";
  } else {
    return std::string(value);
  }
}

// "a, b, c" of the described arguments.
template <class... Args>
std::string DescribeArgs(const Args&... args) {
  std::string out;
  ((out += (out.empty() ? "" : ", ") + Describe(args)), ...);
  return out;
}

// The base of every fake: its object name in the log, the log, the injected errors and a
// count of calls per member.
class FakeRecorder {
 public:
  FakeRecorder(std::string object_name, CallLogPtr log);
  virtual ~FakeRecorder() = default;

  const CallLogPtr& log() const { return log_; }
  // From now on the member raises error (after recording the call).
  void FailAt(const std::string& member, Error error) { faults_.insert_or_assign(member, error); }
  void ClearFailure(const std::string& member) { faults_.erase(member); }
  // How many times the member was called (getters and setters of a property count together).
  long CallCount(const std::string& member) const;

 protected:
  // Records "<object>.<member>(<args>)", counts it and raises the injected error, if any.
  void Call(const std::string& member, const std::string& args = std::string()) const;

 private:
  std::string object_name_;
  CallLogPtr log_;
  std::map<std::string, Error> faults_;
  mutable std::map<std::string, long> counts_;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_CALL_LOG_H_
