#include "anime.h"

namespace headline::anime {

QString address(const QString& base, const QDate& today) {
    const QString year = QString::number(today.year()).rightJustified(4, QLatin1Char('0'));
    const QString month = QString::number(today.month()).rightJustified(2, QLatin1Char('0'));
    return base + year + QLatin1Char('/') + year + month + QStringLiteral(".html");
}

std::optional<QString> merge(const QStringList& days, const QStringList& programmes) {
    QStringList joined;
    const QString nothing = QString::fromUtf16(kNothingToWatch);
    for (qsizetype i = 0; i < days.size(); ++i) {
        if (i >= programmes.size())
            return std::nullopt;
        QString day = days[i];
        day.remove(QLatin1Char('\r')).remove(QLatin1Char('_'));
        QString programme = programmes[i];
        programme.remove(QLatin1Char('\r')).remove(QChar(0x3000));
        if (day != nothing)
            joined << day + programme;
    }
    return joined.join(QLatin1Char('\n'));
}

QStringList lines(const QString& text) {
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

} // namespace headline::anime
