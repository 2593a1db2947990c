#include "ledger/db/forwarding_ledger.h"

namespace glnamelist::ledger {

void ForwardingLedger::Pass(const Read&, const std::function<void(LedgerDb&)>& call) {
  call(*inner_);
}

void ForwardingLedger::Lookup(std::string_view sql, std::span<const SqlValue> values,
                              const OnRow& on_row) {
  Pass({"Lookup", sql}, [&](LedgerDb& db) { db.Lookup(sql, values, on_row); });
}

void ForwardingLedger::Load(std::string_view sql, std::initializer_list<SqlValue> values,
                            const OnRow& on_row) {
  Pass({"Load", sql}, [&](LedgerDb& db) { db.Load(sql, values, on_row); });
}

TableShape ForwardingLedger::ShapeOf(std::string_view table) {
  TableShape shape;
  Pass({"ShapeOf", table}, [&](LedgerDb& db) { shape = db.ShapeOf(table); });
  return shape;
}

std::vector<TableShape> ForwardingLedger::ShapesOf(const std::vector<std::string_view>& tables) {
  std::string names;
  for (std::string_view table : tables) names += (names.empty() ? "" : ",") + std::string(table);
  std::vector<TableShape> shapes;
  Pass({"ShapesOf", names}, [&](LedgerDb& db) { shapes = db.ShapesOf(tables); });
  return shapes;
}

std::optional<std::string> ForwardingLedger::MetaValue(std::string_view key) {
  std::optional<std::string> value;
  Pass({"MetaValue", key}, [&](LedgerDb& db) { value = db.MetaValue(key); });
  return value;
}

std::string ForwardingLedger::Identity() {
  std::string identity;
  Pass({"Identity", {}}, [&](LedgerDb& db) { identity = db.Identity(); });
  return identity;
}

std::optional<LedgerStamp> ForwardingLedger::Stamp() {
  std::optional<LedgerStamp> stamp;
  Pass({"Stamp", {}}, [&](LedgerDb& db) { stamp = db.Stamp(); });
  return stamp;
}

void ForwardingLedger::Together(const std::function<void()>& reads) {
  Pass({"Together", {}}, [&](LedgerDb& db) { db.Together(reads); });
}

}  // namespace glnamelist::ledger
