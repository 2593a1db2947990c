#include "recordset/predicate.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "contracts/text.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {
namespace {

constexpr std::string_view kBlanks = " \t";

std::optional<double> TextAsNumber(std::string_view text) {
  text = text::Trim(text, kBlanks);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return v;
}

template <class T>
int ThreeWay(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// The number a value stands for when compared with a number column.
double ValueAsNumber(const Clause& c, ColumnType type) {
  if (c.kind == ValueKind::kNumber) return c.number;
  if (type == ColumnType::kBool) {
    std::string f = Folded(text::Trim(c.text, kBlanks));
    if (f == "true") return 1;
    if (f == "false") return 0;
  }
  std::optional<double> v = TextAsNumber(c.text);
  if (!v || !std::isfinite(*v)) RefuseArgument();
  return *v;
}

Predicate Compile(const Table& table, const Clause& c) {
  Predicate p;
  p.column = c.column;
  p.op = c.op;
  ColumnType type = table.column(c.column).type;
  if (c.op == CompareOp::kLike) {
    LikePattern pattern = ParseLikePattern(c.text);
    p.kind = type == ColumnType::kText ? PredicateKind::kTextLike : PredicateKind::kValueLike;
    p.like = pattern.kind;
    p.folded = Folded(pattern.literal);
    return p;
  }
  if (type == ColumnType::kText) {
    if (c.kind == ValueKind::kNumber) {
      p.kind = PredicateKind::kTextNumber;
      p.number = c.number;
    } else {
      p.kind = PredicateKind::kTextOrder;
      p.folded = Folded(c.text);
    }
    return p;
  }
  p.kind = PredicateKind::kNumber;
  p.number = ValueAsNumber(c, type);
  if (type == ColumnType::kBool) p.number = p.number != 0 ? 1 : 0;
  return p;
}

}  // namespace

CompiledFilter CompileFilter(const Table& table, const OrOfAndGroups& groups) {
  CompiledFilter out;
  out.reserve(groups.size());
  for (const AndGroup& g : groups) {
    std::vector<Predicate> preds;
    preds.reserve(g.size());
    for (const Clause& c : g) preds.push_back(Compile(table, c));
    out.push_back(std::move(preds));
  }
  return out;
}

bool RowMatches(const Table& table, const Predicate& p, uint32_t row) {
  const ColumnStore& col = table.column(p.column);
  if (col.IsNull(row)) return false;
  switch (p.kind) {
    case PredicateKind::kNumber: {
      double v =
          col.type == ColumnType::kDouble ? col.doubles[row] : static_cast<double>(col.ints[row]);
      if (std::isnan(v)) return false;  // NaN satisfies no comparison
      return OpHolds(p.op, ThreeWay(v, p.number));
    }
    case PredicateKind::kTextOrder: {
      thread_local std::string scratch;
      std::string_view t = table.FoldedAt(p.column, row, scratch);
      return OpHolds(p.op, t.compare(p.folded));
    }
    case PredicateKind::kTextNumber: {
      std::optional<double> v = TextAsNumber(col.text.At(row));
      return v && !std::isnan(*v) && OpHolds(p.op, ThreeWay(*v, p.number));
    }
    case PredicateKind::kTextLike: {
      thread_local std::string scratch;
      return MatchesLike(p.like, p.folded, table.FoldedAt(p.column, row, scratch));
    }
    case PredicateKind::kValueLike:
      return MatchesLike(p.like, p.folded, Folded(col.ValueText(row)));
  }
  return false;
}

}  // namespace glnamelist::recordset
