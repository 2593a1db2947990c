// The rows of a binary COPY from a PostgreSQL server, taken one data message at a time as
// they arrive: each message holds one row (the first also the stream's header), values as
// the server's binary format has them.
#ifndef GLNAMELIST_LEDGER_PG_PG_COPY_ROWS_H_
#define GLNAMELIST_LEDGER_PG_PG_COPY_ROWS_H_

#include <string>
#include <string_view>
#include <vector>

#include "ledger/db/ledger_db.h"

namespace glnamelist::ledger {

class CopyRows {
 public:
  // ledger: the ledger's name, for messages.
  explicit CopyRows(std::string ledger);

  // Hands on the row in message (after the header, in the first one); false once the
  // message ending the rows has come. Error "Ledger <name>: cannot read: malformed rows" for
  // bytes that are not rows of binary COPY. An integer is read in the width its value has
  // (2, 4 or 8 bytes); another width is not an integer.
  bool Read(std::string_view message, const OnRow& on_row);

 private:
  class Row;
  [[noreturn]] void Malformed() const;

  std::string ledger_;
  bool header_read_ = false;
  std::vector<std::string_view> values_;  // of the current row; null: no data
};

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_PG_PG_COPY_ROWS_H_
