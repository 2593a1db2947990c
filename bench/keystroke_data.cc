#include "bench/keystroke_data.h"

#include <cmath>
#include <cstdio>

#include "contracts/error.h"
#include "recordset/table_builder.h"

namespace glnamelist::bench {
namespace {

using recordset::Column;
using recordset::ColumnType;
using recordset::TableBuilder;

constexpr const char* kChineseWords[] = {"银行存款", "应收账款", "库存现金", "原材料",
                                         "固定资产", "应付账款", "管理费用", "主营业务收入"};
constexpr const char* kEnglishWords[] = {"Deposits",  "Receivables", "Petty cash", "Materials",
                                         "Equipment", "Payables",    "Overheads",  "Revenue"};
constexpr const char* kHelperWords[] = {"YHCK", "YSZK", "KCXJ", "YCL",
                                        "GDZC", "YFZK", "GLFY", "ZYYWSR"};

// Thirty-two syllables that tell names of one word apart.
constexpr const char* kSyllables[] = {
    "甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸", "子", "丑", "寅", "卯", "辰", "巳",
    "午", "未", "申", "酉", "戌", "亥", "东", "南", "西", "北", "中", "上", "下", "左", "右", "前"};

// The name of entry id: a word of the ledger and a tail made from the id. Names carry no
// digits, as account and item names seldom do.
std::string NameOf(long id) {
  size_t word = static_cast<size_t>(id / 2) % 8;
  long tail = id / 16;
  std::string name;
  if (id % 2 == 0) {
    name = kChineseWords[word];
    for (int i = 0; i < 3; ++i, tail /= 32) name += kSyllables[tail % 32];
  } else {
    name = std::string(kEnglishWords[word]) + " ";
    for (int i = 0; i < 4; ++i, tail /= 26) name += static_cast<char>('a' + tail % 26);
  }
  return name;
}

std::string Padded(long value, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*ld", width, value);
  return buf;
}

// n rows in three levels below top-level codes first_top, first_top + 1, ... written with
// top_width digits; each level has about the cube root of n entries per parent.
std::vector<CodedRow> MakeTree(long n, long first_top, int top_width) {
  long fan = static_cast<long>(std::ceil(std::cbrt(static_cast<double>(n))));
  std::vector<CodedRow> rows;
  rows.reserve(static_cast<size_t>(n));
  auto add = [&](std::string number, long parent, bool detail) {
    long id = static_cast<long>(rows.size()) + 1;
    std::string helper = kHelperWords[static_cast<size_t>(id / 2) % 8] + std::to_string(id);
    rows.push_back({id, std::move(number), NameOf(id), std::move(helper), detail, parent});
  };
  for (long t = 0; t < fan && static_cast<long>(rows.size()) < n; ++t) {
    long top = static_cast<long>(rows.size());
    add(Padded(first_top + t, top_width), -1, false);
    for (long m = 1; m <= fan && static_cast<long>(rows.size()) < n; ++m) {
      long mid = static_cast<long>(rows.size());
      add(rows[top].number + "." + Padded(m, 3), top, false);
      for (long l = 1; l <= fan && static_cast<long>(rows.size()) < n; ++l)
        add(rows[mid].number + "." + Padded(l, 4), mid, true);
    }
  }
  return rows;
}

class Source : public RecordSource {
 public:
  explicit Source(RecordsetPtr rs) : rs_(std::move(rs)) {}
  RecordsetPtr Recordset() override { return rs_; }

 private:
  RecordsetPtr rs_;
};

// An account or item entry looked up by code.
template <class Base>
class CodedEntry : public Base {
 public:
  CodedEntry(std::string number, bool detail) : number_(std::move(number)), detail_(detail) {}
  std::string Number() const override { return number_; }
  bool Detail() const override { return detail_; }

 private:
  std::string number_;
  bool detail_;
};

RecordsetPtr AccountTable(const std::vector<CodedRow>& rows) {
  TableBuilder b({{"FAccountID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kInteger},
                  {"FHelperCode", ColumnType::kText},
                  {"FIsBank", ColumnType::kInteger},
                  {"FIsCash", ColumnType::kInteger}});
  b.Reserve(rows.size());
  for (const CodedRow& r : rows)
    b.AddRow({Variant(r.id), Variant(r.number), Variant(r.name), Variant(r.detail ? 1 : 0),
              Variant(r.helper), Variant(0), Variant(0)});
  return b.Build();
}

RecordsetPtr ItemTable(const std::vector<CodedRow>& rows) {
  TableBuilder b({{"FItemID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kInteger}});
  b.Reserve(rows.size());
  for (const CodedRow& r : rows)
    b.AddRow({Variant(r.id), Variant(r.number), Variant(r.name), Variant(r.detail ? 1 : 0)});
  return b.Build();
}

}  // namespace

std::vector<CodedRow> MakeAccounts(long n) { return MakeTree(n, 1001, 4); }
std::vector<CodedRow> MakeItems(long n) { return MakeTree(n, 1, 2); }

BenchGLData::BenchGLData(const std::vector<CodedRow>& accounts, long item_class_id,
                         const std::vector<CodedRow>& items)
    : accounts_(accounts),
      account_records_(AccountTable(accounts)),
      item_class_id_(item_class_id),
      item_records_(ItemTable(items)) {
  for (size_t i = 0; i < accounts.size(); ++i) {
    account_by_code_.emplace(accounts[i].number, i);
    account_by_id_.emplace(accounts[i].id, i);
  }
  for (const CodedRow& r : items) item_detail_by_code_.emplace(r.number, r.detail);
}

RecordSourcePtr BenchGLData::AccountSet() { return std::make_shared<Source>(account_records_); }

AccountEntryPtr BenchGLData::GetAccount(std::string& Number) {
  auto it = account_by_code_.find(Number);
  if (it == account_by_code_.end()) return nullptr;
  return std::make_shared<CodedEntry<AccountEntry>>(Number, accounts_[it->second].detail);
}

std::string BenchGLData::GetAccountFullName(long AccountID) {
  auto it = account_by_id_.find(AccountID);
  if (it == account_by_id_.end()) throw Error(errc::kDataService, "no such account");
  std::string name = accounts_[it->second].name;
  for (long p = accounts_[it->second].parent; p >= 0; p = accounts_[static_cast<size_t>(p)].parent)
    name = accounts_[static_cast<size_t>(p)].name + "_" + name;
  return name;
}

ItemEntryPtr BenchGLData::GetItem(long& ItemClassID, const Variant&, std::string& Number) {
  if (ItemClassID != item_class_id_) return nullptr;
  auto it = item_detail_by_code_.find(Number);
  if (it == item_detail_by_code_.end()) return nullptr;
  return std::make_shared<CodedEntry<ItemEntry>>(Number, it->second);
}

RecordsetPtr BenchGLData::ItemRecords(long item_class_id) const {
  if (item_class_id != item_class_id_) throw Error(errc::kDataService, "no such class");
  return item_records_;
}

}  // namespace glnamelist::bench
