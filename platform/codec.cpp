#include "codec.h"

#include <QList>
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

} // namespace platform::codec
