#include "qt/mark_delegate.h"

#include <QApplication>
#include <QPainter>

#include "listkit/marks.h"

namespace glnamelist::qt {
namespace {

const QColor kMarkColor(255, 214, 102);

// The characters of text (UTF-16 units) before its byte `offset` in UTF-8.
int UnitsBefore(const std::string& utf8, size_t offset) {
  return static_cast<int>(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(offset)).size());
}

}  // namespace

void MarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  QString text = opt.text;
  opt.text.clear();
  QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
  if (text.isEmpty()) return;

  int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
  QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget)
                   .adjusted(margin, 0, -margin, 0);
  QString shown = opt.fontMetrics.elidedText(text, Qt::ElideRight, area.width());
  bool selected = opt.state.testFlag(QStyle::State_Selected);
  painter->save();
  std::string utf8 = shown.toStdString();
  for (auto [begin, end] : listkit::FindAll(utf8, marked_)) {
    int from = UnitsBefore(utf8, begin);
    int to = UnitsBefore(utf8, end);
    int x = area.x() + opt.fontMetrics.horizontalAdvance(shown.left(from));
    int width = opt.fontMetrics.horizontalAdvance(shown.mid(from, to - from));
    painter->fillRect(QRect(x, area.y() + 1, width, area.height() - 2),
                      selected ? opt.palette.highlight().color().lighter(150) : kMarkColor);
  }
  painter->setFont(opt.font);
  painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
  painter->restore();
}

}  // namespace glnamelist::qt
