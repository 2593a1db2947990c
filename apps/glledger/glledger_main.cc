// glledger: builds ledgers, in files or on a PostgreSQL server (OUT is a path or a
// connection string such as postgresql://user@host/dbname).
//   glledger build --schema schema.sql --data sample_ledger.sql [--data more.sql]
//                  [--replace] --out OUT
//   glledger generate --accounts N --items N [--classes K] [--single-class] [--submes N]
//                     [--seed S] [--quiet] [--replace] --out OUT
//   glledger copy --from PATH_OR_URI [--quiet] [--replace] --to OUT
//   glledger upgrade --ledger PATH_OR_URI
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "apps/glledger/generator.h"
#include "apps/glledger/ledger_builder.h"
#include "apps/glledger/ledger_copy.h"
#include "contracts/error.h"
#include "ledger/db/ledger_db.h"
#include "ledger/ledger_upgrade.h"
#include "ledger/sqlite/file_write.h"

namespace {

using glnamelist::ledger::GenerateOptions;

constexpr const char* kUsage =
    "usage:\n"
    "  glledger build [--schema FILE] --data FILE [--data FILE ...] [--replace] --out OUT\n"
    "  glledger generate --accounts N --items N [--classes K] [--single-class]\n"
    "                    [--submes N] [--seed S] [--quiet] [--replace] --out OUT\n"
    "  glledger copy --from LEDGER [--quiet] [--replace] --to OUT\n"
    "  glledger upgrade --ledger LEDGER\n"
    "OUT and LEDGER: a file path or a PostgreSQL connection string\n"
    "(postgresql://user@host/dbname, the password in ~/.pgpass or PGPASSWORD);\n"
    "--replace replaces a ledger already in that database.\n";

struct Arguments {
  std::multimap<std::string, std::string> values;  // --name value
  std::vector<std::string> flags;                  // --name alone

  bool Has(const std::string& flag) const {
    for (const std::string& f : flags) {
      if (f == flag) return true;
    }
    return false;
  }
  std::string One(const std::string& name, const std::string& fallback = {}) const {
    auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
  }
  long Number(const std::string& name, long fallback) const {
    std::string text = One(name);
    if (text.empty()) return fallback;
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || n < 0) throw glnamelist::Error(5, "--" + name + " needs a number");
    return n;
  }
};

// One line on stderr when a ledger's address holds a password: every local user sees it in
// the process list.
void WarnOfPassword(const std::string& location) {
  if (glnamelist::ledger::Location(location).HasPassword()) {
    std::fputs(
        "glledger: warning: the password in the ledger's address can be read by every user of "
        "this computer (ps); put it in ~/.pgpass or PGPASSWORD instead\n",
        stderr);
  }
}

Arguments Parse(int argc, char** argv, const std::vector<std::string>& flag_names) {
  Arguments args;
  for (int i = 2; i < argc; ++i) {
    std::string word = argv[i];
    if (!word.starts_with("--")) throw glnamelist::Error(5, "unexpected argument " + word);
    word = word.substr(2);
    bool is_flag = false;
    for (const std::string& f : flag_names) is_flag = is_flag || f == word;
    if (is_flag) {
      args.flags.push_back(word);
    } else if (i + 1 < argc) {
      args.values.emplace(word, argv[++i]);
      if (word == "out" || word == "to" || word == "from" || word == "ledger") {
        WarnOfPassword(argv[i]);
      }
    } else {
      throw glnamelist::Error(5, "--" + word + " needs a value");
    }
  }
  return args;
}

int Build(const Arguments& args) {
  std::string out = args.One("out");
  auto data = args.values.equal_range("data");
  if (out.empty() || data.first == data.second) throw glnamelist::Error(5, kUsage);
  std::string schema_path = args.One("schema");
  std::string schema = schema_path.empty() ? glnamelist::ledger::EmbeddedSchema()
                                           : glnamelist::ledger::ReadTextFile(schema_path);
  std::vector<std::string> scripts;
  for (auto it = data.first; it != data.second; ++it) {
    scripts.push_back(glnamelist::ledger::ReadTextFile(it->second));
  }
  glnamelist::ledger::BuildLedger(schema, scripts, out, args.Has("replace"));
  return 0;
}

int Copy(const Arguments& args) {
  std::string from = args.One("from"), to = args.One("to");
  if (from.empty() || to.empty()) throw glnamelist::Error(5, kUsage);
  glnamelist::ledger::CopyLedger(from, to, args.Has("replace"), !args.Has("quiet"));
  return 0;
}

int Generate(const Arguments& args) {
  std::string out = args.One("out");
  if (out.empty()) throw glnamelist::Error(5, kUsage);
  GenerateOptions options;
  options.accounts = args.Number("accounts", options.accounts);
  options.items = args.Number("items", options.items);
  options.item_classes = static_cast<int>(args.Number("classes", options.item_classes));
  options.single_class = args.Has("single-class");
  options.submes_per_class = args.Number("submes", options.submes_per_class);
  options.seed = static_cast<unsigned>(args.Number("seed", options.seed));
  options.progress = !args.Has("quiet");
  options.replace = args.Has("replace");
  glnamelist::ledger::GenerateLedger(options, out);
  return 0;
}

int Upgrade(const Arguments& args) {
  std::string ledger = args.One("ledger");
  if (ledger.empty()) throw glnamelist::Error(5, kUsage);
  glnamelist::ledger::UpgradeResult result = glnamelist::ledger::UpgradeLedger(ledger);
  const std::string shown = glnamelist::ledger::Location(ledger).Shown();
  if (result.from == result.to) {
    std::printf("%s: already at version %d, nothing to do\n", shown.c_str(), result.to);
  } else {
    std::printf("%s: upgraded from version %d to %d\n", shown.c_str(), result.from, result.to);
  }
  if (!result.journal.empty() && result.journal != "wal") {
    std::fprintf(stderr,
                 "glledger: warning: %s stays in journal mode %s: its file system cannot keep a "
                 "write-ahead log (a network share?), so a form reading it can make another "
                 "program's write wait\n",
                 shown.c_str(), result.journal.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  glnamelist::ledger::RemoveTemporaryFilesOnSignals();
  try {
    if (command == "build") return Build(Parse(argc, argv, {"replace"}));
    if (command == "generate") {
      return Generate(Parse(argc, argv, {"single-class", "quiet", "replace"}));
    }
    if (command == "copy") return Copy(Parse(argc, argv, {"quiet", "replace"}));
    if (command == "upgrade") return Upgrade(Parse(argc, argv, {}));
    std::fputs(kUsage, stderr);
    return 2;
  } catch (const glnamelist::Error& e) {
    std::fprintf(stderr, "glledger: %s\n", e.what());
    return 1;
  }
}
