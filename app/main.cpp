// The morvik program: the character on the X11 desktop.
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#ifdef MORVIK_HAVE_COM
#include "nh_service.h"
#endif
#ifdef MORVIK_HAVE_TALK
#include "app/talk/talk_service.h"
#endif

#include <QApplication>
#include <QDBusConnection>
#include <QIcon>
#include <QTimer>
#include <thread>

int main(int argc, char** argv) {
    // Wayland lets no client place its own window or keep it on top: the character needs X11.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    // The event loop's start (or the first child widget shown) starts the accessibility bridge,
    // which connects to the session bus and asks it a question before her window can map; where
    // no bus runs, one is even started first. Connecting on the side meanwhile has the bus ready
    // by then.
    std::thread busEarly([] { QDBusConnection::sessionBus(); });
    QApplication::setApplicationName(QStringLiteral("morvik"));
    // Hiding the character (or closing a balloon) must not end her: only the exit does.
    QApplication::setQuitOnLastWindowClosed(false);

#ifdef MORVIK_HAVE_COM
    services::install(std::make_unique<NhService>());
#endif
#ifdef MORVIK_HAVE_TALK
    services::install(std::make_unique<TalkService>());
#endif
    morvik window;
    Trei::MainWindow = &window;
    bool started = true;
    QTimer::singleShot(0, &window, [&] {
        started = window.Form_Load();
        if (!started)
            QCoreApplication::exit(0);
    });
    const int result = app.exec();
    busEarly.join();
    Trei::TrayIcon(QIcon(), QString(), 2);
    return result;
}
