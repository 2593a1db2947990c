// Differential test: generated filters of the shapes the list providers build, run on
// generated master data, against SQLite running the equivalent SQL on the same rows. Rows,
// their order and their count must agree.
//
// The SQL side compares lower() copies with instr/substr, which fold ASCII letters only; the
// generated data has no other cased letters, so both sides ignore case in the same way. The
// order uses the same "zh" collator, registered with SQLite as a collation, ties by rowid.
#include <sqlite3.h>
#include <unicode/ucol.h>

#include <random>
#include <string>
#include <vector>

#include "recordset/table.h"
#include "tests/recordset/recordset_test_util.h"

namespace glnamelist::recordset {
namespace {

struct Row {
  long id;
  std::string number;  // empty: null
  std::string name;    // empty: null
  long detail;
  std::string helper;  // empty: null
};

// A filter and the equivalent SQL condition with its parameters.
struct Query {
  std::string filter;
  std::string where;
  std::vector<std::string> params;
};

const std::vector<std::string> kHan = {"现", "金", "银", "行", "存", "款", "应", "收", "账",
                                       "其", "他", "材", "料", "库", "商", "品", "固", "定",
                                       "资", "产", "累", "计", "折", "旧", "短", "期", "借"};
const std::vector<std::string> kWords = {"Cash",    "BANK",   "petty",       "Loan", "a*b",  "100%",
                                         "[x]",     "O'Neil", "under_score", "Ab.c", "x''y", "1001",
                                         "Deposit", "tax",    "%",           "*"};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
  bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }

  std::string Name() {
    std::string s;
    if (Chance(50)) {
      for (size_t i = 0, n = 2 + Below(5); i < n; ++i) s += kHan[Below(kHan.size())];
    } else {
      for (size_t i = 0, n = 1 + Below(3); i < n; ++i) {
        if (i) s += ' ';
        s += FlipCase(kWords[Below(kWords.size())]);
      }
    }
    return s;
  }

  std::string FlipCase(std::string s) {
    for (char& c : s) {
      if (((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && Chance(30)) c ^= 0x20;
    }
    return s;
  }

  std::vector<Row> Rows(size_t count) {
    std::vector<Row> rows;
    long id = 0;
    while (rows.size() < count) {
      std::string top = Pad(rows.size() % 23 + 1, 2);
      rows.push_back({++id, top, Name(), 0, Helper()});
      for (size_t j = 0, n = 1 + Below(6); j < n && rows.size() < count; ++j) {
        std::string mid = top + "." + Pad(Below(400), 3);
        rows.push_back({++id, mid, Name(), 0, Helper()});
        for (size_t k = 0, m = Below(12); k < m && rows.size() < count; ++k) {
          rows.push_back({++id, mid + "." + Pad(Below(10000), 4), Name(), 1, Helper()});
        }
      }
    }
    for (Row& r : rows) {
      if (Chance(3)) r.name.clear();
      if (Chance(2)) r.number.clear();
    }
    return rows;
  }

  // A text a user might type: a piece of a stored value, a code with a point, or noise.
  std::string Needle(const std::vector<Row>& rows) {
    const Row& r = rows[Below(rows.size())];
    int kind = static_cast<int>(Below(4));
    if (kind == 0 && !r.name.empty()) return FlipCase(Piece(r.name));
    if (kind == 1 && !r.number.empty()) return r.number.substr(0, 1 + Below(r.number.size()));
    if (kind == 2) {
      static const std::vector<std::string> noise = {"'", "*", "%", "[",  "]",  "_", "a",
                                                     "B", "0", ".", "银", "款", " ", "'*"};
      std::string s;
      for (size_t i = 0, n = 1 + Below(3); i < n; ++i) s += noise[Below(noise.size())];
      return s;
    }
    return r.helper.empty() ? "zz" : FlipCase(r.helper.substr(0, 1 + Below(r.helper.size())));
  }

 private:
  std::string Helper() {
    if (Chance(5)) return "";
    std::string s;
    for (size_t i = 0, n = 2 + Below(4); i < n; ++i) s += static_cast<char>('a' + Below(26));
    return s;
  }

  static std::string Pad(size_t v, size_t width) {
    std::string s = std::to_string(v);
    return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
  }

  // A run of whole characters from text.
  std::string Piece(const std::string& text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i) {
      if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    starts.push_back(text.size());
    size_t a = Below(starts.size() - 1);
    size_t b = std::min(starts.size() - 1, a + 1 + Below(4));
    return text.substr(starts[a], starts[b] - starts[a]);
  }

  std::mt19937 rng_;
};

// The typed text inside quotes: quotes doubled; in a LIKE pattern, wildcards and "["
// bracketed too.
std::string Literal(const std::string& text, bool like = true) {
  std::string out;
  for (char c : text) {
    if (c == '\'') {
      out += "''";
    } else if (like && (c == '*' || c == '%' || c == '[')) {
      out += std::string("[") + c + "]";
    } else {
      out += c;
    }
  }
  return out;
}

class Oracle {
 public:
  explicit Oracle(const std::vector<Row>& rows) {
    EXPECT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open("zh", &status);
    EXPECT_TRUE(U_SUCCESS(status));
    sqlite3_create_collation(db_, "ZH", SQLITE_UTF8, collator_, &Compare);
    Exec(
        "CREATE TABLE t(fitemid INTEGER, fnumber TEXT COLLATE ZH, fname TEXT COLLATE ZH, "
        "fdetail INTEGER, fhelpercode TEXT COLLATE ZH)");
    Exec("BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db_, "INSERT INTO t VALUES(?,?,?,?,?)", -1, &insert, nullptr);
    for (const Row& r : rows) {
      sqlite3_bind_int64(insert, 1, r.id);
      BindText(insert, 2, r.number);
      BindText(insert, 3, r.name);
      sqlite3_bind_int64(insert, 4, r.detail);
      BindText(insert, 5, r.helper);
      EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Exec("COMMIT");
  }
  ~Oracle() {
    sqlite3_close(db_);
    ucol_close(collator_);
  }

  std::vector<std::string> Ids(const Query& q, const std::string& order) {
    std::string sql = "SELECT fitemid FROM t WHERE " + q.where + " ORDER BY " + order;
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
    for (size_t i = 0; i < q.params.size(); ++i) {
      sqlite3_bind_text(st, static_cast<int>(i + 1), q.params[i].data(),
                        static_cast<int>(q.params[i].size()), SQLITE_TRANSIENT);
    }
    std::vector<std::string> ids;
    while (sqlite3_step(st) == SQLITE_ROW)
      ids.push_back(std::to_string(sqlite3_column_int64(st, 0)));
    sqlite3_finalize(st);
    return ids;
  }

 private:
  static int Compare(void* collator, int la, const void* a, int lb, const void* b) {
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(static_cast<UCollator*>(collator), static_cast<const char*>(a), la,
                            static_cast<const char*>(b), lb, &status);
  }
  static void BindText(sqlite3_stmt* st, int i, const std::string& v) {
    if (v.empty())
      sqlite3_bind_null(st, i);
    else
      sqlite3_bind_text(st, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  void Exec(const char* sql) {
    EXPECT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), SQLITE_OK);
  }

  sqlite3* db_ = nullptr;
  UCollator* collator_ = nullptr;
};

Query Contains(Generator& g, const char* field, const std::string& x) {
  const char* w = g.Chance(50) ? "*" : "%";
  const char* like = g.Chance(50) ? "Like" : "like";
  return {std::string(field) + " " + like + " '" + w + Literal(x) + w + "'",
          std::string("instr(lower(") + field + "), lower(?)) > 0",
          {x}};
}

Query Prefix(Generator& g, const char* field, const std::string& x) {
  const char* w = g.Chance(50) ? "*" : "%";
  return {std::string(field) + (g.Chance(50) ? " LIKE '" : " like '") + Literal(x) + w + "'",
          std::string("substr(lower(") + field + "), 1, length(?)) = lower(?)",
          {x, x}};
}

Query Exact(const char* field, const std::string& x, bool with_like) {
  return {std::string(field) +
              (with_like ? " like '" + Literal(x) + "'" : " = '" + Literal(x, false) + "'"),
          std::string("lower(") + field + ") = lower(?)",
          {x}};
}

Query Join(const std::vector<Query>& pieces, const std::vector<const char*>& joins) {
  Query q;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i) {
      q.filter += std::string(" ") + joins[i - 1] + " ";
      bool is_or = joins[i - 1][0] == 'o' || joins[i - 1][0] == 'O';
      q.where += is_or ? " OR " : " AND ";
    }
    q.filter += pieces[i].filter;
    q.where += "(" + pieces[i].where + ")";
    q.params.insert(q.params.end(), pieces[i].params.begin(), pieces[i].params.end());
  }
  return q;
}

Query MakeQuery(Generator& g, const std::vector<Row>& rows) {
  std::string x = g.Needle(rows);
  std::string y = g.Needle(rows);
  Query detail{"FDetail <> 0", "fdetail <> 0", {}};
  switch (g.Below(10)) {
    case 0:
      return Join({Prefix(g, "FNumber", x)}, {});
    case 1:
      return Join({Contains(g, "FName", x)}, {});
    case 2:
      return Join({Prefix(g, "FNumber", x + ".")}, {});
    case 3:
      return Join({detail, Contains(g, "FName", x)}, {"And"});
    case 4:
      return Join({Prefix(g, "FNumber", x), Contains(g, "FName", x)}, {"or"});
    case 5:
      return Join({detail, Contains(g, "FHelperCode", x)}, {"AND"});
    case 6:
      return Join({Exact("FNumber", x, g.Chance(50))}, {});
    case 7:
      return Join({detail}, {});
    case 8: {
      Query a = Join({Query{"FDetail = 0", "fdetail = 0", {}}, Prefix(g, "FNumber", x)}, {"and"});
      Query c = Contains(g, "FName", y);
      return Query{
          "(" + a.filter + ") or " + c.filter, "(" + a.where + ") OR " + c.where, {x, x, y}};
    }
    default:
      return Join({Prefix(g, "FNumber", x), Contains(g, "FName", x), Contains(g, "FHelperCode", y)},
                  {"or", "Or"});
  }
}

// A sort order and the equivalent SQL order.
const std::vector<std::pair<const char*, const char*>> kSorts = {
    {"", "rowid"},
    {"FNumber", "fnumber, rowid"},
    {"FName", "fname, rowid"},
    {"FName DESC", "fname DESC, rowid"},
    {"FDetail DESC, FNumber", "fdetail DESC, fnumber, rowid"},
};

void RunDifferential(size_t row_count, int queries, uint32_t seed) {
  Generator g(seed);
  std::vector<Row> rows = g.Rows(row_count);
  TableBuilder b({{"FItemID", ColumnType::kInteger},
                  {"FNumber", ColumnType::kText},
                  {"FName", ColumnType::kText},
                  {"FDetail", ColumnType::kInteger},
                  {"FHelperCode", ColumnType::kText}});
  auto text = [](const std::string& s) { return s.empty() ? Variant(Null{}) : Variant(s); };
  for (const Row& r : rows) {
    b.AddRow({Variant(r.id), text(r.number), text(r.name), Variant(r.detail), text(r.helper)});
  }
  RecordsetPtr rs = b.Build();
  Oracle oracle(rows);
  size_t nonempty = 0;
  for (int i = 0; i < queries; ++i) {
    Query q = MakeQuery(g, rows);
    const auto& [sort, sql_order] = kSorts[g.Below(kSorts.size())];
    // Alternate the order of the two settings: either may come first.
    if (i % 2) {
      rs->Sort(sort);
      rs->Filter(q.filter);
    } else {
      rs->Filter(q.filter);
      rs->Sort(sort);
    }
    std::vector<std::string> expected = oracle.Ids(q, sql_order);
    ASSERT_EQ(rs->RecordCount(), static_cast<long>(expected.size())) << q.filter;
    ASSERT_EQ(test_util::Column(*rs, "FItemID"), expected) << q.filter << " / " << sort;
    if (!expected.empty()) {
      ++nonempty;
      size_t at = g.Below(expected.size());
      rs->AbsolutePosition(static_cast<long>(at + 1));
      EXPECT_EQ(rs->Fields("FItemID").ToText(), expected[at]);
    }
  }
  EXPECT_GT(nonempty, static_cast<size_t>(queries) / 3) << "the generator should find rows";
}

// The small table is scanned; the large one answers from indexes.
TEST(DifferentialTest, SmallTableAgreesWithSqlite) { RunDifferential(400, 300, 7); }
TEST(DifferentialTest, IndexedTableAgreesWithSqlite) { RunDifferential(6000, 300, 11); }

}  // namespace
}  // namespace glnamelist::recordset
