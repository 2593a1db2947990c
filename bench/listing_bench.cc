// The whole listing a keystroke asks for, on a generated ledger's accounts and the items of
// its class, against the peers a serious engineer would pick, in one process, in turn:
//
//   ours      the record-set engine as the lists use it: a clone filtered by the code
//             listing's filter (code prefix or children, or a name containing the text), its
//             count, and its first 30 rows read in code order
//   fts5      SQLite with an index on the code and an FTS5 trigram table over the names,
//             tuned: rows are numbered in code order, so that a code range is a range of row
//             ids (two probes of the code index give it and its count), the names' count is
//             read from the doclist (minus the matches inside the code range), and the first
//             screen is merged in code order from the two ordered streams; a text of fewer
//             than three characters, which trigrams cannot serve, is scanned with LIKE
//   pg_trgm   PostgreSQL (the throwaway server of tests/ledger/pg_cluster.sh) with a pg_trgm
//             GIN index over the names and a text_pattern_ops index over the codes, the same
//             plan in the same code; left out without a server
//   like      SQLite scanning with LIKE: the floor
//
// Each execution is the whole listing: the look-up of the typed code, the count of every
// match and the first 30 rows in code order. Texts are drawn from the table's own names and
// codes by the rule in DrawTexts, never chosen by hand. Each side's median and 99th
// percentile (wall time) are printed per text, with the best peer's median over ours, and
// each side's build time and memory.
//
//   listing_bench [--ledger PATH] [--accounts N]... [--items N] [--runs N] [--ours-only]
//   (at 1M and 10M accounts unless --accounts is given; --ledger names one ledger)
//   (benchmark flags are ignored; the ledger is generated when missing and kept)
#include <libpq-fe.h>
#include <malloc.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "apps/glledger/generator.h"
#include "providers/common_flow.h"
#include "recordset/table_builder.h"

namespace {

// Only our side, timed alone: for profiling the engine without the peers' builds.
bool only_ours = false;
using Clock = std::chrono::steady_clock;
namespace rs = glnamelist::recordset;
namespace flow = glnamelist::flow;

constexpr size_t kScreen = 30;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

size_t HeapBytes() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

struct Row {
  long id;
  std::string number, name;
};

// What is typed, and what it asks: a code ending in "." lists the children of that code and
// the names containing it; any other text the codes beginning with it and the names
// containing it. Either way the text (less its ".") is looked up as a code first.
struct Text {
  std::string band;  // why the rule drew it
  std::string typed;
  std::string Code() const {
    return typed.ends_with('.') ? typed.substr(0, typed.size() - 1) : typed;
  }
  std::string Prefix() const { return typed; }
};

// The answer of a listing, so that sides can be checked against each other.
struct Listing {
  long found = 0;  // id of the code looked up, 0 when none
  long count = 0;
  std::vector<long> first;  // ids of the first screen
  bool operator==(const Listing&) const = default;
};

// --- Code points ---------------------------------------------------------------------------

std::vector<std::string> CodePoints(const std::string& s) {
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

bool IsAlnum(const std::string& cp) {
  return cp.size() == 1 && std::isalnum(static_cast<unsigned char>(cp[0]));
}

// --- The rule that draws the texts ---------------------------------------------------------

// From the names (a sample of at most 200,000 spread over the table):
//   - for fragments of 1, 2, 3, 4 and 6 characters (no space in them): the most frequent
//     fragment, the most frequent one in at most 1% of names (middle) and the most frequent
//     one in at most 0.01% of names (rare);
//   - runs of Latin letters and digits holding both (steel grades, models): the most
//     frequent, middle and rare ones by the same bands, and the most frequent letter run;
// from the codes:
//   - the top-level code with the largest subtree and the second-level code with the
//     largest subtree (typed with their "."), the top-level code at the middle of the table
//     by size, a leaf's full code and the first two digits of the middle row's code.
std::vector<Text> DrawTexts(const std::vector<Row>& rows) {
  std::vector<Text> texts;
  const size_t step = std::max<size_t>(1, rows.size() / 200'000);
  size_t sampled = 0;
  std::vector<std::unordered_map<std::string, long>> grams(7);
  std::unordered_map<std::string, long> models, letters;
  for (size_t r = 0; r < rows.size(); r += step, ++sampled) {
    const std::vector<std::string> cps = CodePoints(rows[r].name);
    for (size_t len : {1, 2, 3, 4, 6}) {
      std::unordered_map<std::string, bool> seen;  // a name counts once per fragment
      for (size_t i = 0; i + len <= cps.size(); ++i) {
        std::string g;
        bool space = false;
        for (size_t k = i; k < i + len; ++k) {
          space |= cps[k] == " ";
          g += cps[k];
        }
        if (!space && !seen[g]) ++grams[len][g], seen[g] = true;
      }
    }
    for (size_t i = 0; i < cps.size();) {
      if (!IsAlnum(cps[i])) {
        ++i;
        continue;
      }
      std::string run;
      bool letter = false, digit = false;
      for (; i < cps.size() && IsAlnum(cps[i]); ++i) {
        run += cps[i];
        (std::isdigit(static_cast<unsigned char>(cps[i][0])) ? digit : letter) = true;
      }
      if (letter && digit) ++models[run];
      if (letter && !digit) ++letters[run];
    }
  }
  auto bands = [&](const std::unordered_map<std::string, long>& counts, const std::string& what) {
    std::vector<std::pair<long, std::string>> ranked;
    for (const auto& [g, n] : counts) ranked.emplace_back(-n, g);
    std::sort(ranked.begin(), ranked.end());
    if (ranked.empty()) return;
    texts.push_back({what + " most frequent", ranked[0].second});
    const double at_most[] = {0.01, 0.0001};
    const char* names[] = {" middle", " rare"};
    for (int b = 0; b < 2; ++b) {
      for (const auto& [n, g] : ranked) {
        if (-n <= at_most[b] * static_cast<double>(sampled) && -n >= 1) {
          texts.push_back({what + names[b], g});
          break;
        }
      }
    }
  };
  for (size_t len : {1, 2, 3, 4, 6}) bands(grams[len], std::to_string(len) + " chars");
  bands(models, "letters+digits");
  std::unordered_map<std::string, long> top_letters;
  for (const auto& [g, n] : letters) top_letters[g] = n;
  if (!top_letters.empty()) {
    auto best = std::max_element(top_letters.begin(), top_letters.end(),
                                 [](auto& a, auto& b) { return a.second < b.second; });
    texts.push_back({"letters most frequent", best->first});
  }
  // Codes: subtree sizes by prefix of each level.
  std::map<std::string, long> level1, level2;
  for (const Row& r : rows) {
    const size_t dot = r.number.find('.');
    if (dot == std::string::npos) continue;
    ++level1[r.number.substr(0, dot)];
    const size_t dot2 = r.number.find('.', dot + 1);
    if (dot2 != std::string::npos) ++level2[r.number.substr(0, dot2)];
  }
  auto largest = [](const std::map<std::string, long>& m) {
    return std::max_element(m.begin(), m.end(),
                            [](auto& a, auto& b) { return a.second < b.second; });
  };
  if (!level1.empty()) {
    texts.push_back({"code, largest top subtree", largest(level1)->first + "."});
    std::vector<std::pair<long, std::string>> sized;
    for (const auto& [c, n] : level1) sized.emplace_back(n, c);
    std::sort(sized.begin(), sized.end());
    texts.push_back({"code, middle top subtree", sized[sized.size() / 2].second + "."});
  }
  if (!level2.empty()) texts.push_back({"code, largest 2nd subtree", largest(level2)->first + "."});
  const Row& middle = rows[rows.size() / 2];
  texts.push_back({"code, a leaf", middle.number});
  texts.push_back({"code, first two digits", middle.number.substr(0, 2)});
  return texts;
}

// --- Ours ----------------------------------------------------------------------------------

class Ours {
 public:
  explicit Ours(const std::vector<Row>& rows) {
    const Clock::time_point start = Clock::now();
    rs::TableBuilder b({{"FID", rs::ColumnType::kInteger},
                        {"FNumber", rs::ColumnType::kText},
                        {"FName", rs::ColumnType::kText}});
    b.Reserve(rows.size());
    for (const Row& r : rows) {
      b.AppendInt(r.id);
      b.AppendText(r.number);
      b.AppendText(r.name);
      b.EndRow();
    }
    base_ = b.Build();
    const size_t built = HeapBytes();
    rs::LookupPreparation(*base_, {{"FNumber"}, {"FName"}, {}})();
    build_ms = Ms(Clock::now() - start);
    index_bytes = HeapBytes() - built;
    lookup_ = base_->Clone();
    list_ = base_->Clone();
  }

  Listing Answer(const Text& t) {
    Listing out;
    const std::string code = flow::Quote(t.Code());
    lookup_->Filter("FNumber = '" + code + "'");
    if (lookup_->RecordCount() > 0) out.found = lookup_->Fields("FID").ToLong();
    const std::string prefix = t.typed.ends_with('.') ? flow::Quote(t.typed) : code;
    list_->Filter("FNumber like '" + prefix + "%' or FName like '%" + code + "%'");
    out.count = list_->RecordCount();
    if (out.count > 0) list_->MoveFirst();
    for (size_t i = 0; i < kScreen && !list_->IsEOF(); ++i, list_->MoveNext()) {
      out.first.push_back(list_->Fields("FID").ToLong());
      (void)list_->Fields("FNumber");
      (void)list_->Fields("FName");
    }
    return out;
  }

  double build_ms = 0;
  size_t index_bytes = 0;  // the look-up structures' (the table's own are left out)

 private:
  glnamelist::RecordsetPtr base_, lookup_, list_;
};

// --- The peers' common plan ----------------------------------------------------------------

// What an indexed peer answers; rows are numbered 1.. in code order on every side.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual long Lookup(const std::string& code) = 0;
  // The rows whose code begins with prefix: [first, last], empty when first > last.
  virtual std::pair<long, long> CodeRange(const std::string& prefix) = 0;
  // Names containing text: their count in all and in [first, last], the first n in order.
  virtual long NameCount(const std::string& text) = 0;
  virtual long NameCountIn(const std::string& text, long first, long last) = 0;
  virtual std::vector<long> NameFirst(const std::string& text, size_t n) = 0;
  // The code and name of each row (read, as a screen shows them).
  virtual void Fetch(const std::vector<long>& ids) = 0;

  Listing Answer(const Text& t) {
    Listing out;
    out.found = Lookup(t.Code());
    auto [first, last] = CodeRange(t.typed.ends_with('.') ? t.typed : t.Code());
    const std::string name = t.Code();
    const long in_range = first > 0 && first <= last ? last - first + 1 : 0;
    out.count = NameCount(name) + in_range - (in_range ? NameCountIn(name, first, last) : 0);
    // The two ordered streams merged: the code range, the names.
    std::vector<long> names = NameFirst(name, kScreen);
    size_t k = 0;
    long next = in_range ? first : 0;
    while (out.first.size() < kScreen) {
      const bool have_code = next != 0 && next <= last;
      const bool have_name = k < names.size();
      if (!have_code && !have_name) break;
      if (have_code && (!have_name || next <= names[k])) {
        if (have_name && names[k] == next) ++k;
        out.first.push_back(next++);
      } else {
        out.first.push_back(names[k++]);
      }
    }
    Fetch(out.first);
    return out;
  }

  double build_ms = 0;
  size_t index_bytes = 0;
};

// The next text after every text beginning with prefix, in byte order.
std::string PastPrefix(std::string prefix) {
  while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF) prefix.pop_back();
  if (!prefix.empty()) prefix.back() = static_cast<char>(prefix.back() + 1);
  return prefix;
}

std::string LikeEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '%' || c == '_' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// The LIKE pattern of the texts containing s.
std::string LikeContains(const std::string& s) {
  std::string out = "%";
  out += LikeEscaped(s);
  out += '%';
  return out;
}

// --- SQLite --------------------------------------------------------------------------------

class Sql {
 public:
  Sql(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
        SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
  }
  ~Sql() { sqlite3_finalize(stmt_); }
  Sql(const Sql&) = delete;
  Sql& operator=(const Sql&) = delete;
  Sql& Bind(int i, const std::string& s) {
    sqlite3_bind_text(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Sql& Bind(int i, long v) {
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  // Steps through the rows, f(statement) for each; resets after.
  template <class F>
  void Each(F f) {
    while (sqlite3_step(stmt_) == SQLITE_ROW) f(stmt_);
    sqlite3_reset(stmt_);
  }
  long One() {
    long v = 0;
    Each([&](sqlite3_stmt* s) { v = static_cast<long>(sqlite3_column_int64(s, 0)); });
    return v;
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

void Exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string message = err ? err : "sqlite error";
    sqlite3_free(err);
    throw std::runtime_error(message + ": " + sql);
  }
}

// An in-memory table t of the rows (row id = place in code order) with an index on the code.
sqlite3* SqliteTable(const std::vector<Row>& rows) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  Exec(db, "PRAGMA cache_size = -1000000");
  Exec(db, "CREATE TABLE t (id INTEGER PRIMARY KEY, number TEXT, name TEXT)");
  Exec(db, "BEGIN");
  {
    Sql insert(db, "INSERT INTO t VALUES (?1, ?2, ?3)");
    for (size_t i = 0; i < rows.size(); ++i) {
      insert.Bind(1, static_cast<long>(i + 1)).Bind(2, rows[i].number).Bind(3, rows[i].name);
      insert.Each([](sqlite3_stmt*) {});
    }
  }
  Exec(db, "COMMIT");
  Exec(db, "CREATE INDEX t_number ON t (number)");
  return db;
}

class Fts5 : public Peer {
 public:
  explicit Fts5(const std::vector<Row>& rows) : db_(SqliteTable(rows)) {
    const auto before = sqlite3_memory_used();
    const Clock::time_point start = Clock::now();
    Exec(db_,
         "CREATE VIRTUAL TABLE f USING fts5(name, content='t', content_rowid='id',"
         " tokenize='trigram')");
    Exec(db_, "INSERT INTO f(f) VALUES ('rebuild')");
    Exec(db_, "INSERT INTO f(f) VALUES ('optimize')");
    build_ms = Ms(Clock::now() - start);
    index_bytes = static_cast<size_t>(sqlite3_memory_used() - before);
    lookup_ = std::make_unique<Sql>(db_, "SELECT id FROM t WHERE number = ?1");
    low_ = std::make_unique<Sql>(
        db_, "SELECT id FROM t WHERE number >= ?1 AND number < ?2 ORDER BY number LIMIT 1");
    high_ = std::make_unique<Sql>(
        db_, "SELECT id FROM t WHERE number >= ?1 AND number < ?2 ORDER BY number DESC LIMIT 1");
    count_ = std::make_unique<Sql>(db_, "SELECT count(*) FROM f WHERE f MATCH ?1");
    count_in_ = std::make_unique<Sql>(
        db_, "SELECT count(*) FROM f WHERE f MATCH ?1 AND rowid BETWEEN ?2 AND ?3");
    first_ =
        std::make_unique<Sql>(db_, "SELECT rowid FROM f WHERE f MATCH ?1 ORDER BY rowid LIMIT ?2");
    scan_count_ =
        std::make_unique<Sql>(db_, "SELECT count(*) FROM t WHERE name LIKE ?1 ESCAPE '\\'");
    scan_count_in_ = std::make_unique<Sql>(
        db_, "SELECT count(*) FROM t WHERE id BETWEEN ?2 AND ?3 AND name LIKE ?1 ESCAPE '\\'");
    scan_first_ = std::make_unique<Sql>(
        db_, "SELECT id FROM t WHERE name LIKE ?1 ESCAPE '\\' ORDER BY id LIMIT ?2");
    fetch_ = std::make_unique<Sql>(db_, "SELECT number, name FROM t WHERE id = ?1");
  }
  ~Fts5() override {
    lookup_.reset(), low_.reset(), high_.reset(), count_.reset(), count_in_.reset();
    first_.reset(), scan_count_.reset(), scan_count_in_.reset(), scan_first_.reset();
    fetch_.reset();
    sqlite3_close(db_);
  }

  long Lookup(const std::string& code) override { return lookup_->Bind(1, code).One(); }
  std::pair<long, long> CodeRange(const std::string& prefix) override {
    const std::string past = PastPrefix(prefix);
    return {low_->Bind(1, prefix).Bind(2, past).One(), high_->Bind(1, prefix).Bind(2, past).One()};
  }
  long NameCount(const std::string& text) override {
    return Trigram(text) ? count_->Bind(1, Phrase(text)).One()
                         : scan_count_->Bind(1, Like(text)).One();
  }
  long NameCountIn(const std::string& text, long first, long last) override {
    Sql& q = Trigram(text) ? *count_in_ : *scan_count_in_;
    return q.Bind(1, Trigram(text) ? Phrase(text) : Like(text)).Bind(2, first).Bind(3, last).One();
  }
  std::vector<long> NameFirst(const std::string& text, size_t n) override {
    Sql& q = Trigram(text) ? *first_ : *scan_first_;
    std::vector<long> ids;
    q.Bind(1, Trigram(text) ? Phrase(text) : Like(text)).Bind(2, static_cast<long>(n));
    q.Each([&](sqlite3_stmt* s) { ids.push_back(static_cast<long>(sqlite3_column_int64(s, 0))); });
    return ids;
  }
  void Fetch(const std::vector<long>& ids) override {
    for (long id : ids) {
      fetch_->Bind(1, id).Each([](sqlite3_stmt* s) {
        (void)sqlite3_column_text(s, 0);
        (void)sqlite3_column_text(s, 1);
      });
    }
  }

 private:
  static bool Trigram(const std::string& text) { return CodePoints(text).size() >= 3; }
  static std::string Phrase(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
  }
  static std::string Like(const std::string& text) { return LikeContains(text); }

  sqlite3* db_;
  std::unique_ptr<Sql> lookup_, low_, high_, count_, count_in_, first_, scan_count_, scan_count_in_,
      scan_first_, fetch_;
};

// The floor: the filter as it is written, scanned.
class LikeScan {
 public:
  explicit LikeScan(const std::vector<Row>& rows)
      : db_(SqliteTable(rows)),
        lookup_(db_, "SELECT id FROM t WHERE number = ?1"),
        count_(
            db_,
            "SELECT count(*) FROM t WHERE number LIKE ?1 ESCAPE '\\' OR name LIKE ?2 ESCAPE '\\'"),
        page_(db_,
              "SELECT id, number, name FROM t WHERE number LIKE ?1 ESCAPE '\\' OR name LIKE ?2 "
              "ESCAPE '\\' ORDER BY id LIMIT 30") {}
  ~LikeScan() { sqlite3_close(db_); }

  Listing Answer(const Text& t) {
    Listing out;
    out.found = lookup_.Bind(1, t.Code()).One();
    const std::string prefix = LikeEscaped(t.typed.ends_with('.') ? t.typed : t.Code()) + "%";
    const std::string name = LikeContains(t.Code());
    out.count = count_.Bind(1, prefix).Bind(2, name).One();
    page_.Bind(1, prefix).Bind(2, name).Each([&](sqlite3_stmt* s) {
      out.first.push_back(static_cast<long>(sqlite3_column_int64(s, 0)));
    });
    return out;
  }

 private:
  sqlite3* db_;
  Sql lookup_, count_, page_;
};

// --- PostgreSQL ----------------------------------------------------------------------------

class Pg : public Peer {
 public:
  Pg(const std::string& server, const std::string& db, const std::vector<Row>& rows) {
    PGconn* admin = PQconnectdb(server.c_str());
    PQclear(PQexec(admin, ("DROP DATABASE IF EXISTS " + db).c_str()));
    PQclear(PQexec(admin, ("CREATE DATABASE " + db).c_str()));
    PQfinish(admin);
    conn_ = PQconnectdb((server + " dbname=" + db).c_str());
    if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
    Run("CREATE EXTENSION IF NOT EXISTS pg_trgm");
    // Each execution planned for its own pattern: a generic plan cannot tell a rare one.
    Run("SET plan_cache_mode = force_custom_plan");
    Run("CREATE TABLE t (id bigint PRIMARY KEY, number text, name text)");
    Run("COPY t FROM STDIN");
    for (size_t i = 0; i < rows.size(); ++i) {
      std::string line = std::to_string(i + 1) + "\t" + rows[i].number + "\t" + rows[i].name + "\n";
      PQputCopyData(conn_, line.data(), static_cast<int>(line.size()));
    }
    PQputCopyEnd(conn_, nullptr);
    PQclear(PQgetResult(conn_));
    const Clock::time_point start = Clock::now();
    Run("CREATE INDEX t_number ON t (number text_pattern_ops)");
    Run("CREATE INDEX t_name ON t USING gin (name gin_trgm_ops)");
    build_ms = Ms(Clock::now() - start);
    Run("VACUUM ANALYZE t");
    index_bytes = static_cast<size_t>(
        std::stol(Value("SELECT pg_relation_size('t_number') + pg_relation_size('t_name')")));
    Prepare("lookup", "SELECT id FROM t WHERE number = $1");
    Prepare("low",
            "SELECT id FROM t WHERE number ~>=~ $1 AND number ~<~ $2 ORDER BY number "
            "USING ~<~ LIMIT 1");
    Prepare("high",
            "SELECT id FROM t WHERE number ~>=~ $1 AND number ~<~ $2 ORDER BY number "
            "USING ~>~ LIMIT 1");
    Prepare("count", "SELECT count(*) FROM t WHERE name ILIKE $1");
    Prepare("count_in", "SELECT count(*) FROM t WHERE name ILIKE $1 AND id BETWEEN $2 AND $3");
    Prepare("first", "SELECT id FROM t WHERE name ILIKE $1 ORDER BY id LIMIT $2");
    Prepare("fetch", "SELECT number, name FROM t WHERE id = ANY($1::bigint[])");
  }
  ~Pg() override { PQfinish(conn_); }

  long Lookup(const std::string& code) override { return Long(Call("lookup", {code})); }
  std::pair<long, long> CodeRange(const std::string& prefix) override {
    const std::string past = PastPrefix(prefix);
    return {Long(Call("low", {prefix, past})), Long(Call("high", {prefix, past}))};
  }
  long NameCount(const std::string& text) override { return Long(Call("count", {Like(text)})); }
  long NameCountIn(const std::string& text, long first, long last) override {
    return Long(Call("count_in", {Like(text), std::to_string(first), std::to_string(last)}));
  }
  std::vector<long> NameFirst(const std::string& text, size_t n) override {
    PGresult* r = Call("first", {Like(text), std::to_string(n)});
    std::vector<long> ids;
    for (int i = 0; i < PQntuples(r); ++i) ids.push_back(std::stol(PQgetvalue(r, i, 0)));
    PQclear(r);
    return ids;
  }
  void Fetch(const std::vector<long>& ids) override {
    std::string array = "{";
    for (long id : ids) {
      if (array.size() > 1) array += ',';
      array += std::to_string(id);
    }
    array += '}';
    PQclear(Call("fetch", {array}));
  }

 private:
  static std::string Like(const std::string& text) { return LikeContains(text); }
  void Run(const std::string& sql) {
    PGresult* r = PQexec(conn_, sql.c_str());
    const auto status = PQresultStatus(r);
    PQclear(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_COPY_IN)
      throw std::runtime_error(sql + ": " + PQerrorMessage(conn_));
  }
  std::string Value(const std::string& sql) {
    PGresult* r = PQexec(conn_, sql.c_str());
    std::string v = PQntuples(r) ? PQgetvalue(r, 0, 0) : "";
    PQclear(r);
    return v;
  }
  void Prepare(const char* name, const char* sql) {
    PGresult* r = PQprepare(conn_, name, sql, 0, nullptr);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok) throw std::runtime_error(std::string(name) + ": " + PQerrorMessage(conn_));
  }
  PGresult* Call(const char* name, const std::vector<std::string>& params) {
    std::vector<const char*> values;
    for (const std::string& p : params) values.push_back(p.c_str());
    return PQexecPrepared(conn_, name, static_cast<int>(values.size()), values.data(), nullptr,
                          nullptr, 0);
  }
  static long Long(PGresult* r) {
    const long v = PQntuples(r) && !PQgetisnull(r, 0, 0) ? std::stol(PQgetvalue(r, 0, 0)) : 0;
    PQclear(r);
    return v;
  }

  PGconn* conn_ = nullptr;
};

// --- Runs ----------------------------------------------------------------------------------

std::vector<Row> ReadRows(const std::string& ledger, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(ledger.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    throw std::runtime_error("cannot open " + ledger);
  std::vector<Row> rows;
  {
    Sql q(db, sql);
    q.Each([&](sqlite3_stmt* s) {
      rows.push_back({static_cast<long>(sqlite3_column_int64(s, 0)),
                      reinterpret_cast<const char*>(sqlite3_column_text(s, 1)),
                      reinterpret_cast<const char*>(sqlite3_column_text(s, 2))});
    });
  }
  sqlite3_close(db);
  return rows;
}

struct Times {
  std::vector<double> ms;
  double Quantile(double q) {
    if (ms.empty()) return -1;
    std::sort(ms.begin(), ms.end());
    return ms[std::min(ms.size() - 1, static_cast<size_t>(q * static_cast<double>(ms.size())))];
  }
};

// One side's whole listing. The sides run in turn, round by round; a side stops repeating a
// text once it has spent its budget on it (after three runs at least).
using Side = std::function<Listing(const Text&)>;

void RunTable(const std::string& title, const std::vector<Row>& rows, int runs, double file_mb) {
  std::printf("\n== %s: %zu rows\n", title.c_str(), rows.size());
  const std::vector<Text> texts = DrawTexts(rows);
  Ours ours(rows);
  if (only_ours) {
    std::printf("ours: build %.0f ms, memory %.1f MB\n", ours.build_ms,
                static_cast<double>(ours.index_bytes) / 1e6);
    for (const Text& t : texts) {
      std::vector<double> ms;
      Listing got;
      for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        got = ours.Answer(t);
        ms.push_back(Ms(Clock::now() - start));
      }
      std::sort(ms.begin(), ms.end());
      std::printf("%-28s %-14s %9ld %8.3f\n", t.band.c_str(), t.typed.c_str(), got.count,
                  ms[ms.size() / 2]);
    }
    return;
  }
  Fts5 fts(rows);
  LikeScan like(rows);
  std::unique_ptr<Pg> pg;
  if (const char* server = std::getenv("GLNAMELIST_PG_SERVER")) {
    pg = std::make_unique<Pg>(server, "listing_bench", rows);
  }
  std::printf("%-10s %10s %12s\n", "side", "build ms", "memory MB");
  std::printf("%-10s %10.0f %12.1f  (look-up structures; the ledger file is %.1f MB)\n", "ours",
              ours.build_ms, static_cast<double>(ours.index_bytes) / 1e6, file_mb);
  std::printf("%-10s %10.0f %12.1f\n", "fts5", fts.build_ms,
              static_cast<double>(fts.index_bytes) / 1e6);
  if (pg) {
    std::printf("%-10s %10.0f %12.1f\n", "pg_trgm", pg->build_ms,
                static_cast<double>(pg->index_bytes) / 1e6);
  }
  std::vector<std::pair<std::string, Side>> sides = {
      {"ours", [&](const Text& t) { return ours.Answer(t); }},
      {"fts5", [&](const Text& t) { return fts.Answer(t); }},
      {"like", [&](const Text& t) { return like.Answer(t); }}};
  if (pg) sides.push_back({"pg_trgm", [&](const Text& t) { return pg->Answer(t); }});
  std::printf("\n%-28s %-14s %9s | %15s | %15s | %15s | %15s | %8s\n", "band", "text", "matches",
              "ours med/p99", "fts5 med/p99", "pg_trgm med/p99", "like med/p99", "best/our");
  int met = 0, ahead = 0;
  for (const Text& t : texts) {
    std::vector<Times> times(sides.size());
    std::vector<double> spent(sides.size());
    Listing reference = ours.Answer(t);
    for (int round = 0; round < runs; ++round) {
      for (size_t s = 0; s < sides.size(); ++s) {
        const bool floor = sides[s].first == "like";
        if (round >= 3 && spent[s] > (floor ? 1000 : 3000)) continue;
        const Clock::time_point start = Clock::now();
        Listing got = sides[s].second(t);
        const double ms = Ms(Clock::now() - start);
        times[s].ms.push_back(ms);
        spent[s] += ms;
        if (round == 0 && got.count != reference.count)
          std::printf("  ! %s counts %ld where ours counts %ld\n", sides[s].first.c_str(),
                      got.count, reference.count);
      }
    }
    std::map<std::string, std::pair<double, double>> q;
    for (size_t s = 0; s < sides.size(); ++s) {
      q[sides[s].first] = {times[s].Quantile(0.5), times[s].Quantile(0.99)};
    }
    double best = q["fts5"].first;
    if (pg) best = std::min(best, q["pg_trgm"].first);
    auto cell = [&](const char* side) {
      static char buf[4][32];
      static int n = 0;
      char* b = buf[n++ % 4];
      if (!q.count(side)) return static_cast<const char*>("-");
      std::snprintf(b, 32, "%7.3f/%7.3f", q[side].first, q[side].second);
      return static_cast<const char*>(b);
    };
    const double ratio = best / q["ours"].first;
    met += q["ours"].first <= (rows.size() > 3'000'000 ? 3.0 : 1.0);
    ahead += ratio > 1;
    std::printf("%-28s %-14s %9ld | %15s | %15s | %15s | %15s | %7.1fx\n", t.band.c_str(),
                t.typed.c_str(), reference.count, cell("ours"), cell("fts5"), cell("pg_trgm"),
                cell("like"), ratio);
  }
  std::printf("texts: %zu; ours within the goal (%s median): %d; ahead of the best peer: %d\n",
              texts.size(), rows.size() > 3'000'000 ? "3 ms" : "1 ms", met, ahead);
}

// The ledger of the given size at path, generated when missing (and kept).
void EnsureLedger(const std::string& path, long accounts, long items) {
  if (std::filesystem::exists(path)) return;
  glnamelist::ledger::GenerateOptions options;
  options.accounts = accounts;
  options.items = items;
  options.single_class = true;
  glnamelist::ledger::GenerateLedger(options, path);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line as it comes, into a file too
  std::string ledger;
  std::vector<long> sizes;  // accounts; 1M and 10M unless told
  long items = 1'000'000;
  int runs = 31;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (a == "--ledger") ledger = next();
    if (a == "--accounts") sizes.push_back(std::stol(next()));
    if (a == "--items") items = std::stol(next());
    if (a == "--runs") runs = std::stoi(next());
    if (a == "--ours-only") only_ours = true;
  }
  if (sizes.empty()) sizes = {1'000'000, 10'000'000};
  if (!ledger.empty()) sizes.resize(1);
  for (size_t i = 0; i < sizes.size(); ++i) {
    std::string path = ledger;
    if (path.empty()) {
      const auto dir = std::filesystem::path(argv[0]).parent_path();
      path = (dir / ("listing_bench_" + std::to_string(sizes[i]) + ".ledger")).string();
    }
    EnsureLedger(path, sizes[i], items);
    const double file_mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::printf("\nledger %s (%.1f MB); times in ms, wall, median/p99 of each whole listing\n",
                path.c_str(), file_mb);
    RunTable("accounts", ReadRows(path, "SELECT id, number, name FROM accounts ORDER BY number"),
             runs, file_mb);
    if (i > 0) continue;  // the items are as many in every ledger: listed once
    RunTable("items of class 1",
             ReadRows(path,
                      "SELECT id, number, name FROM items WHERE class_id = "
                      "(SELECT min(class_id) FROM items) ORDER BY number"),
             runs, file_mb);
  }
  return 0;
}
