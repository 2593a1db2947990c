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

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

using Lines = std::vector<std::string>;

// The rows of table in the file where `where` holds, read in stored order and put in code
// order here: the columns of a row joined by '|'.
Lines Scan(const std::string& path, const std::string& table, const std::string& columns,
           const std::string& where = "1") {
  Database db(path, Database::Mode::kReadOnly);
  Statement scan(db, "SELECT number, " + columns + " FROM " + table + " WHERE " + where);
  std::vector<std::pair<std::string, std::string>> rows;
  while (scan.Step()) {
    std::string line;
    for (int i = 1; i <= std::count(columns.begin(), columns.end(), ',') + 1; ++i) {
      line += (scan.IsNull(i) ? "<null>" : std::string(scan.Text(i))) + "|";
    }
    rows.emplace_back(scan.Text(0), line);
  }
  std::sort(rows.begin(), rows.end());
  Lines lines;
  for (const auto& row : rows) lines.push_back(row.second);
  return lines;
}

// The rows of rs as Scan writes them. Integer fields (ids and flags) must hold integers,
// the others texts or nulls; a value of another type shows as "<wrong type>".
Lines Rows(const RecordsetPtr& rs, const Lines& fields) {
  Lines lines;
  if (!rs || rs->RecordCount() == 0) return lines;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    std::string& line = lines.emplace_back();
    for (const std::string& field : fields) {
      Variant v = rs->Fields(field);
      bool integer = v.type() == Variant::Type::kInt32 || v.type() == Variant::Type::kInt64;
      bool integer_field = field.ends_with("ID") || field == "FDetail" || field.starts_with("FIs");
      bool fits = integer_field ? integer : v.IsNull() || v.IsText();
      line += (!fits ? "<wrong type>" : v.IsNull() ? "<null>" : v.ToText()) + "|";
    }
  }
  return lines;
}

class LedgerServiceTest : public testing::TestLedgerSuite {};

const Lines kCodeName = {"FItemID", "FNumber", "FName"};
const Lines kTree = {"FItemID", "FNumber", "FName", "FDetail"};

TEST_P(LedgerServiceTest, EveryRecordSetListsWhatAPlainScanFinds) {
  const Lines accounts =
      Scan(path_, "accounts", "id, number, name, detail, helper_code, is_bank, is_cash");
  RecordsetPtr rs = service_->AccountSet()->Recordset();
  EXPECT_EQ(
      Rows(rs, {"FAccountID", "FNumber", "FName", "FDetail", "FHelperCode", "FIsBank", "FIsCash"}),
      accounts);
  EXPECT_THAT(accounts, Contains(EndsWith("|1001|库存现金|1|KCXJ|0|1|")));
  EXPECT_THAT(accounts, Contains(EndsWith("|1012.03|信用卡存款|1|<null>|0|0|")));
  rs->Filter("FDetail = 0");  // handed-out record sets are independent of each other
  EXPECT_EQ(service_->AccountSet()->Recordset()->RecordCount(), std::ssize(accounts));

  const std::string code_name = "id, number, name", tree = "id, number, name, detail";
  EXPECT_EQ(Rows(service_->CurrencySet()->Recordset(), kCodeName),
            Scan(path_, "currencies", code_name));
  EXPECT_EQ(Rows(service_->ItemClassSet()->Recordset(), kCodeName),
            Scan(path_, "item_classes", code_name));
  EXPECT_EQ(Rows(service_->UnitGroupSet()->Recordset(), kCodeName),
            Scan(path_, "unit_groups", code_name));
  EXPECT_EQ(Rows(service_->SettTypeSet()->Recordset(), kCodeName),
            Scan(path_, "settle_types", code_name));
  EXPECT_EQ(Rows(service_->VchExpSet(), {"FItemID", "FNumber", "FExplanation"}),
            Scan(path_, "vch_explanations", "id, number, explanation"));
  for (long item_class = 0; item_class <= 9; ++item_class) {
    const std::string in_class = "class_id = " + std::to_string(item_class);
    EXPECT_EQ(Rows(service_->ItemRecords(item_class, "", ""), kTree),
              Scan(path_, "items", tree, in_class));
    EXPECT_EQ(Rows(service_->ItemRecords(item_class, " FDetail=1 ", ""), kTree),
              Scan(path_, "items", tree, in_class + " AND detail = 1"));
    RecordSourcePtr submes = service_->SubMesSet(item_class);
    const Lines scan = Scan(path_, "submes", tree, in_class);
    EXPECT_EQ(Rows(submes ? submes->Recordset() : nullptr, kTree), scan);
    EXPECT_EQ(!submes, scan.empty()) << "a class without SubMes entries has no set";
  }
}

template <class Entry>
std::string Described(const std::shared_ptr<Entry>& entry) {
  if (!entry) return "none";
  auto e = std::static_pointer_cast<LedgerEntry<Entry>>(entry);
  return std::to_string(e->Id()) + "|" + e->Number() + "|" + e->Name() + "|" +
         (e->Detail() ? "1" : "0") + "|";
}

// Every listed entry is found by its code, in its own class only; a code near it (with
// blanks or wildcards, or cut short) only when that code is listed too. An account's full
// name joins the names of its parents.
TEST_P(LedgerServiceTest, EveryListedEntryIsLookedUpByItsExactCode) {
  std::map<long, std::map<std::string, std::string>> listed;  // class (-1: accounts), code
  std::set<std::string> codes = {"", "'"};
  auto list = [&](long scope, const RecordsetPtr& rs, const char* id) {
    Lines rows = Rows(rs, {id, "FNumber", "FName", "FDetail"});
    Lines numbers = rs ? testing::Column(rs, "FNumber") : Lines{};
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::string& c = numbers[i];
      listed[scope][c] = rows[i];
      codes.insert({c, c + " ", " " + c, c + "%", c.substr(0, c.size() - 1) + "_",
                    c.substr(0, c.size() - 1)});
    }
  };
  list(-1, service_->AccountSet()->Recordset(), "FAccountID");
  for (long c : {1L, 3L, 9L}) list(c, service_->ItemRecords(c, "", ""), "FItemID");
  long customers = 1;
  list(101, service_->SubMesSet(customers)->Recordset(), "FItemID");
  auto expected = [&](long scope, const std::string& code) {
    return listed[scope].count(code) ? listed[scope][code] : "none";
  };
  for (std::string code : codes) {
    EXPECT_EQ(Described(service_->GetAccount(code)), expected(-1, code)) << code;
    for (long c : {1L, 3L, 9L}) {
      EXPECT_EQ(Described(service_->GetItem(c, {}, code)), expected(c, code)) << c << code;
      EXPECT_EQ(Described(service_->GetSubMes(c, {}, code)), expected(100 + c, code)) << code;
    }
  }
  EXPECT_EQ(listed[9].size(), 7u);
  EXPECT_THAT(listed[101]["01.02"], EndsWith("|01.02|大客户|1|"));

  EXPECT_THROW(service_->GetAccountFullName(999999), Error);  // and the next ones work
  std::map<std::string, std::string> full_names;              // parents come first in code order
  RecordsetPtr rs = service_->AccountSet()->Recordset();
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext()) {
    std::string number = rs->Fields("FNumber").ToText(), name = rs->Fields("FName").ToText();
    size_t dot = number.rfind('.');
    full_names[number] =
        dot == std::string::npos ? name : full_names[number.substr(0, dot)] + "_" + name;
    EXPECT_EQ(service_->GetAccountFullName(rs->Fields("FAccountID").ToLong()), full_names[number]);
  }
  EXPECT_EQ(full_names["2221.01.01"], "应交税费_应交增值税_进项税额");
  if (GetParam() == testing::Backend::kServer) {  // the hostile codes ran no SQL
    const char* tables = "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'";
    EXPECT_EQ(testing::TestServer::Run(server_->database, tables), "10");
    EXPECT_EQ(testing::TestServer::Run("postgres", tables), "0");
  }
}

TEST_P(LedgerServiceTest, UnitSetsListTheGroupsUnitsFromOne) {
  for (long group : {1L, 3L, 9L, 77L}) {
    UnitSetPtr units = service_->UnitSet(group);
    Lines listed;
    for (long i = 1; units && i <= units->Count(); ++i) {
      listed.push_back(units->Item(i)->Number() + "|" + units->Item(i)->Name() + "|");
    }
    EXPECT_EQ(listed, Scan(path_, "units", "number, name", "group_id = " + std::to_string(group)));
    EXPECT_EQ(!units, group == 77) << "only a group that is not there has no unit set";
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

TEST_P(ItemSetTest, FilterAndSortAreRecordSetExpressionsAndAShapedListKeepsOnlyItsRows) {
  auto set = Prepared(5);
  set->Filter("FDetail = 1 AND FName LIKE '*钢*'");
  set->Sort("FNumber DESC");
  set->Refresh();
  EXPECT_THAT(Numbers(set->Recordset()), ElementsAre("01.01.003", "01.01.002", "01.01.001"));
  RecordsetPtr clone = set->Recordset()->Clone();
  clone->Filter("");  // the component's own filters work on a clone
  EXPECT_EQ(clone->RecordCount(), 3);
  set->Filter("");
  set->Sort("");
  EXPECT_EQ(set->Recordset()->RecordCount(), 25);
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
