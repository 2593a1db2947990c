#include "ledger/item_set.h"

#include <utility>

#include "contracts/error.h"

namespace glnamelist::ledger {
namespace {

void CheckParameter(const KeyedCollection& parameters, const std::string& key, bool numeric) {
  if (!parameters.Exists(key)) return;
  Variant value = parameters.Item(key);
  bool fits = false;
  if (numeric) {
    try {
      value.ToLong();
      fits = !value.IsText();
    } catch (const Error&) {
    }
  } else {
    fits = value.IsText();
  }
  if (!fits) {
    throw Error(errc::kInvalidProcedureCall,
                "Item set parameter " + key + (numeric ? " must be a number" : " must be a text"));
  }
}

}  // namespace

LedgerItemSet::LedgerItemSet(std::shared_ptr<LedgerService> service)
    : service_(std::move(service)) {
  if (!service_) throw Error(errc::kObjectRequired, "Item set without a data service");
}

void LedgerItemSet::Filter(const std::string& NewVal) { SetAndReload(filter_, NewVal); }

void LedgerItemSet::Sort(const std::string& NewVal) { SetAndReload(sort_, NewVal); }

void LedgerItemSet::SetAndReload(std::string& setting, const std::string& value) {
  std::string previous = std::exchange(setting, value);
  if (!refreshed_) return;
  try {
    Load();
  } catch (...) {
    setting = std::move(previous);
    throw;
  }
}

void LedgerItemSet::Parameters(KeyedCollectionPtr NewVal) {
  if (NewVal) {
    CheckParameter(*NewVal, "GetDataType", true);
    CheckParameter(*NewVal, "GetItemID", true);
    CheckParameter(*NewVal, "SelectExt", false);
  }
  parameters_ = std::move(NewVal);
}

void LedgerItemSet::Refresh() {
  Load();
  refreshed_ = true;
}

RecordsetPtr LedgerItemSet::Recordset() {
  if (!refreshed_) {
    throw Error(errc::kDataService, "The item set has not been refreshed: call Refresh first");
  }
  return records_;
}

void LedgerItemSet::Load() { records_ = service_->ItemRecords(item_class_id_, filter_, sort_); }

}  // namespace glnamelist::ledger
