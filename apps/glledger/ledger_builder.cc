#include "apps/glledger/ledger_builder.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>
#include <utility>

#include "apps/glledger/ledger_copy.h"
#include "contracts/error.h"
#include "ledger/db/ledger_db.h"
#include "ledger/ledger_schema.h"
#include "ledger/sqlite/file_write.h"

namespace glnamelist::ledger {
namespace {

// The SQL of one coded tree table. Table names are fixed here, never taken from input.
struct TreeTable {
  std::string_view label;
  std::string_view select;  // id, scope (class or 0), number, name; ordered by scope, number
  std::string_view update;  // parent_id, level, detail, helper_code, id
};

constexpr TreeTable kTreeTables[] = {
    {"account", "SELECT id, 0, number, name FROM accounts ORDER BY number",
     "UPDATE accounts SET parent_id = ?1, level = ?2, detail = ?3, helper_code = ?4 "
     "WHERE id = ?5"},
    {"item", "SELECT id, class_id, number, name FROM items ORDER BY class_id, number",
     "UPDATE items SET parent_id = ?1, level = ?2, detail = ?3, helper_code = ?4 WHERE id = ?5"},
    {"SubMes entry", "SELECT id, class_id, number, name FROM submes ORDER BY class_id, number",
     "UPDATE submes SET parent_id = ?1, level = ?2, detail = ?3, helper_code = ?4 "
     "WHERE id = ?5"},
};

struct TreeRow {
  int64_t id;
  int64_t scope;
  std::string number;
  std::string name;
  int64_t parent_id = 0;  // 0: top level
  bool has_children = false;
};

void DeriveTable(Database& db, const TreeTable& table, PinyinInitials& pinyin) {
  std::vector<TreeRow> rows;
  std::map<std::pair<int64_t, std::string_view>, size_t> by_code;
  {
    Statement select(db, table.select);
    while (select.Step()) {
      rows.push_back(TreeRow{select.Int(0), select.Int(1), std::string(select.Text(2)),
                             std::string(select.Text(3))});
    }
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    by_code.emplace(std::pair{rows[i].scope, std::string_view(rows[i].number)}, i);
  }
  for (TreeRow& row : rows) {
    size_t dot = row.number.rfind('.');
    if (dot == std::string::npos) continue;
    std::string_view parent_code = std::string_view(row.number).substr(0, dot);
    auto parent = by_code.find({row.scope, parent_code});
    if (parent == by_code.end()) {
      throw Error(errc::kDataService, std::string(table.label) + " " + row.number +
                                          ": no parent with the code " + std::string(parent_code));
    }
    row.parent_id = rows[parent->second].id;
    rows[parent->second].has_children = true;
  }
  Statement update(db, table.update);
  for (const TreeRow& row : rows) {
    if (row.parent_id) {
      update.Bind(1, row.parent_id);
    } else {
      update.BindNull(1);
    }
    int64_t level = 1 + static_cast<int64_t>(std::count(row.number.begin(), row.number.end(), '.'));
    update.Bind(2, level).Bind(3, int64_t{row.has_children ? 0 : 1});
    update.Bind(4, pinyin.Of(row.name)).Bind(5, row.id);
    update.Run();
  }
}

// The schema version of a ledger being built; the current one when its schema has no meta
// table (a schema of the caller's own, left as it is).
int SchemaVersionIn(Database& db) {
  Statement has_meta(db, "SELECT count(*) FROM sqlite_master WHERE name = 'meta'");
  if (!has_meta.Step() || has_meta.Int(0) == 0) return kSchemaVersion;
  Statement version(db, "SELECT value FROM meta WHERE key = 'schema_version'");
  return version.Step() ? SchemaVersionOf(std::string(version.Text(0))) : kSchemaVersion;
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(errc::kDataService, "Cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void PrepareForBulkWrite(Database& db) {
  db.ExecScript("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536;");
}

void WriteThroughTemporary(const std::string& out_path,
                           const std::function<void(const std::string&)>& make) {
  FileWrite write(out_path);
  make(write.temp_path());
  write.Commit();
}

void DeriveTreeColumns(Database& db, PinyinInitials& pinyin) {
  for (const TreeTable& table : kTreeTables) DeriveTable(db, table, pinyin);
}

void BuildLedger(const std::string& schema_sql, const std::vector<std::string>& data_sql,
                 const std::string& out, bool replace) {
  if (IsServerLocation(out)) {
    std::string dir = (std::filesystem::temp_directory_path() / "glledger-XXXXXX").string();
    if (!mkdtemp(dir.data())) throw Error(errc::kDataService, "Cannot make a temporary folder");
    const std::string file = dir + "/ledger";
    try {
      BuildLedger(schema_sql, data_sql, file);
      CopyLedger(file, out, replace, false);
    } catch (...) {
      std::filesystem::remove_all(dir);
      throw;
    }
    std::filesystem::remove_all(dir);
    return;
  }
  const std::string& out_path = out;
  PinyinInitials pinyin;
  WriteThroughTemporary(out_path, [&](const std::string& temp_path) {
    Database db(temp_path, Database::Mode::kCreate);
    PrepareForBulkWrite(db);
    db.ExecScript(schema_sql);
    const int version = SchemaVersionIn(db);
    auto exec = [&](const std::string& sql) { db.ExecScript(sql); };
    RunSchemaSteps(version, false, exec, StepPart::kBeforeRows);
    for (const std::string& data : data_sql) db.ExecScript(data);
    db.ExecScript("BEGIN");
    DeriveTreeColumns(db, pinyin);
    RunSchemaSteps(version, false, exec, StepPart::kAfterRows);
    db.ExecScript("COMMIT");
    db.ExecScript(kWriteAheadLog);
  });
}

}  // namespace glnamelist::ledger
