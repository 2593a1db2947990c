// The ledgers a person opened last, newest first, kept in the program's settings.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_RECENT_LEDGERS_H_
#define GLNAMELIST_APPS_VOUCHER_QT_RECENT_LEDGERS_H_

#include <QSettings>
#include <QStringList>

namespace glnamelist::qt {

class RecentLedgers {
 public:
  static constexpr int kKept = 6;

  // settings outlives the list.
  explicit RecentLedgers(QSettings& settings) : settings_(settings) {}

  QStringList List() const;
  // Puts location first, once, keeping at most kKept.
  void Add(const QString& location);

 private:
  QSettings& settings_;
};

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_RECENT_LEDGERS_H_
