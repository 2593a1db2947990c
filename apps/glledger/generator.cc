#include "apps/glledger/generator.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "apps/glledger/chart_of_accounts.h"
#include "apps/glledger/generated_names.h"
#include "apps/glledger/goods_catalog.h"
#include "apps/glledger/pinyin.h"
#include "apps/glledger/progress.h"
#include "contracts/error.h"
#include "ledger/ledger_at.h"
#include "ledger/ledger_schema.h"

namespace glnamelist::ledger {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kCurrencies = {
    {{"RMB", "人民币"},
     {"USD", "美元"},
     {"EUR", "欧元"},
     {"HKD", "港币"},
     {"JPY", "日元"},
     {"GBP", "英镑"}}};
constexpr std::array<std::string_view, 7> kSettleTypes = {"现金", "现金支票", "转账支票", "电汇",
                                                          "信汇", "商业汇票", "银行汇票"};

class Generator {
 public:
  Generator(LedgerTarget& target, const GenerateOptions& options)
      : target_(target), options_(options), names_(options.seed) {
    if (options.progress) {
      progress_.emplace("Generating ledger",
                        options.accounts + options.items +
                            options.submes_per_class * std::min(options.item_classes, 2));
    }
  }

  void Run() {
    SmallTables();
    Accounts();
    Items();
    SubMes();
    Rates();
  }

 private:
  void Tick() {
    if (progress_) progress_->Advance();
  }

  // Rows of one table of LedgerTables, all its columns in their order.
  std::unique_ptr<RowSink> Rows(std::string_view table) {
    for (const LedgerTable& known : LedgerTables()) {
      if (known.name == table) return target_.Rows(known.name, known.columns);
    }
    throw Error(errc::kInvalidProcedureCall, "No ledger table " + std::string(table));
  }

  void SmallTables() {
    auto currencies = Rows("currencies");
    int64_t id = 0;
    for (const auto& [code, name] : kCurrencies) currencies->Add({++id, code, name});
    currencies->Close();
    auto settle = Rows("settle_types");
    for (size_t i = 0; i < kSettleTypes.size(); ++i) {
      const auto type_id = static_cast<int64_t>(i + 1);
      settle->Add({type_id, Padded(type_id, 2), kSettleTypes[i]});
    }
    settle->Close();
    auto groups = Rows("unit_groups");
    for (size_t g = 0; g < UnitGroups().size(); ++g) {
      const auto group_id = static_cast<int64_t>(g + 1);
      groups->Add({group_id, Padded(group_id, 2), UnitGroups()[g].first});
    }
    groups->Close();
    auto units = Rows("units");
    int64_t unit_id = 0;
    for (size_t g = 0; g < UnitGroups().size(); ++g) {
      const auto& group_units = UnitGroups()[g].second;
      for (size_t u = 0; u < group_units.size(); ++u) {
        units->Add({++unit_id, static_cast<int64_t>(g + 1), Padded(static_cast<long>(u + 1), 2),
                    group_units[u]});
      }
    }
    units->Close();
    auto classes = Rows("item_classes");
    for (int c = 1; c <= options_.item_classes; ++c) {
      classes->Add({int64_t{c}, Padded(c, 3), GoodsClassName(c)});
    }
    classes->Close();
    auto explanations = Rows("vch_explanations");
    for (int64_t i = 1; i <= 100; ++i) {
      explanations->Add({i, Padded(i, 3), VoucherExplanation(static_cast<long>(i - 1), names_)});
    }
    explanations->Close();
  }

  void Accounts() {
    auto accounts = Rows("accounts");
    std::vector<int64_t> ids;
    long banks = 0;
    ForEachChartAccount(options_.accounts, names_, [&](const GeneratedEntry& node) {
      const int64_t id = static_cast<int64_t>(ids.size()) + 1;
      ids.push_back(id);
      const Kept kept = KeptBy(node, id, node.is_bank && node.detail ? ++banks : 0);
      accounts->Add({id, node.number, node.name, ParentOf(node, ids), int64_t{node.level},
                     int64_t{node.detail}, pinyin_.Of(node.name), int64_t{node.is_bank},
                     int64_t{node.is_cash}, kept.item_class, kept.currency,
                     int64_t{kept.unit.index() != 0}, kept.unit});
      Tick();
    });
    accounts->Close();
  }

  // What a generated detail account is kept by (nulls for nothing).
  struct Kept {
    SqlValue item_class, currency, unit;
  };

  // A tenth of the detail accounts are kept by items: customers' accounts by class 1,
  // suppliers' by class 2, the others by a class in turn. Every fifth bank account is in a
  // foreign currency, in turn; materials and goods are kept in quantities of a unit.
  Kept KeptBy(const GeneratedEntry& node, int64_t id, long bank) const {
    Kept kept;
    if (!node.detail) return kept;
    const std::string_view top = std::string_view(node.number).substr(0, 4);
    if (id % 10 == 0) {
      const int classes = std::max(options_.item_classes, 1);
      int64_t item_class = 1 + (id / 10) % classes;
      if (top == "1122" || top == "2203") item_class = 1;
      if ((top == "2202" || top == "1123") && classes > 1) item_class = 2;
      kept.item_class = item_class;
    }
    if (bank % 5 == 0 && bank > 0) {
      kept.currency = static_cast<int64_t>(2 + (bank / 5 - 1) % (kCurrencies.size() - 1));
    }
    if (top == "1403" || top == "1405" || top == "1411") {
      kept.unit = 1 + id % static_cast<int64_t>(UnitGroups().front().second.size());
    }
    return kept;
  }

  // A rate on the first of every month of the year for each foreign currency, about its
  // usual one (in millionths of a yuan to one unit).
  void Rates() {
    static constexpr std::array<int64_t, kCurrencies.size()> kUsual = {
        1'000'000, 7'123'400, 7'801'200, 915'300, 47'900, 9'032'100};
    auto rates = Rows("rates");
    for (size_t c = 1; c < kCurrencies.size(); ++c) {
      for (int month = 1; month <= 12; ++month) {
        const int64_t moved = kUsual[c] * (1000 + (month * 7 + static_cast<int>(c) * 3) % 21 - 10);
        rates->Add({static_cast<int64_t>(c + 1), "2026-" + Padded(month, 2) + "-01", moved / 1000});
      }
    }
    rates->Close();
  }

  void Items() {
    auto items = Rows("items");
    const int classes = options_.single_class ? 1 : std::max(options_.item_classes, 1);
    int64_t next_id = 1;
    for (int c = 1; c <= classes; ++c) {
      long count = options_.items / classes + (c <= options_.items % classes ? 1 : 0);
      AddTree(*items, c, next_id,
              [&](const EmitEntry& emit) { ForEachGoodsItem(c, count, names_, emit); });
    }
    items->Close();
  }

  void SubMes() {
    auto submes = Rows("submes");
    int64_t next_id = 1;
    for (int c = 1; c <= std::min(options_.item_classes, 2); ++c) {
      AddTree(*submes, c, next_id, [&](const EmitEntry& emit) {
        ForEachGoodsAttribute(options_.submes_per_class, emit);
      });
    }
    submes->Close();
  }

  // Adds one class's tree, handed out by for_each, to a table of items or SubMes entries.
  template <class ForEach>
  void AddTree(RowSink& rows, int64_t class_id, int64_t& next_id, ForEach for_each) {
    std::vector<int64_t> ids;
    for_each([&](const GeneratedEntry& node) {
      const int64_t id = next_id++;
      ids.push_back(id);
      rows.Add({id, class_id, node.number, node.name, ParentOf(node, ids), int64_t{node.level},
                int64_t{node.detail}, pinyin_.Of(node.name)});
      Tick();
    });
  }

  // The id of the entry's parent among ids (the entry's own id last), null at the top.
  static SqlValue ParentOf(const GeneratedEntry& node, const std::vector<int64_t>& ids) {
    if (node.parent < 0) return std::monostate{};
    return ids[static_cast<size_t>(node.parent)];
  }

  LedgerTarget& target_;
  const GenerateOptions& options_;
  NameMaker names_;
  PinyinInitials pinyin_;
  std::optional<Progress> progress_;
};

}  // namespace

void GenerateLedger(const GenerateOptions& options, const std::string& out) {
  if (options.accounts < 0 || options.items < 0 || options.item_classes < 1 ||
      options.submes_per_class < 0) {
    throw Error(errc::kInvalidProcedureCall,
                "Ledger sizes must not be negative and there is at least one item class");
  }
  std::unique_ptr<LedgerTarget> target = CreateLedger(out, options.replace);
  Generator(*target, options).Run();
  target->Finish();
}

}  // namespace glnamelist::ledger
