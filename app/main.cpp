// The morvik program: the character window on the X11 desktop.
#include "app/window/IniManage.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    // Wayland lets no client place its own window or keep it on top: the character needs X11.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("morvik"));
    QApplication::setQuitOnLastWindowClosed(true);

    platform::SingleInstance instance(QStringLiteral("morvik"));
    if (!instance.acquired())
        return 0;

    IniManage::BeginBatch();
    morvik window;
    Trei::MainWindow = &window;
    window.PlaceAtSavedPosition();
    window.show();
    QString topMost = IniManage::GetIni(QStringLiteral("temae"));
    Trei::SetTopMost(topMost == QStringLiteral("0") ? 0 : 1);
    Trei::TrayIcon(QIcon(window.Picture1), Trei::kStartTip, 0);
    const int result = app.exec();
    Trei::TrayIcon(QIcon(), QString(), 2);
    return result;
}
