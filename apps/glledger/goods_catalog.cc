#include "apps/glledger/goods_catalog.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace glnamelist::ledger {
namespace {

// A category of goods: its products, the grades or materials they come in, and the form of
// their sizes (规格), where {a|b|c} stands for one of a, b and c.
struct Category {
  std::string_view name;
  std::string_view products;
  std::string_view grades;
  std::string_view sizes;
};

struct GoodsClass {
  std::string_view name;
  std::vector<Category> categories;
};

const std::vector<GoodsClass>& Classes() {
  static const std::vector<GoodsClass> classes = {
      {"原材料",
       {{"钢板", "热轧钢板|冷轧钢板|镀锌钢板|花纹钢板|中厚板", "Q235B|Q345B|45#|SPCC|DC01|DX51D",
         "{1.5|2|2.5|3|4|5|6|8|10|12|16|20|25|30}×{1000|1250|1500|1800|2000|2200}×"
         "{2000|2500|3000|4000|6000|8000|9000|12000}"},
        {"型钢", "圆钢|方钢|角钢|槽钢|工字钢|扁钢", "Q235B|Q345B|20#|45#|40Cr|304",
         "{10|12|14|16|18|20|22|25|28|32|36|40|45|50|56|63|70|75|80|90|100|120|140|160} "
         "{6m|9m|12m|定尺}"},
        {"钢管", "无缝钢管|焊接钢管|镀锌钢管|精密钢管|方管", "Q235B|Q345B|20#|45#|304|316L",
         "Φ{14|16|18|20|22|25|28|32|38|45|57|60|76|89|108|114|133|159|219}×"
         "{1.5|2|2.5|3|3.5|4|5|6|8|10} {6m|9m|12m|定尺}"},
        {"有色金属", "电解铜|铜排|黄铜棒|铝锭|铝板|铝型材|锌锭|镍板",
         "T2|H62|H65|6061|6063|1060|A00",
         "{2|3|4|5|6|8|10|12|15|20}×{40|50|60|80|100|120|150|200}×{1000|2000|3000|4000|6000}"},
        {"塑料原料", "PP颗粒|PE颗粒|ABS颗粒|PVC粒料|尼龙PA66|PC颗粒|POM颗粒",
         "注塑级|挤出级|阻燃级|增强级|食品级",
         "{本白|黑色|透明|灰色|米黄} {25|20|50}kg/袋 MFR{2|5|8|12|18|25|30}"},
        {"化工原料", "硫酸|烧碱|纯碱|双氧水|乙醇|丙酮|甲苯|盐酸|磷酸|硝酸",
         "工业级|分析纯|化学纯|优级纯",
         "{30|50|75|85|95|98|99|99.5|99.9}% {500ml/瓶|2.5L/瓶|25kg/桶|200kg/桶|1t/吨桶}"},
        {"阻容元件", "贴片电阻|插件电阻|贴片电容|电解电容|钽电容", "0402|0603|0805|1206|插件",
         "{1|2.2|4.7|10|22|47|100|220|470}{Ω|K|nF|uF} {±1%|±5%|10V|16V|25V|50V} "
         "{编带|散装}"},
        {"半导体器件", "二极管|三极管|场效应管|稳压管|整流桥|三端稳压器",
         "贴片|插件|SOT-23|TO-220|SMA",
         "{1N4007|1N4148|1N5819|SS34|S8050|S8550|2N7002|AO3400|IRF540|LM7805|KBP210|BZT52C5V1} "
         "{编带|散装|管装} {100|1000|3000}只/盘"},
        {"紧固件", "六角螺栓|内六角螺钉|六角螺母|平垫圈|锁紧垫圈|自攻螺钉|膨胀螺栓|铆钉|双头螺柱",
         "碳钢镀锌|不锈钢304|不锈钢316|8.8级|10.9级|12.9级",
         "M{3|4|5|6|8|10|12|14|16|20|24|30}×{6|8|10|12|16|20|25|30|35|40|45|50|60|70|80|90|100|"
         "120|150|200}"}}},
      {"产成品",
       {{"电动机", "三相异步电动机|单相电容电动机|变频电机|减速电机|防爆电机|永磁同步电机",
         "Y2|YE2|YE3|YE4|YVF2|YB3",
         "{0.55|0.75|1.1|1.5|2.2|3|4|5.5|7.5|11|15|18.5|22|30|37|45|55}kW {2|4|6|8}极 "
         "{B3|B5|B35|B14} {380V|220V|660V}"},
        {"水泵", "离心泵|管道泵|潜水泵|自吸泵|多级泵|化工泵", "IS|ISG|QW|ZX|DL|IH",
         "{25|32|40|50|65|80|100|125|150}-{20|25|32|40|50|65|80}-{125|160|200|250|315} "
         "{铸铁|不锈钢}"},
        {"阀门", "闸阀|截止阀|球阀|蝶阀|止回阀|减压阀|安全阀", "铸铁|铸钢|不锈钢|黄铜|球墨铸铁",
         "DN{15|20|25|32|40|50|65|80|100|125|150|200|250|300} PN{10|16|25|40} "
         "{法兰|螺纹|对夹|焊接}"},
        {"风机", "轴流风机|离心风机|屋顶风机|混流风机|防爆风机", "T35|4-72|9-19|SWF|BT35",
         "{2.8|3.15|3.55|4|4.5|5|5.6|6.3|7.1|8|10}# {0.37|0.55|0.75|1.1|1.5|2.2|3|4|5.5}kW "
         "{2|4|6}极"},
        {"减速机", "齿轮减速机|蜗轮蜗杆减速机|摆线针轮减速机|硬齿面减速机", "R|K|S|F|WPA|BWD",
         "{37|47|57|67|77|87|97|107} 速比{5|7.5|10|15|20|25|30|40|50|60} "
         "{0.75|1.5|2.2|4|5.5|7.5}kW"}}},
      {"办公用品",
       {{"纸张", "复印纸|打印纸|便签纸|凭证纸|牛皮纸|彩色卡纸", "A3|A4|A5|B5|16开",
         "{60|70|75|80|100|120|160}g {100|250|500}张/包 {白色|米黄|浅蓝|浅绿|粉红}"},
        {"书写工具", "中性笔|圆珠笔|记号笔|荧光笔|白板笔", "学生型|商务型|经济型|按动式",
         "{0.38|0.5|0.7|1.0}mm {黑色|蓝色|红色|绿色} {10|12|20|24|36|48}支/盒"},
        {"桌面文具", "文件夹|订书机|计算器|笔记本|档案盒|票据夹", "经济型|商务型|加厚型|塑料|金属",
         "{A4|A5|B5|F4|12位|24号} {黑色|蓝色|灰色|白色} {1|6|10|12|24}个/盒"},
        {"打印耗材", "硒鼓|墨盒|碳粉|色带|鼓组件", "黑色|青色|品红|黄色|彩色",
         "{12A|35A|78A|88A|388A|TN2215|LD2441|CF283A|CE285A|MLT-D111S} "
         "{标准容量|大容量|超大容量}"},
        {"财务用品", "记账凭证|凭证封面|凭证装订线|明细账|总账|收据|借款单|费用报销单",
         "通用|二联|三联|无碳复写", "{16开|32开|A4|A5|24开} {25|50|100}份/本 {左装|上装}"}}},
      {"辅助材料",
       {{"油漆涂料", "防锈底漆|环氧底漆|醇酸面漆|环氧面漆|聚氨酯面漆|稀释剂|固化剂",
         "灰色|白色|黑色|铁红|蓝色|绿色|黄色",
         "{1|4|5|15|18|20|25}kg/桶 {哑光|半光|高光} {RAL7035|RAL9003|RAL5015|RAL6011|RAL1023}"},
        {"润滑油脂", "液压油|齿轮油|导轨油|空压机油|锂基润滑脂|高温润滑脂",
         "L-HM32|L-HM46|L-HM68|L-CKC220|L-CKC320|2#|3#",
         "{0.8|4|15|16|18|170|200}{L|kg}/{桶|支|罐}"},
        {"焊接材料", "焊丝|焊条|焊剂|钎料|焊锡丝", "J422|J507|ER50-6|ER308|H08A|HJ431",
         "Φ{0.8|1.0|1.2|1.6|2.0|2.5|3.2|4.0|5.0} {5|15|20|250}kg/{盘|箱|桶}"},
        {"刀具", "麻花钻头|立铣刀|丝锥|板牙|车刀片", "高速钢|硬质合金|含钴|涂层",
         "Φ{1|1.5|2|2.5|3|3.5|4|5|6|8|10|12|14|16|18|20} {标准型|加长型|短型}"},
        {"磨具", "砂轮片|切割片|百叶片|砂纸|磨头", "白刚玉|棕刚玉|金刚石|碳化硅",
         "Φ{100|125|150|180|230|300|350|400}×{1.2|2|3|6|10|20} {60|80|120|240}#"}}},
      {"包装物",
       {{"纸箱", "三层瓦楞纸箱|五层瓦楞纸箱|七层瓦楞纸箱|彩印纸箱|飞机盒", "K=K|A=A|B=B|K=A",
         "{200|250|300|350|400|450|500|600|800}×{150|200|250|300|400|500}×"
         "{100|150|200|250|300|400}mm"},
        {"托盘木箱", "木托盘|熏蒸木箱|塑料托盘|钢托盘|胶合板箱", "松木|杨木|HDPE|镀锌钢|免熏蒸",
         "{800|1000|1100|1200|1300|1400}×{800|1000|1100|1200}×{120|140|150|160|800|1000}"},
        {"包装辅料", "缠绕膜|气泡膜|打包带|封箱胶带|珍珠棉|干燥剂|标签纸",
         "透明|黑色|白色|印字|防静电",
         "{12|18|20|25|45|48|50|60|500}mm×{50|100|150|200|300|500}m {1|5|10|20|50}卷/箱"}}},
      {"半成品",
       {{"机加工件", "电机轴|端盖|法兰盘|轴套|齿轮|皮带轮|联轴器|泵体|叶轮",
         "45#|40Cr|HT200|QT450|ZG270|铝合金",
         "图号{A|B|C|D|E|F|G|H}{01|02|03|04|05|06|07|08}-{100|105|110|115|120|125|130|135|"
         "140|145|150|160|170|180|190|200}"},
        {"冲压件", "定子冲片|转子冲片|机座冲压件|安装支架|连接板|防护罩",
         "DW465|DW540|DW800|SPCC|SECC",
         "{Y80|Y90|Y100|Y112|Y132|Y160|Y180|Y200} {2|4|6|8}极 {0.5|0.35|1.0|1.5|2.0}mm"},
        {"铸件", "机座|底座|轴承座|阀体|泵壳|齿轮箱体", "HT200|HT250|QT450|QT500|ZG230|ZL102",
         "{H80|H90|H100|H112|H132|H160|H180|H200|H225|H250|H280} {粗坯|精坯|加工件}"}}},
      {"低值易耗品",
       {{"手动工具", "开口扳手|梅花扳手|活动扳手|螺丝刀|钢丝钳|尖嘴钳|卷尺|游标卡尺|管钳",
         "铬钒钢|碳钢|不锈钢|绝缘型",
         "{6|8|10|12|14|17|19|22|24|27|150|200|250|300}{mm|英寸} {单件|5件套|10件套}"},
        {"电动工具", "手电钻|冲击钻|角磨机|电锤|电动扳手|热风枪|切割机", "有线|锂电|无刷|工业级",
         "{400|550|710|800|1050|1200|1500|2000}W {10|13|16|20|26|100|125}mm {220V|18V|20V}"},
        {"劳保用品", "工作服|安全帽|劳保手套|安全鞋|防护眼镜|防尘口罩|反光背心",
         "夏季|冬季|防静电|阻燃|加厚",
         "{S|M|L|XL|XXL|XXXL|38码|39码|40码|41码|42码|43码|44码} {蓝色|灰色|橙色|白色|黄色}"}}},
      {"备品备件",
       {{"轴承", "深沟球轴承|圆锥滚子轴承|球面滚子轴承|圆柱滚子轴承|推力球轴承|滚针轴承",
         "P0级|P6级|P5级|C3游隙|开式",
         "{60|62|63|302|303|222|223|NU2|NJ3|511}{02|03|04|05|06|07|08|09|10|11|12|13|14|16|"
         "18|20}{|-2RS|-ZZ|E}"},
        {"密封件", "O型圈|骨架油封|V型密封圈|机械密封|石墨垫片|四氟垫片",
         "丁腈橡胶|氟橡胶|硅橡胶|聚四氟乙烯|金属缠绕",
         "{10|12|15|20|25|30|35|40|45|50|55|60|70|80|90|100}×{2|2.5|3|3.5|5|7|8|10|12}"},
        {"皮带", "三角带|窄V带|同步带|平皮带|多楔带", "A型|B型|C型|SPA|SPB|XPZ|HTD",
         "{A|B|C|SPZ|SPA|SPB|5M|8M}-{800|900|1000|1120|1250|1400|1600|1800|2000|2240|2500}"},
        {"电气元件", "交流接触器|断路器|熔断器|中间继电器|热过载继电器|按钮开关|指示灯",
         "CJX2|NXC|DZ47|NXB|RT18|JZX|NR2",
         "{1|2|3|4}P {6|10|16|20|25|32|40|50|63|80|100}A {AC220V|AC380V|DC24V}"}}},
  };
  return classes;
}

// A form of sizes taken apart: fixed text and choices, each one list of options.
using SizeForm = std::vector<std::vector<std::string_view>>;

SizeForm ParseSizes(std::string_view form) {
  SizeForm parts;
  while (!form.empty()) {
    if (form.front() == '{') {
      const size_t end = form.find('}');
      std::vector<std::string_view> options;
      std::string_view choices = form.substr(1, end - 1);
      for (size_t bar; (bar = choices.find('|')) != std::string_view::npos;) {
        options.push_back(choices.substr(0, bar));
        choices.remove_prefix(bar + 1);
      }
      options.push_back(choices);
      parts.push_back(std::move(options));
      form.remove_prefix(end + 1);
    } else {
      const size_t end = std::min(form.find('{'), form.size());
      parts.push_back({form.substr(0, end)});
      form.remove_prefix(end);
    }
  }
  return parts;
}

std::vector<std::string_view> Words(std::string_view list) {
  std::vector<std::string_view> words;
  for (size_t bar; (bar = list.find('|')) != std::string_view::npos;) {
    words.push_back(list.substr(0, bar));
    list.remove_prefix(bar + 1);
  }
  words.push_back(list);
  return words;
}

constexpr std::array<std::string_view, 10> kAttributes = {
    "物料属性", "质量等级", "产地",     "颜色",     "包装方式",
    "存储条件", "计价方法", "采购方式", "检验方式", "ABC分类"};
constexpr std::array<std::array<std::string_view, 6>, 10> kAttributeValues = {{
    {"外购", "自制", "委外加工", "虚拟件", "配置件", "客供料"},
    {"一等品", "二等品", "合格品", "让步接收", "待检", "不合格品"},
    {"华东", "华南", "华北", "华中", "西南", "进口"},
    {"本色", "白色", "黑色", "灰色", "蓝色", "红色"},
    {"纸箱", "木箱", "托盘", "散装", "袋装", "桶装"},
    {"常温", "阴凉", "冷藏", "冷冻", "防潮", "防火"},
    {"加权平均", "移动平均", "先进先出", "个别计价", "计划成本", "标准成本"},
    {"集中采购", "零星采购", "招标采购", "框架协议", "寄售", "紧急采购"},
    {"免检", "抽检", "全检", "首件检验", "第三方检验", "型式检验"},
    {"A类", "B类", "C类", "重点物资", "一般物资", "呆滞物资"},
}};
constexpr std::array<std::string_view, 6> kAttributeGrades = {"A", "B", "C", "D", "E", "F"};

constexpr std::array<std::string_view, 20> kCommonExplanations = {
    "提取现金",     "支付货款",         "收到货款",           "报销差旅费",   "计提本月工资",
    "发放本月工资", "计提固定资产折旧", "结转销售成本",       "缴纳增值税",   "支付水电费",
    "购买办公用品", "收到投资款",       "支付银行手续费",     "结转本年利润", "预付材料款",
    "收到银行利息", "缴纳社会保险费",   "计提城市维护建设税", "材料入库",     "产品完工入库"};
constexpr std::array<std::pair<std::string_view, bool>, 6> kExplanationForms = {{
    {"收到{}货款", true},
    {"收到{}预付款", true},
    {"开具{}销售发票", true},
    {"支付{}材料款", false},
    {"预付{}货款", false},
    {"收到{}采购发票", false},
}};

}  // namespace

std::string GoodsClassName(int c) {
  const auto& classes = Classes();
  const auto known = static_cast<int>(classes.size());
  std::string name(classes[static_cast<size_t>((c - 1) % known)].name);
  if (c > known) name += std::to_string((c - 1) / known + 1);
  return name;
}

void ForEachGoodsItem(int c, long count, NameMaker& names, const EmitEntry& emit) {
  const auto& classes = Classes();
  const GoodsClass& goods = classes[static_cast<size_t>(c - 1) % classes.size()];
  struct Product {
    const Category* category;
    std::string_view name;
    std::vector<std::string_view> grades;
    const SizeForm* sizes;
  };
  std::vector<SizeForm> size_forms;
  size_forms.reserve(goods.categories.size());
  std::vector<FixedLine> lines;
  std::vector<Product> products;  // one per line, the category's own with no name
  for (const Category& category : goods.categories) {
    size_forms.push_back(ParseSizes(category.sizes));
    lines.push_back(FixedLine{1, 0});
    products.push_back(Product{&category, {}, {}, nullptr});
    for (std::string_view product : Words(category.products)) {
      lines.push_back(FixedLine{2, 1});
      products.push_back(Product{&category, product, Words(category.grades), &size_forms.back()});
    }
  }
  const TreePlan plan = PlanTree(lines, count);
  long position = 0, categories = 0, category_at = 0, in_category = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!plan.kept[i]) continue;
    const bool has_child = i + 1 < lines.size() && lines[i + 1].level == 2 && plan.kept[i + 1];
    const Product& product = products[i];
    if (lines[i].level == 1) {
      emit(GeneratedEntry{Padded(++categories, 2), std::string(product.category->name), 1,
                          !has_child, -1});
      category_at = position++;
      in_category = 0;
      continue;
    }
    const std::string number = Padded(categories, 2) + "." + Padded(++in_category, 2);
    const long below = plan.below[i];
    emit(GeneratedEntry{number, std::string(product.name), 2, below == 0, category_at});
    const long product_at = position++;
    const int width = CodeWidth(below);
    std::unordered_set<std::string> used;
    for (long g = 1; g <= below; ++g) {
      // Past a few attempts, the goods of another maker (泓泰牌).
      std::string name = UniqueName(used, [&](int attempt) {
        std::string text(product.grades[names.Pick(product.grades.size())]);
        text += product.name;
        text += ' ';
        for (const auto& options : *product.sizes) text += options[names.Pick(options.size())];
        if (attempt >= 2) {
          text += ' ';
          text += names.Brand();
          text += "牌";
        }
        return text;
      });
      emit(GeneratedEntry{number + "." + Padded(g, width), std::move(name), 3, true, product_at});
      ++position;
    }
  }
}

const std::vector<std::pair<std::string_view, std::vector<std::string_view>>>& UnitGroups() {
  static const std::vector<std::pair<std::string_view, std::vector<std::string_view>>> groups = {
      {"重量", {"千克", "克", "吨", "毫克"}},
      {"数量", {"个", "件", "箱", "台", "套", "只", "包", "卷", "张", "支", "桶", "盒"}},
      {"长度", {"米", "厘米", "千米", "毫米"}},
      {"体积", {"升", "毫升", "立方米"}},
      {"面积", {"平方米", "平方厘米"}},
      {"时间", {"小时", "天", "月"}},
  };
  return groups;
}

void ForEachGoodsAttribute(long count, const EmitEntry& emit) {
  std::vector<FixedLine> lines;
  for (const auto& values : kAttributeValues) {
    lines.push_back(FixedLine{1, 0});
    for (size_t v = 0; v < values.size(); ++v) lines.push_back(FixedLine{2, 1});
  }
  const TreePlan plan = PlanTree(lines, count);
  long position = 0, attribute_at = 0;
  std::string attribute_number;
  for (size_t i = 0, a = 0, v = 0; i < lines.size(); ++i) {
    if (lines[i].level == 1) {
      a = i / (kAttributeValues[0].size() + 1);
      v = 0;
    } else {
      ++v;
    }
    if (!plan.kept[i]) continue;
    if (lines[i].level == 1) {
      const bool has_child = i + 1 < lines.size() && plan.kept[i + 1];
      attribute_number = Padded(static_cast<long>(a + 1), 2);
      emit(GeneratedEntry{attribute_number, std::string(kAttributes[a]), 1, !has_child, -1});
      attribute_at = position++;
      continue;
    }
    const std::string number = attribute_number + "." + Padded(static_cast<long>(v), 2);
    const std::string_view value = kAttributeValues[a][v - 1];
    const long below = plan.below[i];
    emit(GeneratedEntry{number, std::string(value), 2, below == 0, attribute_at});
    const long value_at = position++;
    const int width = CodeWidth(below);
    const auto grades = static_cast<long>(kAttributeGrades.size());
    for (long g = 0; g < below; ++g) {
      std::string name =
          std::string(value) + std::string(kAttributeGrades[static_cast<size_t>(g % grades)]);
      if (g >= grades) name += std::to_string(g / grades + 1);
      emit(GeneratedEntry{number + "." + Padded(g + 1, width), std::move(name), 3, true, value_at});
      ++position;
    }
  }
}

std::string VoucherExplanation(long i, NameMaker& names) {
  const auto common = static_cast<long>(kCommonExplanations.size());
  if (i < common) return std::string(kCommonExplanations[static_cast<size_t>(i)]);
  const auto& [form, customer] =
      kExplanationForms[static_cast<size_t>(i) % kExplanationForms.size()];
  const std::string_view city =
      NameMaker::City(static_cast<long>(names.Pick(NameMaker::CityCount())));
  const std::string company = names.Company(
      city, customer ? "机电设备|商贸|实业|工程机械" : "钢铁|化工|包装材料|物流|五金工具");
  const size_t slot = form.find("{}");
  return std::string(form.substr(0, slot)) + company + std::string(form.substr(slot + 2));
}

}  // namespace glnamelist::ledger
