#include "platform/picture_store.h"

#include <memory>
#include <utility>

#include "contracts/error.h"
#include "platform/picture_designs.h"
#include "platform/pixel_canvas.h"

namespace glnamelist::platform {
namespace {

constexpr long kElementNotFound = 35601;

const PictureDesign* FindDesign(const std::string& key) {
  for (const PictureDesign& d : PictureDesigns()) {
    if (key == d.key) return &d;
  }
  return nullptr;
}

class StoredPicture : public Picture {
 public:
  StoredPicture(std::string key, std::vector<uint32_t> pixels)
      : key_(std::move(key)), pixels_(std::move(pixels)) {}

  int Width() const override { return kPictureSize; }
  int Height() const override { return kPictureSize; }
  const std::vector<uint32_t>& Pixels() const override { return pixels_; }
  std::string Key() const override { return key_; }

 private:
  std::string key_;
  std::vector<uint32_t> pixels_;
};

}  // namespace

const std::vector<std::string>& PictureStore::Keys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> k;
    for (const PictureDesign& d : PictureDesigns()) k.emplace_back(d.key);
    return k;
  }();
  return keys;
}

PicturePtr PictureStore::Get(const std::string& key) {
  auto it = pictures_.find(key);
  if (it != pictures_.end()) return it->second;
  const PictureDesign* design = FindDesign(key);
  if (!design) throw Error(kElementNotFound, "Element not found");
  PicturePtr picture = DrawPicture(*design);
  pictures_.emplace(key, picture);
  return picture;
}

PicturePtr DrawPicture(const PictureDesign& design) {
  PixelCanvas canvas(kPictureSize, kPictureSize);
  design.draw(canvas);
  return std::make_shared<StoredPicture>(design.key, canvas.TakePixels());
}

std::string PictureGlyph(const std::string& key) {
  const PictureDesign* design = FindDesign(key);
  return design ? design->glyph : " ";
}

}  // namespace glnamelist::platform
