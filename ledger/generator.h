// Generating large ledgers for benchmarks and demonstrations.
#ifndef GLNAMELIST_LEDGER_GENERATOR_H_
#define GLNAMELIST_LEDGER_GENERATOR_H_

#include <string>

namespace glnamelist::ledger {

struct GenerateOptions {
  long accounts = 1000;         // accounts in all, in three code levels
  long items = 10000;           // items in all, in three code levels per class
  int item_classes = 5;         // how many item classes
  bool single_class = false;    // all items in class 1 (else spread evenly over the classes)
  long submes_per_class = 200;  // SubMes entries of classes 1 and 2 (the others have none)
  unsigned seed = 1;            // names are pseudo-random but repeatable
  bool progress = true;         // report progress on stderr
  bool replace = false;         // replace a ledger already in the server database
};

// Writes a new ledger at out, a file path (replacing a file there) or a connection string
// (CreateLedger), with the schema and generated master data: half of the names Chinese
// (from common characters), half Latin; the first account is cash, the second and its
// sub-accounts bank accounts; the standard currencies and settlement types; a few unit
// groups. Rows are written table by table in one transaction (bulk COPY on a server).
void GenerateLedger(const GenerateOptions& options, const std::string& out);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_LEDGER_GENERATOR_H_
