// A test fixture: a GLNameList (or its inside, GLNameListImpl, for the component's own
// tests) attached to a fake text box, over a ScopedFakeEnvironment. Header-only; for suites
// that link glnamelist::component as well as glnamelist::fakes.
//
//   class AccountListTest : public glnamelist::fakes::NameListFixture {};
//   TEST_F(AccountListTest, ListsChildren) {
//     fake.gl_data()->SetAccounts({...});   // before Attach: account setup copies them
//     Attach(nlAccount);
//     Type("1001.");                        // window text and GetEditText
//     Press(VK_F8);                         // WM_KEYDOWN through the subclassing object
//     EXPECT_EQ(control().data->rows, 2);
//     control().data->RequestRow(1);
//   }
#ifndef GLNAMELIST_TESTS_FAKES_NAME_LIST_FIXTURE_H_
#define GLNAMELIST_TESTS_FAKES_NAME_LIST_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "component/gl_name_list.h"
#include "tests/fakes/scoped_fake_environment.h"

namespace glnamelist::fakes {

template <class List>
class BasicNameListFixture : public ::testing::Test {
 protected:
  static constexpr long kBoxHwnd = 1;  // the first window of the environment

  // Creates the GLNameList (once) and a text box on window kBoxHwnd holding text, and
  // attaches the box with kind.
  List& Attach(long kind, const std::string& text = std::string()) {
    if (!list) list = MakeList();
    box = box ? std::make_shared<FakeTextBox>(kBoxHwnd, fake.log()) : fake.NewTextBox();
    TextBoxPtr as_box = box;
    list->Attach(as_box, kind);
    Type(text);
    return *list;
  }

  // The box now holds text: its window text and what the list control reports as typed.
  void Type(const std::string& text) {
    fake.env().Windows().SetText(kBoxHwnd, text);
    control().edit_text = text;
  }

  // A key-down of the virtual key vk, a typed character, and the box gaining focus, as the
  // subclassing object reports them. Each moves the clock on by one second first.
  FakeSubClass::Outcome Press(long vk) { return Send(WM_KEYDOWN, vk); }
  FakeSubClass::Outcome TypeChar(char c) { return Send(WM_CHAR, static_cast<unsigned char>(c)); }
  FakeSubClass::Outcome Focus() { return Send(WM_SETFOCUS, 0); }

  FakeSubClass::Outcome Send(long msg, long wParam) {
    fake.env().timer += 1;
    auto sub = fake.LastSubClass();
    if (!sub) ADD_FAILURE() << "no subclassing object: the box is not attached";
    return sub ? sub->Send(msg, wParam, 0) : FakeSubClass::Outcome{};
  }

  // The list control of the object (alive while list is).
  FakeNameList& control() { return *fake.LastNameList(); }
  FakeNameListData& rows() { return *control().data; }

  // The object Attach creates first.
  virtual std::shared_ptr<List> MakeList() { return std::make_shared<List>(); }

  ScopedFakeEnvironment fake;
  std::shared_ptr<FakeTextBox> box;
  std::shared_ptr<List> list;
};

using NameListFixture = BasicNameListFixture<GLNameList>;

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_NAME_LIST_FIXTURE_H_
