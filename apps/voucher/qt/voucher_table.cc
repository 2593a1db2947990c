#include "apps/voucher/qt/voucher_table.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "apps/voucher/money.h"
#include "apps/voucher/voucher_grid.h"

namespace glnamelist::qt {
namespace {

using voucher::Column;

// How many digits wide each text column asks to be; the amount columns ask for the largest
// amount.
constexpr int kColumnChars[voucher::kColumns] = {16, 12, 8, 12, 6, 0, 0, 10, 12, 8, 8};
constexpr int kShownLines = 12;
const char* const kErrorStyle = "color: #b00020;";

bool IsAmount(int column) {
  auto c = static_cast<Column>(column);
  return c == Column::kDebit || c == Column::kCredit;
}
// A column of figures (the amounts, rates, quantities, ...), aligned right.
bool IsFigure(int column) { return voucher::ColumnListKind(static_cast<Column>(column)) == 0; }

// Between a cell's edge and its text, as the style draws a cell.
int TextMargin(const QWidget* view) {
  return view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
}

}  // namespace

VoucherTable::VoucherTable(QWidget* parent) : QWidget(parent) {
  view_ = new QTableView(this);
  model_ = new QStandardItemModel(0, voucher::kColumns, this);
  view_->setModel(model_);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionMode(QAbstractItemView::NoSelection);
  view_->setFocusPolicy(Qt::NoFocus);
  view_->setAccessibleName("凭证分录");
  view_->setWordWrap(false);
  view_->setTextElideMode(Qt::ElideRight);
  SizeColumns();
  view_->setMinimumHeight(kShownLines * view_->verticalHeader()->defaultSectionSize());

  totals_row_ = new QWidget(this);
  const char* const names[kTotals] = {"合计", "差额", "借方合计", "贷方合计"};
  for (int t = 0; t < kTotals; ++t) {
    totals_[t] = new QLabel(totals_row_);
    totals_[t]->setAccessibleName(names[t]);
    totals_[t]->setAlignment((t == kCaption ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
  }
  totals_[kCaption]->setText(names[kCaption]);
  totals_row_->setFixedHeight(totals_[kCaption]->sizeHint().height());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  capitals_ = new QLabel(this);
  capitals_->setAccessibleName("人民币大写");
  layout->addWidget(view_, 1);
  layout->addWidget(totals_row_);
  layout->addWidget(capitals_);

  view_->viewport()->installEventFilter(this);
  totals_row_->installEventFilter(this);
  connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { PlaceTotals(); });
  connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlaceTotals(); });
}

void VoucherTable::SizeColumns() {
  int digit = view_->fontMetrics().horizontalAdvance('0');
  QString largest =
      QString::fromStdString(voucher::Money::FromCents(-voucher::Money::kMaxCents).Text());
  // Room for the largest amount in its cell and in the line edit over the cell.
  int amount =
      view_->fontMetrics().horizontalAdvance(largest) +
      std::max(2 * TextMargin(view_), 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 6);
  QHeaderView* header = view_->horizontalHeader();
  for (int c = 0; c < voucher::kColumns; ++c) {
    model_->setHorizontalHeaderItem(
        c, new QStandardItem(voucher::ColumnTitle(static_cast<Column>(c))));
    widths_[c] =
        std::max(IsAmount(c) ? amount : kColumnChars[c] * digit, header->sectionSizeHint(c));
    view_->setColumnWidth(c, widths_[c]);
    if (IsAmount(c)) header->setSectionResizeMode(c, QHeaderView::Fixed);
  }
  // The model keeps a line's cells; the header shows them as a person moves through them.
  for (int at = 0; at < voucher::kColumns; ++at) {
    header->moveSection(header->visualIndex(static_cast<int>(voucher::ColumnOrder()[at])), at);
  }
  header->setSectionResizeMode(static_cast<int>(Column::kExplanation), QHeaderView::Stretch);
}

void VoucherTable::Show(const voucher::Voucher& voucher,
                        const std::function<bool(int line)>& marked, const std::string& under,
                        const std::function<bool(int line, Column column)>& opened) {
  capitals_->setText(QString::fromStdString(under));
  for (Column c : {Column::kRate, Column::kOriginal, Column::kQuantity, Column::kPrice}) {
    bool shown = false;
    for (int line = 0; opened && line < static_cast<int>(voucher.lines.size()); ++line) {
      shown = shown || opened(line, c);
    }
    view_->setColumnHidden(static_cast<int>(c), !shown);
  }
  int lines = static_cast<int>(voucher.lines.size());
  model_->setRowCount(lines);
  for (int line = 0; line < lines; ++line) {
    QString number = QString::number(line + 1);
    if (marked && marked(line)) number.prepend('!');
    QStandardItem* header = model_->verticalHeaderItem(line);
    if (!header) model_->setVerticalHeaderItem(line, header = new QStandardItem);
    header->setText(number);
    for (int c = 0; c < voucher::kColumns; ++c) {
      QStandardItem* item = model_->item(line, c);
      if (!item) model_->setItem(line, c, item = new QStandardItem);
      item->setText(QString::fromStdString(voucher.lines[line].cells[c]));
      if (IsFigure(c)) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
  }
  voucher::Totals totals = voucher::TotalsOf(voucher);
  totals_[kDebitTotal]->setText(QString::fromStdString(totals.debit.Text()));
  totals_[kCreditTotal]->setText(QString::fromStdString(totals.credit.Text()));
  totals_[kDifference]->setText(
      totals.Balanced() ? QString() : QString::fromStdString("差额 " + totals.Difference().Text()));
  for (Total t : {kDifference, kDebitTotal, kCreditTotal}) {
    totals_[t]->setStyleSheet(totals.Balanced() ? "" : kErrorStyle);
  }
  PlaceTotals();
}

QSize VoucherTable::sizeHint() const {
  int width = 2 * view_->frameWidth() + view_->verticalHeader()->sizeHint().width() +
              style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view_);
  for (int w : widths_) width += w;
  return {std::max(width, QWidget::sizeHint().width()), QWidget::sizeHint().height()};
}

bool VoucherTable::eventFilter(QObject* /*watched*/, QEvent* event) {
  if (event->type() == QEvent::Resize || event->type() == QEvent::Move) PlaceTotals();
  return false;
}

void VoucherTable::PlaceTotals() {
  // Where column `c` begins and ends in the row of totals.
  auto left = [this](int c) {
    QPoint at(view_->columnViewportPosition(c), 0);
    return totals_row_->mapFromGlobal(view_->viewport()->mapToGlobal(at)).x();
  };
  auto right = [&](int c) { return left(c) + view_->columnWidth(c); };
  int margin = TextMargin(view_);
  int height = totals_row_->height();
  auto place = [&](Total total, int from, int to) {
    // A total wider than its columns reaches left: it is never cut.
    int width = std::max(to - from - margin, totals_[total]->sizeHint().width());
    totals_[total]->setGeometry(to - margin - width, 0, width, height);
  };
  int debit = static_cast<int>(Column::kDebit);
  totals_[kCaption]->setGeometry(left(0) + margin, 0, right(0) - left(0) - margin, height);
  place(kDifference, left(1), right(debit - 1));
  place(kDebitTotal, left(debit), right(debit));
  place(kCreditTotal, left(debit + 1), right(debit + 1));
}

}  // namespace glnamelist::qt
