#include "ledger/generator.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "contracts/error.h"
#include "ledger/ledger_db.h"
#include "ledger/ledger_schema.h"
#include "ledger/pinyin.h"
#include "ledger/progress.h"

namespace glnamelist::ledger {
namespace {

// Characters common in Chinese company, product and place names (UTF-8, 3 bytes each).
constexpr std::string_view kCommonChars =
    "华中国东南西北新大天金海山江河长安平和兴盛泰丰富达通信宏发利源鑫隆昌明光辉荣耀"
    "德祥瑞福康宁嘉禾星月阳春秋云龙凤飞鹏宇宙科技电子机械材料化工建设工程贸易实业"
    "精密仪器设备五金钢铁铜铝塑胶纸包装食品医药纺织服装汽车配件家具建材能源环保物流"
    "航运港口城市乡村百货商场超市集团控股投资发展创新智能网络软件数码通讯信息服务";

constexpr std::array<std::string_view, 12> kPlaces = {
    "北京", "上海", "广州", "深圳", "杭州", "南京", "成都", "武汉", "西安", "天津", "苏州", "青岛"};
constexpr std::array<std::string_view, 3> kChineseSuffix = {"事业部", "分公司", "有限公司"};
constexpr std::array<std::string_view, 16> kSyllables = {"ka",  "lo",  "mi",  "ren", "to", "va",
                                                         "zen", "bri", "cor", "del", "fa", "gor",
                                                         "lux", "nor", "pra", "sil"};
constexpr std::array<std::string_view, 3> kLatinKind = {"Group", "Series", "Part"};

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kCurrencies = {
    {{"RMB", "人民币"},
     {"USD", "美元"},
     {"EUR", "欧元"},
     {"HKD", "港币"},
     {"JPY", "日元"},
     {"GBP", "英镑"}}};
constexpr std::array<std::string_view, 7> kSettleTypes = {"现金", "现金支票", "转账支票", "电汇",
                                                          "信汇", "商业汇票", "银行汇票"};
constexpr std::array<std::string_view, 5> kClassNames = {"客户", "供应商", "部门", "职员", "物料"};
constexpr std::array<std::string_view, 4> kUnitGroups = {"重量", "数量", "长度", "体积"};
constexpr std::array<std::array<std::string_view, 3>, 4> kUnits = {
    {{"千克", "克", "吨"}, {"个", "件", "箱"}, {"米", "厘米", "千米"}, {"升", "毫升", "立方米"}}};

// One entry of a generated code tree.
struct TreeNode {
  std::string number;
  int level;
  bool detail;
  long parent;  // position of the parent among the emitted nodes, -1 at the top
  long top;     // position (1-based) of the top-level ancestor among the top level
};

int Digits(long n) { return static_cast<int>(std::to_string(std::max(n, 9L)).size()); }

std::string Padded(long n, int width) {
  std::string text = std::to_string(n);
  return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(text.size()))), '0') +
         text;
}

// Emits count nodes in three levels, in code order: top-level codes from first_top upwards
// (top_width digits), lower levels zero-padded. Every non-detail node has children.
template <class Emit>
void ForEachTreeNode(long count, long first_top, int top_width, Emit emit) {
  long fan = 1;
  while (fan + fan * fan + fan * fan * fan < count) ++fan;
  const int width = Digits(fan);
  long remaining = count, emitted = 0, top = 0;
  while (remaining > 0) {
    ++top;
    const std::string top_code = Padded(first_top + top - 1, top_width);
    const long top_at = emitted;
    emit(TreeNode{top_code, 1, remaining < 3, -1, top});
    ++emitted;
    if (remaining-- < 3) continue;
    for (long b = 1; b <= fan && remaining >= 2; ++b) {
      const std::string middle_code = top_code + "." + Padded(b, width);
      const long middle_at = emitted;
      emit(TreeNode{middle_code, 2, false, top_at, top});
      ++emitted;
      --remaining;
      for (long c = 1; c <= fan && remaining >= 1; ++c, --remaining, ++emitted) {
        emit(TreeNode{middle_code + "." + Padded(c, width), 3, true, middle_at, top});
      }
    }
  }
}

class NameMaker {
 public:
  explicit NameMaker(unsigned seed) : random_(seed) {}

  // Even calls give Chinese names, odd calls Latin ones.
  std::string Next(int level) {
    const bool chinese = (count_++ % 2) == 0;
    return chinese ? Chinese(level) : Latin(level);
  }

 private:
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }

  std::string Chinese(int level) {
    std::string name(kPlaces[Pick(kPlaces.size())]);
    const size_t chars = kCommonChars.size() / 3;
    for (int i = 0; i < 2; ++i) name += kCommonChars.substr(Pick(chars) * 3, 3);
    name += kChineseSuffix[static_cast<size_t>(level - 1)];
    return name;
  }

  std::string Latin(int level) {
    std::string word;
    for (int i = 0; i < 2; ++i) word += kSyllables[Pick(kSyllables.size())];
    word[0] = static_cast<char>(word[0] - 'a' + 'A');
    return word + " " + std::string(kLatinKind[static_cast<size_t>(level - 1)]) + " " +
           std::to_string(100 + Pick(900));
  }

  std::mt19937 random_;
  long count_ = 0;
};

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
    for (size_t g = 0; g < kUnitGroups.size(); ++g) {
      const auto group_id = static_cast<int64_t>(g + 1);
      groups->Add({group_id, Padded(group_id, 2), kUnitGroups[g]});
    }
    groups->Close();
    auto units = Rows("units");
    int64_t unit_id = 0;
    for (size_t g = 0; g < kUnitGroups.size(); ++g) {
      for (size_t u = 0; u < kUnits[g].size(); ++u) {
        units->Add({++unit_id, static_cast<int64_t>(g + 1), Padded(static_cast<long>(u + 1), 2),
                    kUnits[g][u]});
      }
    }
    units->Close();
    auto classes = Rows("item_classes");
    for (int c = 1; c <= options_.item_classes; ++c) {
      std::string name = c <= static_cast<int>(kClassNames.size())
                             ? std::string(kClassNames[static_cast<size_t>(c - 1)])
                             : "项目" + std::to_string(c);
      classes->Add({int64_t{c}, Padded(c, 3), name});
    }
    classes->Close();
    auto explanations = Rows("vch_explanations");
    for (int64_t i = 1; i <= 100; ++i) {
      explanations->Add({i, Padded(i, 3), "摘要" + names_.Next(3)});
    }
    explanations->Close();
  }

  void Accounts() {
    auto accounts = Rows("accounts");
    std::vector<int64_t> ids;
    ForEachTreeNode(options_.accounts, 1001, 4, [&](const TreeNode& node) {
      std::string name = node.level == 1 && node.top == 1   ? "库存现金"
                         : node.level == 1 && node.top == 2 ? "银行存款"
                                                            : names_.Next(node.level);
      const int64_t id = static_cast<int64_t>(ids.size()) + 1;
      ids.push_back(id);
      const std::string helper = pinyin_.Of(name);
      accounts->Add({id, node.number, name, ParentOf(node, ids), int64_t{node.level},
                     int64_t{node.detail}, helper, int64_t{node.top == 2}, int64_t{node.top == 1}});
      Tick();
    });
    accounts->Close();
  }

  void Items() {
    auto items = Rows("items");
    const int classes = options_.single_class ? 1 : std::max(options_.item_classes, 1);
    int64_t next_id = 1;
    for (int c = 1; c <= classes; ++c) {
      long count = options_.items / classes + (c <= options_.items % classes ? 1 : 0);
      AddTree(*items, c, count, next_id);
    }
    items->Close();
  }

  void SubMes() {
    auto submes = Rows("submes");
    int64_t next_id = 1;
    for (int c = 1; c <= std::min(options_.item_classes, 2); ++c) {
      AddTree(*submes, c, options_.submes_per_class, next_id);
    }
    submes->Close();
  }

  // Adds one class's tree to a table of items or SubMes entries.
  void AddTree(RowSink& rows, int64_t class_id, long count, int64_t& next_id) {
    std::vector<int64_t> ids;
    ids.reserve(static_cast<size_t>(count));
    ForEachTreeNode(count, 1, 2, [&](const TreeNode& node) {
      const int64_t id = next_id++;
      ids.push_back(id);
      const std::string name = names_.Next(node.level);
      const std::string helper = pinyin_.Of(name);
      rows.Add({id, class_id, node.number, name, ParentOf(node, ids), int64_t{node.level},
                int64_t{node.detail}, helper});
      Tick();
    });
  }

  // The id of the node's parent among ids (the node's own id last), null at the top.
  static SqlValue ParentOf(const TreeNode& node, const std::vector<int64_t>& ids) {
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
