#include "ledger/generator.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "contracts/error.h"
#include "ledger/chart_of_accounts.h"
#include "ledger/generated_names.h"
#include "ledger/goods_catalog.h"
#include "ledger/ledger_builder.h"
#include "ledger/pinyin.h"
#include "ledger/progress.h"
#include "ledger/sqlite_db.h"

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
  Generator(Database& db, const GenerateOptions& options)
      : db_(db), options_(options), names_(options.seed) {
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
  }

 private:
  void Tick() {
    if (progress_) progress_->Advance();
  }

  void SmallTables() {
    Statement currency(db_, "INSERT INTO currencies (number, name) VALUES (?1, ?2)");
    for (const auto& [code, name] : kCurrencies) currency.Bind(1, code).Bind(2, name).Run();
    Statement settle(db_, "INSERT INTO settle_types (number, name) VALUES (?1, ?2)");
    for (size_t i = 0; i < kSettleTypes.size(); ++i) {
      settle.Bind(1, Padded(static_cast<long>(i + 1), 2)).Bind(2, kSettleTypes[i]).Run();
    }
    Statement group(db_, "INSERT INTO unit_groups (id, number, name) VALUES (?1, ?2, ?3)");
    Statement unit(db_, "INSERT INTO units (group_id, number, name) VALUES (?1, ?2, ?3)");
    for (size_t g = 0; g < UnitGroups().size(); ++g) {
      const auto& [group_name, units] = UnitGroups()[g];
      const auto id = static_cast<int64_t>(g + 1);
      group.Bind(1, id).Bind(2, Padded(id, 2)).Bind(3, group_name).Run();
      for (size_t u = 0; u < units.size(); ++u) {
        unit.Bind(1, id).Bind(2, Padded(static_cast<long>(u + 1), 2)).Bind(3, units[u]).Run();
      }
    }
    Statement item_class(db_, "INSERT INTO item_classes (id, number, name) VALUES (?1, ?2, ?3)");
    for (int c = 1; c <= options_.item_classes; ++c) {
      item_class.Bind(1, int64_t{c}).Bind(2, Padded(c, 3)).Bind(3, GoodsClassName(c)).Run();
    }
    Statement explanation(db_,
                          "INSERT INTO vch_explanations (number, explanation) VALUES (?1, ?2)");
    for (long i = 1; i <= 100; ++i) {
      explanation.Bind(1, Padded(i, 3)).Bind(2, VoucherExplanation(i - 1, names_)).Run();
    }
  }

  void Accounts() {
    Statement insert(db_,
                     "INSERT INTO accounts (id, number, name, parent_id, level, detail, "
                     "helper_code, is_bank, is_cash) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    std::vector<int64_t> ids;
    ForEachChartAccount(options_.accounts, names_, [&](const GeneratedEntry& node) {
      const int64_t id = next_account_id_++;
      ids.push_back(id);
      BindTreeRow(insert, id, node, node.parent < 0 ? 0 : ids[static_cast<size_t>(node.parent)]);
      insert.Bind(8, int64_t{node.is_bank}).Bind(9, int64_t{node.is_cash});
      insert.Run();
      Tick();
    });
  }

  void Items() {
    Statement insert(db_,
                     "INSERT INTO items (id, class_id, number, name, parent_id, level, detail, "
                     "helper_code) VALUES (?1, ?8, ?2, ?3, ?4, ?5, ?6, ?7)");
    const int classes = options_.single_class ? 1 : std::max(options_.item_classes, 1);
    for (int c = 1; c <= classes; ++c) {
      long count = options_.items / classes + (c <= options_.items % classes ? 1 : 0);
      InsertTree(insert, c, next_item_id_,
                 [&](const EmitEntry& emit) { ForEachGoodsItem(c, count, names_, emit); });
    }
  }

  void SubMes() {
    Statement insert(db_,
                     "INSERT INTO submes (id, class_id, number, name, parent_id, level, detail, "
                     "helper_code) VALUES (?1, ?8, ?2, ?3, ?4, ?5, ?6, ?7)");
    int64_t next_id = 1;
    for (int c = 1; c <= std::min(options_.item_classes, 2); ++c) {
      InsertTree(insert, c, next_id, [&](const EmitEntry& emit) {
        ForEachGoodsAttribute(options_.submes_per_class, emit);
      });
    }
  }

  // Inserts one class's tree, handed out by for_each, with a statement binding ?1..?7 as
  // BindTreeRow does and ?8 as the class.
  template <class ForEach>
  void InsertTree(Statement& insert, int64_t class_id, int64_t& next_id, ForEach for_each) {
    std::vector<int64_t> ids;
    for_each([&](const GeneratedEntry& node) {
      const int64_t id = next_id++;
      ids.push_back(id);
      BindTreeRow(insert, id, node, node.parent < 0 ? 0 : ids[static_cast<size_t>(node.parent)]);
      insert.Bind(8, class_id);
      insert.Run();
      Tick();
    });
  }

  // ?1 id, ?2 number, ?3 name, ?4 parent_id (null at the top), ?5 level, ?6 detail,
  // ?7 helper_code.
  void BindTreeRow(Statement& insert, int64_t id, const GeneratedEntry& node, int64_t parent_id) {
    insert.Bind(1, id).Bind(2, node.number).Bind(3, node.name);
    if (parent_id) {
      insert.Bind(4, parent_id);
    } else {
      insert.BindNull(4);
    }
    insert.Bind(5, int64_t{node.level}).Bind(6, int64_t{node.detail});
    insert.Bind(7, pinyin_.Of(node.name));
  }

  Database& db_;
  const GenerateOptions& options_;
  NameMaker names_;
  PinyinInitials pinyin_;
  std::optional<Progress> progress_;
  int64_t next_account_id_ = 1;
  int64_t next_item_id_ = 1;
};

}  // namespace

void GenerateLedger(const GenerateOptions& options, const std::string& out_path) {
  if (options.accounts < 0 || options.items < 0 || options.item_classes < 1 ||
      options.submes_per_class < 0) {
    throw Error(errc::kInvalidProcedureCall,
                "Ledger sizes must not be negative and there is at least one item class");
  }
  WriteThroughTemporary(out_path, [&](const std::string& temp_path) {
    Database db(temp_path, Database::Mode::kCreate);
    PrepareForBulkWrite(db);
    db.ExecScript(EmbeddedSchema());
    db.ExecScript("BEGIN");
    Generator(db, options).Run();
    db.ExecScript("COMMIT");
  });
}

}  // namespace glnamelist::ledger
