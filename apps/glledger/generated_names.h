// Names of a generated ledger: companies, banks and their branches, departments and projects,
// all invented from word and syllable lists, and the code trees they are handed out in.
#ifndef GLNAMELIST_APPS_GLLEDGER_GENERATED_NAMES_H_
#define GLNAMELIST_APPS_GLLEDGER_GENERATED_NAMES_H_

#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace glnamelist::ledger {

// One entry of a generated code tree (an account, item or SubMes entry), handed out in code
// order.
struct GeneratedEntry {
  std::string number;
  std::string name;
  int level = 1;
  bool detail = true;  // exactly when no entry has this one as parent
  long parent = -1;    // position of the parent among the entries handed out, -1 at the top
  bool is_bank = false;
  bool is_cash = false;
};
using EmitEntry = std::function<void(const GeneratedEntry&)>;

// The decimal of n, zero-padded to width digits.
std::string Padded(long n, int width);
// The code width that numbers 1..n need, at least two digits.
int CodeWidth(long n);
// Part i (0-based) of total shared out as evenly as can be over parts, larger parts first.
long EvenShare(long total, long parts, long i);

// A line of a fixed code tree: its level (1 at the top) and its share of the generated
// entries that go below the fixed lines (0: none go below it).
struct FixedLine {
  int level;
  int weight;
};
// Which lines of a fixed tree (given in code order) count entries keep, and how many
// generated entries go below each: the top level first, then each lower level in turn (a
// line only with its parent), then the rest shared out by weight.
struct TreePlan {
  std::vector<bool> kept;
  std::vector<long> below;
};
TreePlan PlanTree(const std::vector<FixedLine>& lines, long count);

// Makes invented names, repeatably for a seed.
class NameMaker {
 public:
  explicit NameMaker(unsigned seed) : random_(seed) {}

  // A pseudo-random number in [0, n).
  size_t Pick(size_t n) { return static_cast<size_t>(random_() % n); }
  // One of the words of a list written as "a|b|c".
  std::string_view PickWord(std::string_view words);
  // Two syllables of an invented firm name (its 字号): 泓泰.
  std::string Brand();

  static long CityCount();
  static std::string_view City(long i);
  // A company in a city trading in one of trades ("a|b|c"): 杭州泓泰精密机械有限公司.
  std::string Company(std::string_view city, std::string_view trades);
  // The i-th bank (0-based), a different one for each i: 澜川商业银行.
  static std::string Bank(long i);
  // The i-th account (0-based) a company keeps at one bank, a different one for each i, at
  // branches from Place(first) on: 杭州高新区支行 基本户 6231.
  std::string BankAccount(long first, long i);
  // A place of the company's branches, a different one for each i: 苏州, ..., 苏州高新区, ...
  static std::string Place(long i);
  // A project a production cost is kept for: 苏州泓远生产线改造项目二期.
  std::string Project();

 private:
  std::mt19937 random_;
};

// Makes a name with make(attempt) for attempt 0, 1, ... until one is not in used (16
// attempts at most); keeps it in used.
std::string UniqueName(std::unordered_set<std::string>& used,
                       const std::function<std::string(int attempt)>& make);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_APPS_GLLEDGER_GENERATED_NAMES_H_
