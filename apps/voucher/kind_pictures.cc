#include "apps/voucher/kind_pictures.h"

#include <map>

#include "contracts/list_kinds.h"
#include "platform/picture_store.h"

namespace glnamelist::voucher {
namespace {

constexpr uint32_t kOutline = 0x404040FF;
constexpr uint32_t kPaper = 0xFFFFFFFF;
constexpr uint32_t kInk = 0x5070A0FF;
constexpr uint32_t kPencil = 0xF0A030FF;
constexpr uint32_t kFolder = 0x70A8E0FF;
constexpr uint32_t kDarkFolder = 0x3F78B8FF;
constexpr uint32_t kTag = 0x60B060FF;
constexpr uint32_t kDarkTag = 0x2F7F3FFF;
constexpr uint32_t kRuler = 0xE8C860FF;
constexpr uint32_t kDarkRuler = 0xA08020FF;
constexpr uint32_t kNode = 0x8060C0FF;
constexpr uint32_t kCard = 0x4090A0FF;
constexpr uint32_t kStripe = 0x204850FF;

// A note with lines of text and a pencil across it: the words of an explanation.
void DrawExplanation(platform::PixelCanvas& c) {
  c.FillRect(2, 1, 11, 14, kPaper);
  c.FrameRect(2, 1, 11, 14, kOutline);
  for (int y = 4; y <= 10; y += 3) c.Line(4, y, 9, y, kInk);
  c.Line(7, 14, 14, 7, kPencil);
  c.Line(8, 14, 15, 7, kPencil);
  c.Line(6, 15, 7, 14, kOutline);
}

// A closed folder, blue: a class of items.
void DrawItemClass(platform::PixelCanvas& c) {
  c.FillRect(1, 3, 6, 5, kDarkFolder);
  c.FillRect(1, 5, 14, 13, kFolder);
  c.FrameRect(1, 5, 14, 13, kDarkFolder);
}

// A label on a string: an item.
void DrawItem(platform::PixelCanvas& c) {
  c.FillTriangle(1.5, 8, 5.5, 3.5, 5.5, 12.5, kTag);
  c.FillRect(5, 4, 14, 12, kTag);
  c.FrameRect(5, 4, 14, 12, kDarkTag);
  c.Line(1, 8, 5, 4, kDarkTag);
  c.Line(1, 8, 5, 12, kDarkTag);
  c.FillCircle(5, 8, 1.2, kPaper);
}

// A ruler with its marks.
void DrawRulerAt(platform::PixelCanvas& c, int top) {
  c.FillRect(0, top, 15, top + 4, kRuler);
  c.FrameRect(0, top, 15, top + 4, kDarkRuler);
  for (int x = 3; x <= 12; x += 3) c.Line(x, top + 1, x, top + (x % 6 == 0 ? 3 : 2), kOutline);
}

// One ruler: a unit.
void DrawUnit(platform::PixelCanvas& c) { DrawRulerAt(c, 6); }

// Two rulers: a group of units.
void DrawUnitGroup(platform::PixelCanvas& c) {
  DrawRulerAt(c, 2);
  DrawRulerAt(c, 9);
}

// A node with two below it: an entry with the entries under it.
void DrawSubMes(platform::PixelCanvas& c) {
  c.Line(4, 4, 4, 12, kOutline);
  c.Line(4, 8, 10, 8, kOutline);
  c.Line(4, 12, 10, 12, kOutline);
  c.FillRect(2, 1, 6, 4, kNode);
  c.FillRect(10, 6, 14, 9, kNode);
  c.FillRect(10, 11, 14, 14, kNode);
}

// A bank card: how a payment is settled.
void DrawSettlement(platform::PixelCanvas& c) {
  c.FillRect(0, 3, 15, 12, kCard);
  c.FrameRect(0, 3, 15, 12, kStripe);
  c.FillRect(1, 5, 14, 6, kStripe);
  c.FillRect(2, 9, 5, 10, kRuler);
}

const std::map<long, platform::PictureDesign>& Designs() {
  static const std::map<long, platform::PictureDesign> designs = {
      {nlVchExp, {"Form.Explanation", "\u00B6", DrawExplanation}},
      {nlItemClass, {"Form.ItemClass", "\u25B8", DrawItemClass}},
      {nlItem, {"Form.Item", "\u2022", DrawItem}},
      {nlUnitGroup, {"Form.UnitGroup", "\u2237", DrawUnitGroup}},
      {nlUnit, {"Form.Unit", "\u2218", DrawUnit}},
      {nlSubMes, {"Form.SubMes", "\u251C", DrawSubMes}},
      {nlSettleType, {"Form.Settlement", "\u00A4", DrawSettlement}},
  };
  return designs;
}

}  // namespace

PicturePtr KindPicture(long kind) {
  static std::map<long, PicturePtr> drawn;
  auto design = Designs().find(kind);
  if (design == Designs().end()) return nullptr;
  PicturePtr& picture = drawn[kind];
  if (!picture) picture = platform::DrawPicture(design->second);
  return picture;
}

std::string KindGlyph(const std::string& key) {
  for (const auto& [kind, design] : Designs()) {
    if (key == design.key) return design.glyph;
  }
  return "";
}

}  // namespace glnamelist::voucher
