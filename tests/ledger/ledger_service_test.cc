// The data service and its item set over a ledger built from the sample data plus hostile
// entries, in a file and on a server, against a plain scan of the ledger file.
#include "ledger/ledger_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "contracts/error.h"
#include "contracts/prog_ids.h"
#include "ledger/entries.h"
#include "ledger/item_set.h"
#include "ledger/register_ledger.h"
#include "platform/class_registry.h"
#include "platform/keyed_collection.h"
#include "tests/ledger/temp_ledger.h"

namespace glnamelist::ledger {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The rows of table in the file where `where` holds, read in stored order and put in code
// order here: the columns of a row joined by '|', a line a row.
std::string Scan(const std::string& path, const std::string& table, const std::string& columns,
                 const std::string& where = "1") {
  Database db(path, Database::Mode::kReadOnly);
  Statement scan(db, "SELECT number, " + columns + " FROM " + table + " WHERE " + where);
  const int n = static_cast<int>(std::count(columns.begin(), columns.end(), ',')) + 1;
  std::vector<std::pair<std::string, std::string>> rows;
  while (scan.Step()) {
    std::string line;
    for (int i = 1; i <= n; ++i)
      line += (scan.IsNull(i) ? "<null>" : std::string(scan.Text(i))) + "|";
    rows.emplace_back(scan.Text(0), line + "\n");
  }
  std::sort(rows.begin(), rows.end());
  std::string all;
  for (const auto& row : rows) all += row.second;
  return all;
}

// Every row of rs as Scan writes it. Integer fields (ids and flags) must hold integers,
// the others texts or nulls; a value of another type shows as "<wrong type>".
std::string Dump(const RecordsetPtr& rs, const std::vector<std::string>& fields) {
  std::string dump;
  if (!rs) return "none";
  if (rs->RecordCount() == 0) return dump;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    for (const std::string& field : fields) {
      Variant v = rs->Fields(field);
      bool integer = v.type() == Variant::Type::kInt32 || v.type() == Variant::Type::kInt64;
      bool integer_field = field.ends_with("ID") || field == "FDetail" || field.starts_with("FIs");
      bool fits = integer_field ? integer : v.IsNull() || v.IsText();
      dump += (!fits ? "<wrong type>" : v.IsNull() ? "<null>" : v.ToText()) + "|";
    }
    dump += "\n";
  }
  return dump;
}

class LedgerServiceTest : public testing::TestLedgerSuite {};

const std::vector<std::string> kCodeName = {"FItemID", "FNumber", "FName"};
const std::vector<std::string> kTree = {"FItemID", "FNumber", "FName", "FDetail"};

TEST_P(LedgerServiceTest, EveryRecordSetListsWhatAPlainScanFinds) {
  auto check = [&](const RecordsetPtr& rs, const std::vector<std::string>& fields,
                   const std::string& table, const std::string& columns,
                   const std::string& where = "1") {
    std::string expected = Scan(path_, table, columns, where);
    EXPECT_EQ(Dump(rs, fields), rs || !expected.empty() ? expected : "none") << table << where;
    return expected;
  };
  std::string accounts =
      check(service_->AccountSet()->Recordset(),
            {"FAccountID", "FNumber", "FName", "FDetail", "FHelperCode", "FIsBank", "FIsCash"},
            "accounts", "id, number, name, detail, helper_code, is_bank, is_cash");
  EXPECT_THAT(accounts, HasSubstr("|1001|库存现金|1|KCXJ|0|1|\n"));
  EXPECT_THAT(accounts, HasSubstr("|1012.03|信用卡存款|1|<null>|"));
  check(service_->CurrencySet()->Recordset(), kCodeName, "currencies", "id, number, name");
  check(service_->ItemClassSet()->Recordset(), kCodeName, "item_classes", "id, number, name");
  check(service_->UnitGroupSet()->Recordset(), kCodeName, "unit_groups", "id, number, name");
  check(service_->SettTypeSet()->Recordset(), kCodeName, "settle_types", "id, number, name");
  check(service_->VchExpSet(), {"FItemID", "FNumber", "FExplanation"}, "vch_explanations",
        "id, number, explanation");
  for (long item_class = 0; item_class <= 9; ++item_class) {
    const std::string in_class = "class_id = " + std::to_string(item_class);
    check(service_->ItemRecords(item_class, "", ""), kTree, "items", "id, number, name, detail",
          in_class);
    check(service_->ItemRecords(item_class, " FDetail=1 ", ""), kTree, "items",
          "id, number, name, detail", in_class + " AND detail = 1");
    RecordSourcePtr submes = service_->SubMesSet(item_class);
    check(submes ? submes->Recordset() : nullptr, kTree, "submes", "id, number, name, detail",
          in_class);
  }

  // Handed-out record sets are independent of each other.
  RecordsetPtr first = service_->AccountSet()->Recordset();
  const long all = first->RecordCount();
  first->Filter("FDetail = 0");
  first->Sort("FNumber DESC");
  RecordsetPtr second = service_->AccountSet()->Recordset();
  EXPECT_EQ(second->RecordCount(), all);
  EXPECT_EQ(second->Fields("FNumber").ToText(), "1001");
  EXPECT_LT(first->RecordCount(), all);
}

// The entries a record set lists by code, each as "id|number|name|detail|".
std::map<std::string, std::string> Listed(const RecordsetPtr& rs, const char* id) {
  std::map<std::string, std::string> entries;
  if (!rs || rs->RecordCount() == 0) return entries;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    std::string row;
    for (const char* field : {id, "FNumber", "FName", "FDetail"}) {
      row += rs->Fields(field).ToText() + "|";
    }
    entries[rs->Fields("FNumber").ToText()] = row + "\n";
  }
  return entries;
}

template <class Entry>
std::string Described(const std::shared_ptr<Entry>& entry) {
  if (!entry) return "none";
  auto e = std::static_pointer_cast<LedgerEntry<Entry>>(entry);
  return std::to_string(e->Id()) + "|" + e->Number() + "|" + e->Name() + "|" +
         (e->Detail() ? "1" : "0") + "|\n";
}

// Every listed entry is found by its code, in its own class only; a code near it (with
// blanks or wildcards, or cut short) only when that code is listed too. An account's full
// name joins the names of its parents.
TEST_P(LedgerServiceTest, EveryListedEntryIsLookedUpByItsExactCode) {
  auto check = [](const std::map<std::string, std::string>& listed, const auto& codes,
                  const auto& look_up) {
    for (std::string code : codes) {
      auto found = listed.find(code);
      EXPECT_EQ(Described(look_up(code)), found == listed.end() ? "none" : found->second) << code;
    }
  };
  auto near_codes = [](const auto&... listings) {
    std::set<std::string> codes = {"", "'"};
    for (const auto& listed : {listings...}) {
      for (const auto& [c, row] : listed) {
        codes.insert({c, c + " ", " " + c, c + "%", c.substr(0, c.size() - 1),
                      c.substr(0, c.size() - 1) + "_"});
      }
    }
    return codes;
  };
  auto accounts = Listed(service_->AccountSet()->Recordset(), "FAccountID");
  check(accounts, near_codes(accounts),
        [&](std::string& code) { return service_->GetAccount(code); });
  std::map<std::string, std::string> full_names;  // parents come first in code order
  RecordsetPtr rs = service_->AccountSet()->Recordset();
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    std::string number = rs->Fields("FNumber").ToText(), name = rs->Fields("FName").ToText();
    size_t dot = number.rfind('.');
    full_names[number] =
        dot == std::string::npos ? name : full_names[number.substr(0, dot)] + "_" + name;
    EXPECT_EQ(service_->GetAccountFullName(rs->Fields("FAccountID").ToLong()), full_names[number]);
  }
  EXPECT_EQ(full_names["2221.01.01"], "应交税费_应交增值税_进项税额");
  EXPECT_THROW(service_->GetAccountFullName(999999), Error);

  std::map<long, std::map<std::string, std::string>> items, submes;
  for (long c : {1L, 3L, 9L}) {
    items[c] = Listed(service_->ItemRecords(c, "", ""), "FItemID");
    RecordSourcePtr source = service_->SubMesSet(c);
    submes[c] = Listed(source ? source->Recordset() : nullptr, "FItemID");
  }
  const std::set<std::string> codes = near_codes(items[1], items[3], items[9], submes[1]);
  for (long c : {1L, 3L, 9L}) {
    check(items[c], codes, [&](std::string& code) { return service_->GetItem(c, {}, code); });
    check(submes[c], codes, [&](std::string& code) { return service_->GetSubMes(c, {}, code); });
  }
  EXPECT_EQ(items[9].size(), 7u);
  ASSERT_EQ(submes[1].count("01.02"), 1u);
  EXPECT_THAT(submes[1]["01.02"], HasSubstr("|大客户|1|"));
  if (GetParam() == testing::Backend::kServer) {  // the hostile codes ran no SQL
    const char* tables = "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'";
    EXPECT_EQ(testing::TestServer::Run(server_->database, tables), "10");
    EXPECT_EQ(testing::TestServer::Run("postgres", tables), "0");
  }
}

TEST_P(LedgerServiceTest, UnitSetsListTheGroupsUnitsFromOne) {
  for (long group : {1L, 3L, 9L, 77L}) {
    UnitSetPtr units = service_->UnitSet(group);
    std::string listed = units ? "" : "none";
    for (long i = 1; units && i <= units->Count(); ++i) {
      listed += units->Item(i)->Number() + "|" + units->Item(i)->Name() + "|\n";
    }
    std::string scan = Scan(path_, "units", "number, name", "group_id = " + std::to_string(group));
    EXPECT_EQ(listed, group == 77 ? "none" : scan) << group;
  }
  long weight = 1;
  UnitSetPtr units = service_->UnitSet(weight);
  for (long outside : {0L, units->Count() + 1, -1L}) {
    EXPECT_EQ(testing::ErrorOf([&] { units->Item(outside); }).Number(), errc::kInvalidProcedureCall)
        << "index " << outside;
  }
  EXPECT_EQ(units->Item(units->Count())->Name(), "吨");
}

TEST_P(LedgerServiceTest, RegistrySharesOneServiceAndRetriesAfterAFailure) {
  platform::ClassRegistry registry;
  const testing::NewLedger later(GetParam(), *dir_, "later.ledger");
  RegisterLedger(registry, later.location);
  EXPECT_THAT(testing::ErrorOf([&] { registry.Create(progid::kGLData); }).what(),
              HasSubstr(later.name))
      << "no ledger there yet";
  testing::BuildTestLedgerAt(later, *dir_);
  ObjectPtr first = registry.Create(progid::kGLData);
  ASSERT_TRUE(std::dynamic_pointer_cast<GLData>(first));
  EXPECT_EQ(registry.Create(progid::kGLData), first);
  EXPECT_TRUE(std::dynamic_pointer_cast<ItemSet>(registry.Create(progid::kItemSet)));
  EXPECT_NE(registry.Create(progid::kItemSet), registry.Create(progid::kItemSet));
}

GLNAMELIST_ON_BOTH_BACKENDS(LedgerServiceTest);

std::vector<std::string> Numbers(const RecordsetPtr& rs) { return testing::Column(rs, "FNumber"); }

// The item set, used the way the item lists use it.
class ItemSetTest : public testing::TestLedgerSuite {
 protected:
  // An item set set up as the item lists do, up to (not including) Sort and Refresh.
  std::shared_ptr<LedgerItemSet> Prepared(long item_class) {
    auto set = std::make_shared<LedgerItemSet>(service_);
    set->ItemClassID(item_class);
    set->ListOptions(0);
    set->Filter(" FDetail=1 ");
    set->Parameters(Parameters({{"GetDataType", Variant(short{0})},
                                {"GetItemID", Variant(short{1})},
                                {"SelectExt", Variant(" t1.* ")}}));
    return set;
  }
  static KeyedCollectionPtr Parameters(std::vector<std::pair<const char*, Variant>> values) {
    auto parameters = std::make_shared<platform::MapKeyedCollection>();
    for (const auto& [key, value] : values) parameters->Add(key, value);
    return parameters;
  }
};

const std::vector<std::string> kDepartmentDetails = {
    "01", "02", "03.01", "03.02", "03.03", "04", "05.01", "05.02", "05.03", "06", "07", "08"};

TEST_P(ItemSetTest, ListsOnceRefreshedAndARefusedSettingKeepsTheEarlierOne) {
  auto set = Prepared(3);
  EXPECT_THROW(set->Recordset(), Error) << "before Refresh";
  set->Sort("FNumber");
  EXPECT_THROW(set->Recordset(), Error) << "sorted, not refreshed";
  set->Refresh();
  EXPECT_EQ(Numbers(set->Recordset()), kDepartmentDetails);
  EXPECT_EQ(testing::ErrorOf([&] { set->Filter("FNumber LIKE '*0*1'"); }).Number(),
            errc::kWrongArguments);
  EXPECT_THROW(set->Sort("NoSuchField"), Error);
  set->Refresh();
  EXPECT_EQ(Numbers(set->Recordset()), kDepartmentDetails);

  auto search = Prepared(3);  // sorted after Refresh: sorted at once
  search->Refresh();
  search->Sort("FNumber DESC");
  EXPECT_EQ(Numbers(search->Recordset()),
            std::vector<std::string>(kDepartmentDetails.rbegin(), kDepartmentDetails.rend()));
  for (long no_items : {0L, 77L}) {
    auto empty = Prepared(no_items);
    empty->Refresh();
    EXPECT_EQ(empty->Recordset()->RecordCount(), 0) << no_items;
  }
}

TEST_P(ItemSetTest, FilterAndSortAreRecordSetExpressionsAndItsRowsCanBeCloned) {
  auto set = Prepared(5);
  set->Filter("FDetail = 1 AND FName LIKE '*钢*'");
  set->Sort("FNumber DESC");
  set->Refresh();
  EXPECT_THAT(Numbers(set->Recordset()), ElementsAre("01.01.003", "01.01.002", "01.01.001"));
  set->Filter("");
  set->Sort("");
  EXPECT_EQ(set->Recordset()->RecordCount(), 25);

  auto hostile = Prepared(9);
  hostile->Filter("FName = 'O''Brien & Co' OR FNumber = 'x''; DROP TABLE items; --'");
  hostile->Refresh();
  EXPECT_THAT(Numbers(hostile->Recordset()), ElementsAre("A'B", "x'; DROP TABLE items; --"));

  auto customers = Prepared(1);  // the component's own filters work on a clone
  customers->Refresh();
  RecordsetPtr clone = customers->Recordset()->Clone();
  clone->Filter("FNumber Like '01.01.%' or FName like '%北京%'");
  EXPECT_THAT(Numbers(clone), ElementsAre("01.01.001", "01.01.002", "01.01.003"));
}

TEST_P(ItemSetTest, ParametersAreCheckedButNeverUsedAsSql) {
  auto set = Prepared(3);
  set->Parameters(Parameters({{"SelectExt", Variant("1; DROP TABLE items")}}));
  set->Parameters(nullptr);
  for (auto [key, value] : {std::pair{"GetDataType", Variant("zero")},
                            {"GetItemID", Variant("1")},
                            {"SelectExt", Variant(3L)}}) {
    EXPECT_EQ(testing::ErrorOf([&] {
                set->Parameters(Parameters({{key, value}}));
              }).Number(),
              errc::kInvalidProcedureCall)
        << key;
  }
  set->Refresh();
  EXPECT_EQ(Numbers(set->Recordset()), kDepartmentDetails);
}

GLNAMELIST_ON_BOTH_BACKENDS(ItemSetTest);

}  // namespace
}  // namespace glnamelist::ledger
