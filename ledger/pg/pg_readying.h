// The readying of each new connection of a link for reading, in one round trip: read-only
// REPEATABLE READ transactions, the notices of changed master data listened for, and the
// check that it reads the ledger the first one read; the first also asks ahead what a form
// asks as it opens the ledger, whose answers are used once.
#ifndef GLNAMELIST_LEDGER_PG_PG_READYING_H_
#define GLNAMELIST_LEDGER_PG_PG_READYING_H_

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/pg/pg_link.h"

namespace glnamelist::ledger::pg {

// Every named table's kind and columns, in the order of the names (given as one text of
// names joined by commas).
inline constexpr std::string_view kShapesSql =
    "SELECT t.at, c.relkind::text, a.attname::text, format_type(a.atttypid, a.atttypmod), "
    "a.atttypid::bigint FROM unnest(string_to_array(?1, ',')) WITH ORDINALITY AS t(name, at) "
    "JOIN pg_class c ON c.oid = to_regclass(t.name) LEFT JOIN pg_attribute a "
    "ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped ORDER BY t.at, a.attnum";
// The database (its oid, new when it is made again), the ledger it holds and the last change
// of its log.
inline constexpr std::string_view kStampSql =
    "SELECT d.oid::text, m.value, (SELECT max(seq) FROM master_changes)::text "
    "FROM pg_database d LEFT JOIN meta m ON m.key = 'ledger_id' "
    "WHERE d.datname = current_database()";

// The names of tables as kShapesSql takes them (the names hold no comma).
std::string TableList(const std::vector<std::string_view>& tables);

class Readying {
 public:
  // Readies the link's connection (the turn held) when it is not the one readied last: true
  // when it is one made again after another, whose notices may have been missed. Fault
  // kChanged, now and ever after, when it reads another ledger than the first one did.
  bool Ready(Link& link, const Errand& errand);
  // Whether the link's connection is the one readied last.
  bool Readied(const Link& link) const { return link.conn() && readied_ == link.made(); }
  // The answer asked ahead for this look-up, when no other request came since; the answers
  // asked ahead are let go at the first other one.
  std::optional<Result> Ahead(std::string_view sql, std::span<const SqlValue> values);
  void ForgetAhead() { ahead_.clear(); }

 private:
  struct Asked;
  std::vector<Asked> AskAhead();
  std::string Fingerprint(Link& link, const Errand& errand, const Result& database, Result meta);

  uint64_t readied_ = 0;  // Link::made of the connection readied last
  int connections_ = 0;   // the connections readied so far
  std::optional<std::string> fingerprint_;
  std::optional<LedgerError> changed_;
  // The answers asked ahead as the ledger opened, by RequestKey; the checked tables' names
  // they were asked with.
  std::map<std::string, Result> ahead_;
  std::string checked_tables_;
};

}  // namespace glnamelist::ledger::pg

#endif  // GLNAMELIST_LEDGER_PG_PG_READYING_H_
