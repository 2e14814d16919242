#include "codec.h"

#include <QList>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace platform::codec {
namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// Converts in to the target, replacing each unconvertible unit (of unitSize bytes) by replacement.
QByteArray convert(const char* to, const char* from, const QByteArray& in, int unitSize,
                   const QByteArray& replacement, bool* ok) {
    if (ok)
        *ok = true;
    Iconv cd(to, from);
    if (!cd.valid()) {
        if (ok)
            *ok = false;
        return {};
    }
    QByteArray out;
    char buffer[4096];
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = size_t(in.size());
    bool flushing = false;
    for (;;) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = flushing ? iconv(cd.get(), nullptr, nullptr, &dst, &dstLeft)
                                  : iconv(cd.get(), &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, qsizetype(dst - buffer));
        if (r != size_t(-1)) {
            if (flushing)
                break;
            flushing = true; // emit the shift sequence that closes a stateful encoding
            continue;
        }
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (truncated input): skip one unit and go on.
        if (ok)
            *ok = false;
        {
            // Return to the initial shift state before the replacement, so it reads as itself.
            char* d = buffer;
            size_t left = sizeof buffer;
            iconv(cd.get(), nullptr, nullptr, &d, &left);
            out.append(buffer, qsizetype(d - buffer));
        }
        const size_t skip = std::min(srcLeft, size_t(unitSize));
        src += skip;
        srcLeft -= skip;
        out.append(replacement);
        if (srcLeft == 0)
            flushing = true;
    }
    return out;
}

} // namespace

QByteArray encode(const QString& text, const char* encoding, bool* ok) {
    const QList<uint> ucs4 = text.toUcs4();
    const QByteArray utf32(reinterpret_cast<const char*>(ucs4.constData()), ucs4.size() * 4);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const char* native = "UTF-32LE";
#else
    const char* native = "UTF-32BE";
#endif
    return convert(encoding, native, utf32, 4, QByteArrayLiteral("?"), ok);
}

QString decode(const QByteArray& bytes, const char* encoding, bool* ok) {
    return QString::fromUtf8(convert("UTF-8", encoding, bytes, 1, QByteArrayLiteral("?"), ok));
}

QString decodeIso2022Jp(const QByteArray& bytes, bool* ok) {
    enum Set { Ascii, Jis0208, Jis0212, Kana } set = Ascii;
    bool shiftedOut = false; // SO ... SI: half-width kana, as some mailers write them
    bool clean = true;
    QByteArray euc;
    euc.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uchar c = uchar(bytes[i]);
        if (c == 0x1b) {
            const QByteArray rest = bytes.mid(i + 1, 3);
            if (rest.startsWith("(B") || rest.startsWith("(J") || rest.startsWith("(H")) {
                set = Ascii;
                i += 2;
            } else if (rest.startsWith("(I")) {
                set = Kana;
                i += 2;
            } else if (rest.startsWith("$@") || rest.startsWith("$B")) {
                set = Jis0208;
                i += 2;
            } else if (rest.startsWith("$(B") || rest.startsWith("$(Q") || rest.startsWith("$(O")) {
                set = Jis0208;
                i += 3;
            } else if (rest.startsWith("$(D")) {
                set = Jis0212;
                i += 3;
            } else if (rest.startsWith("&@")) {
                i += 2; // announces a JIS X 0208 revision; the next escape follows
            } else {
                clean = false;
                euc.append('?');
            }
            continue;
        }
        if (c == 0x0e || c == 0x0f) {
            shiftedOut = c == 0x0e;
            continue;
        }
        if (c == '\r' || c == '\n') {
            set = Ascii; // a line ends every shifted set
            shiftedOut = false;
            euc.append(char(c));
            continue;
        }
        if (c >= 0x80) {
            clean = false;
            euc.append('?');
            continue;
        }
        if (shiftedOut || set == Kana) {
            if (c >= 0x21 && c <= 0x5f) {
                euc.append(char(0x8e));
                euc.append(char(c | 0x80));
            } else {
                euc.append(char(c));
            }
            continue;
        }
        if (set == Ascii || c < 0x21 || c > 0x7e) {
            euc.append(char(c));
            continue;
        }
        if (i + 1 >= n || uchar(bytes[i + 1]) < 0x21 || uchar(bytes[i + 1]) > 0x7e) {
            clean = false;
            euc.append('?');
            continue;
        }
        if (set == Jis0212)
            euc.append(char(0x8f));
        euc.append(char(c | 0x80));
        euc.append(char(uchar(bytes[++i]) | 0x80));
    }
    bool converted = true;
    const QString text = decode(euc, kEucJpMs, &converted);
    if (ok)
        *ok = clean && converted;
    return text;
}

namespace {

bool hasIso2022JpEscape(const QByteArray& bytes) {
    return bytes.contains("\x1b$B") || bytes.contains("\x1b$@") || bytes.contains("\x1b(I") ||
           bytes.contains("\x1b$(D") || bytes.contains("\x1b(J");
}

bool hasEightBit(const QByteArray& bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) >= 0x80; });
}

} // namespace

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes); // the decoding runs only as it becomes a QString
    Q_UNUSED(text);
    return !decoder.hasError();
}

// Two of A1-FE, 8E and a kana, or 8F and two of A1-FE. (glibc's EUC-JP-MS takes other bytes for
// C1 controls, so its success proves nothing.)
bool isEucJp(const QByteArray& bytes) {
    auto high = [&](qsizetype i) {
        return i < bytes.size() && uchar(bytes[i]) >= 0xa1 && uchar(bytes[i]) <= 0xfe;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar c = uchar(bytes[i]);
        if (c < 0x80)
            continue;
        if (c == 0x8e && i + 1 < bytes.size() && uchar(bytes[i + 1]) >= 0xa1 && uchar(bytes[i + 1]) <= 0xdf)
            i += 1;
        else if (c == 0x8f && high(i + 1) && high(i + 2))
            i += 2;
        else if (high(i) && high(i + 1))
            i += 1;
        else
            return false;
    }
    return true;
}

bool isIso2022Jp(const QByteArray& bytes) {
    return hasIso2022JpEscape(bytes) && !hasEightBit(bytes);
}

bool isCp932(const QByteArray& bytes) {
    bool ok = false;
    decode(bytes, kCp932, &ok);
    return ok;
}

QString guessMail(const QByteArray& bytes) {
    if (isIso2022Jp(bytes))
        return decodeIso2022Jp(bytes);
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    if (isEucJp(bytes))
        return decode(bytes, kEucJpMs);
    return decode(bytes, kCp932);
}

QString decodeMail(const QByteArray& bytes, const QByteArray& charset) {
    const QByteArray label = charset.trimmed().toLower();
    if (label.startsWith("iso-2022-jp") || label == "csiso2022jp")
        return hasEightBit(bytes) ? guessMail(bytes) : decodeIso2022Jp(bytes);
    if (label == "shift_jis" || label == "shift-jis" || label == "sjis" || label == "x-sjis" ||
        label == "ms_kanji" || label == "csshiftjis" || label == "windows-31j" || label == "cp932" ||
        label == "x-ms-cp932" || label == "ms932")
        return decode(bytes, kCp932);
    if (label == "euc-jp" || label == "x-euc-jp" || label == "eucjp" || label == "x-euc" ||
        label == "cseucpkdfmtjapanese" || label == "euc-jp-ms" || label == "eucjp-ms")
        return decode(bytes, kEucJpMs);
    if (label.isEmpty() || label == "us-ascii" || label == "ascii" || label == "unknown-8bit" ||
        label == "x-unknown" || label == "8bit")
        return guessMail(bytes);
    if (label == "utf-8" || label == "utf8")
        return isValidUtf8(bytes) ? QString::fromUtf8(bytes) : guessMail(bytes);
    bool ok = false;
    const QString text = decode(bytes, label.constData(), &ok);
    if (!ok && text.isEmpty() && !bytes.isEmpty())
        return guessMail(bytes); // a label iconv does not know
    return text;
}

} // namespace platform::codec
