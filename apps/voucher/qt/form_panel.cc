#include "apps/voucher/qt/form_panel.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>

#include "contracts/prog_ids.h"
#include "qt/key_codes.h"
#include "qt/line_edit_box.h"
#include "qt/line_edit_window.h"
#include "qt/qt_controls.h"
#include "qt/rows_model.h"

namespace glnamelist::qt {
namespace {

constexpr int kBoxChars = 36;   // a box holds this many digits without scrolling
constexpr int kNameChars = 30;  // and the name beside it this many

}  // namespace

FormPanel::FormPanel(QWidget* parent)
    : QWidget(parent),
      env_(platform::InstalledPlatformEnvironment()),
      boxes_(Build()),
      typed_(*boxes_, FormKeyOf, [this](std::unique_ptr<QEvent>& typed) { Hand(typed); }) {
  // After the windows' own filters exist, so that this one sees the keys first.
  for (QLineEdit* line : lines_) line->installEventFilter(this);
  key_timer_ = new QTimer(this);
  key_timer_->setSingleShot(true);
  connect(key_timer_, &QTimer::timeout, this, [this] { DeliverKeys(); });
  RegisterQtControls(*env_, boxes_, /*owns_form=*/false);
  LineEditWindow::SetErrorHandler([this](const std::exception& e) { boxes_->ReportFailure(e); });
  boxes_->OnChange([this] { Refresh(); });
  Refresh();
}

FormPanel::~FormPanel() {
  for (QLineEdit* line : lines_) line->removeEventFilter(this);
  LineEditWindow::SetErrorHandler(nullptr);
  boxes_->OnChange(nullptr);
  boxes_.reset();
  env_->SetMessageBox(nullptr);
  env_->Registry().Unregister(progid::kNameList);
}

std::shared_ptr<voucher::VoucherBoxes> FormPanel::Build() {
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(8);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  int digit = fontMetrics().horizontalAdvance('0');
  const auto& kinds = voucher::VoucherBoxes::Kinds();
  std::vector<TextBoxPtr> boxes;
  for (size_t i = 0; i < kinds.size(); ++i) {
    int row = static_cast<int>(i);
    auto* line = new QLineEdit(this);
    line->setFixedWidth(kBoxChars * digit);
    line->setAccessibleName(kinds[i].label);
    auto* label = new QLabel(kinds[i].label, this);
    label->setBuddy(line);
    auto* name = new ElidedLabel(this);
    name->setFixedWidth(kNameChars * digit);
    name->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    grid->addWidget(label, row, 0);
    grid->addWidget(line, row, 1);
    grid->addWidget(name, row, 2);
    lines_.push_back(line);
    names_.push_back(name);
    boxes.push_back(std::make_shared<LineEditBox>(line));
    connect(line, &QLineEdit::returnPressed, this, [this, i] {
      if (i + 1 < lines_.size()) lines_[i + 1]->setFocus(Qt::TabFocusReason);
    });
  }
  return std::make_shared<voucher::VoucherBoxes>(
      env_->Windows(),
      [](long hwnd, const std::string& text) {
        if (QLineEdit* line = LineEditWindow::LineEditOf(hwnd)) {
          line->setText(QString::fromStdString(text));
        }
      },
      boxes);
}

void FormPanel::AttachLists(const voucher::VoucherBoxes::ListReady& ready) {
  boxes_->AttachLists(ready);
  // Boxes waiting for their data, and failed ones after the next key, as their data comes.
  attach_timer_ = new QTimer(this);
  connect(attach_timer_, &QTimer::timeout, this, [this, ready] {
    if (!boxes_->ListsWaiting()) return;
    boxes_->AttachLists(ready);
    DeliverKeys();  // keys that waited for a list
    Refresh();
  });
  attach_timer_->start(voucher::VoucherBoxes::kAttachPollMs);
  Refresh();
}

void FormPanel::Refresh() {
  for (size_t i = 0; i < names_.size(); ++i) {
    bool listed = boxes_->HasList(i) || boxes_->Waiting(i);
    names_[i]->SetFullText(
        ShownText(boxes_->Waiting(i) ? std::string_view(voucher::VoucherBoxes::kWaitingNote)
                  : listed           ? std::string_view(boxes_->NameBeside(i))
                                     : std::string_view("(无列表)")));
    names_[i]->setStyleSheet(listed ? "" : "color: #b00020;");
  }
  if (changed_) changed_();
}

bool FormPanel::eventFilter(QObject* /*watched*/, QEvent* event) {
  bool typed = event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod;
  if (!typed || handing_) return false;
  typed_.Push(std::unique_ptr<QEvent>(event->clone()));
  DeliverKeys();
  return true;
}

void FormPanel::DeliverKeys() {
  int wait = typed_.Deliver();
  if (wait > 0) key_timer_->start(wait);
}

voucher::FormKey FormPanel::FormKeyOf(const std::unique_ptr<QEvent>& typed) {
  if (typed->type() == QEvent::InputMethod) {
    // Its text as one key: a point in it may list, as typed on its own.
    QList<uint> text = static_cast<QInputMethodEvent*>(typed.get())->commitString().toUcs4();
    for (uint c : text) {
      if (voucher::IsCodePoint(c)) return {0, c};
    }
    return {0, text.isEmpty() ? 0 : static_cast<char32_t>(text.front())};
  }
  auto* key = static_cast<QKeyEvent*>(typed.get());
  char32_t c = key->text().isEmpty() ? 0 : key->text().toUcs4().value(0);
  return {VirtualKey(key->key(), key->modifiers()), c >= 32 ? c : 0};
}

void FormPanel::Hand(std::unique_ptr<QEvent>& typed) {
  // Where a person's key goes: into a dialog that has come up meanwhile, else the focus.
  QWidget* modal = QApplication::activeModalWidget();
  QWidget* target =
      modal ? (modal->focusWidget() ? modal->focusWidget() : modal) : QApplication::focusWidget();
  if (!target) return;
  handing_ = true;
  QApplication::sendEvent(target, typed.get());
  handing_ = false;
}

}  // namespace glnamelist::qt
