#include "platform/pixel_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace glnamelist::platform {

PixelCanvas::PixelCanvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width * height), 0) {}

uint32_t PixelCanvas::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<size_t>(y * width_ + x)];
}

void PixelCanvas::Set(int x, int y, uint32_t color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<size_t>(y * width_ + x)] = color;
}

void PixelCanvas::FillRect(int x0, int y0, int x1, int y1, uint32_t color) {
  for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) {
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) Set(x, y, color);
  }
}

void PixelCanvas::FrameRect(int x0, int y0, int x1, int y1, uint32_t color) {
  Line(x0, y0, x1, y0, color);
  Line(x0, y1, x1, y1, color);
  Line(x0, y0, x0, y1, color);
  Line(x1, y0, x1, y1, color);
}

void PixelCanvas::Line(int x0, int y0, int x1, int y1, uint32_t color) {
  int dx = std::abs(x1 - x0);
  int dy = -std::abs(y1 - y0);
  int sx = x0 < x1 ? 1 : -1;
  int sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  while (true) {
    Set(x0, y0, color);
    if (x0 == x1 && y0 == y1) break;
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void PixelCanvas::FillCircle(double cx, double cy, double radius, uint32_t color) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      double px = x + 0.5 - cx;
      double py = y + 0.5 - cy;
      if (px * px + py * py <= radius * radius) Set(x, y, color);
    }
  }
}

void PixelCanvas::FillTriangle(double ax, double ay, double bx, double by, double cx, double cy,
                               uint32_t color) {
  auto side = [](double x0, double y0, double x1, double y1, double px, double py) {
    return (x1 - x0) * (py - y0) - (y1 - y0) * (px - x0);
  };
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      double px = x + 0.5;
      double py = y + 0.5;
      double d1 = side(ax, ay, bx, by, px, py);
      double d2 = side(bx, by, cx, cy, px, py);
      double d3 = side(cx, cy, ax, ay, px, py);
      bool negative = d1 < 0 || d2 < 0 || d3 < 0;
      bool positive = d1 > 0 || d2 > 0 || d3 > 0;
      if (!(negative && positive)) Set(x, y, color);
    }
  }
}

}  // namespace glnamelist::platform
