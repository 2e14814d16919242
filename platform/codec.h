#pragma once
// Text conversion between the program's Unicode texts and the byte encodings of outside files and
// peers: CP932 (Shift-JIS as Windows writes it), EUC-JP and ISO-2022-JP, through iconv.
// A byte sequence that is not valid in the source encoding, or a character the target cannot hold,
// becomes '?' (so a bad byte never loses the rest of the text), and ok is set false when given.
#include <QByteArray>
#include <QString>

namespace platform::codec {

inline constexpr const char* kCp932 = "CP932";
inline constexpr const char* kEucJp = "EUC-JP";
inline constexpr const char* kIso2022Jp = "ISO-2022-JP";
inline constexpr const char* kEucJpMs = "EUC-JP-MS";

QByteArray encode(const QString& text, const char* encoding, bool* ok = nullptr);
QString decode(const QByteArray& bytes, const char* encoding, bool* ok = nullptr);

inline QByteArray toCp932(const QString& text, bool* ok = nullptr) {
    return encode(text, kCp932, ok);
}
inline QString fromCp932(const QByteArray& bytes, bool* ok = nullptr) {
    return decode(bytes, kCp932, ok);
}

// Whether the bytes read whole, with no invalid sequence, in the encoding. EUC-JP: every 8-bit byte
// in one of its sequences. ISO-2022-JP: its escapes and no 8-bit byte.
bool isValidUtf8(const QByteArray& bytes);
bool isCp932(const QByteArray& bytes);
bool isEucJp(const QByteArray& bytes);
bool isIso2022Jp(const QByteArray& bytes);

// ISO-2022-JP read as EUC-JP-MS of its JIS bytes: JIS X 0208 with the vendor rows, JIS X 0212,
// half-width kana after ESC ( I or SO, JIS X 0201 Roman as ASCII.
QString decodeIso2022Jp(const QByteArray& bytes, bool* ok = nullptr);

// bytes in the charset a mail labels them with (a MIME charset name, any case). ISO-2022-JP,
// Shift_JIS and EUC-JP and their aliases as above; another label through iconv; no label, an
// unknown one, or US-ASCII over 8-bit bytes: guessed as guessMail() does.
QString decodeMail(const QByteArray& bytes, const QByteArray& charset);

// Unlabelled mail bytes: ISO-2022-JP when they hold its escapes, else UTF-8 when valid, else EUC-JP
// when valid as that, else CP932.
QString guessMail(const QByteArray& bytes);

} // namespace platform::codec
