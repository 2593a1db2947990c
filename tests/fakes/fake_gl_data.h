// Fakes of the general-ledger data service ("GLData.") and the item set ("ItemSet."),
// over record sets of the record-set engine.
//
//   auto gl = std::make_shared<FakeGLData>(log);
//   gl->SetAccounts({{.FAccountID = 1L, .FNumber = "1001", .FName = "Cash", .FDetail = false},
//                    {.FAccountID = 2L, .FNumber = "1001.01", .FName = "Petty"}});
//   gl->SetFullName(2, "Cash_Petty");      // else GetAccountFullName gives the own name
//   gl->CallCount("GetAccountFullName")    // calls per member
//
// Each table is built once per Set... call and the same record set is handed out every
// time, as a real service does; the component is expected to Clone or copy it. Flags
// (FDetail, FIsBank, FIsCash) are stored as the integers 1 and 0 (true and false given as
// Booleans are converted; null stays null). Entries are looked up by exact code.
// Every member of GLData is recorded ("GLData.GetAccount(1001)", "GLData.SubMesSet(3)",
// "GLData.GetItem(3, 01)") and can be made to fail with FailAt.
#ifndef GLNAMELIST_TESTS_FAKES_FAKE_GL_DATA_H_
#define GLNAMELIST_TESTS_FAKES_FAKE_GL_DATA_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/data_service.h"
#include "contracts/entries.h"
#include "tests/fakes/call_log.h"

namespace glnamelist::fakes {

struct AccountRow {
  Variant FAccountID;
  Variant FNumber;
  Variant FName;
  Variant FDetail = true;
  Variant FHelperCode = "";
  Variant FIsBank = false;
  Variant FIsCash = false;
};

// Currencies, item classes, unit groups and settlement types.
struct CodeRow {
  Variant FItemID = Null{};
  Variant FNumber;
  Variant FName;
};

struct VchExpRow {
  Variant FNumber;
  Variant FExplanation;
};

// Items and SubMes entries of one item class.
struct ItemRow {
  Variant FItemID;
  Variant FNumber;
  Variant FName;
  Variant FDetail = true;
};

struct UnitRow {
  std::string number;
  std::string name;
};

// An entry as GetAccount, GetItem and GetSubMes return it (SubMes entries have no Detail).
template <class Base>
struct FakeEntry : Base {
  FakeEntry(std::string number, bool detail = false) : number(std::move(number)), detail(detail) {}
  std::string Number() const override { return number; }
  bool Detail() const { return detail; }
  std::string number;
  bool detail;
};
using FakeAccountEntry = FakeEntry<AccountEntry>;
using FakeItemEntry = FakeEntry<ItemEntry>;
using FakeSubMesEntry = FakeEntry<SubMesEntry>;

// A record source (AccountSet, CurrencySet, ...) handing out one record set; its Recordset
// is recorded as "<Name>.Recordset()".
class FakeRecordSource : public RecordSource, public FakeRecorder {
 public:
  FakeRecordSource(std::string name, RecordsetPtr records, CallLogPtr log)
      : FakeRecorder(std::move(name), std::move(log)), records_(std::move(records)) {}
  RecordsetPtr Recordset() override {
    Call("Recordset");
    return records_;
  }

 private:
  RecordsetPtr records_;
};

class FakeUnitSet : public UnitSet {
 public:
  explicit FakeUnitSet(std::vector<UnitRow> units) : units_(std::move(units)) {}
  long Count() const override { return static_cast<long>(units_.size()); }
  UnitEntryPtr Item(long Index) const override;

 private:
  std::vector<UnitRow> units_;
};

class FakeGLData : public GLData, public FakeRecorder {
 public:
  explicit FakeGLData(CallLogPtr log = nullptr);

  // Test set-up. Each call replaces the table (or the class's / group's table).
  void SetAccounts(const std::vector<AccountRow>& rows);
  // The table of CurrencySet, ItemClassSet, UnitGroupSet or SettTypeSet.
  void SetCodes(const std::string& set, const std::vector<CodeRow>& rows);
  void SetVchExps(const std::vector<VchExpRow>& rows);
  void SetSubMes(long item_class_id, const std::vector<ItemRow>& rows);
  // The class's SubMes source hands out no record set.
  void SetSubMesWithoutRecords(long item_class_id) { submes_rs_[item_class_id] = nullptr; }
  void SetItems(long item_class_id, const std::vector<ItemRow>& rows);
  void SetUnits(long unit_group_id, std::vector<UnitRow> units);
  // GetAccountFullName gives this name for the id instead of the account's own name.
  void SetFullName(long account_id, std::string name) { full_names_[account_id] = std::move(name); }

  // The record sets handed out (to check that the component leaves them untouched).
  const RecordsetPtr& account_records() const { return accounts_rs_; }
  // The items of a class as an unfiltered record set (what the item set loads from).
  RecordsetPtr ItemRecords(long item_class_id) const;

  void DeleteOptions(bool NewVal) override;
  RecordSourcePtr AccountSet() override;
  AccountEntryPtr GetAccount(std::string& Number) override;
  std::string GetAccountFullName(long AccountID) override;
  RecordSourcePtr CurrencySet() override;
  RecordSourcePtr ItemClassSet() override;
  RecordSourcePtr UnitGroupSet() override;
  RecordSourcePtr SettTypeSet() override;
  RecordsetPtr VchExpSet() override;
  RecordSourcePtr SubMesSet(long& ItemClassID) override;
  SubMesEntryPtr GetSubMes(long& ItemClassID, const Variant& Reserved,
                           std::string& Number) override;
  ItemEntryPtr GetItem(long& ItemClassID, const Variant& Reserved, std::string& Number) override;
  UnitSetPtr UnitSet(long& UnitGroupID) override;

 private:
  RecordSourcePtr Source(const std::string& name, const RecordsetPtr& rs);
  RecordSourcePtr CodeSource(const std::string& set);

  std::vector<AccountRow> accounts_;
  std::map<long, std::string> full_names_;
  std::map<long, std::vector<ItemRow>> items_, submes_;
  std::map<long, std::vector<UnitRow>> units_;
  RecordsetPtr accounts_rs_, vch_exps_rs_;
  std::map<std::string, RecordsetPtr> code_sets_;
  std::map<long, RecordsetPtr> items_rs_, submes_rs_;
};

// The item set: loads the items of ItemClassID from the FakeGLData at Refresh, applying
// Filter and Sort with the record-set engine; Recordset hands out a record set holding just
// those rows in that order. Every member is recorded ("ItemSet.Filter( FDetail=1 )",
// "ItemSet.Parameters(<collection>)", "ItemSet.Refresh()").
class FakeItemSet : public ItemSet, public FakeRecorder {
 public:
  FakeItemSet(std::shared_ptr<FakeGLData> gl, CallLogPtr log = nullptr)
      : FakeRecorder("ItemSet", std::move(log)), gl_(std::move(gl)) {}

  void ItemClassID(long v) override { Call("ItemClassID", DescribeArgs(item_class_id = v)); }
  void ListOptions(short v) override { Call("ListOptions", DescribeArgs(list_options = v)); }
  void Filter(const std::string& v) override { Call("Filter", DescribeArgs(filter = v)); }
  void Parameters(KeyedCollectionPtr v) override {
    Call("Parameters", v ? "<collection>" : "Nothing");
    parameters = std::move(v);
  }
  void Sort(const std::string& v) override { Call("Sort", DescribeArgs(sort = v)); }
  void Refresh() override;
  RecordsetPtr Recordset() override;

  // What was set.
  long item_class_id = 0;
  short list_options = 0;
  std::string filter;
  KeyedCollectionPtr parameters;
  std::string sort;

 private:
  std::shared_ptr<FakeGLData> gl_;
  RecordsetPtr loaded_;
};

}  // namespace glnamelist::fakes

#endif  // GLNAMELIST_TESTS_FAKES_FAKE_GL_DATA_H_
