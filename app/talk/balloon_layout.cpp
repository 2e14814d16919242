#include "balloon_layout.h"

#include "app/settings/IniManage.h"
#include "app/shapes/RgnCall.h"
#include "app/window/picture_stores.h"
#include "app/window/stage.h"

#include <QGuiApplication>
#include <QWidget>
#include <cctype>
#include <cstring>
#include <xcb/xcb.h>

namespace balloon {

Placement PlaceFor(QPoint character) {
    const int l = character.x(), t = character.y();
    if (l < 130 && t > 150)
        return {{l + 30, t - 105}, 4, 16, 100};
    if (l > 130 && t < 150)
        return {{l - 70, t + 120}, 3, 45, 120};
    if (l < 130 && t < 150)
        return {{l + 30, t + 120}, 2, 45, 120};
    return {{l - 80, t - 110}, 1, 16, 100};
}

Placement PlaceForPalk(QPoint palk) {
    return {{palk.x() - 120, palk.y() - 140}, 1, 16, 100};
}

void ApplyOutline(QWidget* window, QLabel* image, int outline) {
    switch (outline) {
    case 2:
        RgnCall::ShapeBalloon2(window);
        stores::Show(image, gra2::fuki2());
        break;
    case 3:
        RgnCall::ShapeBalloon3(window);
        stores::Show(image, gra2::fuki3());
        break;
    case 4:
        RgnCall::ShapeBalloon4(window);
        stores::Show(image, gra2::fuki4());
        break;
    default:
        RgnCall::ShapeBalloon1(window);
        stores::Show(image, gra2::fuki1());
        break;
    }
    image->move(0, 0);
    image->show();
}

namespace {
int wholeNumber(const QString& value) {
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    return ok ? n : 0;
}
} // namespace

CloseTimer MainCloseTimer(const QString& fukiClose, bool mediaPlaying) {
    const int n = wholeNumber(fukiClose);
    if (mediaPlaying || n == 0)
        return {false, 0};
    switch (n) {
    case 1:
        return {true, 5000};
    case 2:
        return {true, 10000};
    case 3:
        return {true, 15000};
    default:
        return {true, 0};
    }
}

CloseTimer SecondCloseTimer(const QString& fukiClose) {
    if (fukiClose == QStringLiteral("1"))
        return {true, 5000};
    if (fukiClose == QStringLiteral("2"))
        return {true, 10000};
    if (fukiClose == QStringLiteral("3"))
        return {true, 15000};
    return {false, 0};
}

QString FukiCloseSetting() {
    IniManage::BeginBatch();
    return IniManage::GetIni(QStringLiteral("fukiClose"));
}

void NameWindowClass(QWidget* window, const char* name) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    // WM_CLASS is the instance name and the class name, each ended by a NUL.
    QByteArray value(name);
    value += '\0';
    value += name;
    value[value.size() - int(std::strlen(name))] = char(std::toupper(static_cast<unsigned char>(name[0])));
    value += '\0';
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                        XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, quint32(value.size()), value.constData());
    xcb_flush(x11->connection());
}

QPoint CharacterCorner() {
    const Stage* stage = Stage::Current();
    return stage ? stage->Corner() : QPoint(0, 0);
}

} // namespace balloon
