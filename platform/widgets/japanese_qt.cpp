#include "japanese_qt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

namespace platform::widgets::japanese_qt {

bool install(QCoreApplication& app) {
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        delete translator;
        std::fprintf(stderr, "morvik: Qt's Japanese translation (qtbase_ja.qm) is not in %s: its dialogs speak English\n",
                     qPrintable(folder));
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace platform::widgets::japanese_qt
