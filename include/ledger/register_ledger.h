// Registering the ledger's data service and item set, so that the name lists read their
// master data from a ledger file.
//
//   glnamelist::platform::InstallPlatform();
//   glnamelist::ledger::RegisterLedger("company.ledger");
#ifndef GLNAMELIST_LEDGER_REGISTER_LEDGER_H_
#define GLNAMELIST_LEDGER_REGISTER_LEDGER_H_

#include <string>

#include "contracts/api.h"
#include "contracts/class_registrar.h"

namespace glnamelist::ledger {

// Registers "QALTAVGLView.GLData" and "QALTAVGL.ItemSet" over the ledger file at path.
// The file is opened when the data service is first created (the error of a bad file
// reaches that creation, and the next creation tries again); after that every creation of
// either class shares the one service, so a class's items are read from the file once.
GLNAMELIST_API void RegisterLedger(ClassRegistrar& registry, const std::string& path);

// The same with the class registry of the installed platform environment
// (platform/register_platform.h); Error 429 while none is installed.
GLNAMELIST_API void RegisterLedger(const std::string& path);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_REGISTER_LEDGER_H_
