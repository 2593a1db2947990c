// Paints a list's cells with the typed text marked wherever it stands in them.
#ifndef GLNAMELIST_QT_MARK_DELEGATE_H_
#define GLNAMELIST_QT_MARK_DELEGATE_H_

#include <QStyledItemDelegate>
#include <string>

namespace glnamelist::qt {

class MarkDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The text to mark (UTF-8); empty marks nothing.
  void SetMarked(std::string marked) { marked_ = std::move(marked); }

  // The cell as the style draws it, its text cut to the cell with "…" when it is too long,
  // with a background behind each occurrence of the marked text.
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  std::string marked_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_QT_MARK_DELEGATE_H_
