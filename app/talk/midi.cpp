#include "midi.h"

#include "platform/audio/mci.h"
#include "platform/codec.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace midi {
namespace {

constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024; // songs are a few hundred KB at most
constexpr qint64 kTrackData = 22;                  // offset of the first track's data
constexpr qint64 kScanLimit = 5000;

// The file's bytes; a read past the end gives 0 and never leaves the buffer.
class Bytes {
public:
    explicit Bytes(QByteArray bytes) : bytes_(std::move(bytes)) {}
    qint64 size() const { return bytes_.size(); }
    quint8 at(qint64 i) const { return i >= 0 && i < size() ? quint8(bytes_[qsizetype(i)]) : 0; }
    quint32 bigEndian(qint64 i, int count) const {
        quint32 v = 0;
        for (int k = 0; k < count; ++k)
            v = v << 8 | at(i + k);
        return v;
    }
    bool holds(qint64 i, const char* tag) const {
        for (int k = 0; tag[k]; ++k) {
            if (at(i + k) != quint8(tag[k]))
                return false;
        }
        return true;
    }
    QByteArray slice(qint64 from, qint64 count) const {
        QByteArray out(qsizetype(count), '\0');
        for (qint64 k = 0; k < count; ++k)
            out[qsizetype(k)] = char(at(from + k));
        return out;
    }

private:
    QByteArray bytes_;
};

MidiInfo failed(MidiInfo info, const char* text) {
    info.Title = QString::fromUtf8(text);
    return info;
}

MidiInfo read(const Bytes& file) {
    MidiInfo info;
    if (file.size() <= 20)
        return failed(info, "ファイルが異常です");
    if (!file.holds(0, "MThd"))
        return failed(info, "MIDファイルではありません");
    info.Format = qint32(file.bigEndian(8, 2));
    info.Tracks = qint32(file.bigEndian(10, 2));
    info.Division = qint32(file.bigEndian(12, 2));
    if (info.Tracks == 0)
        return failed(info, "トラックが存在しません");
    if (!file.holds(14, "MTrk"))
        return failed(info, "トラックが見つかりません");
    const qint64 length = file.bigEndian(18, 4);
    if (length > file.size() - 20)
        return failed(info, "トラックのデータが異常です");
    // Track index i is file offset kTrackData + i; the last two may lie past the end and read as 0.
    const auto track = [&](qint64 i) { return file.at(kTrackData + i); };
    qint64 event = -1;
    for (qint64 i = 0; i <= std::min(length, kScanLimit) - 2; ++i) {
        if (track(i) == 0xFF && (track(i + 1) == 0x03 || track(i + 1) == 0x01)) {
            event = i;
            break;
        }
    }
    if (event < 0)
        return failed(info, "タイトルが見つかりません");
    // The text's length, a variable-length quantity of at most four bytes inside the track.
    qint64 pos = event + 2, textLength = 0;
    for (int k = 0;; ++k) {
        if (k == 4 || pos >= length)
            return failed(info, "文字列長のデータが異常です");
        const quint8 b = track(pos++);
        textLength = textLength << 7 | (b & 0x7F);
        if (!(b & 0x80))
            break;
    }
    if (textLength > length - pos)
        return failed(info, "文字列長のデータが異常です");
    info.Title = platform::codec::fromCp932(file.slice(kTrackData + pos, textLength));
    return info;
}

QString cutAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

} // namespace

MidiInfo ReadMidiInfo(const QString& path) {
    if (!QFileInfo(path).isFile())
        return failed({}, "ファイルが見つかりません");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed({}, "75 ファイルを読み込めません");
    if (file.size() > kMaxFileBytes)
        return failed({}, "7 ファイルが大きすぎて読み込めません");
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        return failed({}, "75 ファイルを読み込めません");
    return read(Bytes(bytes));
}

qint32 MciSend(const QString& command, QString& text) {
    if (command.isEmpty()) {
        text = QStringLiteral("MCIコマンド文字列が設定されていません");
        return -1;
    }
    QString answer;
    const int code = platform::audio::mciSendString(command, &answer);
    if (code == 0) {
        text = cutAtNul(answer);
        return 0;
    }
    QString error;
    text = platform::audio::mciGetErrorString(code, &error)
               ? cutAtNul(error)
               : QStringLiteral("原因不明のエラーが発生しました");
    return code;
}

QString MciSendForString(const QString& command) {
    const qint32 code = MciSend(command, MciResult);
    return code != 0 ? QStringLiteral("Error:") + QString::number(code) : MciResult;
}

qint32 MciOpen(const QString& path, const QString& alias) {
    return MciSend(QStringLiteral("open \"") + path + QStringLiteral("\" alias ") + alias, MciResult);
}

qint32 MciPlay(const QString& alias, const QString& from, const QString& to) {
    QString command = QStringLiteral("play ") + alias;
    if (!from.isEmpty())
        command += QStringLiteral(" from ") + from;
    if (!to.isEmpty())
        command += QStringLiteral(" to ") + to;
    return MciSend(command, MciResult);
}

qint32 MciStop(const QString& alias) {
    return MciSend(QStringLiteral("stop ") + alias, MciResult);
}

qint32 MciClose(const QString& alias) {
    return MciSend(QStringLiteral("close ") + alias, MciResult);
}

QString MciStatusMode(const QString& alias) {
    return MciSendForString(QStringLiteral("status ") + alias + QStringLiteral(" mode"));
}

} // namespace midi
