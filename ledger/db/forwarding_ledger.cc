#include "ledger/db/forwarding_ledger.h"

namespace glnamelist::ledger {

void ForwardingLedger::Pass(const Read&, const std::function<void()>& call) { call(); }

void ForwardingLedger::Lookup(std::string_view sql, std::initializer_list<SqlValue> values,
                              const OnRow& on_row) {
  Pass({"Lookup", sql}, [&] { inner_->Lookup(sql, values, on_row); });
}

void ForwardingLedger::Load(std::string_view sql, std::initializer_list<SqlValue> values,
                            const OnRow& on_row) {
  Pass({"Load", sql}, [&] { inner_->Load(sql, values, on_row); });
}

TableShape ForwardingLedger::ShapeOf(std::string_view table) {
  TableShape shape;
  Pass({"ShapeOf", table}, [&] { shape = inner_->ShapeOf(table); });
  return shape;
}

std::vector<TableShape> ForwardingLedger::ShapesOf(const std::vector<std::string_view>& tables) {
  std::string names;
  for (std::string_view table : tables) names += (names.empty() ? "" : ",") + std::string(table);
  std::vector<TableShape> shapes;
  Pass({"ShapesOf", names}, [&] { shapes = inner_->ShapesOf(tables); });
  return shapes;
}

std::optional<std::string> ForwardingLedger::MetaValue(std::string_view key) {
  std::optional<std::string> value;
  Pass({"MetaValue", key}, [&] { value = inner_->MetaValue(key); });
  return value;
}

std::string ForwardingLedger::Identity() {
  std::string identity;
  Pass({"Identity", {}}, [&] { identity = inner_->Identity(); });
  return identity;
}

std::optional<LedgerStamp> ForwardingLedger::Stamp() {
  std::optional<LedgerStamp> stamp;
  Pass({"Stamp", {}}, [&] { stamp = inner_->Stamp(); });
  return stamp;
}

void ForwardingLedger::Together(const std::function<void()>& reads) {
  Pass({"Together", {}}, [&] { inner_->Together(reads); });
}

}  // namespace glnamelist::ledger
