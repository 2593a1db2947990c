#include "ledger/ledger_schema.h"

#include <algorithm>
#include <optional>

#include "contracts/error.h"

namespace glnamelist::ledger {

const std::vector<LedgerTable>& LedgerTables() {
  static const std::vector<LedgerTable> tables = {
      {"accounts",
       {"id", "number", "name", "parent_id", "level", "detail", "helper_code", "is_bank", "is_cash",
        "item_class_id", "currency_id", "quantity", "unit_id"},
       {"number", "name", "helper_code"}},
      {"currencies", {"id", "number", "name"}, {"number", "name"}},
      {"item_classes", {"id", "number", "name"}, {"number", "name"}},
      {"items",
       {"id", "class_id", "number", "name", "parent_id", "level", "detail", "helper_code"},
       {"number", "name", "helper_code"}},
      {"unit_groups", {"id", "number", "name"}, {"number", "name"}},
      {"units", {"id", "group_id", "number", "name"}, {"number", "name"}},
      {"vch_explanations", {"id", "number", "explanation"}, {"number", "explanation"}},
      {"submes",
       {"id", "class_id", "number", "name", "parent_id", "level", "detail", "helper_code"},
       {"number", "name", "helper_code"}},
      {"settle_types", {"id", "number", "name"}, {"number", "name"}},
      {"vouchers",
       {"id", "date", "period", "word", "number", "attachments", "row_version", "uid", "preparer"},
       {"date", "period", "word", "uid", "preparer"}},
      {"voucher_lines",
       {"voucher_id", "line_no", "explanation", "account_id", "item_class_id", "item_id",
        "currency_id", "debit", "credit", "original", "rate", "quantity", "unit_price"},
       {"explanation"},
       "voucher_id, line_no"},
      {"voucher_voids",
       {"voucher_id", "voided_by", "voided_at"},
       {"voided_by", "voided_at"},
       "voucher_id"},
      {"deleted_vouchers",
       {"id", "voucher_id", "date", "period", "word", "number", "uid", "deleted_by", "deleted_at"},
       {"date", "period", "word", "uid", "deleted_by", "deleted_at"}},
      {"voucher_templates", {"id", "name", "word", "attachments"}, {"name", "word"}},
      {"template_lines",
       {"template_id", "line_no", "explanation", "account_id", "item_class_id", "item_id",
        "currency_id"},
       {"explanation"},
       "template_id, line_no"},
      {"rates", {"currency_id", "date", "rate"}, {"date"}, "currency_id, date"},
  };
  return tables;
}

const LedgerTable& ChangeLogTable() {
  static const LedgerTable table = {
      "master_changes", {"seq", "tbl", "row_id", "parent_id"}, {"tbl"}, "seq"};
  return table;
}

bool LedgerTable::IsInteger(std::string_view column) const {
  return std::find(texts.begin(), texts.end(), column) == texts.end();
}

void RunSchemaSteps(int from, bool on_server,
                    const std::function<void(const std::string& sql)>& exec, StepPart part) {
  for (const SchemaStep& step : SchemaSteps()) {
    if (step.version <= from) continue;
    std::string_view sql = on_server ? step.server_sql : step.file_sql;
    const size_t after_rows = std::min(sql.find(kAfterRowsMarker), sql.size());
    if (part == StepPart::kBeforeRows) sql = sql.substr(0, after_rows);
    if (part == StepPart::kAfterRows) sql = sql.substr(after_rows);
    exec(std::string(sql));
  }
  if (part != StepPart::kBeforeRows && !on_server) exec(std::string(kListIndexes));
}

int SchemaVersionOf(const std::string& text) {
  int version = -1;
  try {
    size_t used = 0;
    version = std::stoi(text, &used);
    if (used != text.size()) version = -1;
  } catch (const std::exception&) {
  }
  return version < 0 ? -1 : version;
}

namespace {

void Refuse(LedgerDb& db, const std::string& cause, Fault fault = Fault::kWrongSchema,
            long version = 0) {
  RefuseLedger(db.name(), fault, "wrong schema: " + cause, {}, version);
}

const char* TypeName(bool integer) { return integer ? "integer" : "text"; }

void CheckTables(LedgerDb& db) {
  const std::vector<std::string_view> names = CheckedTables();
  const std::vector<TableShape> found = db.ShapesOf(names);
  const TableShape& meta = found.front();
  if (meta.kind == TableShape::Kind::kNone) {
    Refuse(db, "no meta table (not a ledger)", Fault::kNotALedger);
  }
  // Checked before it is read: a view may never end.
  if (meta.kind != TableShape::Kind::kTable) Refuse(db, "meta is " + meta.what + ", not a table");
  const std::optional<std::string> text = db.MetaValue("schema_version");
  if (!text) Refuse(db, "no schema version");
  const int version = SchemaVersionOf(*text);
  if (version < 0) Refuse(db, "schema version '" + *text + "' is not a number");
  if (version < kSchemaVersion) {
    Refuse(db,
           "version " + std::to_string(version) + ", older than this program's " +
               std::to_string(kSchemaVersion) + "; bring it up to date with: glledger upgrade " +
               "--ledger " + db.name(),
           Fault::kWrongVersion, version);
  }
  if (version > kSchemaVersion) {
    Refuse(db,
           "version " + std::to_string(version) + ", newer than this program's " +
               std::to_string(kSchemaVersion) + " (made by a newer program)",
           Fault::kWrongVersion, version);
  }
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string_view name = names[i];
    const TableShape& shape = found[i];
    const std::string table(name);
    if (shape.kind == TableShape::Kind::kNone) Refuse(db, "no table " + table);
    if (shape.kind != TableShape::Kind::kTable) {
      Refuse(db, table + " is " + shape.what + ", not a table");
    }
    const LedgerTable meta_table = {"meta", {"key", "value"}, {"key", "value"}};
    const LedgerTable* wanted = &meta_table;
    for (const LedgerTable& t : LedgerTables()) {
      if (t.name == name) wanted = &t;
    }
    if (name == ChangeLogTable().name) wanted = &ChangeLogTable();
    for (std::string_view column : wanted->columns) {
      auto found = std::find_if(shape.columns.begin(), shape.columns.end(),
                                [&](const TableShape::Column& c) { return c.name == column; });
      if (found == shape.columns.end()) {
        Refuse(db, "table " + table + " has no column " + std::string(column));
      }
      const bool integer = wanted->IsInteger(column);
      if (found->type != (integer ? TableShape::Type::kInteger : TableShape::Type::kText)) {
        Refuse(db, "column " + table + "." + std::string(column) + " is " +
                       (found->declared.empty() ? "of no type" : found->declared) + ", not " +
                       TypeName(integer));
      }
    }
  }
}

}  // namespace

std::vector<std::string_view> CheckedTables() {
  std::vector<std::string_view> names = {"meta"};
  for (const LedgerTable& wanted : LedgerTables()) names.push_back(wanted.name);
  names.push_back(ChangeLogTable().name);
  return names;
}

void CheckLedgerSchema(LedgerDb& db) {
  try {
    CheckTables(db);
  } catch (const LedgerError& e) {
    if (std::string_view(e.what()).starts_with("Cannot open ledger ")) throw;
    RefuseLedger(db.name(), e.fault(), e.cause(), e.said(), e.version());
  }
}

}  // namespace glnamelist::ledger
