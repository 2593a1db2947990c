// A one-line label that never asks for room for its text: a text longer than the label
// ends in "…", and the whole text is its tool tip.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_ELIDED_LABEL_H_
#define GLNAMELIST_APPS_VOUCHER_QT_ELIDED_LABEL_H_

#include <QLabel>
#include <QString>

namespace glnamelist::qt {

class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  // The whole text; the label shows what fits of it.
  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString full_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_ELIDED_LABEL_H_
