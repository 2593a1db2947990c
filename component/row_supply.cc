#include "component/row_supply.h"

#include <charconv>
#include <cstdint>

#include "component/require.h"
#include "services/library_services.h"

namespace glnamelist {
namespace {

void AppendNumber(std::string& out, int64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

// Bytes of the UTF-8 character that starts with lead.
size_t CharLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

size_t CountChars(std::string_view text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); i += CharLength(static_cast<unsigned char>(text[i]))) ++n;
  return n;
}

// The code from character position len(parent) + 2 (counting from 1) to the end: the
// parent's code and the separator after it cut off.
std::string_view RelativeCode(std::string_view code, std::string_view parent) {
  size_t skip = CountChars(parent) + 1;
  size_t pos = 0;
  for (; skip > 0 && pos < code.size(); --skip)
    pos += CharLength(static_cast<unsigned char>(code[pos]));
  return pos >= code.size() ? std::string_view() : code.substr(pos);
}

bool IsDetail(const Variant& v) { return !v.IsNull() && v.ToLong() != 0; }

}  // namespace

void RowSupply::NameListData_DataRequest(NameListState& s, const AccountPictureMap* AccountPictures,
                                         long Row) {
  if (!s.ListRecords || Row == 0) return;
  Recordset& records = *s.ListRecords;
  if (records.RecordCount() < Row) return;
  records.AbsolutePosition(Row);
  const DisplayRow* row = GetListRow(s, AccountPictures);
  if (!row) return;
  NameListDataPtr data = Require(s.MyNameList).ListData();
  NameListData& cells = Require(data);
  cells.CellText(Row, 0, row->FNumber_1);
  cells.CellText(Row, 1, row->FNumber);
  cells.CellText(Row, 2, row->FName);
  cells.RowPicture(Row, s.NameListType == nlAccount ? row->pic : s.PicDefault);
}

const DisplayRow* RowSupply::GetListRow(NameListState& s,
                                        const AccountPictureMap* AccountPictures) {
  RowCache* cache;
  std::string_view key;
  switch (s.NameListType) {
    case nlAccount:
      cache = &AccountRows;
      key = AccountKey(s);
      break;
    case nlItem:
      cache = &ItemRows;
      key = ItemKey(s);
      break;
    case nlSubMes:
      cache = &SubMesRows;
      key = ItemKey(s);
      break;
    default:
      return nullptr;
  }
  bool has_parent = static_cast<bool>(s.ListParent);
  if (has_parent) {
    parent_ = s.ListParent->Number();
  } else {
    parent_.clear();
  }

  auto it = cache->find(key);
  if (it == cache->end()) {
    DisplayRow row = s.NameListType == nlAccount ? BuildAccountRow(s, AccountPictures)
                                                 : BuildItemRow(s, s.NameListType == nlSubMes);
    it = cache->emplace(std::string(key), std::move(row)).first;
  } else if (it->second.has_parent == has_parent && it->second.parent == parent_) {
    return &it->second;
  }
  // A new row, or one built under another parent: work out its relative code.
  DisplayRow& row = it->second;
  row.FNumber_1 = has_parent ? RelativeCode(row.code, parent_) : std::string_view(row.code);
  row.has_parent = has_parent;
  row.parent = parent_;
  return &row;
}

DisplayRow RowSupply::BuildAccountRow(NameListState& s, const AccountPictureMap* AccountPictures) {
  Recordset& records = *s.ListRecords;
  DisplayRow row;
  row.code = records.Fields("FNumber").ToDisplayText();
  row.FNumber = row.code;
  row.FName =
      GetGLData()->GetAccountFullName(static_cast<long>(records.Fields("FAccountID").ToLong()));
  if (AccountPictures) {
    auto pic = AccountPictures->find(row.FNumber);
    if (pic != AccountPictures->end()) row.pic = pic->second;
  }
  if (!row.pic) row.pic = s.PicDefault;
  return row;
}

DisplayRow RowSupply::BuildItemRow(NameListState& s, bool submes) {
  Recordset& records = *s.ListRecords;
  DisplayRow row;
  row.code = records.Fields("FNumber").ToDisplayText();
  row.FNumber = row.code;
  if (submes && !IsDetail(records.Fields("FDetail"))) row.FNumber += " +";
  row.FName = records.Fields("FName").ToDisplayText();
  return row;
}

std::string_view RowSupply::AccountKey(const NameListState& s) {
  key_.clear();
  AppendNumber(key_, s.ListRecords->Fields("FAccountID").ToLong());
  return key_;
}

std::string_view RowSupply::ItemKey(const NameListState& s) {
  key_.clear();
  AppendNumber(key_, s.ItemClassID);
  key_ += "~~";
  AppendNumber(key_, s.ListRecords->Fields("FItemID").ToLong());
  return key_;
}

}  // namespace glnamelist
