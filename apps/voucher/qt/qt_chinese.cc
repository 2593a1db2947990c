#include "apps/voucher/qt/qt_chinese.h"

#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace glnamelist::qt {

QString QtChineseFile() {
  return QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath)).filePath("qtbase_zh_CN.qm");
}

bool InstallQtChinese(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QtChineseFile())) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace glnamelist::qt
