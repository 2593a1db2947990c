// glvoucher-qt: the voucher-entry form in Qt widgets.
//
//   glvoucher-qt [--ledger PATH] [--boxes] [--screenshot OUT.png [--keys KEYS]]
//
// Opens the ledger at PATH (a file or a server's connection string; the bundled sample
// ledger by default) and shows its window (voucher_window.h) at once on a voucher to enter
// (with --boxes, on the boxes of master data), each box with its drop-down name list as
// soon as the master data it lists has been read in the background. A picture
// (--screenshot) keeps no draft.
// A ledger that cannot be opened ends the program before the window appears, with one line
// that names the ledger and the cause, and exit status 1.
//
// With --screenshot the window is drawn offscreen (unless QT_QPA_PLATFORM says otherwise),
// the keys (key_script.h) are pressed in it, and every window of the program then shown
// (the form, a list dropped down, a message box) is saved as one PNG picture; then the
// program ends.
//
// Qt's own words (the standard buttons, the file dialog) are Chinese (qt_chinese.h).
#include <QApplication>
#include <QSettings>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "apps/voucher/error_text.h"
#include "apps/voucher/open_ledger.h"
#include "apps/voucher/qt/qt_chinese.h"
#include "apps/voucher/qt/screenshot.h"
#include "apps/voucher/qt/voucher_window.h"
#include "apps/voucher/voucher_boxes.h"
#include "contracts/environment.h"
#include "ledger/ledger_at.h"
#include "ledger/list_preload.h"
#include "ledger/register_ledger.h"
#include "listkit/error_text.h"
#include "platform/register_platform.h"
#include "services/library_services.h"

namespace gl = glnamelist;

namespace {

constexpr const char* kUsage =
    "usage: glvoucher-qt [--ledger PATH] [--boxes] [--screenshot OUT.png [--keys KEYS]]\n";

struct Options {
  std::string ledger = GLNAMELIST_SAMPLE_LEDGER;
  std::optional<std::string> screenshot;
  std::string keys;
  bool boxes = false;
};

// The options, or nothing (after the usage) when they are wrong.
std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--ledger") == 0 && has_value) {
      options.ledger = argv[++i];
      if (gl::ledger::Location(options.ledger).HasPassword()) {
        std::cerr << gl::voucher::kPasswordWarning << "\n";
        gl::ledger::Location::HidePasswordIn(argv[i]);
      }
    } else if (std::strcmp(argv[i], "--boxes") == 0) {
      options.boxes = true;
    } else if (std::strcmp(argv[i], "--screenshot") == 0 && has_value) {
      options.screenshot = argv[++i];
    } else if (std::strcmp(argv[i], "--keys") == 0 && has_value) {
      options.keys = argv[++i];
    } else {
      return std::nullopt;
    }
  }
  return options;
}

int ShowForm(const Options& options, const std::string& shown) {
  gl::GLDataPtr data;
  try {
    data = gl::voucher::OpenLedger();
  } catch (const std::exception& e) {
    std::cerr << gl::voucher::LedgerErrorText(shown, e) << "\n";
    return 1;
  }
  QSettings settings;
  // A picture shows what its keys make, whatever draft the user has.
  gl::qt::VoucherWindow window(
      options.ledger, gl::ledger::PreloadLists(data, gl::voucher::VoucherBoxes::ListKinds()),
      settings, options.boxes ? gl::qt::FormPanel::Page::kBoxes : gl::qt::FormPanel::Page::kVoucher,
      /*drafts=*/!options.screenshot);
  data.reset();
  if (!options.screenshot) {
    window.show();
    return QApplication::exec();
  }
  QImage picture = gl::qt::PictureAfterKeys(window, QString::fromStdString(options.keys));
  if (!picture.save(QString::fromStdString(*options.screenshot), "PNG")) {
    std::cerr << "glvoucher-qt: cannot write " << *options.screenshot << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  if (options->screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // Drawn at the screen's own scale, fractional ones too.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("glnamelist");
  QApplication::setApplicationName("glvoucher-qt");
  if (!gl::qt::InstallQtChinese(app)) {
    std::cerr << "glvoucher-qt: cannot load " << gl::qt::QtChineseFile().toStdString()
              << " (package qt6-translations-l10n): Qt's own buttons stay English\n";
  }
  int status = 1;
  try {
    gl::platform::InstallPlatform();
    gl::ledger::RegisterLedger(options->ledger);
    status = ShowForm(*options, gl::ledger::Location(options->ledger).Shown());
    if (!gl::voucher::StopLedger()) {
      // The background still builds a table's look-up structures: only read, nothing to save.
      std::cerr.flush();
      std::_Exit(status);
    }
  } catch (const std::exception& e) {
    std::cerr << "glvoucher-qt: " << gl::listkit::ErrorText(e) << "\n";
  }
  gl::ResetLibraryServices();
  gl::SetEnv(nullptr);
  return status;
}
