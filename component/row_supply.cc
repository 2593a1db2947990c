#include "component/row_supply.h"

#include <charconv>
#include <cstdint>

#include "contracts/text.h"
#include "services/library_services.h"

namespace glnamelist {
namespace {

void AppendNumber(std::string& out, int64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

// The code from character position len(parent) + 2 (counting from 1) to the end: the
// parent's code and the separator after it cut off.
std::string_view RelativeCode(std::string_view code, std::string_view parent) {
  size_t pos = text::OffsetOfChar(code, text::CharCount(parent) + 1);
  return code.substr(pos);
}

bool IsDetail(const Variant& v) { return !v.IsNull() && v.ToLong() != 0; }

}  // namespace

void RowSupply::SupplyRow(NameListState& s, const ShownList& shown,
                          const AccountPictureMap& pictures, long Row) {
  if (Row == 0) return;
  Recordset& records = *shown.records();
  if (records.RecordCount() < Row) return;
  records.AbsolutePosition(Row);
  const DisplayRow* row = GetListRow(s, shown, pictures);
  if (!row) return;
  NameListDataPtr data = Require(s.list_control).ListData();
  NameListData& cells = Require(data);
  cells.CellText(Row, 0, row->relative_code);
  cells.CellText(Row, 1, row->full_code);
  cells.CellText(Row, 2, row->name);
  cells.RowPicture(Row, s.name_list_type == nlAccount ? row->picture : s.pic_default);
}

const DisplayRow* RowSupply::GetListRow(NameListState& s, const ShownList& shown,
                                        const AccountPictureMap& pictures) {
  Recordset& records = *shown.records();
  RowCache* cache;
  std::string_view key;
  switch (s.name_list_type) {
    case nlAccount:
      cache = &account_rows_;
      key = AccountKey(records);
      break;
    case nlItem:
      cache = &item_rows_;
      key = ItemKey(s, records);
      break;
    case nlSubMes:
      cache = &submes_rows_;
      key = ItemKey(s, records);
      break;
    default:
      return nullptr;
  }
  bool has_parent = static_cast<bool>(shown.parent());
  if (has_parent) {
    parent_ = shown.parent()->Number();
  } else {
    parent_.clear();
  }

  auto it = cache->find(key);
  if (it == cache->end()) {
    DisplayRow row = s.name_list_type == nlAccount
                         ? BuildAccountRow(s, records, pictures)
                         : BuildItemRow(records, s.name_list_type == nlSubMes);
    it = cache->emplace(std::string(key), std::move(row)).first;
  } else if (it->second.has_parent == has_parent && it->second.parent == parent_) {
    return &it->second;
  }
  // A new row, or one built under another parent: work out its relative code.
  DisplayRow& row = it->second;
  row.relative_code = has_parent ? RelativeCode(row.code, parent_) : std::string_view(row.code);
  row.has_parent = has_parent;
  row.parent = parent_;
  return &row;
}

DisplayRow RowSupply::BuildAccountRow(NameListState& s, Recordset& records,
                                      const AccountPictureMap& pictures) {
  DisplayRow row;
  row.code = records.Fields("FNumber").ToDisplayText();
  row.full_code = row.code;
  row.name =
      GetGLData()->GetAccountFullName(static_cast<long>(records.Fields("FAccountID").ToLong()));
  auto pic = pictures.find(row.full_code);
  if (pic != pictures.end()) row.picture = pic->second;
  if (!row.picture) row.picture = s.pic_default;
  return row;
}

DisplayRow RowSupply::BuildItemRow(Recordset& records, bool submes) {
  DisplayRow row;
  row.code = records.Fields("FNumber").ToDisplayText();
  row.full_code = row.code;
  if (submes && !IsDetail(records.Fields("FDetail"))) row.full_code += " +";
  row.name = records.Fields("FName").ToDisplayText();
  return row;
}

std::string_view RowSupply::AccountKey(Recordset& records) {
  key_.clear();
  AppendNumber(key_, records.Fields("FAccountID").ToLong());
  return key_;
}

std::string_view RowSupply::ItemKey(const NameListState& s, Recordset& records) {
  key_.clear();
  AppendNumber(key_, s.item_class_id);
  key_ += "~~";
  AppendNumber(key_, records.Fields("FItemID").ToLong());
  return key_;
}

}  // namespace glnamelist
