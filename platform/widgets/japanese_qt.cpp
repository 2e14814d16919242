#include "japanese_qt.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

namespace platform::widgets::japanese_qt {

namespace {

// The file icon provider's words, which qtbase_ja.qm does not carry: the type column of a folder,
// the root, a dangling link.
class IconProviderWords : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const struct {
            const char *english, *japanese;
        } kWords[] = {{"Folder", "フォルダー"},       {"File Folder", "フォルダー"}, {"Drive", "ドライブ"},
                      {"Shortcut", "ショートカット"}, {"Alias", "エイリアス"},       {"Unknown", "不明"}};
        for (const auto& w : kWords)
            if (qstrcmp(source, w.english) == 0)
                return QString::fromUtf8(w.japanese);
        return {};
    }
};

// The file model writes sizes and dates in the system's locale, which is the user's, not hers:
// the chooser's views read them through this proxy, which writes them in Japanese.
class JapaneseFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid())
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale japanese;
        switch (index.column()) {
        case 1:
            if (files->isDir(source))
                return QIdentityProxyModel::data(index, role);
            return japanese.formattedDataSize(files->size(source), 1, QLocale::DataSizeTraditionalFormat);
        case 3:
            return japanese.toString(files->lastModified(source), QLocale::ShortFormat);
        default:
            return QIdentityProxyModel::data(index, role);
        }
    }
};

// Gives every file chooser, as it is first shown, the Japanese columns (unless its owner set a
// proxy of its own). Only show events are looked at.
class FileChooserWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* chooser = qobject_cast<QFileDialog*>(watched);
        if (chooser && !chooser->proxyModel())
            chooser->setProxyModel(new JapaneseFileColumns(chooser));
        return false;
    }
};

} // namespace

bool install(QCoreApplication& app) {
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    // The desktop's own chooser would speak the session's language: Qt's, translated, is used.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QCoreApplication::installTranslator(new IconProviderWords(&app));
    app.installEventFilter(new FileChooserWatch(&app));
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        delete translator;
        std::fprintf(
            stderr,
            "morvik: Qt's Japanese translation (qtbase_ja.qm) is not in %s: its dialogs speak English\n",
            qPrintable(folder));
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace platform::widgets::japanese_qt
