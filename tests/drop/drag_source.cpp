// A small XDND drag source for the drop tests: a 40 x 40 window at the given place that starts
// dragging the given files (as text/uri-list) when a button is pressed in it, prints the drop's
// outcome ("dropped 1" when taken, "dropped 0" when not), then "finished" once the target says it
// is done with the drop (XdndFinished), and ends ten seconds later.
// drag_source X Y FILE...
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

// The target's XdndFinished, which Qt takes in without telling: seen among the X events.
class Finished : public QAbstractNativeEventFilter {
public:
    explicit Finished(xcb_connection_t* connection) {
        const char name[] = "XdndFinished";
        const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, sizeof name - 1, name);
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        atom_ = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || atom_ == XCB_ATOM_NONE)
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
            reinterpret_cast<const xcb_client_message_event_t*>(event)->type == atom_) {
            std::printf("finished\n");
            std::fflush(stdout);
        }
        return false;
    }

private:
    xcb_atom_t atom_ = XCB_ATOM_NONE;
};

class Source : public QWidget {
public:
    explicit Source(QList<QUrl> urls) : QWidget(nullptr, Qt::FramelessWindowHint), urls_(std::move(urls)) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls(urls_);
        // On the heap and left to Qt: the target reads the data after exec() has returned.
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::LinkAction);
        std::printf("dropped %d\n", action != Qt::IgnoreAction ? 1 : 0);
        std::fflush(stdout);
        // The target may still be reading the data (a file manager stays too): end a while later.
        QTimer::singleShot(10000, qApp, &QApplication::quit);
    }

private:
    QList<QUrl> urls_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4)
        return 2;
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return 2;
    Finished finished(x11->connection());
    app.installNativeEventFilter(&finished);
    QList<QUrl> urls;
    for (int i = 3; i < argc; ++i)
        urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    Source source(urls);
    source.setGeometry(QString::fromLatin1(argv[1]).toInt(), QString::fromLatin1(argv[2]).toInt(), 40, 40);
    source.show();
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
