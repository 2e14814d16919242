#include "quiet.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <atomic>

namespace platform::quiet {
namespace {
std::atomic<quint64> looks{0};
}

void unannounced() {
    looks.fetch_add(1, std::memory_order_relaxed);
}

quint64 unannouncedLooks() {
    return looks.load(std::memory_order_relaxed);
}

void changeSeen() {
    if (QCoreApplication* app = QCoreApplication::instance())
        QCoreApplication::postEvent(app, new QEvent(QEvent::User));
}

bool announceReadable(int fd, std::function<void()> read, std::atomic_bool* announced) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    // Made on the application's thread, at once when this is it.
    QMetaObject::invokeMethod(app, [fd, read = std::move(read), announced, app] {
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, app);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, read);
        announced->store(true, std::memory_order_release);
    });
    return true;
}

} // namespace platform::quiet
