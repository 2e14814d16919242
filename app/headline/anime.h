#pragma once
// The anime schedule (row 21): its page's address for a month, and the merge of its two plug-ins'
// lines, the day plug-in's and the programme plug-in's, taken pair by pair.
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace headline::anime {

// A day plug-in line that leaves its pair out: the day has nothing to watch.
inline constexpr char16_t kNothingToWatch[] = u"■ 視聴するアニメなし ";

// base + "YYYY/YYYYMM.html" for the month of today (the month with its leading zero).
QString address(const QString& base, const QDate& today);

// Joins each day line with its programme line, in order, one line each: CR and "_" leave the day
// line, CR and U+3000 the programme line, and a day line that is then exactly kNothingToWatch is
// left out with its pair. Lines end in LF, the last without. Nothing when the programme lines run
// out before the day lines do.
std::optional<QString> merge(const QStringList& days, const QStringList& programmes);

// The lines of a plug-in's text: none for an empty text.
QStringList lines(const QString& text);

} // namespace headline::anime
