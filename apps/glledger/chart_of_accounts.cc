#include "apps/glledger/chart_of_accounts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace glnamelist::ledger {
namespace {

// What goes below an account that takes a share of the generated accounts.
enum class Below {
  kNone,
  kBanks,
  kCustomers,
  kSuppliers,
  kSalesDepartments,
  kDepartments,
  kProjects
};

struct ChartLine {
  std::string_view number;
  std::string_view name;
  Below below = Below::kNone;
  int weight = 0;  // share of the generated accounts
};

constexpr ChartLine kChart[] = {
    {"1001", "库存现金"},
    {"1001.01", "人民币"},
    {"1001.02", "美元"},
    {"1001.03", "港币"},
    {"1002", "银行存款", Below::kBanks, 4},
    {"1012", "其他货币资金"},
    {"1012.01", "外埠存款"},
    {"1012.02", "银行本票存款"},
    {"1012.03", "银行汇票存款"},
    {"1012.04", "信用卡存款"},
    {"1012.05", "信用证保证金存款"},
    {"1012.06", "存出投资款"},
    {"1101", "交易性金融资产"},
    {"1121", "应收票据"},
    {"1121.01", "银行承兑汇票"},
    {"1121.02", "商业承兑汇票"},
    {"1122", "应收账款", Below::kCustomers, 30},
    {"1123", "预付账款", Below::kSuppliers, 6},
    {"1131", "应收股利"},
    {"1132", "应收利息"},
    {"1221", "其他应收款"},
    {"1221.01", "备用金"},
    {"1221.02", "押金及保证金"},
    {"1221.03", "代垫款项"},
    {"1221.04", "员工借款"},
    {"1231", "坏账准备"},
    {"1401", "材料采购"},
    {"1402", "在途物资"},
    {"1403", "原材料"},
    {"1403.01", "主要材料"},
    {"1403.02", "辅助材料"},
    {"1403.03", "燃料"},
    {"1403.04", "修理用备件"},
    {"1404", "材料成本差异"},
    {"1405", "库存商品"},
    {"1406", "发出商品"},
    {"1407", "商品进销差价"},
    {"1408", "委托加工物资"},
    {"1411", "周转材料"},
    {"1411.01", "包装物"},
    {"1411.02", "低值易耗品"},
    {"1471", "存货跌价准备"},
    {"1501", "持有至到期投资"},
    {"1502", "持有至到期投资减值准备"},
    {"1503", "可供出售金融资产"},
    {"1511", "长期股权投资"},
    {"1512", "长期股权投资减值准备"},
    {"1521", "投资性房地产"},
    {"1531", "长期应收款"},
    {"1532", "未实现融资收益"},
    {"1601", "固定资产"},
    {"1601.01", "房屋及建筑物"},
    {"1601.02", "机器设备"},
    {"1601.03", "运输设备"},
    {"1601.04", "电子设备"},
    {"1601.05", "办公设备"},
    {"1602", "累计折旧"},
    {"1602.01", "房屋及建筑物"},
    {"1602.02", "机器设备"},
    {"1602.03", "运输设备"},
    {"1602.04", "电子设备"},
    {"1602.05", "办公设备"},
    {"1603", "固定资产减值准备"},
    {"1604", "在建工程"},
    {"1605", "工程物资"},
    {"1606", "固定资产清理"},
    {"1701", "无形资产"},
    {"1701.01", "土地使用权"},
    {"1701.02", "软件"},
    {"1701.03", "专利权"},
    {"1702", "累计摊销"},
    {"1703", "无形资产减值准备"},
    {"1711", "商誉"},
    {"1801", "长期待摊费用"},
    {"1811", "递延所得税资产"},
    {"1901", "待处理财产损溢"},
    {"2001", "短期借款"},
    {"2101", "交易性金融负债"},
    {"2201", "应付票据"},
    {"2201.01", "银行承兑汇票"},
    {"2201.02", "商业承兑汇票"},
    {"2202", "应付账款", Below::kSuppliers, 24},
    {"2203", "预收账款", Below::kCustomers, 8},
    {"2211", "应付职工薪酬"},
    {"2211.01", "工资"},
    {"2211.02", "职工福利"},
    {"2211.03", "社会保险费"},
    {"2211.04", "住房公积金"},
    {"2211.05", "工会经费"},
    {"2211.06", "职工教育经费"},
    {"2221", "应交税费"},
    {"2221.01", "应交增值税"},
    {"2221.01.01", "进项税额"},
    {"2221.01.02", "销项税额"},
    {"2221.01.03", "进项税额转出"},
    {"2221.01.04", "已交税金"},
    {"2221.01.05", "转出未交增值税"},
    {"2221.01.06", "减免税款"},
    {"2221.01.07", "出口退税"},
    {"2221.02", "未交增值税"},
    {"2221.03", "应交企业所得税"},
    {"2221.04", "应交个人所得税"},
    {"2221.05", "应交城市维护建设税"},
    {"2221.06", "应交教育费附加"},
    {"2221.07", "应交地方教育附加"},
    {"2221.08", "应交印花税"},
    {"2221.09", "应交房产税"},
    {"2221.10", "应交土地使用税"},
    {"2231", "应付利息"},
    {"2232", "应付股利"},
    {"2241", "其他应付款"},
    {"2241.01", "押金及保证金"},
    {"2241.02", "代扣社会保险费"},
    {"2241.03", "代扣住房公积金"},
    {"2401", "递延收益"},
    {"2501", "长期借款"},
    {"2502", "应付债券"},
    {"2701", "长期应付款"},
    {"2702", "未确认融资费用"},
    {"2711", "专项应付款"},
    {"2801", "预计负债"},
    {"2901", "递延所得税负债"},
    {"4001", "实收资本"},
    {"4002", "资本公积"},
    {"4002.01", "资本溢价"},
    {"4002.02", "其他资本公积"},
    {"4101", "盈余公积"},
    {"4101.01", "法定盈余公积"},
    {"4101.02", "任意盈余公积"},
    {"4103", "本年利润"},
    {"4104", "利润分配"},
    {"4104.01", "提取法定盈余公积"},
    {"4104.02", "提取任意盈余公积"},
    {"4104.03", "应付现金股利"},
    {"4104.04", "未分配利润"},
    {"4201", "库存股"},
    {"5001", "生产成本", Below::kProjects, 10},
    {"5101", "制造费用"},
    {"5101.01", "车间管理人员工资"},
    {"5101.02", "折旧费"},
    {"5101.03", "水电费"},
    {"5101.04", "机物料消耗"},
    {"5101.05", "修理费"},
    {"5101.06", "劳动保护费"},
    {"5201", "劳务成本"},
    {"5301", "研发支出"},
    {"5301.01", "费用化支出"},
    {"5301.02", "资本化支出"},
    {"6001", "主营业务收入"},
    {"6051", "其他业务收入"},
    {"6051.01", "材料销售收入"},
    {"6051.02", "租金收入"},
    {"6101", "公允价值变动损益"},
    {"6111", "投资收益"},
    {"6301", "营业外收入"},
    {"6301.01", "政府补助"},
    {"6301.02", "盘盈利得"},
    {"6301.03", "罚没利得"},
    {"6401", "主营业务成本"},
    {"6402", "其他业务成本"},
    {"6403", "税金及附加"},
    {"6403.01", "城市维护建设税"},
    {"6403.02", "教育费附加"},
    {"6403.03", "印花税"},
    {"6403.04", "房产税"},
    {"6601", "销售费用", Below::kSalesDepartments, 8},
    {"6602", "管理费用", Below::kDepartments, 10},
    {"6603", "财务费用"},
    {"6603.01", "利息支出"},
    {"6603.02", "利息收入"},
    {"6603.03", "银行手续费"},
    {"6603.04", "汇兑损益"},
    {"6603.05", "现金折扣"},
    {"6701", "资产减值损失"},
    {"6711", "营业外支出"},
    {"6711.01", "罚款支出"},
    {"6711.02", "捐赠支出"},
    {"6711.03", "非流动资产处置损失"},
    {"6711.04", "盘亏损失"},
    {"6801", "所得税费用"},
    {"6801.01", "当期所得税费用"},
    {"6801.02", "递延所得税费用"},
    {"6901", "以前年度损益调整"},
};

// Groups of customers: where they are.
constexpr long kCustomerGroups = 24;
constexpr std::string_view kCustomerTrades =
    "机电设备|五金机电|电气设备|工程机械|建筑工程|水务工程|暖通设备|机械制造|电力设备|"
    "自动化设备|商贸|实业|环保科技|能源科技|农业发展|矿业|物业管理|汽车销售|家居建材|"
    "工业技术";

// Groups of suppliers: what they supply, and the trades such suppliers are in.
constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kSupplierKinds = {{
    {"原材料供应商", "钢铁|金属材料|有色金属|化工|塑胶原料|橡胶制品"},
    {"辅助材料供应商", "油漆涂料|润滑油品|焊接材料|五金工具|紧固件"},
    {"包装物供应商", "纸品包装|包装材料|木制品|塑料制品|印务"},
    {"设备供应商", "机械设备|自动化设备|数控机床|电气设备|仪器仪表"},
    {"外协加工单位", "精密机械|铸造|锻造|热处理|表面处理|模具"},
    {"物流服务商", "物流|货运代理|运输|仓储服务|快递服务"},
    {"办公用品供应商", "办公用品|文化用品|办公家具|电脑科技|印务"},
    {"能源供应商", "能源|燃气|热力|水务"},
    {"工程服务商", "建筑工程|装饰工程|安装工程|机电安装|环保工程"},
}};

constexpr std::array<std::string_view, 14> kDepartments = {
    "总经理办公室", "综合办公室", "财务部",   "人力资源部", "采购部", "生产管理部", "质量管理部",
    "技术部",       "研发中心",   "信息中心", "仓储部",     "法务部", "审计部",     "安全环保部"};
constexpr std::array<std::string_view, 14> kAdminExpenses = {
    "职工薪酬", "办公费", "差旅费", "业务招待费", "折旧费",   "无形资产摊销", "水电费",
    "通讯费",   "会议费", "咨询费", "修理费",     "车辆费用", "培训费",       "保险费"};
constexpr std::array<std::string_view, 8> kSalesDepartments = {
    "销售一部",   "销售二部",   "销售三部",   "市场部",
    "客户服务部", "电子商务部", "国际贸易部", "大客户部"};
constexpr std::array<std::string_view, 12> kSalesExpenses = {
    "职工薪酬", "广告费",     "业务宣传费", "运输费", "装卸费", "展览费",
    "差旅费",   "业务招待费", "办公费",     "折旧费", "租赁费", "售后服务费"};
constexpr std::array<std::string_view, 5> kCostItems = {"直接材料", "直接人工", "制造费用",
                                                        "燃料及动力", "外协加工费"};

template <class T, size_t N>
long Size(const std::array<T, N>&) {
  return static_cast<long>(N);
}

// Hands out the accounts below one chart line: groups at the level below it and entries
// below the groups.
class BelowWriter {
 public:
  BelowWriter(NameMaker& names, const EmitEntry& emit, long& position)
      : names_(names), emit_(emit), position_(position) {}

  void Write(const ChartLine& line, const GeneratedEntry& top, long top_at, long count) {
    top_ = &top;
    top_at_ = top_at;
    switch (line.below) {
      case Below::kBanks: {
        const long per_bank = std::max(4L, static_cast<long>(std::sqrt(count)));
        Groups((count + per_bank) / (per_bank + 1), count,
               [&](long g) { return NameMaker::Bank(g); },
               [&, first = 0L](long, long i) mutable {
                 if (i == 0) first = static_cast<long>(names_.Pick(200));  // first branch
                 return names_.BankAccount(first, i);
               });
        break;
      }
      case Below::kCustomers:
        Grouped(
            count, kCustomerGroups, [&](long g) { return std::string(NameMaker::City(g)); },
            [&](long g) { return names_.Company(NameMaker::City(g), kCustomerTrades); });
        break;
      case Below::kSuppliers:
        Grouped(
            count, Size(kSupplierKinds),
            [&](long g) { return std::string(kSupplierKinds[static_cast<size_t>(g)].first); },
            [&](long g) {
              return names_.Company(
                  NameMaker::City(static_cast<long>(names_.Pick(NameMaker::CityCount()))),
                  kSupplierKinds[static_cast<size_t>(g)].second);
            });
        break;
      case Below::kSalesDepartments:
        WithItems(
            count, Size(kSalesExpenses),
            [&](long g) {
              return g < Size(kSalesDepartments)
                         ? std::string(kSalesDepartments[static_cast<size_t>(g)])
                         : NameMaker::Place(g - Size(kSalesDepartments)) + "办事处";
            },
            kSalesExpenses.data());
        break;
      case Below::kDepartments:
        WithItems(
            count, Size(kAdminExpenses),
            [&](long g) {
              const auto d = static_cast<size_t>(g % Size(kDepartments));
              return g < Size(kDepartments) ? std::string(kDepartments[d])
                                            : NameMaker::Place(g / Size(kDepartments) - 1) +
                                                  "分公司" + std::string(kDepartments[d]);
            },
            kAdminExpenses.data());
        break;
      case Below::kProjects: {
        std::unordered_set<std::string> used;
        WithItems(
            count, Size(kCostItems),
            [&](long) { return UniqueName(used, [&](int) { return names_.Project(); }); },
            kCostItems.data());
        break;
      }
      case Below::kNone:
        break;
    }
  }

 private:
  // count accounts: groups of group_count at most, each with about ten accounts or more
  // below it, named by group(g) and entry(g); with too few for one group the accounts stand
  // directly below the line, each of a pseudo-random group.
  template <class GroupName, class EntryName>
  void Grouped(long count, long group_count, GroupName group, EntryName entry) {
    const long groups = std::min(group_count, count / 11);
    if (groups > 0) {
      std::unordered_set<std::string> used;
      Groups(groups, count, group, [&](long g, long i) {
        if (i == 0) used.clear();
        return UniqueName(used, [&](int) { return entry(g); });
      });
      return;
    }
    std::unordered_set<std::string> used;
    const int width = CodeWidth(count);
    for (long i = 0; i < count; ++i) {
      const long g = static_cast<long>(names_.Pick(static_cast<size_t>(group_count)));
      Emit(top_->number + "." + Padded(i + 1, width),
           UniqueName(used, [&](int) { return entry(g); }), 2, true, top_at_);
    }
  }

  // count accounts: groups named by group(g), each with up to per_group items below it.
  template <class GroupName>
  void WithItems(long count, long per_group, GroupName group, const std::string_view* items) {
    Groups((count + per_group) / (per_group + 1), count, group,
           [&](long, long i) { return std::string(items[i]); });
  }

  // count accounts: groups at the level below the line, the rest shared out evenly below them.
  template <class GroupName, class EntryName>
  void Groups(long groups, long count, GroupName group, EntryName entry) {
    const long entries = count - groups;
    const int group_width = CodeWidth(groups);
    const int entry_width = CodeWidth(EvenShare(entries, groups, 0));
    for (long g = 0; g < groups; ++g) {
      const long below = EvenShare(entries, groups, g);
      const std::string number = top_->number + "." + Padded(g + 1, group_width);
      const long group_at = Emit(number, group(g), 2, below == 0, top_at_);
      for (long i = 0; i < below; ++i) {
        Emit(number + "." + Padded(i + 1, entry_width), entry(g, i), 3, true, group_at);
      }
    }
  }

  long Emit(std::string number, std::string name, int level, bool detail, long parent) {
    emit_(GeneratedEntry{std::move(number), std::move(name), level, detail, parent, top_->is_bank,
                         top_->is_cash});
    return position_++;
  }

  NameMaker& names_;
  const EmitEntry& emit_;
  long& position_;
  const GeneratedEntry* top_ = nullptr;
  long top_at_ = 0;
};

}  // namespace

void ForEachChartAccount(long count, NameMaker& names, const EmitEntry& emit) {
  std::vector<FixedLine> lines;
  for (const ChartLine& line : kChart) {
    const auto level = static_cast<int>(std::count(line.number.begin(), line.number.end(), '.'));
    lines.push_back(FixedLine{level + 1, line.weight});
  }
  const TreePlan plan = PlanTree(lines, count);
  long position = 0;
  std::vector<long> open;  // positions of the kept lines above the current one
  BelowWriter below(names, emit, position);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!plan.kept[i]) continue;
    size_t next = i + 1;
    while (next < lines.size() && !plan.kept[next]) ++next;
    const int level = lines[i].level;
    const ChartLine& line = kChart[i];
    GeneratedEntry entry{std::string(line.number),
                         std::string(line.name),
                         level,
                         plan.below[i] == 0 && (next == lines.size() || lines[next].level <= level),
                         level == 1 ? -1 : open[static_cast<size_t>(level - 2)],
                         line.number.starts_with("1002"),
                         line.number.starts_with("1001")};
    emit(entry);
    open.resize(static_cast<size_t>(level - 1));
    open.push_back(position++);
    if (plan.below[i] > 0) below.Write(line, entry, open.back(), plan.below[i]);
  }
}

}  // namespace glnamelist::ledger
