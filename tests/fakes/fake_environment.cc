#include "tests/fakes/fake_environment.h"

#include <algorithm>

#include "contracts/prog_ids.h"
#include "contracts/text.h"
#include "platform/keyed_collection.h"
#include "recordset/memory_stream.h"
#include "recordset/table.h"

namespace glnamelist::fakes {
namespace {

// The largest n' <= n such that text[0, n') does not end inside a UTF-8 character.
size_t WholeCharacters(const std::string& text, size_t n) { return text::PrefixLength(text, n); }

}  // namespace

FakePicture::FakePicture(std::string key) : key_(std::move(key)) {
  uint32_t colour = 0x000000FFu;
  for (char c : key_) colour = (colour * 31u + static_cast<unsigned char>(c)) | 0xFFu;
  pixels_.assign(16 * 16, colour);
}

std::string FakeTextHelper::FormatArgs(const std::string& Template,
                                       const std::vector<Variant>& Args) {
  std::string args;
  for (const Variant& a : Args) args += ", " + a.ToDisplayText();
  Call("FormatArgs", Template + args);
  std::string out;
  for (size_t i = 0; i < Template.size(); ++i) {
    char next = i + 1 < Template.size() ? Template[i + 1] : '\0';
    size_t index = static_cast<size_t>(next - '1');
    if (Template[i] == '%' && next >= '1' && next <= '9' && index < Args.size()) {
      out += Args[index].ToDisplayText();
      ++i;
    } else {
      out += Template[i];
    }
  }
  return out;
}

std::string FakeTextHelper::BufferText(const std::string& Buffer, long Length) {
  Call("BufferText", DescribeArgs(Length));
  size_t n = Length > 0 ? static_cast<size_t>(Length) : 0;
  n = std::min(n, Buffer.find('\0'));
  return Buffer.substr(0, WholeCharacters(Buffer, n));
}

FakeEnvironment::FakeEnvironment(CallLogPtr log) : FakeRecorder("Env", std::move(log)) {
  CallLogPtr shared = this->log();
  Register(progid::kTextHelper, [shared] { return std::make_shared<FakeTextHelper>(shared); });
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

const std::vector<std::string>& FakeEnvironment::PictureKeys() {
  static const std::vector<std::string> keys = {
      "Item", "Detail",   "Cash", "Bank",  "Parent",   "Open",        "Asset",
      "ARAP", "CostDiff", "Depr", "Apple", "Purchase", "PurchaseTax", "SaleTax"};
  return keys;
}

PicturePtr FakeEnvironment::PictureOf(const std::string& key) {
  const auto& keys = PictureKeys();
  if (std::find(keys.begin(), keys.end(), key) == keys.end())
    throw Error(35601, "Element not found");
  PicturePtr& pic = pictures_[key];
  if (!pic) pic = std::make_shared<FakePicture>(key);
  return pic;
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
  size_t n = WholeCharacters(text, static_cast<size_t>(nMaxCount - 1));
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
  return msgbox_result;
}

PicturePtr FakeEnvironment::GetPicture(const std::string& key) {
  Call("GetPicture", key);
  return PictureOf(key);
}

}  // namespace glnamelist::fakes
