#include "tests/fakes/fake_environment.h"

#include "contracts/prog_ids.h"
#include "contracts/text.h"
#include "platform/keyed_collection.h"
#include "platform/text_helper.h"
#include "recordset/memory_stream.h"
#include "recordset/table.h"

namespace glnamelist::fakes {
FakeEnvironment::FakeEnvironment(CallLogPtr log) : FakeRecorder("Env", std::move(log)) {
  Register(progid::kTextHelper, [] { return std::make_shared<platform::StandardTextHelper>(); });
  Register(progid::kKeyedCollection,
           [] { return std::make_shared<platform::MapKeyedCollection>(); });
  Register(progid::kStream, [] { return recordset::NewStream(); });
  Register(progid::kRecordset, [] { return recordset::NewRecordset(); });
}

void FakeEnvironment::Register(const std::string& progId, Factory factory) {
  factories_[progId] = std::move(factory);
}

void FakeEnvironment::FailCreate(const std::string& progId, Error error) {
  Register(progId, [error]() -> ObjectPtr { throw error; });
}

long FakeEnvironment::CreationCount(const std::string& progId) const {
  auto it = creations_.find(progId);
  return it == creations_.end() ? 0 : it->second;
}

ObjectPtr FakeEnvironment::CreateObject(const std::string& progId) {
  Call("CreateObject", progId);
  auto it = factories_.find(progId);
  if (it == factories_.end())
    throw Error(errc::kCannotCreateObject, "ActiveX component can't create object: " + progId);
  ObjectPtr o = it->second();
  if (!o)
    throw Error(errc::kCannotCreateObject, "ActiveX component can't create object: " + progId);
  ++creations_[progId];
  return o;
}

long FakeEnvironment::IsWindowEnabled(long hWnd) {
  Call("IsWindowEnabled", DescribeArgs(hWnd));
  auto it = windows.find(hWnd);
  return it != windows.end() && it->second.enabled ? 1 : 0;
}

long FakeEnvironment::GetWindowLongA(long hWnd, long nIndex) {
  Call("GetWindowLongA", DescribeArgs(hWnd, nIndex));
  auto it = windows.find(hWnd);
  return it != windows.end() && nIndex == GWL_STYLE ? it->second.style : 0;
}

long FakeEnvironment::GetWindowTextLengthA(long hWnd) {
  Call("GetWindowTextLengthA", DescribeArgs(hWnd));
  auto it = windows.find(hWnd);
  return it == windows.end() ? 0 : static_cast<long>(it->second.text.size());
}

long FakeEnvironment::GetWindowTextA(long hWnd, std::string& lpString, long nMaxCount) {
  Call("GetWindowTextA", DescribeArgs(hWnd, nMaxCount));
  auto it = windows.find(hWnd);
  if (it == windows.end() || nMaxCount <= 0) return 0;
  const std::string& text = it->second.text;
  size_t n = text::PrefixLength(text, static_cast<size_t>(nMaxCount - 1));
  if (lpString.size() < n) lpString.resize(n);
  lpString.replace(0, n, text, 0, n);
  if (n < lpString.size()) lpString[n] = '\0';
  return static_cast<long>(n);
}

float FakeEnvironment::Timer() {
  Call("Timer");
  if (timer_readings.empty()) return timer;
  float t = timer_readings.front();
  timer_readings.pop_front();
  return t;
}

long FakeEnvironment::MsgBox(const std::string& Prompt, long Buttons, const std::string& Title) {
  Call("MsgBox", DescribeArgs(Prompt, Buttons, Title));
  messages.push_back({Prompt, Buttons, Title});
  return 1;
}

PicturePtr FakeEnvironment::GetPicture(const std::string& key) {
  Call("GetPicture", key);
  return PictureOf(key);
}

}  // namespace glnamelist::fakes
