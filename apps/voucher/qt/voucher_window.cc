#include "apps/voucher/qt/voucher_window.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <functional>

#include "apps/voucher/error_text.h"
#include "apps/voucher/form_words.h"
#include "apps/voucher/open_ledger.h"
#include "apps/voucher/voucher_keeper.h"
#include "apps/voucher/waited_keeper.h"
#include "ledger/db/location.h"
#include "ledger/ledger_at.h"
#include "ledger/list_preload.h"
#include "ledger/register_ledger.h"
#include "services/library_services.h"

namespace glnamelist::qt {
namespace {

const char* const kErrorStyle = "color: #b00020;";

// A message box over parent that goes when closed; the caller does not wait for it.
void OpenMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text) {
  auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace

VoucherWindow::VoucherWindow(const std::string& location,
                             const voucher::VoucherBoxes::ListReady& ready, QSettings& settings,
                             FormPanel::Page page, bool drafts)
    : page_(page), drafts_(drafts), recent_(settings) {
  message_ = new ElidedLabel(this);
  switch_state_ = new QLabel(this);
  statusBar()->setStyleSheet("QStatusBar { border-top: 1px solid palette(mid); }");
  statusBar()->addWidget(message_, 1);
  statusBar()->addPermanentWidget(switch_state_);
  waiter_ = std::make_shared<WindowWaiter>(
      this,
      [this](const QString& text) {
        message_->SetFullText(text);
        message_->setStyleSheet("");
      },
      [this] { ShowStatus(); });
  BuildMenus();
  ShowForm(location, ready);
  // As wide as the whole voucher, as far as the screen allows.
  resize(sizeHint().boundedTo(screen()->availableGeometry().size()));
}

void VoucherWindow::BuildMenus() {
  QMenu* ledger = menuBar()->addMenu("账套(&L)");
  QAction* open = ledger->addAction("打开…(&O)");
  open->setShortcut(QKeySequence::Open);
  connect(open, &QAction::triggered, this, [this] { AskForFile(); });
  QAction* server = ledger->addAction("打开服务器上的账套…(&S)");
  connect(server, &QAction::triggered, this, [this] { AskForServer(); });
  recent_menu_ = ledger->addMenu("最近打开的账套(&R)");
  ledger->addSeparator();
  QAction* quit = ledger->addAction("退出(&X)");
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quit, &QAction::triggered, this, &QWidget::close);
  // F10 opens the menus, as on the desktop.
  auto* menu_key = new QShortcut(Qt::Key_F10, this);
  connect(menu_key, &QShortcut::activated, this,
          [this] { menuBar()->setActiveAction(menuBar()->actions().constFirst()); });

  if (page_ == FormPanel::Page::kVoucher) BuildVoucherActions();
  QMenu* view = menuBar()->addMenu("视图(&V)");
  list_on_entry_ = view->addAction(QString(voucher::kListOnEntry) + "(&A)");
  list_on_entry_->setCheckable(true);
  list_on_entry_->setChecked(true);
  list_on_entry_->setShortcut(Qt::Key_F2);
  connect(list_on_entry_, &QAction::triggered, this, [this](bool on) {
    if (on != Boxes().HotTrace()) Boxes().ToggleHotTrace();
  });

  QMenu* help = menuBar()->addMenu("帮助(&H)");
  QAction* keys = help->addAction("按键说明(&K)");
  keys->setShortcut(QKeySequence::HelpContents);
  connect(keys, &QAction::triggered, this, [this] { ShowKeys(); });
  QAction* about = help->addAction("关于(&A)");
  connect(about, &QAction::triggered, this, [this] { ShowAbout(); });
}

void VoucherWindow::BuildVoucherActions() {
  // The keys go to the form with the keys typed before them: shown here, not shortcuts.
  QMenu* menu = menuBar()->addMenu("凭证(&P)");
  QToolBar* tools = addToolBar("凭证");
  tools->setMovable(false);
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  // An action of the menu and the tool bar: name, its menu letter, keys, icon (a theme's,
  // else the style's) and what it does.
  auto add = [&](const QString& name, char letter, const char* keys, const char* icon,
                 QStyle::StandardPixmap fallback, std::function<void()> does) {
    QAction* action = menu->addAction(QIcon::fromTheme(icon, style()->standardIcon(fallback)),
                                      QString("%1(&%2)\t%3").arg(name).arg(letter).arg(keys));
    QString short_name = QString(name).remove(QChar(u'…'));
    action->setIconText(short_name);
    action->setToolTip(QString("%1（%2）").arg(short_name, keys));
    tools->addAction(action);
    connect(action, &QAction::triggered, this, std::move(does));
  };
  auto entry = [this](void (voucher::VoucherEntry::*does)()) {
    return [this, does] { panel_->Do([does](voucher::VoucherEntry& e) { (e.*does)(); }); };
  };
  add("保存", 'S', voucher::kSaveKeys, "document-save", QStyle::SP_DialogSaveButton,
      entry(&voucher::VoucherEntry::Save));
  add("打开凭证…", 'O', voucher::kOpenKeys, "document-open", QStyle::SP_DialogOpenButton,
      [this] { panel_->AskToOpen(); });
  add("新凭证", 'N', voucher::kNewKeys, "document-new", QStyle::SP_FileIcon,
      entry(&voucher::VoucherEntry::NewVoucher));
  add("放弃修改", 'G', voucher::kGiveUpKeys, "document-revert", QStyle::SP_DialogResetButton,
      entry(&voucher::VoucherEntry::GiveUp));
  // Drafts set aside are reopened from the menu only.
  QAction* aside = menu->addAction(QString("放到一边的草稿(&R)\t") + voucher::kAsideKeys);
  connect(aside, &QAction::triggered, this, entry(&voucher::VoucherEntry::OfferAsideDrafts));
  menu->addSeparator();
  tools->addSeparator();
  add("插入行", 'I', voucher::kInsertLineKeys, "list-add", QStyle::SP_ArrowRight,
      entry(&voucher::VoucherEntry::InsertLine));
  add("删除行", 'D', voucher::kDeleteLineKeys, "list-remove", QStyle::SP_DialogDiscardButton,
      entry(&voucher::VoucherEntry::DeleteLine));
  AddAroundActions(menu, tools);
}

void VoucherWindow::ShowForm(const std::string& location,
                             const voucher::VoucherBoxes::ListReady& ready) {
  location_ = location;
  panel_ = new FormPanel(this, page_);
  setCentralWidget(panel_);
  if (voucher::VoucherEntry* entry = panel_->Entry()) {
    // Saves are waited for as the form's reads are: shown, kept keys, given up by Esc.
    entry->UseKeeper(std::make_shared<voucher::WaitedKeeper>(
        std::make_shared<voucher::LedgerKeeper>(location), waiter_, voucher::LedgerName(location),
        ledger::Location(location).OnServer()));
    if (drafts_) entry->UseDrafts(voucher::DraftStore(location));
  }
  panel_->Boxes().HotTrace(list_on_entry_->isChecked());  // as the last form had it
  panel_->OnChange([this] { ShowStatus(); });
  if (page_ == FormPanel::Page::kBoxes) panel_->Box(0)->setFocus(Qt::OtherFocusReason);
  std::function<std::vector<long>()> changes;
  try {
    changes = ledger::WatchLists(GetGLData());
  } catch (const std::exception&) {
    // No data service: its failure is shown already, and nothing changes.
  }
  waits_shown_ = std::make_unique<voucher::WaitsShown>(waiter_);
  panel_->AttachLists(ready, changes);
  setWindowTitle(QString::fromStdString(voucher::LedgerName(location)) + " — " +
                 voucher::kFormTitle);
  // A server's address with a password in it is not written to the settings.
  if (!ledger::Location(location).HasPassword()) recent_.Add(QString::fromStdString(location));
  FillRecentMenu();
  ShowStatus();
}

bool VoucherWindow::OpenLedger(const std::string& location) {
  std::string shown = ledger::Location(location).Shown();
  try {
    voucher::CheckLedger(location);
  } catch (const std::exception& e) {
    OpenMessage(this, QMessageBox::Warning, "打开账套",
                QString::fromStdString(voucher::LedgerErrorText(shown, e)));
    return false;
  }
  waits_shown_.reset();
  delete takeCentralWidget();
  panel_ = nullptr;
  ResetLibraryServices();
  ledger::RegisterLedger(location);
  voucher::VoucherBoxes::ListReady ready;
  std::string failure;
  try {
    ready = ledger::PreloadLists(voucher::OpenLedger(), voucher::VoucherBoxes::ListKinds());
  } catch (const std::exception& e) {
    failure = voucher::LedgerErrorText(shown, e);  // gone since it was checked
  }
  ShowForm(location, ready);
  if (!failure.empty()) Boxes().ShowStatus(failure, true);
  return failure.empty();
}

void VoucherWindow::ShowStatus() {
  if (!panel_) return;
  message_->SetFullText(QString::fromStdString(Boxes().Status()));
  message_->setStyleSheet(Boxes().StatusIsError() ? kErrorStyle : "");
  bool on = Boxes().HotTrace();
  switch_state_->setText(on ? voucher::kListOnEntryOn : voucher::kListOnEntryOff);
  list_on_entry_->setChecked(on);
}

void VoucherWindow::FillRecentMenu() {
  recent_menu_->clear();
  for (const QString& location : recent_.List()) {
    QAction* item = recent_menu_->addAction(location);
    connect(item, &QAction::triggered, this,
            [this, location] { OpenLedger(location.toStdString()); });
  }
  recent_menu_->setEnabled(!recent_menu_->isEmpty());
}

void VoucherWindow::AskForFile() {
  QString folder = ledger::IsServerLocation(location_)
                       ? QString()
                       : QFileInfo(QString::fromStdString(location_)).absolutePath();
  QString file =
      QFileDialog::getOpenFileName(this, "打开账套", folder, "账套文件 (*.ledger);;所有文件 (*)");
  if (!file.isEmpty()) OpenLedger(file.toStdString());
}

void VoucherWindow::AskForServer() {
  bool ok = false;
  QString address = QInputDialog::getText(
      this, "打开服务器上的账套", "账套在服务器上的地址，例如 postgresql://用户@服务器/账套：",
      QLineEdit::Normal, QString(), &ok);
  if (ok && !address.trimmed().isEmpty()) OpenLedger(address.trimmed().toStdString());
}

void VoucherWindow::ShowKeys() {
  QString rows;
  for (const voucher::KeyHelp& key : voucher::KeysOfTheForm()) {
    rows += QString("<tr><td><b>%1</b></td><td>%2</td></tr>")
                .arg(QString(key.keys).toHtmlEscaped(), QString(key.does).toHtmlEscaped());
  }
  OpenMessage(this, QMessageBox::Information, "按键说明",
              "<table cellspacing='6'>" + rows + "</table>");
}

void VoucherWindow::ShowAbout() {
  OpenMessage(
      this, QMessageBox::Information, "关于",
      QString("<b>%1</b><p>账套：%2</p><p>按代码或名称从账套中选取科目、币别、核算项目等。</p>")
          .arg(voucher::kFormTitle,
               QString::fromStdString(ledger::Location(location_).Shown()).toHtmlEscaped()));
}

void VoucherWindow::AddAroundActions(QMenu* menu, QToolBar* tools) {
  menu->addSeparator();
  tools->addSeparator();
  using Toward = voucher::VoucherEntry::Toward;
  // The month's saved vouchers: arrows in the tool bar, as the keys.
  const struct {
    const char* name;
    const char* keys;
    QStyle::StandardPixmap icon;
    Toward toward;
  } arrows[] = {{"第一张", "Ctrl-Shift-PgUp", QStyle::SP_MediaSkipBackward, Toward::kFirst},
                {"上一张", "Ctrl-PgUp", QStyle::SP_ArrowLeft, Toward::kPrevious},
                {"下一张", "Ctrl-PgDn", QStyle::SP_ArrowRight, Toward::kNext},
                {"最后一张", "Ctrl-Shift-PgDn", QStyle::SP_MediaSkipForward, Toward::kLast}};
  for (const auto& arrow : arrows) {
    QAction* action = menu->addAction(style()->standardIcon(arrow.icon),
                                      QString("%1\t%2").arg(arrow.name, arrow.keys));
    action->setIconText(arrow.name);
    action->setToolTip(QString("%1（%2）").arg(arrow.name, arrow.keys));
    action->setObjectName(QString("browse%1").arg(static_cast<int>(arrow.toward)));
    tools->addAction(action);
    connect(action, &QAction::triggered, this, [this, toward = arrow.toward] {
      panel_->Do([toward](voucher::VoucherEntry& e) { e.Browse(toward); });
    });
  }
  auto item = [&](const QString& name, const char* keys, std::function<void()> does) {
    QAction* action = menu->addAction(QString("%1\t%2").arg(name, keys));
    connect(action, &QAction::triggered, this, std::move(does));
  };
  item("凭证列表…", voucher::kListKeys, [this] { panel_->ShowVoucherList(); });
  item("作废凭证", voucher::kVoidKeys,
       [this] { panel_->Do([](voucher::VoucherEntry& e) { e.AskVoid(); }); });
  item("删除凭证", voucher::kDeleteKeys,
       [this] { panel_->Do([](voucher::VoucherEntry& e) { e.AskDelete(); }); });
  item("存为模板…", voucher::kSaveTemplateKeys, [this] { panel_->AskTemplate(true); });
  item("用模板…", voucher::kFromTemplateKeys, [this] { panel_->AskTemplate(false); });
}

}  // namespace glnamelist::qt
