// A provider of accounts, items or SubMes entries run on its own against the fakes: the
// object's state with a fake list control and a fake text box on window 100, the component's
// hand-over of a listing, and helpers to type into the box and to read back what the list
// was left with.
#ifndef GLNAMELIST_TESTS_PROVIDERS_CODED_LIST_FIXTURE_H_
#define GLNAMELIST_TESTS_PROVIDERS_CODED_LIST_FIXTURE_H_

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component/shown_list.h"
#include "providers/provider.h"
#include "providers/state.h"
#include "tests/fakes/scoped_fake_environment.h"

namespace glnamelist::testing {

class CodedListTest : public ::testing::Test {
 protected:
  CodedListTest()
      : list_(std::make_shared<fakes::FakeNameList>(fake_.log())), box_(fake_.NewTextBox()) {
    s_.list_control = list_;
    s_.text_box = box_;
    s_.show_listing = [this](const Listing& listing) { shown_.Show(s_, listing); };
  }

  // What the box holds: the list control reports it, and it is the window text.
  void Type(const std::string& text) {
    list_->edit_text = text;
    fake_.env().Windows().SetText(box_->hwnd_value, text);
  }

  // The codes of the rows the list was handed, in the order row supply reads them.
  std::vector<std::string> ListedCodes() {
    std::vector<std::string> out;
    for (long i = 1; i <= shown_.records()->RecordCount(); ++i) {
      shown_.records()->AbsolutePosition(i);
      out.push_back(shown_.records()->Fields("FNumber").ToDisplayText());
    }
    return out;
  }

  // One code listing with the asset settings and the typed text, and what it must leave:
  // the filter on the shown record set and the codes listed (and dropped down).
  struct ListingCase {
    bool filter_is_asset;
    std::string asset_filter, typed, filter;
    std::vector<std::string> codes;
  };
  void ExpectListings(const std::vector<ListingCase>& cases) {
    for (const ListingCase& c : cases) {
      SCOPED_TRACE(c.typed + " / asset " + c.asset_filter);
      s_.filter_is_asset = c.filter_is_asset;
      s_.asset_filter = c.asset_filter;
      Type(c.typed);
      long drops = fake_.log()->Count("NameList.DropDown()");
      List();
      ASSERT_TRUE(shown_.records());
      EXPECT_EQ(shown_.records()->Filter(), c.filter);
      EXPECT_EQ(ListedCodes(), c.codes);
      EXPECT_EQ(list_->data->rows, static_cast<long>(c.codes.size()));
      EXPECT_EQ(fake_.log()->Count("NameList.DropDown()"), drops + 1);
    }
  }

  // The list was handed its rows on request: two columns in list_style, rows rows, and
  // DataRequest connected to row supply. No row is written by the listing itself.
  void ExpectRowsOnRequest(long list_style, long rows) {
    EXPECT_EQ(list_->data->cols, 2);
    EXPECT_EQ(list_->data->list_style, list_style);
    EXPECT_EQ(list_->data->rows_on_request, -1);
    EXPECT_EQ(list_->data->rows, rows);
    EXPECT_TRUE(list_->data->cells.empty());
    EXPECT_EQ(shown_.data(), list_->data);
  }

  // The one message box shown: prompt, OK with the information icon, and the caption.
  void ExpectMessage(const std::string& prompt) {
    EXPECT_THAT(fake_.env().messages(), ::testing::ElementsAre(platform::RecordingMessageBox::Call{
                                            prompt, 64, "澄枫提示"}));
  }

  void List() { provider_->List(s_); }
  void Search() { provider_->Search(s_); }
  std::vector<std::string> Calls(const char* prefix) const { return fake_.log()->With(prefix); }

  bool DroppedDown() const { return fake_.log()->Contains("NameList.DropDown()"); }
  bool DroppedDownFound() const { return fake_.log()->Contains("NameList.DropDownFound()"); }
  bool Shown() const { return DroppedDown() || DroppedDownFound(); }

  fakes::ScopedFakeEnvironment fake_;
  NameListState s_;
  ShownList shown_{nullptr};  // what the component keeps of the listing handed to it
  ProviderPtr provider_;      // what List and Search run
  std::shared_ptr<fakes::FakeNameList> list_;
  std::shared_ptr<fakes::FakeTextBox> box_;
};

}  // namespace glnamelist::testing

#endif  // GLNAMELIST_TESTS_PROVIDERS_CODED_LIST_FIXTURE_H_
