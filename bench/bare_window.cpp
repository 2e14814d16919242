// A bare Qt Widgets window of the character's size: the yardstick for how fast she can appear.
// With --tick it also runs an empty 100 ms timer: the least any Qt program pays for a 100 ms beat.
// With --from-loop it is shown from the event loop, as she is (her start-up runs there): the event
// loop's start first makes Qt's accessibility bridge connect to the session bus, and where no bus
// runs, wait for one to be started.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    w.resize(150, 170);
    if (app.arguments().contains(QStringLiteral("--from-loop")))
        QTimer::singleShot(0, &w, [&w] { w.show(); });
    else
        w.show();
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [] {});
    if (app.arguments().contains(QStringLiteral("--tick")))
        beat.start(100);
    return app.exec();
}
