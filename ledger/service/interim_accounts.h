// The account set answered by the ledger file's own indexes while the whole set is read on
// the worker's thread: what a list shows at once after a cold start on a large ledger.
//
// Its rows, fields and values are the whole set's (AccountColumns, in code order), and so are
// its answers: a filter is asked of the ledger only when it can be written exactly as SQL
// (filter_sql.h); any other filter, any sort but by code of rows whose codes are digits
// and points (which sorting keeps in code order), and every filter once the whole set is
// ready, go
// to a clone of the whole set (waited for when it is not in yet), which the set passes every
// call to from then on. A list answered meanwhile counts its rows once per filter and reads
// them a page at a time, each page after the one before found by its last code.
//
// On the host's thread, as every record set; it and its clones ask the ledger through
// InterimLedger, which may outlive the service (its calls then raise the ledger's error).
#ifndef GLNAMELIST_LEDGER_SERVICE_INTERIM_ACCOUNTS_H_
#define GLNAMELIST_LEDGER_SERVICE_INTERIM_ACCOUNTS_H_

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "contracts/recordset.h"
#include "ledger/db/ledger_db.h"
#include "ledger/service/filter_sql.h"

namespace glnamelist::ledger {

// What interim sets need of the service that hands them out.
class InterimLedger {
 public:
  virtual ~InterimLedger() = default;
  // Runs read on the ledger as a request of the host's thread (waited for, its faults told).
  virtual void Ask(const std::function<void(LedgerDb&)>& read) = 0;
  // Whether the whole set is in (asking costs nothing).
  virtual bool WholeIn() = 0;
  // The whole set, waited for.
  virtual RecordsetPtr Whole() = 0;
};

class InterimAccounts final : public Recordset {
 public:
  // Rows in a page read at once.
  static constexpr long kPageRows = 1024;

  // Every account, unfiltered, on the first record.
  explicit InterimAccounts(std::shared_ptr<InterimLedger> ledger, long page_rows = kPageRows);

  std::string Filter() const override { return whole_ ? whole_->Filter() : filter_; }
  void Filter(const std::string& NewVal) override;
  std::string Sort() const override { return whole_ ? whole_->Sort() : sort_; }
  void Sort(const std::string& NewVal) override;

  long RecordCount() const override;
  long AbsolutePosition() const override;
  void AbsolutePosition(long NewVal) override;
  bool IsBOF() const override;
  bool IsEOF() const override;
  void MoveFirst() override;
  void MoveNext() override;
  Variant Fields(std::string_view Name) const override;

  RecordsetPtr Clone() override;
  // Into an empty memory stream of the platform, the set itself (its copy is a clone of it);
  // anywhere else the whole set's rows under this filter.
  void Save(Stream& Destination, long PersistFormat) override;
  void Open(Stream& Source, long CursorType, long LockType, long Options) override;

  // Whether the set now passes its calls to the whole set.
  bool OnWholeSet() const { return whole_ != nullptr; }

 private:
  struct Page {
    RecordsetPtr rows;  // of the engine, AccountColumns
    std::string last;   // the code of its last row
  };

  // A clone of the whole set under filter and sort.
  RecordsetPtr WholeView(const std::string& filter, const std::string& sort) const;
  // The whole set under filter and sort, from now on; what is asked of the ledger is dropped.
  void PassToWhole(const std::string& filter, const std::string& sort);
  long Count() const;
  // Whether the rows under the filter have codes of digits and points only (learnt with the
  // count of a filter).
  bool CodesInByteOrder() const;
  // The page holding row (0-based), read when it is not kept.
  const Page& PageOf(long row) const;
  Page ReadPage(long page) const;

  std::shared_ptr<InterimLedger> ledger_;
  const long page_rows_;
  RecordsetPtr whole_;  // once passed to the whole set
  std::string filter_;
  std::string sort_;  // none, or by code of rows that it keeps in code order
  SqlCondition where_;
  long cursor_ = 0;
  mutable long count_ = -1;        // counted when first needed
  mutable long other_codes_ = -1;  // 1: some row's code is not digits and points; -1: unknown
  mutable std::map<long, Page> pages_;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_SERVICE_INTERIM_ACCOUNTS_H_
