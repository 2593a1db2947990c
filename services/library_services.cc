#include "services/library_services.h"

#include "contracts/environment.h"
#include "contracts/prog_ids.h"

namespace glnamelist {
namespace {

GLDataPtr& DataService() {
  static GLDataPtr data;
  return data;
}

TextHelperPtr& Helper() {
  static TextHelperPtr helper;
  return helper;
}

}  // namespace

GLDataPtr GetGLData() {
  GLDataPtr& data = DataService();
  if (!data) data = CreateObjectAs<GLData>(progid::kGLData);
  return data;
}

std::string GetLanguage(const std::string& /*Key*/) { return "chs"; }

std::string LoadResString(const std::string& Text) { return Text; }

TextHelperPtr SharedTextHelper() {
  TextHelperPtr& helper = Helper();
  if (!helper) helper = CreateObjectAs<TextHelper>(progid::kTextHelper);
  return helper;
}

std::string FormatText(const std::string& Template, const std::vector<Variant>& Args) {
  std::string copy = Template;
  std::vector<Variant> args(Args);
  return SharedTextHelper()->FormatArgs(copy, args);
}

void ResetLibraryServices() {
  DataService().reset();
  Helper().reset();
}

}  // namespace glnamelist
