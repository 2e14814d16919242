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

QByteArray encode(const QString& text, const char* encoding, bool* ok = nullptr);
QString decode(const QByteArray& bytes, const char* encoding, bool* ok = nullptr);

inline QByteArray toCp932(const QString& text, bool* ok = nullptr) { return encode(text, kCp932, ok); }
inline QString fromCp932(const QByteArray& bytes, bool* ok = nullptr) { return decode(bytes, kCp932, ok); }

} // namespace platform::codec
