// The text box a GLNameList attaches to, over a QLineEdit, and the line edit's font.
#ifndef GLNAMELIST_QT_LINE_EDIT_BOX_H_
#define GLNAMELIST_QT_LINE_EDIT_BOX_H_

#include <QFont>
#include <QLineEdit>
#include <QPointer>

#include "contracts/font.h"
#include "contracts/text_box.h"

namespace glnamelist::qt {

// A Qt font as the component passes it on: its family, size in points and weight.
class QtFont : public glnamelist::Font {
 public:
  explicit QtFont(const QFont& font) : font_(font) {}
  std::string Name() const override { return font_.family().toStdString(); }
  double Size() const override;
  bool Bold() const override { return font_.bold(); }
  const QFont& font() const { return font_; }

 private:
  QFont font_;
};

// The Qt font a list shows in for font: font's own when it is a QtFont, else one made from
// its family, size and weight (the application's font for none).
QFont ToQFont(const FontPtr& font);

// The window of a line edit (line_edit_window.h) and its font. Once the line edit is gone
// the handle stays, but names no window.
class LineEditBox : public TextBox {
 public:
  explicit LineEditBox(QLineEdit* line);
  long hWnd() const override { return hwnd_; }
  // The line edit's font at the time of the call; Nothing once the line edit is gone.
  FontPtr Font() const override;

 private:
  QPointer<QLineEdit> line_;
  long hwnd_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_LINE_EDIT_BOX_H_
