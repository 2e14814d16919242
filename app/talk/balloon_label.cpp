#include "balloon_label.h"

#include <QFont>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace balloon {

int FontPoints(double logicalDpi) {
    if (logicalDpi <= 0)
        return 9;
    return int(std::lround(1440.0 / logicalDpi)) == 12 ? 7 : 9;
}

QFont Font(const QWidget* widget) {
    const QScreen* screen = widget->screen();
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(FontPoints(screen ? screen->logicalDotsPerInchY() : 96.0));
    return font;
}

Label::Label(QWidget* parent, Title title) : QLabel(parent), title_(title) {
    resize(kLabelWidth, kLabelHeight);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setStyleSheet(QStringLiteral("color: #1B1D33; background: transparent;"));
    // A press on the text is a press on the balloon.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Label::setText(const QString& text) {
    text_ = text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QLabel::setText(shown);
    if (title_ != Title::follows)
        return;
    if (QWidget* balloon = window(); balloon && balloon != this)
        balloon->setWindowTitle(QString(shown).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

} // namespace balloon
