#include "apps/glledger/ledger_copy.h"

#include <memory>
#include <optional>
#include <vector>

#include "apps/glledger/progress.h"
#include "contracts/error.h"
#include "ledger/ledger_at.h"
#include "ledger/ledger_schema.h"

namespace glnamelist::ledger {

void CopyLedger(const std::string& from, const std::string& to, bool replace, bool progress) {
  std::unique_ptr<LedgerDb> source = OpenLedger(from);
  // Replacing the source by itself would read what the replacement is dropping.
  const std::string identity = source->Identity();
  if (!identity.empty() && identity == LedgerIdentityAt(to)) {
    throw Error(errc::kDataService, "Cannot copy " + source->name() + " onto itself (" +
                                        Location(to).Shown() + " is the same ledger)");
  }
  std::optional<Progress> shown;
  if (progress) {
    long rows = 0;
    for (const LedgerTable& table : LedgerTables()) {
      source->Lookup("SELECT count(*) FROM " + std::string(table.name), {},
                     [&](const ResultRow& row) { rows += static_cast<long>(row.Int(0)); });
    }
    shown.emplace("Copying ledger", rows);
  }
  std::unique_ptr<LedgerTarget> target = CreateLedger(to, replace);
  for (const LedgerTable& table : LedgerTables()) {
    // Table and column names come from LedgerTables, never from input.
    std::string sql = "SELECT ";
    for (size_t i = 0; i < table.columns.size(); ++i) {
      sql += (i ? ", " : "") + std::string(table.columns[i]);
    }
    sql += " FROM " + std::string(table.name) + " ORDER BY " + std::string(table.key);
    std::unique_ptr<RowSink> sink = target->Rows(table.name, table.columns);
    std::vector<SqlValue> values(table.columns.size());
    source->Load(sql, {}, [&](const ResultRow& row) {
      for (size_t i = 0; i < values.size(); ++i) {
        const int at = static_cast<int>(i);
        if (row.IsNull(at)) {
          values[i] = std::monostate{};
        } else if (table.IsInteger(table.columns[i])) {
          values[i] = row.Int(at);
        } else {
          values[i] = row.Text(at);
        }
      }
      sink->Add(values);
      if (shown) shown->Advance();
    });
    sink->Close();
  }
  target->Finish();
}

}  // namespace glnamelist::ledger
