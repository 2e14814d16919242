// A bare Qt Widgets window of the character's size: the yardstick for how fast she can appear.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    w.resize(150, 170);
    w.show();
    return app.exec();
}
