#include "ledger/service/interim_accounts.h"

#include <array>
#include <utility>

#include "contracts/error.h"
#include "ledger/service/set_catalogue.h"
#include "recordset/memory_stream.h"
#include "recordset/opened_recordset.h"
#include "recordset/sort_keys.h"
#include "recordset/table_builder.h"
#include "recordset/text_fold.h"

namespace glnamelist::ledger {
namespace {

// The fields of AccountColumns, in its order, and the columns they are read from (the
// catalogue's, Describe(SetKind::kAccounts).fields).
constexpr std::array<SqlField, 7> kFields = {{{"FAccountID", "id", false},
                                              {"FNumber", "number", true},
                                              {"FName", "name", true},
                                              {"FDetail", "detail", false},
                                              {"FHelperCode", "helper_code", true},
                                              {"FIsBank", "is_bank", false},
                                              {"FIsCash", "is_cash", false}}};
// Pages kept at most, the ones nearest the current row staying.
constexpr size_t kPagesKept = 64;

int FieldIndex(std::string_view name) {
  // Names usually come spelled as here; only other spellings pay for folding.
  for (size_t i = 0; i < kFields.size(); ++i) {
    if (kFields[i].field == name) return static_cast<int>(i);
  }
  const std::string wanted = recordset::Folded(name);
  for (size_t i = 0; i < kFields.size(); ++i) {
    if (recordset::Folded(kFields[i].field) == wanted) return static_cast<int>(i);
  }
  return -1;
}

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(" \t\r\n\f\v") == std::string_view::npos;
}

[[noreturn]] void NoCurrentRecord() { throw Error(errc::kNoCurrentRecord, kNoCurrentRecordText); }

using Bound = std::variant<int64_t, std::string>;

// Runs sql with values bound to ?1, ?2, ...
void Query(LedgerDb& db, const std::string& sql, const std::vector<Bound>& bound,
           const OnRow& on_row) {
  std::vector<SqlValue> v;
  for (const Bound& b : bound) {
    if (const auto* n = std::get_if<int64_t>(&b)) {
      v.emplace_back(*n);
    } else {
      v.emplace_back(std::string_view(std::get<std::string>(b)));
    }
  }
  db.Lookup(sql, std::span<const SqlValue>(v), on_row);
}

}  // namespace

InterimAccounts::InterimAccounts(std::shared_ptr<InterimLedger> ledger, long page_rows)
    : ledger_(std::move(ledger)), page_rows_(page_rows) {}

RecordsetPtr InterimAccounts::WholeView(const std::string& filter, const std::string& sort) const {
  RecordsetPtr whole = ledger_->Whole()->Clone();
  if (!IsBlank(filter)) whole->Filter(filter);
  if (!sort.empty()) whole->Sort(sort);
  return whole;
}

void InterimAccounts::PassToWhole(const std::string& filter, const std::string& sort) {
  whole_ = WholeView(filter, sort);
  pages_.clear();
}

void InterimAccounts::Filter(const std::string& NewVal) {
  if (whole_) return whole_->Filter(NewVal);
  std::optional<SqlCondition> where = SqlCondition{};
  if (!IsBlank(NewVal)) {
    recordset::OrOfAndGroups groups = recordset::ParseFilter(NewVal, FieldIndex);
    where = ConditionOf(groups, kFields);
  }
  if (!where || ledger_->WholeIn()) {
    return PassToWhole(NewVal, sort_);
  }
  filter_ = NewVal;
  where_ = std::move(*where);
  cursor_ = 0;
  count_ = -1;
  other_codes_ = -1;
  pages_.clear();
  if (!sort_.empty()) Sort(sort_);  // the rows it now shows may not keep it
}

void InterimAccounts::Sort(const std::string& NewVal) {
  if (whole_) return whole_->Sort(NewVal);
  std::vector<recordset::SortKey> keys = recordset::ParseSort(NewVal, FieldIndex);
  // By code, rows whose codes are digits and points only (which the engine ranks as their
  // bytes) stay in the ledger's order: the accounts of a helper code, say.
  const bool by_code = keys.size() == 1 && keys[0].column == 1 && !keys[0].descending;
  if (!keys.empty() && !(by_code && CodesInByteOrder())) return PassToWhole(filter_, NewVal);
  sort_ = NewVal;
  cursor_ = 0;
}

// Codes of other characters than digits and points, which the engine may rank otherwise than
// by their bytes.
constexpr const char* kOtherCodes = "number GLOB '*[^0-9.]*'";

bool InterimAccounts::CodesInByteOrder() const {
  if (other_codes_ < 0 && !where_.sql.empty()) Count();
  if (other_codes_ < 0) {
    // Every row: rather than count them, look for one such code.
    long found = 0;
    ledger_->Ask([&](LedgerDb& db) {
      Query(db, std::string("SELECT 1 FROM accounts WHERE ") + kOtherCodes + " LIMIT 1", {},
            [&](const ResultRow&) { found = 1; });
    });
    other_codes_ = found;
  }
  return other_codes_ == 0;
}

long InterimAccounts::Count() const {
  if (count_ >= 0) return count_;
  if (where_.sql.empty()) {
    ledger_->Ask([&](LedgerDb& db) {
      Query(db, "SELECT count(*) FROM accounts", {},
            [&](const ResultRow& row) { count_ = row.Int(0); });
    });
    return count_;
  }
  // Whether a sort by code keeps the rows in code order is learnt in the same pass.
  const std::string sql = std::string("SELECT count(*), coalesce(max(") + kOtherCodes +
                          "), 0) FROM accounts WHERE " + where_.sql;
  ledger_->Ask([&](LedgerDb& db) {
    Query(db, sql, where_.values, [&](const ResultRow& row) {
      count_ = row.Int(0);
      other_codes_ = row.Int(1);
    });
  });
  return count_;
}

long InterimAccounts::RecordCount() const { return whole_ ? whole_->RecordCount() : Count(); }

long InterimAccounts::AbsolutePosition() const {
  if (whole_) return whole_->AbsolutePosition();
  if (Count() == 0) return -1;
  return IsEOF() ? -3 : cursor_ + 1;
}

void InterimAccounts::AbsolutePosition(long NewVal) {
  if (whole_) return whole_->AbsolutePosition(NewVal);
  if (NewVal < 1 || NewVal > Count()) recordset::RefuseArgument();
  cursor_ = NewVal - 1;
}

bool InterimAccounts::IsBOF() const { return whole_ ? whole_->IsBOF() : Count() == 0; }

bool InterimAccounts::IsEOF() const { return whole_ ? whole_->IsEOF() : cursor_ >= Count(); }

void InterimAccounts::MoveFirst() {
  if (whole_) return whole_->MoveFirst();
  if (Count() == 0) NoCurrentRecord();
  cursor_ = 0;
}

void InterimAccounts::MoveNext() {
  if (whole_) return whole_->MoveNext();
  if (IsEOF()) NoCurrentRecord();
  ++cursor_;
}

Variant InterimAccounts::Fields(std::string_view Name) const {
  if (whole_) return whole_->Fields(Name);
  if (FieldIndex(Name) < 0) recordset::UnknownField();
  if (IsEOF()) NoCurrentRecord();
  const Page& page = PageOf(cursor_);
  const long at = cursor_ % page_rows_ + 1;
  // Fewer rows than counted: some were removed meanwhile by another program.
  if (at > page.rows->RecordCount()) NoCurrentRecord();
  page.rows->AbsolutePosition(at);
  return page.rows->Fields(Name);
}

const InterimAccounts::Page& InterimAccounts::PageOf(long row) const {
  const long page = row / page_rows_;
  if (auto kept = pages_.find(page); kept != pages_.end()) return kept->second;
  Page read = ReadPage(page);
  while (pages_.size() >= kPagesKept) {
    auto first = pages_.begin(), last = std::prev(pages_.end());
    pages_.erase(page - first->first > last->first - page ? first : last);
  }
  return pages_.emplace(page, std::move(read)).first->second;
}

InterimAccounts::Page InterimAccounts::ReadPage(long page) const {
  std::string sql = "SELECT " + std::string(Describe(SetKind::kAccounts).fields) + " FROM accounts";
  std::vector<Bound> values = where_.values;
  auto bind = [&](Bound value) {
    values.push_back(std::move(value));
    return "?" + std::to_string(values.size());
  };
  std::string where = where_.sql;
  auto before = pages_.find(page - 1);
  const bool after_last = before != pages_.end() && !before->second.last.empty();
  if (after_last) {
    // After the page before, through the index of codes, however far down the list it is.
    where = (where.empty() ? "" : "(" + where + ") AND ") + "number > " + bind(before->second.last);
  }
  if (!where.empty()) sql += " WHERE " + where;
  sql += " ORDER BY number LIMIT " + bind(int64_t{page_rows_});
  if (!after_last) sql += " OFFSET " + bind(int64_t{page * page_rows_});

  recordset::TableBuilder builder(AccountColumns());
  Page out;
  ledger_->Ask([&](LedgerDb& db) {
    Query(db, sql, values, [&](const ResultRow& row) {
      for (int c = 0; c < static_cast<int>(kFields.size()); ++c) {
        if (row.IsNull(c)) {
          builder.AppendNull();
        } else if (kFields[c].text) {
          builder.AppendText(row.Text(c));
        } else {
          builder.AppendInt(row.Int(c));
        }
      }
      builder.EndRow();
      out.last = std::string(row.Text(1));
    });
  });
  out.rows = builder.Build();
  return out;
}

RecordsetPtr InterimAccounts::Clone() {
  if (whole_) return whole_->Clone();
  if (ledger_->WholeIn()) return ledger_->Whole()->Clone();
  return std::make_shared<InterimAccounts>(ledger_, page_rows_);
}

void InterimAccounts::Save(Stream& Destination, long PersistFormat) {
  if (!whole_) {
    if (!Destination.IsOpen()) Destination.Open();
    auto* memory = dynamic_cast<recordset::MemoryStream*>(&Destination);
    if (memory && memory->Size() == 0 && filter_.empty()) {
      // The bytes, should anyone read them, are the whole set's.
      memory->WriteSavedView(Clone(), [ledger = ledger_] {
        StreamPtr bytes = recordset::NewStream();
        bytes->Open();
        ledger->Whole()->Clone()->Save(*bytes, adPersistADTG);
        bytes->Position(0);
        return bytes->Read(-1);
      });
      return;
    }
    return WholeView(filter_, sort_)->Save(Destination, PersistFormat);
  }
  whole_->Save(Destination, PersistFormat);
}

void InterimAccounts::Open(Stream& Source, long CursorType, long LockType, long Options) {
  RecordsetPtr opened = recordset::NewOpenedRecordset();
  opened->Open(Source, CursorType, LockType, Options);
  whole_ = std::move(opened);
  pages_.clear();
}

}  // namespace glnamelist::ledger
