// A small RGBA canvas with the shapes the row pictures are drawn from.
#ifndef GLNAMELIST_PLATFORM_PIXEL_CANVAS_H_
#define GLNAMELIST_PLATFORM_PIXEL_CANVAS_H_

#include <cstdint>
#include <vector>

namespace glnamelist::platform {

// Pixels are 0xRRGGBBAA, row by row, all transparent at the start. Coordinates are pixel
// columns and rows; shapes are clipped to the canvas; rectangle corners are inclusive.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  uint32_t At(int x, int y) const;  // 0 outside the canvas

  void Set(int x, int y, uint32_t color);
  void FillRect(int x0, int y0, int x1, int y1, uint32_t color);
  void FrameRect(int x0, int y0, int x1, int y1, uint32_t color);
  void Line(int x0, int y0, int x1, int y1, uint32_t color);
  // Every pixel whose centre lies within radius of (cx, cy).
  void FillCircle(double cx, double cy, double radius, uint32_t color);
  // Every pixel whose centre lies inside the triangle.
  void FillTriangle(double ax, double ay, double bx, double by, double cx, double cy,
                    uint32_t color);

  std::vector<uint32_t> TakePixels() { return std::move(pixels_); }

 private:
  int width_;
  int height_;
  std::vector<uint32_t> pixels_;
};

}  // namespace glnamelist::platform

#endif  // GLNAMELIST_PLATFORM_PIXEL_CANVAS_H_
