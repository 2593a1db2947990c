// Registering the ledger's data service and item set with the class registry.
#ifndef GLNAMELIST_LEDGER_REGISTER_LEDGER_H_
#define GLNAMELIST_LEDGER_REGISTER_LEDGER_H_

#include <string>

#include "platform/class_registry.h"

namespace glnamelist::ledger {

// Registers "QALTAVGLView.GLData" and "QALTAVGL.ItemSet" over the ledger file at path.
// The file is opened when the data service is first created (the error of a bad file
// reaches that creation, and the next creation tries again); after that every creation of
// either class shares the one service, so a class's items are read from the file once.
void RegisterLedger(platform::ClassRegistry& registry, const std::string& path);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_REGISTER_LEDGER_H_
