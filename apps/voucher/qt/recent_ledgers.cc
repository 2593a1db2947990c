#include "apps/voucher/qt/recent_ledgers.h"

namespace glnamelist::qt {
namespace {
constexpr const char* kKey = "recentLedgers";
}  // namespace

QStringList RecentLedgers::List() const { return settings_.value(kKey).toStringList(); }

void RecentLedgers::Add(const QString& location) {
  QStringList list = List();
  list.removeAll(location);
  list.prepend(location);
  while (list.size() > kKept) list.removeLast();
  settings_.setValue(kKey, list);
}

}  // namespace glnamelist::qt
