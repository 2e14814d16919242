#pragma once
// The texts the headline engine handles between its steps: a fetched page made UTF-8 for the
// plug-in (covflg 1), and the runner's output made the site's headline text.
#include <QByteArray>
#include <QString>
#include <optional>

namespace headline::page_text {

enum class Encoding { utf8, cp932, eucJp, iso2022Jp };

// The page's encoding: a UTF-8 byte order mark; else the encoding its XML declaration names, when
// the bytes are valid in it; else a guess from the bytes (ISO-2022-JP escapes, valid UTF-8, valid
// EUC-JP, CP932). Shift_JIS is read as CP932 and EUC-JP as EUC-JP-MS, so ① and ～ are the
// characters Windows writes.
Encoding detect(const QByteArray& page);

// The page in UTF-8 without a byte order mark; its XML declaration, when it names an encoding, then
// names UTF-8. Bytes that cannot be read become '?'.
QByteArray toUtf8(const QByteArray& page);

// The plug-in's text in the runner's output: the two lines the runner prints first are skipped,
// its CR LF line ends are LF again and the line end it adds after the text is dropped. Nothing when
// the output does not hold the two lines.
std::optional<QString> runnerText(const QByteArray& output);

// The headline text as stored and compared: every "&nbsp;" and every blank (U+0020) removed, every
// "&amp;" made "&". Apostrophes stay as they are.
QString clean(const QString& text);

} // namespace headline::page_text
