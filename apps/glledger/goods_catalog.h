// The goods of a generated company: item classes (原材料, 产成品, 办公用品, ...), each with
// categories, products below them and goods named by grade, product and size
// (不锈钢304六角螺栓 M8×30); the unit groups with their units; attributes kept as SubMes
// entries.
#ifndef GLNAMELIST_APPS_GLLEDGER_GOODS_CATALOG_H_
#define GLNAMELIST_APPS_GLLEDGER_GOODS_CATALOG_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "apps/glledger/generated_names.h"

namespace glnamelist::ledger {

// The name of item class c (1-based); past the known classes, their names numbered again.
std::string GoodsClassName(int c);

// Hands count items of class c to emit in code order: categories at the top, products below
// them, goods below the products (all of them once there are more items than categories and
// products).
void ForEachGoodsItem(int c, long count, NameMaker& names, const EmitEntry& emit);

// Unit groups and their units.
const std::vector<std::pair<std::string_view, std::vector<std::string_view>>>& UnitGroups();

// Hands count SubMes entries of goods to emit in code order: attributes at the top
// (质量等级), their values below them (一等品), finer grades below the values (一等品A).
void ForEachGoodsAttribute(long count, const EmitEntry& emit);

// The i-th (0-based) voucher explanation: the common ones first, then ones naming invented
// customers and suppliers.
std::string VoucherExplanation(long i, NameMaker& names);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_APPS_GLLEDGER_GOODS_CATALOG_H_
