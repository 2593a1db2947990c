#include "ledger/service/filter_sql.h"

#include <cmath>

#include "recordset/like_pattern.h"
#include "recordset/text_fold.h"

namespace glnamelist::ledger {
namespace {

using recordset::Clause;
using recordset::CompareOp;
using recordset::LikeKind;
using recordset::ValueKind;

// Whether a code point folds to nothing else and nothing else folds to it.
bool Caseless(int32_t cp) {
  if (cp < 0) return false;  // a byte that is no UTF-8: SQLite may read it otherwise
  if (cp < 0x80) return !((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z'));
  return (cp >= 0x3000 && cp <= 0x9FFF) ||  // CJK punctuation, kana, ideographs
         (cp >= 0xAC00 && cp <= 0xD7A3) ||  // Hangul syllables
         (cp >= 0xF900 && cp <= 0xFAFF) ||  // CJK compatibility ideographs
         (cp >= 0xFF01 && cp <= 0xFF20) ||  // full-width punctuation and digits
         (cp >= 0xFF3B && cp <= 0xFF40) || (cp >= 0xFF5B && cp <= 0xFF65);
}

// How a text can be matched: bytewise, by SQLite's LIKE (ASCII letters other than k and s
// besides caseless characters), or not at all.
enum class Match { kBytes, kLike, kNone };

Match MatchOf(std::string_view text) {
  Match match = Match::kBytes;
  for (size_t pos = 0; pos < text.size();) {
    const int32_t cp = recordset::NextCodePoint(text, pos);
    if (Caseless(cp)) continue;
    // What is not caseless below 0x80 is an ASCII letter.
    const int32_t lower = cp | 0x20;
    if (cp < 0 || cp >= 0x80 || lower == 'k' || lower == 's') return Match::kNone;
    match = Match::kLike;
  }
  return match;
}

// The text as a LIKE pattern of itself, with '\' escaping.
std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '%' || c == '_' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// The text with its ASCII letters small, or capital.
std::string Cased(std::string text, bool small) {
  for (char& c : text) {
    if (small && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!small && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The least text greater than every text that begins with prefix, a text of UTF-8 (whose
// bytes are never 0xFF) that is not empty.
std::string PastPrefix(std::string prefix) {
  prefix.back() = static_cast<char>(prefix.back() + 1);
  return prefix;
}

class Writer {
 public:
  explicit Writer(SqlCondition& out) : out_(out) {}

  bool Clause(const Clause& c, const SqlField& field) {
    if (!field.text) return Number(c, field.column);
    if (c.kind != ValueKind::kText) return false;
    if (c.op == CompareOp::kLike) {
      recordset::LikePattern pattern = recordset::ParseLikePattern(c.text);
      return Like(field.column, pattern.kind, pattern.literal, false);
    }
    if (c.op == CompareOp::kEqual) return Like(field.column, LikeKind::kExact, c.text, false);
    if (c.op == CompareOp::kNotEqual) return Like(field.column, LikeKind::kExact, c.text, true);
    return false;
  }

 private:
  bool Number(const recordset::Clause& c, std::string_view column) {
    if (c.kind != ValueKind::kNumber || c.op == CompareOp::kLike) return false;
    if (!std::isfinite(c.number) || std::trunc(c.number) != c.number ||
        std::fabs(c.number) > 9007199254740992.0) {
      return false;
    }
    static constexpr const char* kOps[] = {" < ", " > ", " <= ", " >= ", " <> ", " = "};
    out_.sql += std::string(column) + kOps[static_cast<int>(c.op)] + Bind(int64_t(c.number));
    return true;
  }

  bool Like(std::string_view column, LikeKind kind, const std::string& literal, bool negated) {
    const Match match = MatchOf(literal);
    if (match == Match::kNone) return false;
    const std::string col(column);
    if (match == Match::kLike) {
      std::string pattern = Escaped(literal);
      if (kind != LikeKind::kExact) pattern += '%';
      if (kind == LikeKind::kContains) pattern.insert(0, "%");
      out_.sql += negated ? "NOT (" : "(";
      if (!negated && kind != LikeKind::kContains) {
        // Every spelling of the text lies between its capitals and its small letters: a range
        // of the column's index that LIKE then narrows.
        out_.sql += col + " >= " + Bind(Cased(literal, false)) + " AND ";
        std::string small = Cased(literal, true);
        if (kind == LikeKind::kExact) {
          out_.sql += col + " <= " + Bind(small) + " AND ";
        } else {
          out_.sql += col + " < " + Bind(PastPrefix(small)) + " AND ";
        }
      }
      out_.sql += col + " LIKE " + Bind(pattern) + " ESCAPE '\\')";
      return true;
    }
    if (kind == LikeKind::kExact) {
      out_.sql += col + (negated ? " <> " : " = ") + Bind(literal);
    } else if (literal.empty()) {
      out_.sql += col + " IS NOT NULL";
    } else if (kind == LikeKind::kContains) {
      out_.sql += "instr(" + col + ", " + Bind(literal) + ") > 0";
    } else {
      // A range, so that an index of the column finds the rows.
      out_.sql += "(" + col + " >= " + Bind(literal) + " AND " + col + " < " +
                  Bind(PastPrefix(literal)) + ")";
    }
    return true;
  }

  template <class T>
  std::string Bind(T value) {
    out_.values.emplace_back(std::move(value));
    return "?" + std::to_string(out_.values.size());
  }

  SqlCondition& out_;
};

}  // namespace

std::optional<SqlCondition> ConditionOf(const recordset::OrOfAndGroups& groups,
                                        std::span<const SqlField> fields) {
  SqlCondition out;
  Writer writer(out);
  for (size_t g = 0; g < groups.size(); ++g) {
    out.sql += g == 0 ? "(" : " OR (";
    for (size_t i = 0; i < groups[g].size(); ++i) {
      if (i > 0) out.sql += " AND ";
      const recordset::Clause& clause = groups[g][i];
      if (clause.column >= fields.size() || !writer.Clause(clause, fields[clause.column])) {
        return std::nullopt;
      }
    }
    out.sql += ")";
  }
  return out;
}

}  // namespace glnamelist::ledger
