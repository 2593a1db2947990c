// Generating large ledgers for benchmarks and demonstrations.
#ifndef GLNAMELIST_APPS_GLLEDGER_GENERATOR_H_
#define GLNAMELIST_APPS_GLLEDGER_GENERATOR_H_

#include <string>

namespace glnamelist::ledger {

struct GenerateOptions {
  long accounts = 1000;         // accounts in all: the chart and sub-accounts, three levels
  long items = 10000;           // items in all: categories, products and goods per class
  int item_classes = 5;         // how many item classes
  bool single_class = false;    // all items in class 1 (else spread evenly over the classes)
  long submes_per_class = 200;  // SubMes entries of classes 1 and 2 (the others have none)
  unsigned seed = 1;            // names are pseudo-random but repeatable
  bool progress = true;         // report progress on stderr
  bool replace = false;         // replace a ledger already in the server database
};

// Writes a new ledger at out, a file path (replacing a file there) or a connection string
// (CreateLedger), with the schema and the master data of an invented company: the
// enterprise chart of accounts with banks, customers, suppliers, projects and departments
// below it (chart_of_accounts.h); goods classes, unit groups and goods attributes
// (goods_catalog.h); the standard currencies and settlement types. Rows are written table by
// table in one transaction (bulk COPY on a server).
void GenerateLedger(const GenerateOptions& options, const std::string& out);

}  // namespace glnamelist::ledger

#endif  // GLNAMELIST_APPS_GLLEDGER_GENERATOR_H_
