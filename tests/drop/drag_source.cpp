// A small XDND drag source for the drop tests: a 40 x 40 window at the given place that starts
// dragging the given files (as text/uri-list) when a button is pressed in it, prints the drop's
// outcome ("dropped 1" when taken, "dropped 0" when not) and ends ten seconds later.
// drag_source X Y FILE...
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

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
