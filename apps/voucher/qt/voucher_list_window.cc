#include "apps/voucher/qt/voucher_list_window.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "apps/voucher/qt/form_panel.h"
#include "apps/voucher/voucher_listing.h"

namespace glnamelist::qt {

VoucherListWindow::VoucherListWindow(FormPanel* panel)
    : QWidget(panel, Qt::Window),
      panel_(panel),
      filter_(new QLineEdit(this)),
      table_(new QTableWidget(0, 5, this)),
      total_(new QLabel(this)) {
  setObjectName("voucherList");
  setWindowTitle("凭证列表");
  filter_->setObjectName("filter");
  filter_->setPlaceholderText(voucher::kListPrompt);
  filter_->setAccessibleName("筛选");
  table_->setHorizontalHeaderLabels({"日期", "字", "号", "金额", "摘要"});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->hide();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(filter_);
  layout->addWidget(table_, 1);
  layout->addWidget(total_);
  connect(filter_, &QLineEdit::textChanged, this, [this] { Refresh(); });
  connect(filter_, &QLineEdit::returnPressed, this, [this] { table_->setFocus(); });
  connect(table_, &QTableWidget::activated, this, [this](const QModelIndex& at) {
    if (at.row() < 0 || static_cast<size_t>(at.row()) >= list_.size()) return;
    const voucher::VoucherSummary chosen = list_[static_cast<size_t>(at.row())];
    panel_->Do([&](voucher::VoucherEntry& entry) { entry.OpenListed(chosen); });
  });
  resize(640, 420);
  Refresh();
}

void VoucherListWindow::Refresh() {
  voucher::VoucherEntry* entry = panel_->Entry();
  list_ = entry ? entry->ListVouchers(filter_->text().toStdString())
                      .value_or(std::vector<voucher::VoucherSummary>{})
                : std::vector<voucher::VoucherSummary>{};
  table_->setRowCount(static_cast<int>(list_.size()));
  for (size_t i = 0; i < list_.size(); ++i) {
    const voucher::VoucherSummary& s = list_[i];
    const QString cells[] = {QString::fromStdString(s.date), QString::fromStdString(s.word),
                             QString::number(s.number), QString::fromStdString(s.total.Text()),
                             QString::fromStdString(s.explanation + (s.voided ? "  作废" : ""))};
    for (int c = 0; c < 5; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == 2 || c == 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(static_cast<int>(i), c, item);
    }
  }
  if (!list_.empty() && table_->currentRow() < 0) table_->selectRow(0);
  total_->setText(QString::fromStdString(voucher::ListTotalText(list_)));
}

}  // namespace glnamelist::qt
