#include "apps/voucher/qt/voucher_window.h"

#include <QGridLayout>
#include <QKeyEvent>

#include "contracts/prog_ids.h"
#include "qt/line_edit_box.h"
#include "qt/line_edit_window.h"
#include "qt/qt_controls.h"
#include "qt/rows_model.h"

namespace glnamelist::qt {
namespace {

constexpr int kBoxChars = 36;   // a box holds this many digits without scrolling
constexpr int kNameChars = 30;  // and the name beside it this many
const char* const kHelp1 = "Tab/Shift-Tab 换框  F8 按代码列出  F9 按名称查找  F2 HotTrace 开关";
const char* const kHelp2 =
    "列表中: Up/Down PgUp/PgDn Home/End 移动  Enter 或单击 选定  Esc 关闭  F10/Ctrl-Q 退出";

}  // namespace

VoucherWindow::VoucherWindow(const std::string& title)
    : env_(platform::InstalledPlatformEnvironment()) {
  Build(title);
  std::vector<TextBoxPtr> boxes;
  for (QLineEdit* line : lines_) boxes.push_back(std::make_shared<LineEditBox>(line));
  boxes_ = std::make_shared<voucher::VoucherBoxes>(
      env_->Windows(),
      [](long hwnd, const std::string& text) {
        if (QLineEdit* line = LineEditWindow::LineEditOf(hwnd)) {
          line->setText(QString::fromStdString(text));
        }
      },
      boxes);
  // After the windows' own filters exist, so that this one sees the keys first.
  for (QLineEdit* line : lines_) line->installEventFilter(this);
  RegisterQtControls(*env_, boxes_, /*owns_form=*/false);
  LineEditWindow::SetErrorHandler([this](const std::exception& e) { boxes_->ReportFailure(e); });
  boxes_->OnChange([this] { Refresh(); });
  Refresh();
}

VoucherWindow::~VoucherWindow() {
  for (QLineEdit* line : lines_) line->removeEventFilter(this);
  LineEditWindow::SetErrorHandler(nullptr);
  boxes_.reset();
  env_->SetMessageBox(nullptr);
  env_->Registry().Unregister(progid::kNameList);
}

void VoucherWindow::Build(const std::string& title) {
  setWindowTitle(QString::fromStdString("记账凭证录入 - " + title));
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(8);
  auto* heading = new QLabel(QString::fromStdString("记账凭证录入  账套: " + title), this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  grid->addWidget(heading, 0, 0, 1, 3);
  int digit = fontMetrics().horizontalAdvance('0');
  const auto& kinds = voucher::VoucherBoxes::Kinds();
  for (size_t i = 0; i < kinds.size(); ++i) {
    int row = static_cast<int>(i) + 1;
    auto* line = new QLineEdit(this);
    line->setFixedWidth(kBoxChars * digit);
    auto* label = new QLabel(kinds[i].label, this);
    label->setBuddy(line);
    auto* name = new QLabel(this);
    name->setMinimumWidth(kNameChars * digit);
    grid->addWidget(label, row, 0);
    grid->addWidget(line, row, 1);
    grid->addWidget(name, row, 2);
    lines_.push_back(line);
    names_.push_back(name);
    connect(line, &QLineEdit::returnPressed, this, [this, i] {
      if (i + 1 < lines_.size()) lines_[i + 1]->setFocus(Qt::TabFocusReason);
    });
  }
  int next = static_cast<int>(kinds.size()) + 1;
  grid->addWidget(new QLabel(kHelp1, this), next, 0, 1, 3);
  grid->addWidget(new QLabel(kHelp2, this), next + 1, 0, 1, 3);
  status_ = new QLabel(this);
  trace_ = new QLabel(this);
  grid->addWidget(status_, next + 2, 0, 1, 2);
  grid->addWidget(trace_, next + 2, 2, Qt::AlignRight);
  grid->setColumnStretch(2, 1);
}

void VoucherWindow::AttachLists(const voucher::VoucherBoxes::ListReady& ready) {
  lines_.front()->setFocus(Qt::OtherFocusReason);
  boxes_->AttachLists(ready);
  // Boxes waiting for their data, and failed ones after the next key, as their data comes.
  attach_timer_ = new QTimer(this);
  connect(attach_timer_, &QTimer::timeout, this, [this, ready] {
    if (boxes_->ListsWaiting()) boxes_->AttachLists(ready);
  });
  attach_timer_->start(voucher::VoucherBoxes::kAttachPollMs);
  Refresh();
}

void VoucherWindow::Refresh() {
  for (size_t i = 0; i < names_.size(); ++i) {
    bool listed = boxes_->HasList(i) || boxes_->Waiting(i);
    QString name =
        ShownText(boxes_->Waiting(i) ? std::string_view(voucher::VoucherBoxes::kWaitingNote)
                  : listed           ? std::string_view(boxes_->NameBeside(i))
                                     : std::string_view("(无列表)"));
    names_[i]->setText(
        names_[i]->fontMetrics().elidedText(name, Qt::ElideRight, names_[i]->minimumWidth()));
    names_[i]->setStyleSheet(listed ? "" : "color: #b00020;");
  }
  status_->setText(QString::fromStdString(boxes_->Status()));
  status_->setStyleSheet(boxes_->StatusIsError() ? "color: #b00020;" : "color: #555555;");
  trace_->setText(boxes_->HotTrace() ? "HotTrace: 开" : "HotTrace: 关");
}

bool VoucherWindow::eventFilter(QObject* /*watched*/, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  bool ctrl_q = key->key() == Qt::Key_Q && key->modifiers().testFlag(Qt::ControlModifier);
  if (key->key() == Qt::Key_F10 || ctrl_q) {
    close();
    return true;
  }
  if (key->key() == Qt::Key_F2) {
    boxes_->ToggleHotTrace();
    return true;
  }
  return false;
}

}  // namespace glnamelist::qt
