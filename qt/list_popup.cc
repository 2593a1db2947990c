#include "qt/list_popup.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "listkit/list_control_base.h"

namespace glnamelist::qt {
namespace {

constexpr int kIconSize = 16;
constexpr int kRowPadding = 6;

}  // namespace

ListPopup::ListPopup(listkit::ListRows& rows, std::function<void(const std::exception&)> report,
                     std::function<void(long row)> choose)
    : QFrame(nullptr, Qt::ToolTip | Qt::FramelessWindowHint),
      model_(rows, std::move(report)),
      delegate_(new MarkDelegate(this)),
      view_(new QTableView(this)),
      position_(new QLabel(this)) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  view_->setModel(&model_);
  view_->setItemDelegate(delegate_);
  view_->setFocusPolicy(Qt::NoFocus);
  view_->setFrameShape(QFrame::NoFrame);
  view_->setShowGrid(false);
  view_->setWordWrap(false);
  view_->setIconSize(QSize(kIconSize, kIconSize));
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The selection is the list's to move; a click chooses a row.
  view_->setSelectionMode(QAbstractItemView::NoSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_->horizontalHeader()->hide();
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // Never active, the popup would draw its selection in the inactive colours.
  QPalette palette = view_->palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  view_->setPalette(palette);
  position_->setContentsMargins(6, 2, 6, 2);
  position_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  position_->setAccessibleName("位置");
  position_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* layout = new QVBoxLayout(this);
  // As tall as the rows it shows, however few: the popup's size is set from the rows, not
  // from what the table would like.
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(view_, 1);
  layout->addWidget(position_);
  connect(view_, &QAbstractItemView::clicked, this, [this, choose](const QModelIndex& index) {
    // Later, from the event loop: choosing may fill the list anew under the click.
    long row = index.row() + 1;
    QTimer::singleShot(0, this, [choose, row] { choose(row); });
  });
}

void ListPopup::ShowUnder(QLineEdit* line, const QFont& font, bool found, const std::string& marked,
                          long selection) {
  found_ = found;
  delegate_->SetMarked(marked);
  model_.Reset();
  view_->setFont(font);
  position_->setFont(font);
  int row_height = std::max(QFontMetrics(font).height(), kIconSize) + kRowPadding;
  view_->verticalHeader()->setDefaultSectionSize(row_height);
  position_->setText(PositionLine(selection));
  long rows = model_.rowCount();
  int chrome = position_->sizeHint().height() + 2 * frameWidth();
  QRect room = RoomFor(line, std::clamp(rows, 1L, kMaxShownRows) * row_height + chrome);
  page_ = std::clamp(std::min(rows, static_cast<long>((room.height() - chrome) / row_height)), 1L,
                     kMaxShownRows);
  view_->scrollToTop();
  int width = FitColumns(found) + 2 * frameWidth();
  if (rows > page_) width += view_->verticalScrollBar()->sizeHint().width();
  if (line) width = std::max(width, line->width());
  Place(room, line, width, static_cast<int>(page_) * row_height + chrome);
  Describe(line, rows);
  show();
  Select(selection);
}

QRect ListPopup::RoomFor(QLineEdit* line, int height) const {
  QScreen* screen = line ? line->screen() : QGuiApplication::primaryScreen();
  QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
  if (!line) return room;
  QRect box(line->mapToGlobal(QPoint(0, 0)), line->size());
  QRect below(room.left(), box.bottom() + 1, room.width(), room.bottom() - box.bottom());
  QRect above(room.left(), room.top(), room.width(), box.top() - room.top());
  return below.height() >= height || below.height() >= above.height() ? below : above;
}

void ListPopup::Place(const QRect& room, QLineEdit* line, int width, int height) {
  width = std::min(width, room.width());
  height = std::min(height, room.height());
  int x = line ? line->mapToGlobal(QPoint(0, 0)).x() : room.left();
  x = std::clamp(x, room.left(), std::max(room.left(), room.right() + 1 - width));
  bool above = line && room.bottom() < line->mapToGlobal(QPoint(0, 0)).y();
  int y = above ? room.bottom() + 1 - height : room.top();
  setGeometry(x, y, width, height);
  // What the columns do not need goes to the last one.
  int last = model_.columnCount() - 1;
  int used = 0;
  for (int c = 0; c < last; ++c) used += view_->isColumnHidden(c) ? 0 : view_->columnWidth(c);
  int room_left = width - 2 * frameWidth() - used;
  if (model_.rowCount() > page_) room_left -= view_->verticalScrollBar()->sizeHint().width();
  if (last > 0) view_->setColumnWidth(last, std::max(room_left, 0));
}

void ListPopup::Describe(QLineEdit* line, long rows) {
  view_->setAccessibleName((line ? line->accessibleName() : QString()) + "列表");
  QString count = rows == 0 ? QString(listkit::kNoRowsText) : QString("共 %1 行").arg(rows);
  QString description = found_ ? QString(listkit::kFoundTitle) + "，" + count : count;
  // Said each time a list opens: a change of the description is announced by Qt itself.
  if (view_->accessibleDescription() != description) {
    view_->setAccessibleDescription(description);
  } else if (QAccessible::isActive()) {
    QAccessibleEvent event(view_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }
}

int ListPopup::FitColumns(bool found) {
  // Qt measures a column by at most this many rows, from the first shown: the rows it is
  // about to paint, and no others.
  view_->horizontalHeader()->setResizeContentsPrecision(static_cast<int>(page_));
  view_->verticalHeader()->setResizeContentsPrecision(static_cast<int>(page_));
  view_->setColumnHidden(1, false);
  view_->resizeColumnsToContents();
  int columns = model_.columnCount();
  if (columns > 1) {
    bool short_code = model_.CellOf(1) == 0;
    view_->setColumnHidden(1,
                           short_code && !listkit::ShowsShortCode(model_.Rows(), 1, page_, !found));
  }
  int width = 0;
  for (int c = 0; c < columns; ++c) {
    if (!view_->isColumnHidden(c)) width += view_->columnWidth(c);
  }
  return width;
}

void ListPopup::Select(long selection) {
  if (selection >= 1 && selection <= model_.rowCount()) {
    QModelIndex index = model_.index(static_cast<int>(selection - 1), 0);
    view_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_->scrollTo(index);
  } else {
    view_->selectionModel()->clear();  // no current row until the user moves to one
  }
  position_->setText(PositionLine(selection));
}

QString ListPopup::PositionLine(long selection) const {
  long rows = model_.rowCount();
  QString where = rows == 0 ? QString(listkit::kNoRowsText)
                            : QString::fromStdString(listkit::PositionText(selection, rows));
  return found_ ? QString(listkit::kFoundTitle) + "  " + where : where;
}

}  // namespace glnamelist::qt
