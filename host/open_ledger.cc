#include "host/open_ledger.h"

#include <utility>
#include <vector>

#include "contracts/data_service.h"
#include "services/library_services.h"

namespace glnamelist::host {
namespace {

void Read(const RecordSourcePtr& source) {
  if (source) source->Recordset();
}

}  // namespace

void OpenLedger(const LedgerProgress& progress) {
  GLDataPtr data;
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"账套", [&] { data = GetGLData(); }},
      {"科目", [&] { Read(Require(data).AccountSet()); }},
      {"币别", [&] { Read(data->CurrencySet()); }},
      {"核算类别", [&] { Read(data->ItemClassSet()); }},
      {"单位组", [&] { Read(data->UnitGroupSet()); }},
      {"结算方式", [&] { Read(data->SettTypeSet()); }},
      {"摘要", [&] { data->VchExpSet(); }},
  };
  int step = 0;
  for (const auto& [what, read] : steps) {
    if (progress) progress(++step, static_cast<int>(steps.size()), what);
    read();
  }
}

}  // namespace glnamelist::host
