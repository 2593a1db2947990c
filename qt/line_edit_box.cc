#include "qt/line_edit_box.h"

#include <QApplication>
#include <memory>

#include "qt/line_edit_window.h"

namespace glnamelist::qt {
namespace {
constexpr double kPointsPerPixel = 0.75;  // at 96 pixels to the inch
}  // namespace

double QtFont::Size() const {
  return font_.pointSizeF() > 0 ? font_.pointSizeF() : font_.pixelSize() * kPointsPerPixel;
}

QFont ToQFont(const FontPtr& font) {
  if (auto* qt_font = dynamic_cast<const QtFont*>(font.get())) return qt_font->font();
  QFont out = QApplication::font();
  if (!font) return out;
  if (!font->Name().empty()) out.setFamily(QString::fromStdString(font->Name()));
  if (font->Size() > 0) out.setPointSizeF(font->Size());
  out.setBold(font->Bold());
  return out;
}

LineEditBox::LineEditBox(QLineEdit* line) : line_(line), hwnd_(LineEditWindow::Of(line).hWnd()) {}

FontPtr LineEditBox::Font() const {
  return line_ ? std::make_shared<QtFont>(line_->font()) : nullptr;
}

}  // namespace glnamelist::qt
