#include "media_tags.h"

#include "platform/codec.h"

#include <QStringDecoder>
#include <algorithm>

namespace platform::audio::tags {
namespace {

quint8 at(const QByteArray& b, qsizetype i) {
    return i >= 0 && i < b.size() ? quint8(b[i]) : 0;
}

quint32 be32(const QByteArray& b, qsizetype i) {
    return quint32(at(b, i)) << 24 | quint32(at(b, i + 1)) << 16 | quint32(at(b, i + 2)) << 8 | at(b, i + 3);
}

quint32 le32(const QByteArray& b, qsizetype i) {
    return quint32(at(b, i + 3)) << 24 | quint32(at(b, i + 2)) << 16 | quint32(at(b, i + 1)) << 8 | at(b, i);
}

// 28-bit sizes written 7 bits a byte; -1 when a byte has its top bit set.
qint64 syncsafe(const QByteArray& b, qsizetype i) {
    qint64 v = 0;
    for (int k = 0; k < 4; ++k) {
        const quint8 c = at(b, i + k);
        if (c & 0x80)
            return -1;
        v = v << 7 | c;
    }
    return v;
}

// Undoes the unsynchronisation scheme: every 0xFF 0x00 pair stands for 0xFF.
QByteArray resync(const QByteArray& b) {
    QByteArray out;
    out.reserve(b.size());
    for (qsizetype i = 0; i < b.size(); ++i) {
        out.append(b[i]);
        if (quint8(b[i]) == 0xFF && at(b, i + 1) == 0x00)
            ++i;
    }
    return out;
}

QByteArray cutAtNul(const QByteArray& b) {
    const qsizetype nul = b.indexOf('\0');
    return nul < 0 ? b : b.left(nul);
}

// Length of the first string of an ID3v2 text in encoding enc, and of its terminator.
qsizetype stringEnd(int enc, const QByteArray& b, qsizetype* terminator) {
    const bool wide = enc == 1 || enc == 2;
    *terminator = wide ? 2 : 1;
    if (!wide) {
        const qsizetype nul = b.indexOf('\0');
        if (nul < 0)
            *terminator = 0;
        return nul < 0 ? b.size() : nul;
    }
    for (qsizetype i = 0; i + 1 < b.size(); i += 2) {
        if (b[i] == 0 && b[i + 1] == 0)
            return i;
    }
    *terminator = 0;
    return b.size() & ~qsizetype(1);
}

QString decodeId3Text(int enc, const QByteArray& raw) {
    qsizetype terminator = 0;
    const QByteArray b = raw.left(stringEnd(enc, raw, &terminator));
    switch (enc) {
    case 0:
        return decodeLegacy(b);
    case 1: {
        auto order = QStringDecoder::Utf16LE;
        qsizetype skip = 0;
        if (at(b, 0) == 0xFE && at(b, 1) == 0xFF) {
            order = QStringDecoder::Utf16BE;
            skip = 2;
        } else if (at(b, 0) == 0xFF && at(b, 1) == 0xFE) {
            skip = 2;
        }
        QStringDecoder decoder(order, QStringDecoder::Flag::Stateless);
        return decoder(b.mid(skip));
    }
    case 2: {
        QStringDecoder decoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        return decoder(b);
    }
    case 3:
        return QString::fromUtf8(b);
    default:
        return {};
    }
}

// "(13)", "13" or "(13)Pop" give 13; a genre given only as a name gives -1.
int genreNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('('))) {
        const qsizetype close = t.indexOf(QLatin1Char(')'));
        t = close < 0 ? QString() : t.mid(1, close - 1);
    }
    bool ok = false;
    const int n = t.toInt(&ok);
    return ok && n >= 0 && n <= 255 ? n : -1;
}

void takeFrame(Id3& tag, const QByteArray& id, const QByteArray& data) {
    if (data.isEmpty())
        return;
    const int enc = at(data, 0);
    auto fill = [&](QString& field, const QString& text) {
        if (field.isEmpty())
            field = text;
    };
    if (id == "TIT2" || id == "TT2")
        fill(tag.title, decodeId3Text(enc, data.mid(1)));
    else if (id == "TPE1" || id == "TP1")
        fill(tag.artist, decodeId3Text(enc, data.mid(1)));
    else if (id == "TALB" || id == "TAL")
        fill(tag.album, decodeId3Text(enc, data.mid(1)));
    else if (id == "TYER" || id == "TYE" || id == "TDRC")
        fill(tag.year, decodeId3Text(enc, data.mid(1)).left(4));
    else if ((id == "TCON" || id == "TCO") && tag.genre < 0)
        tag.genre = genreNumber(decodeId3Text(enc, data.mid(1)));
    else if (id == "COMM" || id == "COM") {
        const QByteArray rest = data.mid(4); // encoding byte and language
        qsizetype terminator = 0;
        const qsizetype descEnd = stringEnd(enc, rest, &terminator);
        fill(tag.comment, decodeId3Text(enc, rest.mid(descEnd + terminator)));
    }
}

void readId3v2(const QByteArray& s, Id3& tag) {
    if (s.size() < 10 || !s.startsWith("ID3"))
        return;
    const int major = at(s, 3);
    const quint8 flags = at(s, 5);
    const qint64 size = syncsafe(s, 6);
    if (major < 2 || major > 4 || size < 0)
        return;
    QByteArray body = s.mid(10, qsizetype(std::min<qint64>(size, s.size() - 10)));
    const bool tagUnsync = flags & 0x80;
    if (tagUnsync && major < 4)
        body = resync(body);
    qint64 pos = 0;
    if (flags & 0x40 && major == 3)
        pos = 4 + qint64(be32(body, 0));
    else if (flags & 0x40 && major == 4)
        pos = std::max<qint64>(syncsafe(body, 0), 0);
    const int header = major == 2 ? 6 : 10;
    while (pos + header <= body.size()) {
        const QByteArray id = body.mid(pos, major == 2 ? 3 : 4);
        if (at(body, pos) == 0)
            break; // padding
        qint64 frameSize = 0;
        if (major == 2)
            frameSize = qint64(at(body, pos + 3)) << 16 | at(body, pos + 4) << 8 | at(body, pos + 5);
        else if (major == 4)
            frameSize = syncsafe(body, pos + 4);
        else
            frameSize = be32(body, pos + 4);
        if (frameSize < 0 || pos + header + frameSize > body.size())
            break;
        QByteArray data = body.mid(pos + header, qsizetype(frameSize));
        const quint8 format = major == 2 ? 0 : at(body, pos + 9);
        pos += header + frameSize;
        if (major == 3) {
            if (format & 0xC0)
                continue; // compressed or encrypted
            if (format & 0x20)
                data.remove(0, 1); // group id
        } else if (major == 4) {
            if (format & 0x0C)
                continue; // compressed or encrypted
            if (format & 0x40)
                data.remove(0, 1);
            if (format & 0x01)
                data.remove(0, 4); // data length indicator
            if (format & 0x02 || tagUnsync)
                data = resync(data);
        }
        takeFrame(tag, id, data);
    }
}

QString v1Text(const QByteArray& b) {
    return decodeLegacy(cutAtNul(b)).trimmed();
}

void readId3v1(const QByteArray& s, Id3& tag) {
    if (s.size() < 128)
        return;
    const QByteArray t = s.right(128);
    if (!t.startsWith("TAG"))
        return;
    auto fill = [](QString& field, const QString& text) {
        if (field.isEmpty())
            field = text;
    };
    fill(tag.title, v1Text(t.mid(3, 30)));
    fill(tag.artist, v1Text(t.mid(33, 30)));
    fill(tag.album, v1Text(t.mid(63, 30)));
    fill(tag.year, v1Text(t.mid(93, 4)));
    fill(tag.comment, v1Text(t.mid(97, 30)));
    if (tag.genre < 0 && at(t, 127) != 0xFF)
        tag.genre = at(t, 127);
}

} // namespace

QString decodeLegacy(const QByteArray& bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return quint8(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8(bytes);
    if (!utf8.hasError())
        return asUtf8;
    bool ok = false;
    const QString asCp932 = codec::fromCp932(bytes, &ok);
    return ok ? asCp932 : QString::fromLatin1(bytes);
}

Id3 readId3(const QByteArray& stream) {
    Id3 tag;
    readId3v2(stream, tag);
    readId3v1(stream, tag);
    return tag;
}

Riff readRiff(const QByteArray& file) {
    Riff riff;
    if (file.size() < 12 || !file.startsWith("RIFF"))
        return riff;
    riff.isRiff = true;
    riff.form = file.mid(8, 4);
    const qint64 end = std::min<qint64>(file.size(), 8 + qint64(le32(file, 4)));
    qint64 pos = 12;
    while (pos + 8 <= end) {
        const QByteArray id = file.mid(pos, 4);
        const qint64 size = std::min<qint64>(le32(file, pos + 4), end - pos - 8);
        const QByteArray body = file.mid(pos + 8, qsizetype(size));
        pos += 8 + size + (size & 1);
        if (id == "data" && riff.data.isEmpty()) {
            riff.data = body;
        } else if (id == "LIST" && body.startsWith("INFO")) {
            qint64 p = 4;
            while (p + 8 <= body.size()) {
                const QByteArray sub = body.mid(p, 4);
                const qint64 n = std::min<qint64>(le32(body, p + 4), body.size() - p - 8);
                if (!riff.info.contains(sub))
                    riff.info.insert(sub, decodeLegacy(cutAtNul(body.mid(p + 8, qsizetype(n)))));
                p += 8 + n + (n & 1);
            }
        }
    }
    return riff;
}

Frame readFirstFrame(const QByteArray& s) {
    static constexpr int kBitrates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // MPEG-1 layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // MPEG-1 layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // MPEG-1 layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // MPEG-2/2.5 layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // MPEG-2/2.5 layer II, III
    };
    static constexpr int kRates[3] = {44100, 48000, 32000};
    qint64 start = 0;
    if (s.startsWith("ID3")) {
        const qint64 size = syncsafe(s, 6);
        start = size < 0 ? s.size() : 10 + size + ((at(s, 5) & 0x10) ? 10 : 0);
    }
    const qint64 end = std::min<qint64>(s.size() - 3, start + 65536);
    for (qint64 i = start; i < end; ++i) {
        const quint8 b1 = at(s, i + 1), b2 = at(s, i + 2), b3 = at(s, i + 3);
        if (at(s, i) != 0xFF || (b1 & 0xE0) != 0xE0)
            continue;
        const int version = (b1 >> 3) & 3; // 0 = 2.5, 2 = 2, 3 = 1
        const int layer = (b1 >> 1) & 3;   // 1 = III, 2 = II, 3 = I
        const int rateIndex = (b2 >> 2) & 3;
        const int bitrateIndex = b2 >> 4;
        if (version == 1 || layer == 0 || rateIndex == 3 || bitrateIndex == 0 || bitrateIndex == 15)
            continue;
        const int table = version == 3 ? 3 - layer : (layer == 3 ? 3 : 4);
        Frame f;
        f.bitrate = kBitrates[table][bitrateIndex];
        f.frequency = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
        f.channels = (b3 >> 6) == 3 ? 1 : 2;
        return f;
    }
    return {};
}

} // namespace platform::audio::tags
