#include "page_text.h"

#include "platform/codec.h"

#include <QRegularExpression>

namespace headline::page_text {
namespace {

using platform::codec::isCp932;
using platform::codec::isEucJp;
using platform::codec::isIso2022Jp;
using platform::codec::isValidUtf8;

constexpr char kUtf8Bom[] = "\xef\xbb\xbf";

// The XML declaration at the start of the page, or an empty array.
QByteArray declaration(const QByteArray& page) {
    if (!page.startsWith("<?xml"))
        return {};
    const qsizetype end = page.indexOf("?>");
    return end < 0 || end > 512 ? QByteArray() : page.left(end + 2);
}

const QRegularExpression& encodingAttribute() {
    static const QRegularExpression pattern(QStringLiteral("encoding\\s*=\\s*([\"'])([^\"']*)\\1"));
    return pattern;
}

std::optional<Encoding> declared(const QByteArray& page) {
    const QRegularExpressionMatch match = encodingAttribute().match(QString::fromLatin1(declaration(page)));
    if (!match.hasMatch())
        return std::nullopt;
    const QString label = match.captured(2).toLower();
    if (label == QLatin1String("utf-8") || label == QLatin1String("utf8") ||
        label == QLatin1String("us-ascii"))
        return Encoding::utf8;
    if (label == QLatin1String("shift_jis") || label == QLatin1String("shift-jis") ||
        label == QLatin1String("sjis") || label == QLatin1String("x-sjis") ||
        label == QLatin1String("windows-31j") || label == QLatin1String("cp932") ||
        label == QLatin1String("ms932"))
        return Encoding::cp932;
    if (label == QLatin1String("euc-jp") || label == QLatin1String("x-euc-jp") ||
        label == QLatin1String("eucjp"))
        return Encoding::eucJp;
    if (label == QLatin1String("iso-2022-jp") || label == QLatin1String("csiso2022jp"))
        return Encoding::iso2022Jp;
    return std::nullopt;
}

bool validAs(const QByteArray& page, Encoding encoding) {
    switch (encoding) {
    case Encoding::utf8:
        return isValidUtf8(page);
    case Encoding::cp932:
        return isCp932(page);
    case Encoding::eucJp:
        return isEucJp(page);
    case Encoding::iso2022Jp:
        return isIso2022Jp(page);
    }
    return false;
}

// The byte ranges alone let Shift_JIS kana pass: every code must be an EUC-JP character too.
bool readsAsEucJp(const QByteArray& page) {
    if (!isEucJp(page))
        return false;
    bool whole = false;
    platform::codec::decode(page, platform::codec::kEucJpMs, &whole);
    return whole;
}

} // namespace

Encoding detect(const QByteArray& page) {
    if (page.startsWith(kUtf8Bom))
        return Encoding::utf8;
    if (const auto named = declared(page); named && validAs(page, *named))
        return *named;
    if (isIso2022Jp(page))
        return Encoding::iso2022Jp;
    if (isValidUtf8(page))
        return Encoding::utf8;
    if (readsAsEucJp(page))
        return Encoding::eucJp;
    return Encoding::cp932;
}

QByteArray toUtf8(const QByteArray& page) {
    namespace codec = platform::codec;
    QByteArray utf8;
    switch (detect(page)) {
    case Encoding::utf8:
        utf8 = page.startsWith(kUtf8Bom) ? page.mid(3) : page;
        break;
    case Encoding::cp932:
        utf8 = codec::decode(page, codec::kCp932).toUtf8();
        break;
    case Encoding::eucJp:
        utf8 = codec::decode(page, codec::kEucJpMs).toUtf8();
        break;
    case Encoding::iso2022Jp:
        utf8 = codec::decodeIso2022Jp(page).toUtf8();
        break;
    }
    const QByteArray old = declaration(utf8);
    if (old.isEmpty())
        return utf8;
    QString renamed = QString::fromUtf8(old);
    renamed.replace(encodingAttribute(), QStringLiteral("encoding=\"UTF-8\""));
    return renamed.toUtf8() + utf8.mid(old.size());
}

std::optional<QString> runnerText(const QByteArray& output) {
    const qsizetype first = output.indexOf('\n');
    const qsizetype second = first < 0 ? -1 : output.indexOf('\n', first + 1);
    if (second < 0)
        return std::nullopt;
    QByteArray text = output.mid(second + 1);
    text.replace("\r\n", "\n");
    if (text.endsWith('\n'))
        text.chop(1);
    return QString::fromUtf8(text);
}

QString clean(const QString& text) {
    QString cleaned = text;
    cleaned.remove(QStringLiteral("&nbsp;"));
    cleaned.remove(QLatin1Char(' '));
    cleaned.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return cleaned;
}

} // namespace headline::page_text
