#include "component/list_setup.h"

#include "component/require.h"
#include "contracts/environment.h"
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

// Maps each bank or cash account of records to its picture.
void MapAccountPictures(Recordset& records, AccountPictureMap& pictures) {
  long n = records.RecordCount();
  if (n <= 0) return;
  records.MoveFirst();
  for (long i = 0; i < n; ++i) {
    if (FlagIsSet(records.Fields("FIsBank"))) {
      pictures[records.Fields("FNumber").ToDisplayText()] = GetPicture("Bank");
    } else if (FlagIsSet(records.Fields("FIsCash"))) {
      pictures[records.Fields("FNumber").ToDisplayText()] = GetPicture("Cash");
    }
    records.MoveNext();
  }
  records.MoveFirst();
}

}  // namespace

void SetupList(NameListState& s, std::unique_ptr<AccountPictureMap>& AccountPictures) {
  s.PicDefault.reset();
  if (s.NameListType == nlAccount && !AccountPictures) {
    AccountPictures = std::make_unique<AccountPictureMap>();
    s.PicDefault = GetPicture("Detail");
    if (!s.AccountRecords) {
      RecordSourcePtr accounts = GetGLData()->AccountSet();
      s.AccountRecords = CopyRecordset(Require(accounts).Recordset());
    }
    MapAccountPictures(Require(s.AccountRecords), *AccountPictures);
    return;
  }
  if (const char* key = DefaultPictureKey(s.NameListType)) s.PicDefault = GetPicture(key);
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
