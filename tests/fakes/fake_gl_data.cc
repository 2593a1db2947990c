#include "tests/fakes/fake_gl_data.h"

#include "recordset/table_builder.h"

namespace glnamelist::fakes {
namespace {

using recordset::Column;
using recordset::ColumnType;
using recordset::TableBuilder;

// Flags are stored as 1 / 0; null and numbers stay as given.
Variant Flag(const Variant& v) {
  if (v.type() == Variant::Type::kBool) return Variant(v.ToBool() ? 1L : 0L);
  return v;
}

bool IsSet(const Variant& v) { return !v.IsNull() && !v.IsEmpty() && v.ToLong() != 0; }

std::string Code(const Variant& v) { return v.ToDisplayText(); }

RecordsetPtr ItemTable(const std::vector<ItemRow>& rows) {
  TableBuilder b({{"FItemID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kInteger}});
  for (const ItemRow& r : rows) b.AddRow({r.FItemID, r.FNumber, r.FName, Flag(r.FDetail)});
  return b.Build();
}

// The row of class item_class_id whose code is number, or nullptr.
const ItemRow* Find(const std::map<long, std::vector<ItemRow>>& classes, long item_class_id,
                    const std::string& number) {
  auto it = classes.find(item_class_id);
  if (it == classes.end()) return nullptr;
  for (const ItemRow& r : it->second)
    if (!r.FNumber.IsNull() && Code(r.FNumber) == number) return &r;
  return nullptr;
}

class FakeUnit : public UnitEntry {
 public:
  explicit FakeUnit(UnitRow row) : row_(std::move(row)) {}
  std::string Number() const override { return row_.number; }
  std::string Name() const override { return row_.name; }

 private:
  UnitRow row_;
};

}  // namespace

UnitEntryPtr FakeUnitSet::Item(long Index) const {
  if (Index < 1 || Index > Count())
    throw Error(errc::kInvalidProcedureCall, "Invalid procedure call or argument");
  return std::make_shared<FakeUnit>(units_[static_cast<size_t>(Index - 1)]);
}

FakeGLData::FakeGLData(CallLogPtr log) : FakeRecorder("GLData", std::move(log)) {
  SetAccounts({});
  for (const char* set : {"CurrencySet", "ItemClassSet", "UnitGroupSet", "SettTypeSet"})
    SetCodes(set, {});
  SetVchExps({});
}

void FakeGLData::SetAccounts(const std::vector<AccountRow>& rows) {
  accounts_ = rows;
  TableBuilder b({{"FAccountID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kInteger},
                  {"FHelperCode", ColumnType::kText},
                  {"FIsBank", ColumnType::kInteger},
                  {"FIsCash", ColumnType::kInteger}});
  for (const AccountRow& r : rows)
    b.AddRow({r.FAccountID, r.FNumber, r.FName, Flag(r.FDetail), r.FHelperCode, Flag(r.FIsBank),
              Flag(r.FIsCash)});
  accounts_rs_ = b.Build();
}

void FakeGLData::SetCodes(const std::string& set, const std::vector<CodeRow>& rows) {
  TableBuilder b({{"FItemID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText}});
  for (const CodeRow& r : rows) b.AddRow({r.FItemID, r.FNumber, r.FName});
  code_sets_[set] = b.Build();
}

void FakeGLData::SetVchExps(const std::vector<VchExpRow>& rows) {
  TableBuilder b({{"FNumber", ColumnType::kText}, {"FExplanation", ColumnType::kText}});
  for (const VchExpRow& r : rows) b.AddRow({r.FNumber, r.FExplanation});
  vch_exps_rs_ = b.Build();
}

void FakeGLData::SetSubMes(long item_class_id, const std::vector<ItemRow>& rows) {
  submes_[item_class_id] = rows;
  submes_rs_[item_class_id] = ItemTable(rows);
}

void FakeGLData::SetItems(long item_class_id, const std::vector<ItemRow>& rows) {
  items_[item_class_id] = rows;
  items_rs_[item_class_id] = ItemTable(rows);
}

void FakeGLData::SetUnits(long unit_group_id, std::vector<UnitRow> units) {
  units_[unit_group_id] = std::move(units);
}

RecordsetPtr FakeGLData::ItemRecords(long item_class_id) const {
  auto it = items_.find(item_class_id);
  return ItemTable(it == items_.end() ? std::vector<ItemRow>{} : it->second);
}

RecordSourcePtr FakeGLData::Source(const std::string& name, const RecordsetPtr& rs) {
  return std::make_shared<FakeRecordSource>(name, rs, log());
}

RecordSourcePtr FakeGLData::CodeSource(const std::string& set) {
  Call(set);
  return Source(set, code_sets_[set]);
}

void FakeGLData::DeleteOptions(bool NewVal) { Call("DeleteOptions", DescribeArgs(NewVal)); }

RecordSourcePtr FakeGLData::AccountSet() {
  Call("AccountSet");
  return Source("AccountSet", accounts_rs_);
}

AccountEntryPtr FakeGLData::GetAccount(std::string& Number) {
  Call("GetAccount", DescribeArgs(Number));
  for (const AccountRow& r : accounts_)
    if (!r.FNumber.IsNull() && Code(r.FNumber) == Number)
      return std::make_shared<FakeAccountEntry>(Number, IsSet(r.FDetail));
  return nullptr;
}

std::string FakeGLData::GetAccountFullName(long AccountID) {
  Call("GetAccountFullName", DescribeArgs(AccountID));
  if (auto it = full_names_.find(AccountID); it != full_names_.end()) return it->second;
  for (const AccountRow& r : accounts_)
    if (!r.FAccountID.IsNull() && r.FAccountID.ToLong() == AccountID)
      return r.FName.ToDisplayText();
  throw Error(errc::kDataService, "No account " + std::to_string(AccountID));
}

RecordSourcePtr FakeGLData::CurrencySet() { return CodeSource("CurrencySet"); }

RecordSourcePtr FakeGLData::ItemClassSet() { return CodeSource("ItemClassSet"); }

RecordSourcePtr FakeGLData::UnitGroupSet() { return CodeSource("UnitGroupSet"); }

RecordSourcePtr FakeGLData::SettTypeSet() { return CodeSource("SettTypeSet"); }

RecordsetPtr FakeGLData::VchExpSet() {
  Call("VchExpSet");
  return vch_exps_rs_;
}

RecordSourcePtr FakeGLData::SubMesSet(long& ItemClassID) {
  Call("SubMesSet", DescribeArgs(ItemClassID));
  auto it = submes_rs_.find(ItemClassID);
  if (it == submes_rs_.end()) return nullptr;
  return Source("SubMesSet", it->second);
}

SubMesEntryPtr FakeGLData::GetSubMes(long& ItemClassID, const Variant& /*Reserved*/,
                                     std::string& Number) {
  Call("GetSubMes", DescribeArgs(ItemClassID, Number));
  if (!Find(submes_, ItemClassID, Number)) return nullptr;
  return std::make_shared<FakeSubMesEntry>(Number);
}

ItemEntryPtr FakeGLData::GetItem(long& ItemClassID, const Variant& /*Reserved*/,
                                 std::string& Number) {
  Call("GetItem", DescribeArgs(ItemClassID, Number));
  const ItemRow* row = Find(items_, ItemClassID, Number);
  return row ? std::make_shared<FakeItemEntry>(Number, IsSet(row->FDetail)) : nullptr;
}

UnitSetPtr FakeGLData::UnitSet(long& UnitGroupID) {
  Call("UnitSet", DescribeArgs(UnitGroupID));
  auto it = units_.find(UnitGroupID);
  return std::make_shared<FakeUnitSet>(it == units_.end() ? std::vector<UnitRow>{} : it->second);
}

void FakeItemSet::Refresh() {
  Call("Refresh");
  RecordsetPtr all = gl_->ItemRecords(item_class_id);
  all->Filter(filter);
  all->Sort(sort);
  loaded_ = recordset::CopyVisibleRows(*all, {});
}

RecordsetPtr FakeItemSet::Recordset() {
  Call("Recordset");
  if (!loaded_) throw Error(errc::kDataService, "The item set has not been refreshed");
  return loaded_;
}

}  // namespace glnamelist::fakes
