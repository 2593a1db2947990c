#include "apps/voucher/entry_names.h"

#include <functional>

#include "contracts/environment.h"
#include "contracts/list_kinds.h"
#include "contracts/prog_ids.h"
#include "services/library_services.h"

namespace glnamelist::voucher {
namespace {

// Keys of the record sets: the list kind, or a class's items and SubMes entries.
constexpr long kItemsOfClass = 1'000'000;
constexpr long kSubMesOfClass = 2'000'000;

// text as a literal between single quotes of a filter: each quote written twice.
std::string Quoted(std::string_view text) {
  std::string out;
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out;
}

RecordsetPtr RecordsOf(const RecordSourcePtr& source) {
  return source ? source->Recordset() : nullptr;
}

// Moves rs to its row with exactly this code; False when there is none.
bool FindCode(Recordset* rs, const std::string& code) {
  if (!rs || code.empty()) return false;
  rs->Filter("FNumber = '" + Quoted(code) + "'");
  return rs->RecordCount() > 0;
}

std::string TextOf(const Recordset& rs, std::string_view field) {
  Variant v = rs.Fields(field);
  return v.IsNull() ? std::string() : v.ToText();
}

}  // namespace

Recordset* EntryNames::Records(long key, const std::function<RecordsetPtr()>& fetch) {
  auto it = records_.find(key);
  if (it == records_.end()) {
    RecordsetPtr rs = fetch();
    it = records_.emplace(key, rs ? rs->Clone() : nullptr).first;
  }
  return it->second.get();
}

Recordset* EntryNames::RecordsOfKind(long kind, long class_id) {
  GLDataPtr data = GetGLData();
  if (!data) return nullptr;
  switch (kind) {
    case nlAccount:
      return Records(kind, [&] { return RecordsOf(data->AccountSet()); });
    case nlCurrency:
      return Records(kind, [&] { return RecordsOf(data->CurrencySet()); });
    case nlItemClass:
      return Records(kind, [&] { return RecordsOf(data->ItemClassSet()); });
    case nlUnitGroup:
      return Records(kind, [&] { return RecordsOf(data->UnitGroupSet()); });
    case nlSettleType:
      return Records(kind, [&] { return RecordsOf(data->SettTypeSet()); });
    case nlVchExp:
      return Records(kind, [&] { return data->VchExpSet(); });
    case nlSubMes:
      if (class_id == 0) return nullptr;
      return Records(kSubMesOfClass + class_id,
                     [&] { return RecordsOf(data->SubMesSet(class_id)); });
    case nlItem:
      if (class_id == 0) return nullptr;
      return Records(kItemsOfClass + class_id, [&]() -> RecordsetPtr {
        auto set = CreateObjectAs<ItemSet>(progid::kItemSet);
        set->ItemClassID(class_id);
        set->ListOptions(0);
        set->Filter("");
        set->Refresh();
        item_sets_[class_id] = set;
        return set->Recordset();
      });
    default:
      return nullptr;
  }
}

NamedEntry EntryNames::Look(long kind, const std::string& code, long class_id, long group_id) {
  NamedEntry e;
  GLDataPtr data = GetGLData();
  if (!data || code.empty()) return e;
  if (kind == nlUnit) {
    UnitSetPtr units = group_id != 0 ? data->UnitSet(group_id) : nullptr;
    for (long i = 1; units && i <= units->Count(); ++i) {
      UnitEntryPtr unit = units->Item(i);
      if (unit && unit->Number() == code) {
        e.known = true;
        e.name = unit->Name();
        return e;
      }
    }
    return e;
  }
  Recordset* rs = RecordsOfKind(kind, class_id);
  if (!FindCode(rs, code)) return e;
  e.known = true;
  if (kind == nlVchExp) {
    e.text = TextOf(*rs, "FExplanation");
    return e;
  }
  e.id = static_cast<long>(rs->Fields(kind == nlAccount ? "FAccountID" : "FItemID").ToLong());
  e.name = TextOf(*rs, "FName");
  if (kind == nlAccount || kind == nlItem || kind == nlSubMes) {
    Variant detail = rs->Fields("FDetail");
    e.detail = !detail.IsNull() && detail.ToLong() != 0;
  }
  if (kind == nlAccount) {
    auto [full, added] = full_names_.try_emplace(e.id);
    if (added) {
      try {
        full->second = data->GetAccountFullName(e.id);
      } catch (...) {
        full_names_.erase(full);  // asked again next time
        throw;
      }
    }
    e.name = full->second;
  }
  return e;
}

std::vector<std::string> EntryNames::AccountsByHelperCode(const std::string& helper) {
  std::vector<std::string> codes;
  Recordset* rs = RecordsOfKind(nlAccount, 0);
  std::string upper;
  for (char c : helper) upper += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  if (!rs || upper.empty() ||
      upper.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos) {
    return codes;
  }
  rs->Filter("FHelperCode = '" + upper + "' AND FDetail = 1");
  rs->Sort("FNumber");
  for (long i = 1; i <= rs->RecordCount(); ++i) {
    rs->AbsolutePosition(i);
    codes.push_back(TextOf(*rs, "FNumber"));
  }
  return codes;
}

std::string EntryNames::UnitGroupCode(const std::string& name, long nth) {
  Recordset* rs = RecordsOfKind(nlUnitGroup, 0);
  if (!rs || name.empty()) return "";
  rs->Filter("FName = '" + Quoted(name) + "'");
  if (nth < 0 || nth >= rs->RecordCount()) return "";
  rs->Sort("FNumber");
  rs->AbsolutePosition(nth + 1);
  return TextOf(*rs, "FNumber");
}

long EntryNames::Count(long kind, long class_id) {
  Recordset* rs = RecordsOfKind(kind, class_id);
  if (!rs) return 0;
  rs->Filter("");
  return rs->RecordCount();
}

}  // namespace glnamelist::voucher
