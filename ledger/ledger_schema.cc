#include "ledger/ledger_schema.h"

#include <algorithm>
#include <optional>

#include "contracts/error.h"

namespace glnamelist::ledger {

const std::vector<LedgerTable>& LedgerTables() {
  static const std::vector<LedgerTable> tables = {
      {"accounts",
       {"id", "number", "name", "parent_id", "level", "detail", "helper_code", "is_bank",
        "is_cash"}},
      {"currencies", {"id", "number", "name"}},
      {"item_classes", {"id", "number", "name"}},
      {"items",
       {"id", "class_id", "number", "name", "parent_id", "level", "detail", "helper_code"}},
      {"unit_groups", {"id", "number", "name"}},
      {"units", {"id", "group_id", "number", "name"}},
      {"vch_explanations", {"id", "number", "explanation"}},
      {"submes",
       {"id", "class_id", "number", "name", "parent_id", "level", "detail", "helper_code"}},
      {"settle_types", {"id", "number", "name"}},
  };
  return tables;
}

bool IsIntegerColumn(std::string_view column) {
  return column != "number" && column != "name" && column != "helper_code" &&
         column != "explanation";
}

void RefuseLedger(const std::string& name, const std::string& cause) {
  throw Error(errc::kDataService, "Cannot open ledger " + name + ": " + cause);
}

void CheckLedgerSchema(LedgerDb& db) {
  const std::map<std::string, std::vector<std::string>> tables = db.TableColumns();
  if (!tables.contains("meta")) {
    RefuseLedger(db.name(), "wrong schema: no meta table (not a ledger)");
  }
  std::optional<std::string> text;
  db.Lookup("SELECT value FROM meta WHERE key = ?1", {std::string_view("schema_version")},
            [&](const ResultRow& row) { text = std::string(row.Text(0)); });
  if (!text) RefuseLedger(db.name(), "wrong schema: no schema version");
  int version = -1;
  try {
    size_t used = 0;
    version = std::stoi(*text, &used);
    if (used != text->size()) version = -1;
  } catch (const std::exception&) {
  }
  if (version < 0) {
    RefuseLedger(db.name(), "wrong schema: schema version '" + *text + "' is not a number");
  }
  if (version != kSchemaVersion) {
    RefuseLedger(db.name(), "wrong schema: version " + std::to_string(version) +
                                ", this program reads " + std::to_string(kSchemaVersion));
  }
  for (const LedgerTable& wanted : LedgerTables()) {
    auto found = tables.find(std::string(wanted.name));
    if (found == tables.end()) {
      RefuseLedger(db.name(), "wrong schema: no table " + std::string(wanted.name));
    }
    const std::vector<std::string>& present = found->second;
    for (std::string_view column : wanted.columns) {
      if (std::find(present.begin(), present.end(), column) == present.end()) {
        RefuseLedger(db.name(), "wrong schema: table " + std::string(wanted.name) +
                                    " has no column " + std::string(column));
      }
    }
  }
}

}  // namespace glnamelist::ledger
