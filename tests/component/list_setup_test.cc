// List setup as a host sees it: the default row picture of each kind, and what the first
// account setup reads and prepares.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "contracts/prog_ids.h"
#include "contracts/virtual_keys.h"
#include "tests/fakes/error_of.h"
#include "tests/fakes/name_list_fixture.h"

namespace glnamelist::fakes {
namespace {

class ListSetupTest : public NameListFixture {
 protected:
  void SetUp() override {
    fake.gl_data()->SetAccounts({
        {.FAccountID = 1L, .FNumber = "1001", .FName = "Cash", .FIsCash = true},
        {.FAccountID = 2L, .FNumber = "1002", .FName = "Bank", .FIsBank = true},
        {.FAccountID = 3L, .FNumber = "1003", .FName = "Both", .FIsBank = true, .FIsCash = true},
        {.FAccountID = 4L, .FNumber = "1122", .FName = "Neither"},
        {.FAccountID = 5L, .FNumber = "1123", .FName = "?", .FIsBank = Null{}, .FIsCash = Null{}},
    });
  }
  PicturePtr Pic(const char* key) { return fake.env().Pictures().Get(key); }
};

TEST_F(ListSetupTest, EachKindGetsItsDefaultPictureAttachedOrNot) {
  const std::vector<std::pair<long, const char*>> expected = {
      {nlCurrency, "Cash"},   {nlItemClass, "Item"}, {nlItem, "Item"},    {nlUnitGroup, "Item"},
      {nlUnit, "Item"},       {nlVchExp, "Item"},    {nlSubMes, nullptr}, {nlAsset, "Item"},
      {nlSettleType, "Item"}, {0, nullptr},          {11, nullptr},       {-1, nullptr}};
  GLNameList detached;
  for (const auto& [kind, key] : expected) {
    detached.PicDefault(Pic("Apple"));
    detached.NameListType(kind);
    EXPECT_EQ(detached.PicDefault(), key ? Pic(key) : nullptr) << "kind " << kind;
  }
  Attach(nlSubMes);
  EXPECT_EQ(list->PicDefault(), nullptr);
  Attach(nlUnit);
  EXPECT_EQ(list->PicDefault(), Pic("Item"));
}

TEST_F(ListSetupTest, FirstAccountSetupCopiesTheAccountsAndMapsBankAndCashUnderHostPictures) {
  list = std::make_shared<GLNameList>();
  list->Picture("1122", Pic("Apple"));  // before the first setup: kept
  list->Picture("1002", Pic("Open"));   // and wins over the bank picture
  Attach(nlAccount);
  EXPECT_EQ(list->PicDefault(), Pic("Detail"));
  EXPECT_EQ(list->Picture("1001"), Pic("Cash"));
  EXPECT_EQ(list->Picture("1002"), Pic("Open"));
  EXPECT_EQ(list->Picture("1003"), Pic("Bank")) << "bank wins over cash";
  EXPECT_EQ(list->Picture("1122"), Pic("Apple"));
  EXPECT_EQ(list->Picture("1123"), nullptr) << "null flags count as false";

  // The accounts listed are a copy: listing filters it, not the service's.
  Type("1002");
  Press(VK_F8);
  EXPECT_EQ(fake.log()->Count("Env.CreateObject(ADODB.Stream)"), 1);
  EXPECT_EQ(fake.gl_data()->account_records()->RecordCount(), 5);
  EXPECT_EQ(fake.gl_data()->account_records()->Filter(), "");
}

TEST_F(ListSetupTest, OfTwoAccountsWithOneCodeTheLaterOnesPictureIsKept) {
  fake.gl_data()->SetAccounts({
      {.FAccountID = 1L, .FNumber = "1001", .FName = "Bank first", .FIsBank = true},
      {.FAccountID = 2L, .FNumber = "1001", .FName = "Cash later", .FIsCash = true},
      {.FAccountID = 3L, .FNumber = "1002", .FName = "Cash first", .FIsCash = true},
      {.FAccountID = 4L, .FNumber = "1002", .FName = "Bank later", .FIsBank = true},
  });
  Attach(nlAccount);
  EXPECT_EQ(list->Picture("1001"), Pic("Cash"));
  EXPECT_EQ(list->Picture("1002"), Pic("Bank"));
}

TEST_F(ListSetupTest, LaterAccountSetupsReadNoAccountsAndSettingsSurviveDetach) {
  Attach(nlAccount);
  list->Picture("1122", Pic("Apple"));
  list->PicDefault(Pic("Open"));
  list->HotTrace(true);
  list->Detach();
  EXPECT_TRUE(list->HotTrace());
  EXPECT_EQ(list->Picture("1002"), Pic("Bank"));
  Attach(nlCurrency);
  list->NameListType(nlAccount);
  Attach(nlAccount);
  EXPECT_EQ(fake.gl_data()->CallCount("AccountSet"), 1);
  EXPECT_EQ(fake.log()->Count("Env.CreateObject(ADODB.Stream)"), 1);
  EXPECT_EQ(list->PicDefault(), Pic("Detail"));
  EXPECT_EQ(list->Picture("1122"), Pic("Apple"));
}

TEST_F(ListSetupTest, NoAccountsGiveNoPictures) {
  fake.gl_data()->SetAccounts({});
  Attach(nlAccount);
  EXPECT_EQ(list->Picture("1001"), nullptr);
  EXPECT_EQ(list->PicDefault(), Pic("Detail"));
}

TEST_F(ListSetupTest, AFailedCopyFailsThisSetupOnlyAndIsNotTriedAgain) {
  fake.env().Registry().Register(progid::kStream, []() -> ObjectPtr { throw Error(429, "no"); });
  GLNameList detached;
  EXPECT_EQ(ErrorOf([&] { detached.NameListType(nlAccount); }), errc::kObjectRequired)
      << "setup counted the records of a copy that does not exist";
  EXPECT_TRUE(fake.env().messages().empty());

  EXPECT_NO_THROW(detached.NameListType(nlAccount));
  EXPECT_EQ(detached.PicDefault(), Pic("Detail"));
  EXPECT_EQ(fake.log()->Count("Env.CreateObject(ADODB.Stream)"), 1);
}

TEST_F(ListSetupTest, DataServiceAndPictureErrorsReachTheCaller) {
  fake.gl_data()->FailAt("AccountSet", Error(errc::kDataService, "ledger closed"));
  GLNameList a;
  EXPECT_THROW(a.NameListType(nlAccount), Error);

  fake.env().FailAt("GetPicture", Error(35601, "Element not found"));
  GLNameList b;
  EXPECT_THROW(b.NameListType(nlCurrency), Error);
  EXPECT_EQ(b.PicDefault(), nullptr) << "cleared before the lookup failed";
}

}  // namespace
}  // namespace glnamelist::fakes
