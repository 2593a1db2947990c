#include "ledger/record_loader.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "contracts/error.h"

namespace glnamelist::ledger {
namespace {

using recordset::Column;
using recordset::ColumnType;

// Rows of a result copied out of it, to be added to a table elsewhere.
struct Batch {
  struct Cell {
    enum class Kind : uint8_t { kNull, kInt, kText };
    Kind kind;
    int64_t value;  // kInt: the value; kText: where its bytes start
    size_t size;    // kText: how many bytes it has
  };
  std::vector<Cell> cells;  // row by row, a cell a column
  std::string bytes;
  size_t rows = 0;

  void Take(const ResultRow& row, const std::vector<Column>& columns) {
    for (size_t i = 0; i < columns.size(); ++i) {
      const int at = static_cast<int>(i);
      if (row.IsNull(at)) {
        cells.push_back({Cell::Kind::kNull, 0, 0});
      } else if (columns[i].type == ColumnType::kInteger) {
        cells.push_back({Cell::Kind::kInt, row.Int(at), 0});
      } else {
        const std::string_view text = row.Text(at);
        cells.push_back({Cell::Kind::kText, static_cast<int64_t>(bytes.size()), text.size()});
        bytes.append(text);
      }
    }
    ++rows;
  }

  void AddTo(recordset::TableBuilder& builder, size_t columns) const {
    const Cell* cell = cells.data();
    for (size_t r = 0; r < rows; ++r) {
      for (size_t c = 0; c < columns; ++c, ++cell) {
        switch (cell->kind) {
          case Cell::Kind::kNull:
            builder.AppendNull();
            break;
          case Cell::Kind::kInt:
            builder.AppendInt(cell->value);
            break;
          case Cell::Kind::kText:
            builder.AppendText({bytes.data() + cell->value, cell->size});
            break;
        }
      }
      builder.EndRow();
    }
  }

  void Clear() {
    cells.clear();
    bytes.clear();
    rows = 0;
  }
};

// A large result is read on the caller's thread and its table filled on a thread of its own:
// the database's stepping and the filling are each about half the work, and run side by side.
// Batches go over in order; a few wait at most, each taken back empty to be filled again.
class Filling {
 public:
  static constexpr size_t kBatchRows = 4096;
  static constexpr size_t kWaiting = 4;

  Filling(recordset::TableBuilder& builder, size_t columns)
      : thread_([this, &builder, columns] { Fill(builder, columns); }) {}
  ~Filling() { End(false); }
  Filling(const Filling&) = delete;
  Filling& operator=(const Filling&) = delete;

  // Hands the batch over and leaves an empty one in its place; waits while kWaiting wait.
  void Hand(Batch& batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return full_.size() < kWaiting || failed_; });
    if (failed_) {
      batch.Clear();  // what remains is read for nothing: the error is the filling's
      return;
    }
    full_.push_back(std::move(batch));
    batch = Batch();
    if (!empty_.empty()) {
      batch = std::move(empty_.back());
      empty_.pop_back();
    }
    changed_.notify_all();
  }
  // No more batches: waits until the thread has filled them and raises what it met.
  void Finish() {
    End(false);
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }
  // The read failed: the batches waiting are dropped, and the thread ended.
  void Abandon() { End(true); }

 private:
  void End(bool dropping) {
    {
      std::lock_guard lock(mutex_);
      if (dropping) full_.clear();
      closed_ = true;
      changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
  }
  void Fill(recordset::TableBuilder& builder, size_t columns) {
    Batch batch;
    try {
      while (Next(batch)) batch.AddTo(builder, columns);
    } catch (...) {
      error_ = std::current_exception();
      std::lock_guard lock(mutex_);
      failed_ = true;
      full_.clear();
      changed_.notify_all();
    }
  }
  // The next batch, the one filled before taken back; false once there is none to come.
  bool Next(Batch& batch) {
    std::unique_lock lock(mutex_);
    batch.Clear();
    empty_.push_back(std::move(batch));
    changed_.notify_all();
    changed_.wait(lock, [this] { return !full_.empty() || closed_; });
    if (full_.empty()) return false;
    batch = std::move(full_.front());
    full_.pop_front();
    changed_.notify_all();
    return true;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> full_;
  std::vector<Batch> empty_;
  bool closed_ = false, failed_ = false;
  std::exception_ptr error_;  // the filling thread's, read once it ended
  std::thread thread_;        // last: it starts once the rest is made
};

}  // namespace

RecordsetPtr LoadRecordset(LedgerDb& db, std::string_view sql,
                           std::initializer_list<SqlValue> values,
                           const std::vector<recordset::Column>& columns) {
  for (const recordset::Column& column : columns) {
    if (column.type != recordset::ColumnType::kInteger &&
        column.type != recordset::ColumnType::kText) {
      throw Error(errc::kInvalidProcedureCall,
                  "Ledger fields are integers or texts: " + column.name);
    }
  }
  recordset::TableBuilder builder(columns);
  Batch batch;
  std::optional<Filling> filling;  // from the first full batch on: a small result is filled here
  try {
    db.Load(sql, values, [&](const ResultRow& row) {
      batch.Take(row, columns);
      if (batch.rows < Filling::kBatchRows) return;
      if (!filling) filling.emplace(builder, columns.size());
      filling->Hand(batch);
    });
  } catch (...) {
    if (filling) filling->Abandon();
    throw;
  }
  if (filling) {
    if (batch.rows > 0) filling->Hand(batch);
    filling->Finish();
  } else {
    batch.AddTo(builder, columns.size());
  }
  return builder.Build();
}

}  // namespace glnamelist::ledger
