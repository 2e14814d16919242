#include "balloon_window.h"

namespace balloon {

WindowBase::WindowBase(const char* name, Qt::WindowFlags extraFlags)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus | extraFlags) {
    setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, kHeight);
    NameWindowClass(this, name);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 200, 160);
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1 = new Label(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("label1"));
}

} // namespace balloon
