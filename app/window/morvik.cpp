#include "morvik.h"

#include "IniManage.h"
#include "app/shapes/RgnCall.h"
#include "pictures.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <cmath>

morvik::morvik(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::Tool) {
    setObjectName(QStringLiteral("morvik"));
    setWindowTitle(QStringLiteral("QTV-52モルヴィク"));
    setFixedSize(150, 170);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 170, 170);
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->move(10, 15);
    Image2->hide();

    Picture1 = pictures::TrayIcon();

    RgnCall::ShapeStandard(this);
    Image1->setPixmap(pictures::Standard());
}

morvik::Placement morvik::PlaceFor(const QString& top, const QString& left, QSize screen) {
    Placement result;
    double x = 0, y = 0;
    if (top.isEmpty()) {
        result.firstRun = true;
        x = screen.width() / 2.0 - 85;
        y = screen.height() / 2.0 - 75;
    } else {
        bool okX = false, okY = false;
        x = top.trimmed().toDouble(&okX);
        y = left.trimmed().toDouble(&okY);
        if (!okX || !okY)
            return result;
    }
    // Halves round to the even neighbour, as the stored positions were always rounded.
    result.position = QPoint(int(std::nearbyint(x)), int(std::nearbyint(y)));
    return result;
}

bool morvik::PlaceAtSavedPosition() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
    const Placement place = PlaceFor(IniManage::GetIni(QStringLiteral("top")),
                                     IniManage::GetIni(QStringLiteral("left")), size);
    if (place.position)
        move(*place.position);
    return place.firstRun;
}

void morvik::SavePosition() {
    IniManage::WriteIni(QStringLiteral("top"), QString::number(x()));
    IniManage::WriteIni(QStringLiteral("left"), QString::number(y()));
}

void morvik::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The window manager moves the window when it can; otherwise follow the mouse ourselves.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void morvik::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *dragOffset_);
}

void morvik::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragOffset_.reset();
    QWidget::mouseReleaseEvent(event);
}

void morvik::closeEvent(QCloseEvent* event) {
    SavePosition();
    event->accept();
}
