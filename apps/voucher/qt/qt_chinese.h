// Qt's own words in Chinese, as the rest of the form speaks: the standard buttons (确定, 是,
// 否, 取消), the file and input dialogs, the line edits' context menus.
#ifndef GLNAMELIST_APPS_VOUCHER_QT_QT_CHINESE_H_
#define GLNAMELIST_APPS_VOUCHER_QT_QT_CHINESE_H_

#include <QCoreApplication>
#include <QString>

namespace glnamelist::qt {

// Qt's translation file the form loads: qtbase_zh_CN.qm in Qt's translations folder
// (QLibraryInfo::TranslationsPath; on Debian the package qt6-translations-l10n).
QString QtChineseFile();

// Installs that translation in app for as long as app lives, whatever the user's locale.
// False when the file cannot be loaded: Qt's words then stay English.
bool InstallQtChinese(QCoreApplication& app);

}  // namespace glnamelist::qt

#endif  // GLNAMELIST_APPS_VOUCHER_QT_QT_CHINESE_H_
