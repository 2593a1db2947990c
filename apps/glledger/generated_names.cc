#include "apps/glledger/generated_names.h"

#include <algorithm>
#include <array>

namespace glnamelist::ledger {
namespace {

// Cities whose characters read differently alone (长沙, 重庆, 厦门) are in the helper codes'
// word list.
constexpr std::array<std::string_view, 44> kCities = {
    "北京", "上海", "天津", "重庆", "广州", "深圳", "杭州", "南京", "苏州", "成都", "武汉",
    "西安", "青岛", "宁波", "无锡", "厦门", "福州", "济南", "郑州", "长沙", "合肥", "南昌",
    "昆明", "贵阳", "南宁", "沈阳", "大连", "长春", "太原", "兰州", "温州", "佛山", "东莞",
    "常州", "徐州", "烟台", "珠海", "中山", "嘉兴", "绍兴", "台州", "泉州", "潍坊", "洛阳"};
constexpr std::array<std::string_view, 10> kDistricts = {
    "高新区", "经开区", "城东", "城西", "城南", "城北", "新区", "港区", "滨江", "开发区"};

// Syllables of invented firm names (字号): any two make one.
constexpr std::string_view kBrandChars =
    "泓泰鑫瑞宏德嘉恒盛隆昌通达源丰茂祥润锦联创宇辰博凯豪腾森涛琪晟昊骏弘铭翔鼎誉峰远";
constexpr std::string_view kCompanyForms =
    "有限公司|有限公司|有限公司|有限公司|有限责任公司|股份有限公司|商行|经营部";

// Invented banks: an uncommon first syllable, a second one and a kind.
constexpr std::array<std::string_view, 20> kBankFirst = {"泓", "澜", "瀚", "蔚", "翊", "岚", "璟",
                                                         "沅", "桦", "榕", "峪", "珩", "昶", "汀",
                                                         "鹭", "渚", "澄", "琨", "曜", "溪"};
constexpr std::array<std::string_view, 19> kBankSecond = {"源", "川", "泽", "汇", "融", "通", "丰",
                                                          "岳", "屿", "信", "嘉", "和", "盈", "泰",
                                                          "宁", "华", "安", "富", "诚"};
constexpr std::array<std::string_view, 3> kBankKinds = {"银行", "商业银行", "村镇银行"};
constexpr std::array<std::string_view, 5> kAccountKinds = {"基本户", "一般户", "专用户", "美元户",
                                                           "保证金户"};

constexpr std::string_view kProjectKinds =
    "生产线改造项目|新品试制项目|技术改造项目|订单生产项目|设备大修项目|厂房扩建项目|"
    "工艺优化项目|产品开发项目";
constexpr std::string_view kPhases = "|||一期|二期|三期";

}  // namespace

// The cities alone first, then each with a district, then numbered rounds of those.
std::string NameMaker::Place(long i) {
  const auto cities = static_cast<long>(kCities.size());
  const auto districts = static_cast<long>(kDistricts.size());
  std::string place(kCities[static_cast<size_t>(i % cities)]);
  const long round = i / cities;
  if (round > 0) place += kDistricts[static_cast<size_t>((round - 1) % districts)];
  if (round > districts) place += std::to_string((round - 1) / districts + 1);
  return place;
}

std::string Padded(long n, int width) {
  std::string text = std::to_string(n);
  if (static_cast<int>(text.size()) < width) {
    text.insert(0, static_cast<size_t>(width) - text.size(), '0');
  }
  return text;
}

int CodeWidth(long n) { return static_cast<int>(std::to_string(std::max(n, 10L)).size()); }

long EvenShare(long total, long parts, long i) {
  return parts <= 0 ? 0 : total / parts + (i < total % parts ? 1 : 0);
}

TreePlan PlanTree(const std::vector<FixedLine>& lines, long count) {
  TreePlan plan{std::vector<bool>(lines.size()), std::vector<long>(lines.size())};
  // Level by level: a line's parent is always kept before it, since a level is reached only
  // while count lasts, and then every line above it was kept.
  int depth = 0;
  for (const FixedLine& line : lines) depth = std::max(depth, line.level);
  for (int level = 1; level <= depth; ++level) {
    for (size_t i = 0; i < lines.size() && count > 0; ++i) {
      if (lines[i].level == level) {
        plan.kept[i] = true;
        --count;
      }
    }
  }
  long weights = 0;
  for (size_t i = 0; i < lines.size(); ++i) weights += plan.kept[i] ? lines[i].weight : 0;
  const long shared = count;
  for (size_t i = 0; i < lines.size() && weights > 0; ++i) {
    if (!plan.kept[i]) continue;
    plan.below[i] = shared * lines[i].weight / weights;
    count -= plan.below[i];
  }
  for (size_t i = 0; count > 0 && weights > 0; i = (i + 1) % lines.size()) {
    if (plan.kept[i] && lines[i].weight > 0) {
      ++plan.below[i];
      --count;
    }
  }
  return plan;
}

std::string_view NameMaker::PickWord(std::string_view words) {
  const auto count = static_cast<size_t>(std::count(words.begin(), words.end(), '|')) + 1;
  size_t n = Pick(count);
  size_t start = 0;
  while (n-- > 0) start = words.find('|', start) + 1;
  return words.substr(start, words.find('|', start) - start);
}

long NameMaker::CityCount() { return static_cast<long>(kCities.size()); }

std::string_view NameMaker::City(long i) {
  return kCities[static_cast<size_t>(i) % kCities.size()];
}

std::string NameMaker::Brand() {
  const size_t brand_chars = kBrandChars.size() / 3;
  std::string brand(kBrandChars.substr(Pick(brand_chars) * 3, 3));
  brand += kBrandChars.substr(Pick(brand_chars) * 3, 3);
  return brand;
}

std::string NameMaker::Company(std::string_view city, std::string_view trades) {
  std::string name(city);
  name += Brand();
  name += PickWord(trades);
  name += PickWord(kCompanyForms);
  return name;
}

std::string NameMaker::Bank(long i) {
  // (i mod first, (i div first) * (first + 1) + i mod second) runs through every pair once.
  const auto first = static_cast<long>(kBankFirst.size());
  const auto second = static_cast<long>(kBankSecond.size());
  const long round = i / (first * second);
  std::string name(kBankFirst[static_cast<size_t>(i % first)]);
  name += kBankSecond[static_cast<size_t>((i / first % second * (first + 1) + i % first) % second)];
  name += kBankKinds[static_cast<size_t>(round % static_cast<long>(kBankKinds.size()))];
  if (round >= static_cast<long>(kBankKinds.size())) {
    name += std::to_string(round / static_cast<long>(kBankKinds.size()) + 1);
  }
  return name;
}

std::string NameMaker::BankAccount(long first, long i) {
  const auto kinds = static_cast<long>(kAccountKinds.size());
  const long at = first + i / kinds;
  std::string name = Place(at) + "支行 ";
  name += kAccountKinds[static_cast<size_t>(i % kinds)];
  name += ' ';
  name += Padded(static_cast<long>(Pick(10000)), 4);
  return name;
}

std::string NameMaker::Project() {
  std::string name(City(static_cast<long>(Pick(kCities.size()))));
  name += Brand();
  name += PickWord(kProjectKinds);
  name += PickWord(kPhases);
  return name;
}

std::string UniqueName(std::unordered_set<std::string>& used,
                       const std::function<std::string(int attempt)>& make) {
  std::string name = make(0);
  for (int attempt = 1; attempt < 16 && used.contains(name); ++attempt) name = make(attempt);
  used.insert(name);
  return name;
}

}  // namespace glnamelist::ledger
