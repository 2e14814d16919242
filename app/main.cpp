// The morvik program: the character on the X11 desktop.
#include "app/dialup/nm_profiles.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#include "platform/end_signals.h"
#ifdef MORVIK_HAVE_COM
#include "app/window/nh_service.h"
#endif
#ifdef MORVIK_HAVE_TALK
#include "app/talk/talk_service.h"
#endif
#ifdef MORVIK_HAVE_SETTINGS_UI
#include "app/settings_ui/UserData.h"
#endif

#include <QApplication>
#include <QIcon>
#include <QTimer>

namespace {

// The other windows her menu opens.
class ProgramWindows : public services::Windows {
public:
#ifdef MORVIK_HAVE_SETTINGS_UI
    void ShowSettings() override {
        UserData::Show();
    }
#endif
};

} // namespace

int main(int argc, char** argv) {
    // Wayland lets no client place its own window or keep it on top: the character needs X11.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("morvik"));
    // Hiding the character (or closing a balloon) must not end her: only the exit does.
    QApplication::setQuitOnLastWindowClosed(false);

    // The dial-up objects list NetworkManager's profiles as their phone book.
    dialup::install(std::make_shared<dialup::NmProfiles>());
#ifdef MORVIK_HAVE_COM
    services::install(std::make_unique<NhService>());
#endif
#ifdef MORVIK_HAVE_TALK
    services::install(std::make_unique<TalkService>());
#endif
    services::install(std::make_unique<ProgramWindows>());
    morvik window;
    Trei::MainWindow = &window;
    Stage::Install(&window);
    // The session ends her with SIGTERM (Ctrl+C gives SIGINT): she goes as when the window system
    // closes her window, keeping her place.
    platform::EndSignals endSignals;
    QObject::connect(&endSignals, &platform::EndSignals::received, &window, &QWidget::close);
    bool started = true;
    QTimer::singleShot(0, &window, [&] {
        started = window.Form_Load();
        if (!started)
            QCoreApplication::exit(0);
    });
    const int result = app.exec();
    Trei::TrayIcon(QIcon(), QString(), 2);
    return result;
}
