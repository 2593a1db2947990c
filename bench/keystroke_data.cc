#include "bench/keystroke_data.h"

#include <cmath>
#include <cstdio>

#include "contracts/error.h"
#include "recordset/table.h"

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

std::string Numbered(const char* word, long n) {
  return std::string(word) + " " + std::to_string(n);
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
    size_t word = static_cast<size_t>(id / 2) % 8;
    bool chinese = id % 2 == 0;
    rows.push_back({id, std::move(number),
                    Numbered(chinese ? kChineseWords[word] : kEnglishWords[word], id),
                    Numbered(kHelperWords[word], id), detail, parent});
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

class Entry : public AccountEntry {
 public:
  Entry(std::string number, bool detail) : number_(std::move(number)), detail_(detail) {}
  std::string Number() const override { return number_; }
  bool Detail() const override { return detail_; }

 private:
  std::string number_;
  bool detail_;
};

class Item : public ItemEntry {
 public:
  Item(std::string number, bool detail) : number_(std::move(number)), detail_(detail) {}
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
  return std::make_shared<Entry>(Number, accounts_[it->second].detail);
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
  return std::make_shared<Item>(Number, it->second);
}

RecordsetPtr BenchGLData::ItemRecords(long item_class_id) const {
  if (item_class_id != item_class_id_) throw Error(errc::kDataService, "no such class");
  return item_records_;
}

}  // namespace glnamelist::bench
