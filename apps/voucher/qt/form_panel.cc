#include "apps/voucher/qt/form_panel.h"

#include <QApplication>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>
#include <algorithm>

#include "apps/voucher/form_words.h"
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
// And each of the header's boxes: the date, the word, the attachments.
constexpr int kHeaderChars[voucher::kHeaderFields] = {12, 4, 5};

}  // namespace

FormPanel::FormPanel(QWidget* parent, Page page)
    : QWidget(parent),
      env_(platform::InstalledPlatformEnvironment()),
      boxes_(Build(page)),
      typed_(*boxes_, FormKeyOf, [this](std::unique_ptr<QEvent>& typed) { Hand(typed); }) {
  // After the windows' own filters exist, so that this one sees the keys first.
  for (QLineEdit* line : lines_) line->installEventFilter(this);
  if (amount_) {
    voucher::PlainBoxes plain;
    plain.amount = LineEditWindow::Of(amount_).hWnd();
    amount_->installEventFilter(this);
    for (size_t f = 0; f < header_.size(); ++f) {
      plain.header[f] = LineEditWindow::Of(header_[f]).hWnd();
      header_[f]->installEventFilter(this);
    }
    entry_ = std::make_unique<voucher::VoucherEntry>(
        env_->Windows(), *boxes_, plain, [this](long hwnd) { ShowEditor(hwnd); },
        [](long hwnd, const std::string& text) {
          if (QLineEdit* line = LineEditWindow::LineEditOf(hwnd)) {
            line->setText(QString::fromStdString(text));
          }
        });
  }
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
  if (amount_) amount_->removeEventFilter(this);
  for (QLineEdit* line : header_) line->removeEventFilter(this);
  if (table_) table_->viewport()->removeEventFilter(this);
  LineEditWindow::SetErrorHandler(nullptr);
  boxes_->OnChange(nullptr);
  entry_.reset();
  boxes_.reset();
  env_->SetMessageBox(nullptr);
  env_->Registry().Unregister(progid::kNameList);
}

std::shared_ptr<voucher::VoucherBoxes> FormPanel::Build(Page page) {
  if (page == Page::kVoucher) return BuildVoucher();
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

std::shared_ptr<voucher::VoucherBoxes> FormPanel::BuildVoucher() {
  auto* layout = new QVBoxLayout(this);
  auto* header = new QHBoxLayout;
  int digit = fontMetrics().horizontalAdvance('0');
  for (int f = 0; f < voucher::kHeaderFields; ++f) {
    auto field = static_cast<voucher::HeaderField>(f);
    auto* line = new QLineEdit(this);
    line->setAccessibleName(voucher::HeaderTitle(field));
    line->setFixedWidth(kHeaderChars[f] * digit);
    auto* label = new QLabel(voucher::HeaderTitle(field), this);
    label->setBuddy(line);
    header->addWidget(label);
    header->addWidget(line);
    if (field == voucher::HeaderField::kDate) header->addWidget(DatePicker(line));
    if (field == voucher::HeaderField::kWord) header->addWidget(number_ = new QLabel(this));
    header_.push_back(line);
  }
  header->addWidget(new QLabel("张", this));
  header->addStretch(1);
  grid_ = new VoucherTable(this);
  table_ = grid_->View();
  model_ = grid_->Model();
  table_->viewport()->installEventFilter(this);
  // The cell moves when its column is sized to the window.
  connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this] { PlaceEditor(); });
  name_ = new QLabel(this);
  layout->addLayout(header);
  layout->addWidget(grid_, 1);
  layout->addWidget(name_);
  connect(table_, &QTableView::clicked, this, [this](const QModelIndex& at) {
    entry_->MoveTo({at.row(), static_cast<voucher::Column>(at.column())});
    RefreshVoucher();
  });
  std::vector<TextBoxPtr> boxes;
  for (const voucher::VoucherBoxes::BoxKind& kind : voucher::VoucherEntry::BoxKinds()) {
    auto* line = new QLineEdit(table_->viewport());
    line->setAccessibleName(kind.label);
    line->hide();
    lines_.push_back(line);
    boxes.push_back(std::make_shared<LineEditBox>(line));
  }
  amount_ = new QLineEdit(table_->viewport());
  amount_->setAccessibleName("金额");
  amount_->setAlignment(Qt::AlignRight);
  amount_->hide();
  return std::make_shared<voucher::VoucherBoxes>(
      env_->Windows(),
      [](long hwnd, const std::string& text) {
        if (QLineEdit* line = LineEditWindow::LineEditOf(hwnd)) {
          line->setText(QString::fromStdString(text));
        }
      },
      boxes, voucher::VoucherEntry::BoxKinds());
}

void FormPanel::ShowEditor(long hwnd) {
  QLineEdit* editor = LineEditWindow::LineEditOf(hwnd);
  if (!editor || !table_) return;
  RefreshVoucher();
  for (QLineEdit* line : lines_) {
    if (line != editor) line->hide();
  }
  if (amount_ != editor) amount_->hide();
  if (!entry_ || !entry_->HeaderAt()) {
    PlaceEditor();
    editor->show();
  }
  editor->setFocus(Qt::OtherFocusReason);
  if (entry_ && entry_->HeaderSelected()) editor->selectAll();  // typing replaces it
}

void FormPanel::PlaceEditor() {
  if (!entry_ || entry_->HeaderAt()) return;
  QLineEdit* editor = LineEditWindow::LineEditOf(entry_->CurrentEditor());
  if (!editor) return;
  const voucher::Cell& at = entry_->Grid().Current();
  QModelIndex index = model_->index(at.line, static_cast<int>(at.column));
  table_->scrollTo(index);
  editor->setGeometry(table_->visualRect(index));
  int row = std::max(table_->verticalHeader()->defaultSectionSize(), 1);
  entry_->PageLines(table_->viewport()->height() / row);
}

void FormPanel::RefreshVoucher() {
  if (!entry_) return;
  grid_->Show(
      entry_->Grid().voucher(), [this](int line) { return entry_->LineMarked(line); },
      entry_->CapitalsText() + "    " + entry_->PreparerText(),
      [this](int line, voucher::Column column) { return entry_->Grid().Opens(line, column); });
  number_->setText(QString::fromStdString("字" + entry_->NumberText()));
  size_t box = boxes_->BoxOfWindow(entry_->CurrentEditor());
  std::string beside = box < boxes_->Count() && boxes_->HasList(box) ? boxes_->NameBeside(box) : "";
  name_->setText(beside.empty() ? QString()
                                : QString::fromStdString(boxes_->Label(box) + ": " + beside));
}

void FormPanel::AskToOpen() {
  if (!entry_) return;
  auto* ask = new QInputDialog(this);
  ask->setAttribute(Qt::WA_DeleteOnClose);
  ask->setWindowTitle("打开凭证");
  ask->setLabelText(voucher::kOpenPrompt);
  connect(ask, &QInputDialog::textValueSelected, this, [this](const QString& text) {
    Do([&](voucher::VoucherEntry& entry) { entry.OpenByText(text.toStdString()); });
  });
  ask->open();
}

void FormPanel::Do(const std::function<void(voucher::VoucherEntry&)>& action) {
  if (!entry_) return;
  action(*entry_);
  RefreshVoucher();
  AskQuestion();
}

void FormPanel::AskQuestion() {
  if (!entry_ || !entry_->Question() || asking_) return;
  // Leaving a voucher with changes: save, give them up, or stay.
  bool leaving = entry_->Question() == std::string_view(voucher::kLeaveQuestion);
  asking_ = new QMessageBox(QMessageBox::Question, voucher::kFormTitle, entry_->Question(),
                            leaving ? QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel
                                    : QMessageBox::Yes | QMessageBox::No,
                            this);
  asking_->setAttribute(Qt::WA_DeleteOnClose);
  connect(asking_, &QMessageBox::finished, this, [this, leaving](int) {
    QAbstractButton* clicked = asking_->clickedButton();
    bool yes = clicked == asking_->button(leaving ? QMessageBox::Save : QMessageBox::Yes);
    bool no = clicked == asking_->button(leaving ? QMessageBox::Discard : QMessageBox::No);
    asking_ = nullptr;
    Do([yes, no](voucher::VoucherEntry& entry) {
      if (yes || no) {
        entry.Answer(yes);
      } else {
        entry.Dismiss();
      }
    });
    if (entry_->Quitting()) window()->close();
  });
  asking_->open();
}

void FormPanel::AttachLists(const voucher::VoucherBoxes::ListReady& ready,
                            std::function<std::vector<long>()> changes) {
  boxes_->AttachLists(ready);
  if (entry_) {
    window()->installEventFilter(this);  // its closing
    entry_->Start(QDate::currentDate().toString("yyyy-MM-dd").toStdString());
    AskQuestion();
  }
  // Boxes waiting for their data, and failed ones after the next key, as their data comes.
  attach_timer_ = new QTimer(this);
  connect(attach_timer_, &QTimer::timeout, this, [this, ready] {
    if (!boxes_->ListsWaiting()) return;
    boxes_->AttachLists(ready);
    DeliverKeys();  // keys that waited for a list
    Refresh();
  });
  attach_timer_->start(voucher::VoucherBoxes::kAttachPollMs);
  if (changes) {
    // New master data reaches the lists between two events, never while a key is handled.
    auto* changes_timer = new QTimer(this);
    connect(changes_timer, &QTimer::timeout, this, [this, changes] {
      if (boxes_->DataChanged(changes())) Refresh();
    });
    changes_timer->start(voucher::VoucherBoxes::kChangesPollMs);
  }
  Refresh();
}

void FormPanel::Refresh() {
  for (size_t i = 0; i < names_.size(); ++i) {
    bool listed = boxes_->HasList(i) || boxes_->Waiting(i);
    names_[i]->SetFullText(ShownText(boxes_->Waiting(i)
                                         ? std::string_view(voucher::VoucherBoxes::kWaitingNote)
                                     : listed ? std::string_view(boxes_->NameBeside(i))
                                              : std::string_view("(无列表)")));
    names_[i]->setStyleSheet(listed ? "" : "color: #b00020;");
  }
  RefreshVoucher();
  if (changed_) changed_();
}

bool FormPanel::eventFilter(QObject* watched, QEvent* event) {
  // Closing the window leaves the voucher: with changes, only after a question.
  if (watched == window() && event->type() == QEvent::Close) {
    if (!entry_ || entry_->Quit()) return false;
    event->ignore();
    AskQuestion();
    return true;
  }
  if (table_ && watched == table_->viewport()) {
    if (event->type() == QEvent::Resize) PlaceEditor();  // the cell moved with the table
    return false;
  }
  auto header = std::find(header_.begin(), header_.end(), watched);
  if (header != header_.end() && event->type() == QEvent::MouseButtonPress) {
    auto field = static_cast<voucher::HeaderField>(header - header_.begin());
    Do([field](voucher::VoucherEntry& entry) { entry.MoveTo(field); });
    return entry_->HeaderAt() != field;  // a header box that cannot be left keeps the focus
  }
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
  // Ctrl and a letter: the control character, as a terminal reads it (Ctrl-S, Ctrl-N).
  bool ctrl = (key->modifiers() & Qt::ControlModifier) && key->key() >= Qt::Key_A &&
              key->key() <= Qt::Key_Z;
  return {VirtualKey(key->key(), key->modifiers()),
          ctrl      ? static_cast<char32_t>(key->key() - Qt::Key_A + 1)
          : c >= 32 ? c
                    : 0,
          key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier),
          (key->modifiers() & Qt::ControlModifier) != 0};
}

bool FormPanel::VoucherKey(const std::unique_ptr<QEvent>& typed) {
  if (!entry_ || typed->type() != QEvent::KeyPress) return false;
  voucher::FormKey key = FormKeyOf(typed);
  if (key.vk == voucher::kOpenKey) {
    AskToOpen();
  } else if (key.vk == voucher::kListKey) {
    ShowVoucherList();
  } else if (key.ch == voucher::kSaveTemplateKey || key.ch == voucher::kFromTemplateKey) {
    AskTemplate(key.ch == voucher::kSaveTemplateKey);
  } else {
    return entry_->Key(key);
  }
  return true;
}

void FormPanel::Hand(std::unique_ptr<QEvent>& typed) {
  // Where a person's key goes: into a dialog that has come up meanwhile, else the focus.
  QWidget* modal = QApplication::activeModalWidget();
  QWidget* target =
      modal ? (modal->focusWidget() ? modal->focusWidget() : modal) : QApplication::focusWidget();
  if (!target) return;
  if (!modal && VoucherKey(typed)) {
    RefreshVoucher();
    AskQuestion();
    return;
  }
  handing_ = true;
  QApplication::sendEvent(target, typed.get());
  handing_ = false;
  if (entry_ && !modal) {
    entry_->Commit();
    RefreshVoucher();
  }
}

}  // namespace glnamelist::qt
