// Rows as the server sends them in binary: from a query's result, or from a binary COPY of a
// query's rows, a message at a time.
#ifndef GLNAMELIST_LEDGER_PG_ROWS_H_
#define GLNAMELIST_LEDGER_PG_ROWS_H_

#include <libpq-fe.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/ledger_db.h"

namespace glnamelist::ledger {

// The integer of a binary value of the server's type (2, 4 or 8 bytes); Error naming the
// ledger and the column for a value of another type.
int64_t BinaryInteger(const char* bytes, Oid type, const std::string& ledger,
                      const std::string& column);

// Calls on_row for each row of a binary query result.
void EachRow(const PGresult* result, const std::string& ledger, const OnRow& on_row);

// The rows of a binary COPY of a query's rows, given the types of its columns: the header
// with the first row, then a row per message, then the trailer.
class CopyRows {
 public:
  CopyRows(std::vector<Oid> types, std::vector<std::string> names, const std::string& ledger)
      : types_(std::move(types)), names_(std::move(names)), ledger_(ledger) {}

  // Calls on_row for the rows of one message; false once the trailer has come. Error naming
  // the ledger for bytes that are not such rows.
  bool Read(std::string_view message, const OnRow& on_row);

 private:
  class Row;
  [[noreturn]] void Malformed() const;

  std::vector<Oid> types_;
  std::vector<std::string> names_;
  const std::string& ledger_;
  bool header_read_ = false;
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_PG_ROWS_H_
