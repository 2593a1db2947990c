// glvoucher: the voucher-entry form in the terminal.
//
//   glvoucher [--ledger PATH] [--boxes]
//
// Opens the ledger at PATH (the bundled sample ledger by default) on a voucher to enter,
// saved in the ledger, its draft kept beside the user's state; with --boxes, on one text
// box per list kind instead, each with its drop-down name list. A ledger that cannot be
// opened ends the program before the form appears, with one line that names the file and the
// cause, and exit status 1; at a terminal, a server ledger whose snapshot is in the cache is
// connected to while the form appears, and a refusal of the server ends the form so.
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "apps/voucher/error_text.h"
#include "apps/voucher/open_ledger.h"
#include "apps/voucher/tui/terminal_form.h"
#include "apps/voucher/voucher_boxes.h"
#include "apps/voucher/voucher_keeper.h"
#include "contracts/environment.h"
#include "ledger/ledger_at.h"
#include "ledger/list_preload.h"
#include "ledger/register_ledger.h"
#include "listkit/error_text.h"
#include "platform/register_platform.h"
#include "services/library_services.h"

namespace {

constexpr const char* kUsage = "usage: glvoucher [--ledger PATH] [--boxes]\n";

// Sets the locale from the environment; falls back to a UTF-8 locale when that one is not
// UTF-8, so that wide characters are drawn.
void UseUtf8Locale() {
  const char* set = std::setlocale(LC_ALL, "");
  std::string name = set ? set : "";
  if (name.find("UTF-8") == std::string::npos && name.find("utf8") == std::string::npos) {
    if (!std::setlocale(LC_ALL, "C.UTF-8")) std::setlocale(LC_ALL, "C.utf8");
  }
}

// A hang-up ends the program at once, even when the parent set hang-ups to be ignored: the
// terminal is gone, and what was typed is in the draft. A terminal that goes away without
// one ends the form through the end of its input.
void EndOnHangUp() { std::signal(SIGHUP, SIG_DFL); }

// The ledger's error in one line on standard error.
void TellRefused(const std::string& ledger_path, const std::exception& e) {
  std::cerr << glnamelist::voucher::LedgerErrorText(
                   glnamelist::ledger::Location(ledger_path).Shown(), e)
            << "\n";
}

// The library's services and the platform gone, before the program ends.
void TearDown() {
  glnamelist::ResetLibraryServices();
  glnamelist::SetEnv(nullptr);
}

// That line, the platform gone: the status of a ledger that cannot be opened.
int Refused(const std::string& ledger_path, const std::exception& e) {
  TellRefused(ledger_path, e);
  TearDown();
  return 1;
}

int Run(const std::string& ledger_path, bool boxes_page) {
  glnamelist::platform::InstallPlatform();
  glnamelist::ledger::RegisterLedger(ledger_path);
  glnamelist::GLDataPtr data;
  try {
    // Keys from a script rather than a person: the ledger opened before the form, so that
    // the status tells whether it could be.
    data = isatty(STDIN_FILENO) ? glnamelist::voucher::StartLedger()
                                : glnamelist::voucher::OpenLedger();
  } catch (const std::exception& e) {
    return Refused(ledger_path, e);
  }
  glnamelist::tui::TerminalFormOptions options;
  options.boxes_page = boxes_page;
  if (!boxes_page) {
    options.keeper = std::make_shared<glnamelist::voucher::LedgerKeeper>(ledger_path);
    options.server = glnamelist::ledger::Location(ledger_path).OnServer();
    options.drafts.emplace(ledger_path);
  }
  options.changes = glnamelist::ledger::WatchLists(data);
  options.ended = [data] { return glnamelist::voucher::LedgerRefused(data).has_value(); };
  glnamelist::tui::RunTerminalForm(
      glnamelist::ledger::Location(ledger_path).Shown(),
      glnamelist::ledger::PreloadLists(data, glnamelist::voucher::VoucherBoxes::ListKinds()),
      std::move(options));
  // A server that refused the login while the form appeared: the form ended at once.
  const std::optional<glnamelist::ledger::LedgerError> refused = glnamelist::voucher::LedgerRefused(
      data, std::chrono::milliseconds(glnamelist::voucher::kCloseWaitMs));
  data.reset();
  const bool stopped = glnamelist::voucher::StopLedger();
  if (refused) TellRefused(ledger_path, *refused);
  if (!stopped) {
    // The background still builds a table's look-up structures, or a connection is still
    // being made: only read, nothing to save.
    std::cerr.flush();
    std::_Exit(refused ? 1 : 0);
  }
  TearDown();
  return refused ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  UseUtf8Locale();
  EndOnHangUp();
  std::string ledger_path = GLNAMELIST_SAMPLE_LEDGER;
  bool boxes_page = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ledger") == 0 && i + 1 < argc) {
      ledger_path = argv[++i];
      if (glnamelist::ledger::Location(ledger_path).HasPassword()) {
        std::cerr << glnamelist::voucher::kPasswordWarning << "\n";
        glnamelist::ledger::Location::HidePasswordIn(argv[i]);
      }
    } else if (std::strcmp(argv[i], "--boxes") == 0) {
      boxes_page = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << kUsage;
      return 0;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  try {
    return Run(ledger_path, boxes_page);
  } catch (const std::exception& e) {
    std::cerr << "glvoucher: " << e.what() << "\n";
    return 1;
  }
}
