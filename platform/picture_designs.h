// The designs of the row pictures: key, terminal glyph and drawing, in store order.
#ifndef GLNAMELIST_PLATFORM_PICTURE_DESIGNS_H_
#define GLNAMELIST_PLATFORM_PICTURE_DESIGNS_H_

#include <vector>

#include "platform/pixel_canvas.h"

namespace glnamelist::platform {

struct PictureDesign {
  const char* key;
  const char* glyph;                  // one terminal column, UTF-8
  void (*draw)(PixelCanvas& canvas);  // on a 16x16 canvas
};

const std::vector<PictureDesign>& PictureDesigns();

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_PICTURE_DESIGNS_H_
