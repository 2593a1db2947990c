#include "component/list_setup.h"

#include <algorithm>

#include "contracts/environment.h"
#include "contracts/error.h"
#include "contracts/prog_ids.h"
#include "contracts/stream.h"
#include "services/library_services.h"

namespace glnamelist {
namespace {

// The key of the default row picture of a kind, or nullptr for none.
const char* DefaultPictureKey(long kind) {
  switch (kind) {
    case nlAccount:
      return "Detail";
    case nlCurrency:
      return "Cash";
    case nlItemClass:
    case nlItem:
    case nlUnitGroup:
    case nlUnit:
    case nlVchExp:
    case nlAsset:
    case nlSettleType:
      return "Item";
    default:
      return nullptr;
  }
}

bool FlagIsSet(const Variant& v) { return !v.IsNull() && v.ToBool(); }

// Maps each bank or cash account of records to its picture, leaving records on its first
// record: of two records with one code, the later one's picture is kept; a picture the host
// stored under a code before wins over both. The flags are integers, so that a filter on
// them finds those accounts without a visit to every other one; a record set that refuses
// the filter has every record visited.
void MapAccountPictures(Recordset& records, AccountPictureMap& pictures) {
  bool filtered = true;
  try {
    records.Filter("FIsBank <> 0 Or FIsCash <> 0");
  } catch (const Error&) {
    filtered = false;
  }
  long n = records.RecordCount();
  if (n > 0) records.MoveFirst();
  PicturePtr bank, cash;  // asked for once, when first needed
  AccountPictureMap mapped;
  mapped.reserve(static_cast<size_t>(std::max(n, 0L)));
  for (long i = 0; i < n; ++i) {
    if (FlagIsSet(records.Fields("FIsBank"))) {
      if (!bank) bank = GetPicture("Bank");
      mapped.insert_or_assign(records.Fields("FNumber").ToDisplayText(), bank);
    } else if (FlagIsSet(records.Fields("FIsCash"))) {
      if (!cash) cash = GetPicture("Cash");
      mapped.insert_or_assign(records.Fields("FNumber").ToDisplayText(), cash);
    }
    records.MoveNext();
  }
  if (pictures.empty()) {
    pictures.swap(mapped);
  } else {
    pictures.merge(mapped);  // the host's stay
  }
  if (filtered) {
    records.Filter("");  // on the first record again
  } else if (n > 0) {
    records.MoveFirst();
  }
}

}  // namespace

void SetupList(NameListState& s, AccountPictureMap& pictures, bool& account_setup_done) {
  s.pic_default.reset();
  if (s.name_list_type == nlAccount && !account_setup_done) {
    account_setup_done = true;
    s.pic_default = GetPicture("Detail");
    if (!s.account_records) {
      RecordSourcePtr accounts = GetGLData()->AccountSet();
      s.account_records = CopyRecordset(Require(accounts).Recordset());
    }
    MapAccountPictures(Require(s.account_records), pictures);
    return;
  }
  if (const char* key = DefaultPictureKey(s.name_list_type)) s.pic_default = GetPicture(key);
}

RecordsetPtr CopyRecordset(const RecordsetPtr& source) {
  try {
    StreamPtr stream = CreateObjectAs<Stream>(progid::kStream);
    Require(source).Save(*stream, adPersistADTG);
    RecordsetPtr copy = CreateObjectAs<Recordset>(progid::kRecordset);
    copy->Open(*stream, adOpenUnspecified, adLockUnspecified, -1);
    return copy;
  } catch (...) {
    return nullptr;
  }
}

PicturePtr GetPicture(const std::string& key) { return Env().GetPicture(key); }

}  // namespace glnamelist
