#include "platform/picture_designs.h"

namespace glnamelist::platform {
namespace {

constexpr uint32_t kClear = 0x00000000;
constexpr uint32_t kOutline = 0x404040FF;
constexpr uint32_t kGray = 0x909090FF;
constexpr uint32_t kPaper = 0xFFFFFFFF;
constexpr uint32_t kInk = 0x5070A0FF;
constexpr uint32_t kRed = 0xD03030FF;
constexpr uint32_t kGreen = 0x30A040FF;
constexpr uint32_t kBlue = 0x3070D0FF;
constexpr uint32_t kOrange = 0xF09030FF;
constexpr uint32_t kGold = 0xFFD040FF;
constexpr uint32_t kDarkGold = 0xB08010FF;
constexpr uint32_t kFolder = 0xF0C040FF;
constexpr uint32_t kDarkFolder = 0xC09020FF;
constexpr uint32_t kCardboard = 0xC8964BFF;
constexpr uint32_t kLightCardboard = 0xE0B878FF;
constexpr uint32_t kStone = 0x8898B0FF;

// A cardboard box seen from the front, its top and right side showing.
void DrawItem(PixelCanvas& c) {
  for (int y = 3; y <= 5; ++y) c.FillRect(5 - (y - 3), y, 14 - (y - 3), y, kLightCardboard);
  for (int x = 12; x <= 14; ++x) c.FillRect(x, 6 - (x - 11), x, 14 - (x - 11), kDarkFolder);
  c.FillRect(2, 6, 11, 14, kCardboard);
  c.FrameRect(2, 6, 11, 14, kOutline);
  c.Line(2, 6, 5, 3, kOutline);
  c.Line(5, 3, 14, 3, kOutline);
  c.Line(14, 3, 14, 11, kOutline);
  c.Line(11, 14, 14, 11, kOutline);
  c.Line(11, 6, 14, 3, kOutline);
  c.Line(6, 7, 6, 10, kLightCardboard);  // tape
}

// A sheet of paper with a folded corner and lines of text.
void DrawDetail(PixelCanvas& c) {
  c.FillRect(3, 1, 12, 14, kPaper);
  c.FrameRect(3, 1, 12, 14, kGray);
  c.FillTriangle(9.5, 1, 13, 1, 13, 4.5, kClear);
  c.FillTriangle(9.5, 1, 9.5, 4.5, 13, 4.5, 0xD8D8D8FF);
  c.Line(9, 1, 12, 4, kGray);
  for (int y = 6; y <= 10; y += 2) c.Line(5, y, 10, y, kInk);
  c.Line(5, 12, 8, 12, kInk);
}

// A gold coin with a currency mark.
void DrawCash(PixelCanvas& c) {
  c.FillCircle(8, 8, 7.5, kDarkGold);
  c.FillCircle(8, 8, 6.2, kGold);
  c.Line(5, 4, 8, 7, kDarkGold);
  c.Line(11, 4, 8, 7, kDarkGold);
  c.Line(8, 7, 8, 12, kDarkGold);
  c.Line(6, 8, 10, 8, kDarkGold);
  c.Line(6, 10, 10, 10, kDarkGold);
}

// A building with a pediment, three columns and steps.
void DrawBank(PixelCanvas& c) {
  c.FillTriangle(0.5, 5.5, 8, 0.5, 15.5, 5.5, kStone);
  c.FillRect(1, 5, 14, 6, kOutline);
  for (int x = 2; x <= 11; x += 4) c.FillRect(x + 1, 7, x + 2, 12, kStone);
  c.FillRect(1, 13, 14, 13, kOutline);
  c.FillRect(0, 14, 15, 15, kStone);
}

// A closed folder.
void DrawParent(PixelCanvas& c) {
  c.FillRect(1, 2, 6, 4, kDarkFolder);
  c.FillRect(1, 4, 14, 13, kFolder);
  c.FrameRect(1, 4, 14, 13, kDarkFolder);
}

// An open folder: the back and a front flap tilted towards the viewer.
void DrawOpen(PixelCanvas& c) {
  c.FillRect(1, 2, 6, 4, kDarkFolder);
  c.FillRect(1, 4, 13, 13, kDarkFolder);
  c.FillRect(3, 5, 12, 8, kPaper);
  c.FillTriangle(4, 7, 15.5, 7, 12.5, 14.5, 0xF8D870FF);
  c.FillTriangle(4, 7, 12.5, 14.5, 0.5, 14.5, 0xF8D870FF);
  c.Line(4, 7, 15, 7, kDarkFolder);
  c.Line(15, 7, 12, 14, kDarkFolder);
  c.Line(1, 14, 12, 14, kDarkFolder);
}

// A cut gem.
void DrawAsset(PixelCanvas& c) {
  constexpr uint32_t kGem = 0x40A0E0FF;
  c.FillRect(4, 3, 11, 5, 0x80C8F0FF);
  c.FillTriangle(0.5, 6, 4, 2.5, 4, 6, 0x80C8F0FF);
  c.FillTriangle(12, 2.5, 15.5, 6, 12, 6, 0x80C8F0FF);
  c.FillTriangle(0.5, 6, 15.5, 6, 8, 15, kGem);
  c.Line(1, 6, 14, 6, kPaper);
  c.Line(5, 6, 8, 13, 0x2070B0FF);
  c.Line(10, 6, 8, 13, 0x2070B0FF);
}

// Two arrows in opposite directions: money owed to us and by us.
void DrawArap(PixelCanvas& c) {
  c.FillRect(1, 4, 10, 5, kGreen);
  c.FillTriangle(9.5, 1, 15.5, 5, 9.5, 9, kGreen);
  c.FillRect(5, 10, 14, 11, kRed);
  c.FillTriangle(6.5, 7, 0.5, 11, 6.5, 15, kRed);
}

// Axes of a chart.
void DrawAxes(PixelCanvas& c) {
  c.Line(1, 1, 1, 14, kGray);
  c.Line(1, 14, 14, 14, kGray);
}

// Two bars of different heights with the difference marked between their tops.
void DrawCostDiff(PixelCanvas& c) {
  DrawAxes(c);
  c.FillRect(3, 4, 6, 13, kBlue);
  c.FillRect(9, 9, 12, 13, kOrange);
  c.Line(7, 4, 13, 4, kRed);
  c.Line(14, 4, 14, 8, kRed);
  c.Line(13, 8, 14, 8, kRed);
}

// A falling line on a chart.
void DrawDepr(PixelCanvas& c) {
  DrawAxes(c);
  for (int d = 0; d <= 1; ++d) {
    c.Line(2, 2 + d, 6, 5 + d, kRed);
    c.Line(6, 5 + d, 9, 7 + d, kRed);
    c.Line(9, 7 + d, 12, 11 + d, kRed);
  }
  c.FillTriangle(15.5, 14, 10, 12.5, 14, 9, kRed);
}

// A red apple with a stem and a leaf.
void DrawApple(PixelCanvas& c) {
  c.FillCircle(5.5, 9.5, 4.8, kRed);
  c.FillCircle(10.5, 9.5, 4.8, kRed);
  c.FillCircle(8, 11, 4.5, kRed);
  c.Line(8, 2, 8, 5, 0x805020FF);
  c.FillTriangle(9, 3.5, 14, 1, 12.5, 4.5, kGreen);
  c.FillRect(4, 7, 4, 9, 0xF0A0A0FF);
}

// A shopping cart.
void DrawPurchase(PixelCanvas& c) {
  c.Line(0, 2, 2, 2, kOutline);
  c.Line(2, 2, 4, 10, kOutline);
  c.FillRect(4, 4, 14, 8, 0xC0D8F0FF);
  c.Line(3, 4, 14, 4, kOutline);
  c.Line(14, 4, 13, 8, kOutline);
  c.Line(13, 8, 4, 8, kOutline);
  for (int x = 6; x <= 12; x += 3) c.Line(x, 4, x, 8, kOutline);
  c.Line(4, 10, 13, 10, kOutline);
  c.FillCircle(5.5, 12.5, 1.6, kOutline);
  c.FillCircle(12.5, 12.5, 1.6, kOutline);
}

// A percent sign of two dots and a slash.
void DrawPercent(PixelCanvas& c, int x0, int y0, uint32_t color) {
  c.FillRect(x0, y0, x0 + 1, y0 + 1, color);
  c.FillRect(x0 + 4, y0 + 5, x0 + 5, y0 + 6, color);
  c.Line(x0 + 5, y0, x0, y0 + 6, color);
}

// A receipt with a torn edge and a percent sign.
void DrawPurchaseTax(PixelCanvas& c) {
  c.FillRect(3, 1, 12, 13, kPaper);
  for (int x = 3; x <= 12; ++x) c.Set(x, x % 2 ? 14 : 13, kPaper);
  c.Line(3, 1, 3, 13, kGray);
  c.Line(12, 1, 12, 13, kGray);
  c.Line(3, 1, 12, 1, kGray);
  DrawPercent(c, 5, 3, kRed);
  c.Line(5, 11, 10, 11, kInk);
}

// A price tag with a hole and a percent sign.
void DrawSaleTax(PixelCanvas& c) {
  c.FillRect(5, 2, 14, 13, kOrange);
  c.FillTriangle(5.5, 2, 5.5, 14, 0.5, 8, kOrange);
  c.FillCircle(4.5, 8, 1.2, kClear);
  DrawPercent(c, 8, 4, kPaper);
}

}  // namespace

const std::vector<PictureDesign>& PictureDesigns() {
  static const std::vector<PictureDesign> designs = {
      {"Item", "\u25AA", DrawItem},
      {"Detail", "\u2219", DrawDetail},
      {"Cash", "$", DrawCash},
      {"Bank", "#", DrawBank},
      {"Parent", "\u229E", DrawParent},
      {"Open", "\u229F", DrawOpen},
      {"Asset", "\u2666", DrawAsset},
      {"ARAP", "\u21C4", DrawArap},
      {"CostDiff", "\u2206", DrawCostDiff},
      {"Depr", "\u21E3", DrawDepr},
      {"Apple", "\u022F", DrawApple},
      {"Purchase", "\u21E0", DrawPurchase},
      {"PurchaseTax", "\u00A2", DrawPurchaseTax},
      {"SaleTax", "%", DrawSaleTax},
  };
  return designs;
}

}  // namespace glnamelist::platform
