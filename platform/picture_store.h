// The row pictures: 14 pictures of 16x16 RGBA pixels drawn by code, one per key.
#ifndef GLNAMELIST_PLATFORM_PICTURE_STORE_H_
#define GLNAMELIST_PLATFORM_PICTURE_STORE_H_

#include <map>
#include <string>
#include <vector>

#include "contracts/api.h"
#include "contracts/picture.h"
#include "platform/picture_designs.h"

namespace glnamelist::platform {

inline constexpr int kPictureSize = 16;

class PictureStore {
 public:
  // The keys in store order: Item, Detail, Cash, Bank, Parent, Open, Asset, ARAP, CostDiff,
  // Depr, Apple, Purchase, PurchaseTax, SaleTax.
  static const std::vector<std::string>& Keys();

  // The picture under key (its Key() is key), drawn at the first request and the same
  // object at every later one. Error 35601 "Element not found" for an unknown key (keys
  // are matched exactly).
  PicturePtr Get(const std::string& key);

 private:
  std::map<std::string, PicturePtr> pictures_;
};

// The picture design draws, kPictureSize pixels square, under the design's key: the
// store's pictures, and a host's own drawn the same way.
PicturePtr DrawPicture(const PictureDesign& design);

// A one-column glyph (UTF-8) that stands for the picture of key in a text terminal; a
// space for the empty key or an unknown one.
GLNAMELIST_INTERNAL std::string PictureGlyph(const std::string& key);

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_PICTURE_STORE_H_
