#include "recordset/filter_parser.h"

#include <charconv>
#include <cmath>

#include "contracts/error.h"
#include "contracts/text.h"
#include "recordset/text_fold.h"

namespace glnamelist::recordset {

void RefuseArgument() { throw Error(errc::kWrongArguments, kWrongArgumentsText); }
void UnknownField() { throw Error(errc::kItemNotFound, kItemNotFoundText); }

namespace {

constexpr int kMaxNesting = 32;

enum class TokenKind { kEnd, kName, kQuoted, kDate, kNumber, kOperator, kOpen, kClose };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // names, values and operators
  bool bracketed = false;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80;
}

bool EqualsKeyword(const Token& t, std::string_view keyword) {
  if (t.kind != TokenKind::kName || t.bracketed || t.text.size() != keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    char c = t.text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    Token t;
    if (pos_ >= text_.size()) return t;
    char c = text_[pos_];
    if (c == '(' || c == ')') {
      ++pos_;
      t.kind = c == '(' ? TokenKind::kOpen : TokenKind::kClose;
    } else if (c == '\'') {
      t.kind = TokenKind::kQuoted;
      t.text = Quoted();
    } else if (c == '#') {
      t.kind = TokenKind::kDate;
      t.text = Until('#');
    } else if (c == '[') {
      t.kind = TokenKind::kName;
      t.bracketed = true;
      t.text = Until(']');
    } else if (c == '<' || c == '>' || c == '=') {
      t.kind = TokenKind::kOperator;
      t.text = Operator();
    } else if (IsDigit(c) || ((c == '-' || c == '+' || c == '.') && pos_ + 1 < text_.size() &&
                              (IsDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '.'))) {
      t.kind = TokenKind::kNumber;
      t.text = NumberText();
    } else if (IsNameChar(c)) {
      t.kind = TokenKind::kName;
      size_t start = pos_;
      while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
      t.text = std::string(text_.substr(start, pos_ - start));
    } else {
      RefuseArgument();
    }
    return t;
  }

 private:
  std::string Quoted() {
    std::string out;
    ++pos_;
    for (;;) {
      size_t q = text_.find('\'', pos_);
      if (q == std::string_view::npos) RefuseArgument();
      out.append(text_.substr(pos_, q - pos_));
      pos_ = q + 1;
      if (pos_ < text_.size() && text_[pos_] == '\'') {
        out.push_back('\'');
        ++pos_;
      } else {
        return out;
      }
    }
  }

  std::string Until(char close) {
    size_t end = text_.find(close, pos_ + 1);
    if (end == std::string_view::npos) RefuseArgument();
    std::string out(text_.substr(pos_ + 1, end - pos_ - 1));
    pos_ = end + 1;
    return out;
  }

  std::string Operator() {
    char c = text_[pos_++];
    char d = pos_ < text_.size() ? text_[pos_] : '\0';
    if ((c == '<' && (d == '=' || d == '>')) || (c == '>' && d == '=')) {
      ++pos_;
      return std::string{c, d};
    }
    return std::string(1, c);
  }

  std::string NumberText() {
    size_t start = pos_;
    if (text_[pos_] == '-' || text_[pos_] == '+') ++pos_;
    while (pos_ < text_.size() && (IsDigit(text_[pos_]) || text_[pos_] == '.')) ++pos_;
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) ++pos_;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    // A number runs into no name: "5abc" is refused.
    if (pos_ < text_.size() && IsNameChar(text_[pos_])) RefuseArgument();
    return std::string(text_.substr(start, pos_ - start));
  }

  std::string_view text_;
  size_t pos_ = 0;
};

class Parser {
 public:
  Parser(std::string_view text, const ColumnLookup& lookup) : lexer_(text), lookup_(lookup) {
    Advance();
  }

  OrOfAndGroups Parse() {
    OrOfAndGroups result = Expression(0);
    if (token_.kind != TokenKind::kEnd) RefuseArgument();
    return result;
  }

 private:
  void Advance() { token_ = lexer_.Next(); }

  OrOfAndGroups Expression(int depth) {
    if (depth > kMaxNesting) RefuseArgument();
    OrOfAndGroups groups;
    for (;;) {
      Group(depth, groups);
      if (!EqualsKeyword(token_, "OR")) return groups;
      Advance();
    }
  }

  // Appends the OR-groups one AND-joined group stands for.
  void Group(int depth, OrOfAndGroups& out) {
    AndGroup group;
    int terms = 0;
    OrOfAndGroups single_or;  // a lone parenthesised OR, kept as its own groups
    for (;;) {
      ++terms;
      if (token_.kind == TokenKind::kOpen) {
        Advance();
        OrOfAndGroups inner = Expression(depth + 1);
        if (token_.kind != TokenKind::kClose) RefuseArgument();
        Advance();
        if (inner.size() == 1) {
          group.insert(group.end(), inner[0].begin(), inner[0].end());
        } else {
          single_or = std::move(inner);
        }
      } else {
        group.push_back(ParseClause());
      }
      if (!single_or.empty() && terms > 1) RefuseArgument();
      if (!EqualsKeyword(token_, "AND")) break;
      if (!single_or.empty()) RefuseArgument();
      Advance();
    }
    if (!single_or.empty()) {
      for (AndGroup& g : single_or) out.push_back(std::move(g));
    } else {
      out.push_back(std::move(group));
    }
  }

  Clause ParseClause() {
    if (token_.kind != TokenKind::kName || EqualsKeyword(token_, "AND") ||
        EqualsKeyword(token_, "OR") || EqualsKeyword(token_, "LIKE")) {
      RefuseArgument();
    }
    std::string name = token_.text;
    Advance();
    Clause clause{};
    if (token_.kind == TokenKind::kOperator) {
      const std::string& op = token_.text;
      clause.op = op == "<"    ? CompareOp::kLess
                  : op == ">"  ? CompareOp::kGreater
                  : op == "<=" ? CompareOp::kLessEqual
                  : op == ">=" ? CompareOp::kGreaterEqual
                  : op == "<>" ? CompareOp::kNotEqual
                               : CompareOp::kEqual;
    } else if (EqualsKeyword(token_, "LIKE")) {
      clause.op = CompareOp::kLike;
    } else {
      RefuseArgument();
    }
    Advance();
    switch (token_.kind) {
      case TokenKind::kQuoted:
        clause.kind = ValueKind::kText;
        break;
      case TokenKind::kDate:
        clause.kind = ValueKind::kDate;
        break;
      case TokenKind::kNumber:
        clause.kind = ValueKind::kNumber;
        clause.number = ParseNumber(token_.text);
        break;
      default:
        RefuseArgument();
    }
    clause.text = std::move(token_.text);
    // The whole clause is read before the field is looked up, so that a malformed text
    // is refused as such even when it also names an unknown field.
    Advance();
    int column = lookup_(name);
    if (column < 0) UnknownField();
    clause.column = static_cast<size_t>(column);
    return clause;
  }

  static double ParseNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) {
      RefuseArgument();
    }
    return v;
  }

  Lexer lexer_;
  const ColumnLookup& lookup_;
  Token token_;
};

}  // namespace

OrOfAndGroups ParseFilter(std::string_view text, const ColumnLookup& lookup) {
  if (!text::IsValidUtf8(text)) RefuseArgument();
  return Parser(text, lookup).Parse();
}

}  // namespace glnamelist::recordset
