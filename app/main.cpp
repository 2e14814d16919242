// The morvik program: the character on the X11 desktop.
#include "app/dialup/nm_backend.h"
#include "app/window/Trei.h"
#include "app/window/morvik.h"
#include "platform/dbus/session_bus.h"
#include "platform/end_signals.h"
#include "platform/exit_clean_up.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "platform/widgets/input_gate.h"
#include "platform/widgets/japanese_qt.h"
#include "platform/widgets/window_gone.h"
#ifdef MORVIK_HAVE_COM
#include "app/window/nh_service.h"
#include "control/com/registry.h"
#include "platform/atomic_file.h"

#include <QFileInfo>
#endif
#ifdef MORVIK_HAVE_TALK
#include "app/talk/talk_service.h"
#endif
#ifdef MORVIK_HAVE_MAIL
#include "app/mail/accounts.h"
#include "app/mail/mail.h"
#endif
#ifdef MORVIK_HAVE_LAUNCHER
#include "app/launcher/luncher.h"
#include "platform/desktop/program_start.h"
#endif
#ifdef MORVIK_HAVE_PALK
#include "app/headline/palk/palk.h"
#endif
#ifdef MORVIK_HAVE_DROP
#include "app/drop/drop_handler.h"
#endif
#ifdef MORVIK_HAVE_SETTINGS_UI
#include "app/settings_ui/UserData.h"
#endif
#ifdef MORVIK_HAVE_HEADLINE
#include "app/headline/hls.h"
#endif

#include <QApplication>
#include <QIcon>
#include <QTimer>

namespace {

// The windows she opens, as far as this build has them.
class ProgramWindows : public services::Windows {
public:
#ifdef MORVIK_HAVE_PALK
    void ShowPalk() override {
        palk::Show();
    }
    void UnloadPalk() override {
        palk::Unload(palk::Balloon::goes);
    }
    bool UnloadPalkAfterRefusal() override {
        return palk::UnloadAfterRefusal();
    }
    bool PalkBusy() const override {
        return palk::Busy();
    }
#endif
#ifdef MORVIK_HAVE_LAUNCHER
    void ShowLauncher() override {
        luncher::Show();
    }
#endif
#ifdef MORVIK_HAVE_SETTINGS_UI
    void ShowSettings() override {
        UserData::Show();
    }
#endif
#ifdef MORVIK_HAVE_HEADLINE
    void ShowHeadlines() override {
        hls::Show();
    }
#endif
};

} // namespace

int main(int argc, char** argv) {
    // Wayland lets no client place its own window or keep it on top: the character needs X11.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
#ifdef MORVIK_HAVE_LAUNCHER
        // Her choice, not the user's: the programs ヴェンス starts choose their own.
        platform::desktop::KeepFromPrograms("QT_QPA_PLATFORM");
#endif
    }
    // Her window changes a few hundred pixels at a time (a blink). Through shared memory each
    // repaint waits on a round trip to the X server, two wake-ups of hers every time; written to
    // the connection, it waits on nothing.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
#ifdef MORVIK_HAVE_LAUNCHER
        platform::desktop::KeepFromPrograms("QT_XCB_NO_MITSHM");
#endif
    }
    // Without a session bus she goes without one: an autolaunched bus would outlive her.
    if (platform::session_bus::withoutAutolaunch()) {
#ifdef MORVIK_HAVE_LAUNCHER
        platform::desktop::KeepFromPrograms("DBUS_SESSION_BUS_ADDRESS");
#endif
    }
    QApplication app(argc, argv);
    // The event loop's start (or the first child widget shown) starts the accessibility bridge,
    // which connects to the session bus and asks it a question before her window can map.
    // Connecting on the side meanwhile has the bus ready by then.
    const platform::session_bus::EarlyConnection busEarly;
    QApplication::setApplicationName(QStringLiteral("morvik"));
    // Hiding the character (or closing a balloon) must not end her: only the exit does.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's dialogs and buttons speak as she does.
    platform::widgets::japanese_qt::install(app);
    // What the user gives while she waits is dropped, not acted on long after.
    platform::widgets::input_gate::install();
    // A record of her frames and words, for tests that watch her on a real display.
    if (const QString trace = qEnvironmentVariable("MORVIK_TRACE"); !trace.isEmpty())
        platform::pace::traceTo(trace);

    // The dial-up objects dial NetworkManager's profiles.
    dialup::install(std::make_shared<dialup::NmBackend>());
#ifdef MORVIK_HAVE_COM
    services::install(std::make_unique<NhService>());
#endif
#ifdef MORVIK_HAVE_TALK
    services::install(std::make_unique<TalkService>());
#endif
#ifdef MORVIK_HAVE_MAIL
    services::install(std::make_unique<MailService>());
#ifdef MORVIK_HAVE_SETTINGS_UI
    // The check and the download take the accounts as the open settings dialog holds them.
    mail::setAccountsReader(&UserData::MailAccounts);
#endif
#endif
    services::install(std::make_unique<ProgramWindows>());
#ifdef MORVIK_HAVE_DROP
    services::install(std::make_unique<drop::DropHandler>());
#endif
    morvik window;
    Trei::MainWindow = &window;
    Stage::Install(&window);
    // The session ends her with SIGTERM (Ctrl+C gives SIGINT, a closed terminal SIGHUP): she goes
    // as when the window system closes her window, keeping her place.
    platform::EndSignals endSignals;
    QObject::connect(&endSignals, &platform::EndSignals::received, &window, &QWidget::close);
    // Her window destroyed from outside (not closed: no close event comes) ends her the same way.
    const platform::widgets::WindowGone windowGone(&window);
    QObject::connect(&windowGone, &platform::widgets::WindowGone::gone, &window, &QWidget::close);
    bool started = true;
    QTimer::singleShot(0, &window, [&] {
        started = window.Form_Load();
        if (!started) {
            QCoreApplication::exit(0);
            return;
        }
        // Her connection to the X server broken (her client killed by the window system, the
        // server gone), Qt ends the program with exit() from its own thread: her temporary files
        // go all the same.
        platform::exit_clean_up::arm(platform::tempFolder());
#ifdef MORVIK_HAVE_COM
        // The class registry's write killed midway leaves its temporary file; she is the one
        // instance now, so none of hers is being written.
        platform::removeAtomicLeftovers(QFileInfo(com::registry::filePath()).absolutePath());
#endif
    });
    const int result = app.exec();
    platform::exit_clean_up::disarm();
    window.CleanUpAtEnd();
#ifdef MORVIK_HAVE_HEADLINE
    hls::End();
#endif
    Trei::TrayIcon(QIcon(), QString(), 2);
    return result;
}
