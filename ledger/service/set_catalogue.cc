#include "ledger/service/set_catalogue.h"

#include <algorithm>

#include "contracts/list_kinds.h"

namespace glnamelist::ledger {
namespace {

using recordset::Column;
using recordset::ColumnType;

const std::vector<Column>& CodeNameColumns() {
  static const std::vector<Column> columns = {{"FItemID", ColumnType::kInteger},
                                              {"FNumber", ColumnType::kText},
                                              {"FName", ColumnType::kText}};
  return columns;
}

const std::vector<Column>& ExplanationColumns() {
  static const std::vector<Column> columns = {{"FItemID", ColumnType::kInteger},
                                              {"FNumber", ColumnType::kText},
                                              {"FExplanation", ColumnType::kText}};
  return columns;
}

constexpr std::string_view kCodeName = "id, number, name";
constexpr std::string_view kTree = "id, number, name, detail";

}  // namespace

const std::vector<Column>& AccountColumns() {
  static const std::vector<Column> columns = {
      {"FAccountID", ColumnType::kInteger}, {"FNumber", ColumnType::kText},
      {"FName", ColumnType::kText},         {"FDetail", ColumnType::kInteger},
      {"FHelperCode", ColumnType::kText},   {"FIsBank", ColumnType::kInteger},
      {"FIsCash", ColumnType::kInteger}};
  return columns;
}

const std::vector<Column>& TreeColumns() {
  static const std::vector<Column> columns = {{"FItemID", ColumnType::kInteger},
                                              {"FNumber", ColumnType::kText},
                                              {"FName", ColumnType::kText},
                                              {"FDetail", ColumnType::kInteger}};
  return columns;
}

const std::vector<SetDescription>& SetCatalogue() {
  using enum SetKind;
  static const std::vector<SetDescription> catalogue = {
      {kExplanations,
       "vch_explanations",
       "id, number, explanation",
       ExplanationColumns,
       "FItemID",
       "",
       true,
       "explanations",
       nlVchExp,
       {nlVchExp}},
      {kAccounts,
       "accounts",
       // What an account is kept by is read with the account by the voucher form that needs
       // it, not into every list's set.
       "id, number, name, detail, helper_code, is_bank, is_cash",
       AccountColumns,
       "FAccountID",
       "",
       false,
       // Named anew without the columns of what an account is kept by: an older snapshot's
       // set of accounts, with them, is read again.
       "accounts.listed",
       nlAccount,
       {nlAccount}},
      {kCurrencies,
       "currencies",
       kCodeName,
       CodeNameColumns,
       "FItemID",
       "",
       true,
       "currencies",
       nlCurrency,
       {nlCurrency}},
      {kItemClasses,
       "item_classes",
       kCodeName,
       CodeNameColumns,
       "FItemID",
       "",
       true,
       "item_classes",
       nlItemClass,
       {nlItemClass, nlItem, nlSubMes}},
      {kUnitGroups,
       "unit_groups",
       kCodeName,
       CodeNameColumns,
       "FItemID",
       "",
       true,
       "unit_groups",
       nlUnitGroup,
       {nlUnitGroup, nlUnit}},
      {kSettleTypes,
       "settle_types",
       kCodeName,
       CodeNameColumns,
       "FItemID",
       "",
       true,
       "settle_types",
       nlSettleType,
       {nlSettleType}},
      {kItems, "items", kTree, TreeColumns, "FItemID", "class_id", false, "items", nlItem, {}},
      {kSubMes, "submes", kTree, TreeColumns, "FItemID", "class_id", true, "submes", nlSubMes, {}},
  };
  return catalogue;
}

const SetDescription& Describe(SetKind kind) { return SetCatalogue()[static_cast<size_t>(kind)]; }

const std::vector<SetKey>& MasterSets() {
  static const std::vector<SetKey> sets = [] {
    std::vector<SetKey> keys;
    for (const SetDescription& set : SetCatalogue()) {
      if (set.of_class.empty()) keys.push_back(SetKey{set.kind});
    }
    return keys;
  }();
  return sets;
}

std::optional<SetKey> SetWaitedForBy(long list_kind) {
  for (const SetDescription& set : SetCatalogue()) {
    if (std::ranges::find(set.waiting, list_kind) != set.waiting.end()) return SetKey{set.kind};
  }
  return std::nullopt;
}

std::string SnapshotName(const SetKey& key) {
  const SetDescription& set = Describe(key);
  std::string name(set.snapshot_name);
  if (!set.of_class.empty()) name += "/" + std::to_string(key.item_class);
  return name;
}

recordset::LookupColumns LookupColumnsOf(const SetKey& key) {
  recordset::LookupColumns columns{
      .codes = {"FNumber"}, .names = {"FName", "FHelperCode"}, .sorted = {}};
  if (Describe(key).sorted_by_name) columns.sorted = {"FName"};
  return columns;
}

}  // namespace glnamelist::ledger
