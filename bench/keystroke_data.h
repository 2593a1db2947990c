// Generated ledgers for the keystroke benchmark, and a data service and item set over them.
//
// Codes have three levels ("1001", "1001.001", "1001.001.0001" for accounts; "01",
// "01.001", "01.001.0001" for items), with as many entries on each level as make up n in
// all. Half of the names are Chinese. The data service answers GetAccount, GetItem and
// GetAccountFullName from hash maps, so that the time measured is the component's.
#ifndef GLNAMELIST_BENCH_KEYSTROKE_DATA_H_
#define GLNAMELIST_BENCH_KEYSTROKE_DATA_H_

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "contracts/data_service.h"

namespace glnamelist::bench {

struct CodedRow {
  long id = 0;
  std::string number;
  std::string name;
  std::string helper;
  bool detail = true;
  long parent = -1;  // index of the parent row, -1 at the top level
};

// n accounts, top-level codes from "1001".
std::vector<CodedRow> MakeAccounts(long n);
// n items of one class, top-level codes from "01".
std::vector<CodedRow> MakeItems(long n);

// A data service over generated accounts and the items of one item class. Other kinds
// have no data (their sets are Nothing).
class BenchGLData : public GLData {
 public:
  BenchGLData(const std::vector<CodedRow>& accounts, long item_class_id,
              const std::vector<CodedRow>& items);

  void DeleteOptions(bool) override {}
  RecordSourcePtr AccountSet() override;
  AccountEntryPtr GetAccount(std::string& Number) override;
  std::string GetAccountFullName(long AccountID) override;
  RecordSourcePtr CurrencySet() override { return nullptr; }
  RecordSourcePtr ItemClassSet() override { return nullptr; }
  RecordSourcePtr UnitGroupSet() override { return nullptr; }
  RecordSourcePtr SettTypeSet() override { return nullptr; }
  RecordsetPtr VchExpSet() override { return nullptr; }
  RecordSourcePtr SubMesSet(long&) override { return nullptr; }
  SubMesEntryPtr GetSubMes(long&, const Variant&, std::string&) override { return nullptr; }
  ItemEntryPtr GetItem(long& ItemClassID, const Variant& Reserved, std::string& Number) override;
  UnitSetPtr UnitSet(long&) override { return nullptr; }

  // The items of the class, in code order (what an item set loads).
  RecordsetPtr ItemRecords(long item_class_id) const;

 private:
  const std::vector<CodedRow>& accounts_;
  std::unordered_map<std::string, size_t> account_by_code_;
  std::unordered_map<long, size_t> account_by_id_;
  RecordsetPtr account_records_;
  long item_class_id_;
  std::unordered_map<std::string, bool> item_detail_by_code_;
  RecordsetPtr item_records_;
};

// The item set over a BenchGLData: Refresh loads the class's items.
class BenchItemSet : public ItemSet {
 public:
  explicit BenchItemSet(std::shared_ptr<BenchGLData> gl) : gl_(std::move(gl)) {}
  void ItemClassID(long NewVal) override { class_id_ = NewVal; }
  void ListOptions(short) override {}
  void Filter(const std::string&) override {}
  void Parameters(KeyedCollectionPtr) override {}
  void Sort(const std::string&) override {}
  void Refresh() override { loaded_ = gl_->ItemRecords(class_id_); }
  RecordsetPtr Recordset() override { return loaded_; }

 private:
  std::shared_ptr<BenchGLData> gl_;
  long class_id_ = 0;
  RecordsetPtr loaded_;
};

}  // namespace glnamelist::bench

#endif  // GLNAMELIST_BENCH_KEYSTROKE_DATA_H_
