// The MIDI command strings: any text as a few commands (one a line) sent through midi::MciSend, as
// the drop handler and the balloons send theirs, in a folder holding a song, a file that is no song
// and RIFF-wrapped ones; after a line "--" the rest of the input is a dropped file of its own,
// drop.mid and drop.rmi. Every song is closed again after each input; the sound device stays open
// (SDL's silent driver), as in the program.
#include "app/talk/midi.h"
#include "platform/audio/vbmp3.h"
#include "support.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

namespace {

QByteArray be32(quint32 n) {
    QByteArray b(4, '\0');
    qToBigEndian(n, b.data());
    return b;
}

QByteArray le32(quint32 n) {
    QByteArray b(4, '\0');
    qToLittleEndian(n, b.data());
    return b;
}

// One short note, 480 ticks a beat.
QByteArray song() {
    const QByteArray track("\x00\x90\x3C\x64\x60\x80\x3C\x40\x00\xFF\x2F\x00", 12);
    return QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk", 18) + be32(quint32(track.size())) + track;
}

QByteArray rmid(const QByteArray& smf) {
    const QByteArray data = "data" + le32(quint32(smf.size())) + smf;
    return "RIFF" + le32(quint32(data.size() + 4)) + "RMID" + data;
}

QString folder() {
    static const QString dir = [] {
        const QString d = fuzz::scratch() + QStringLiteral("/mci");
        fuzz::clearFolder(d);
        fuzz::writeFile(d + QStringLiteral("/song.mid"), song());
        fuzz::writeFile(d + QStringLiteral("/fake.mid"), "not a song");
        fuzz::writeFile(d + QStringLiteral("/song.rmi"), rmid(song()));
        fuzz::writeFile(d + QStringLiteral("/cut.rmi"), rmid(song()).left(30));
        fuzz::writeFile(d + QStringLiteral("/song.wav"), "RIFF");
        QDir::setCurrent(d);
        // She holds the sound device from her start on (the clip player's claim), so a song's
        // close does not close the device.
        vbmp3_init();
        return d;
    }();
    return dir;
}

// Whether a command's first word is "open" (also quoted), as the command parser reads it.
bool isOpen(const QString& command) {
    QString verb = command.trimmed().section(QRegularExpression(QStringLiteral("\\s")), 0, 0);
    verb.remove(QLatin1Char('"'));
    return verb.startsWith(QLatin1String("open"), Qt::CaseInsensitive);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString dir = folder();
    const QList<QByteArray> parts = fuzz::parts(fuzz::bytes(data, size), 2);
    if (parts.size() > 1) {
        fuzz::writeFile(dir + QStringLiteral("/drop.mid"), parts[1]);
        fuzz::writeFile(dir + QStringLiteral("/drop.rmi"), parts[1]);
    }
    const QStringList commands = QString::fromUtf8(parts[0]).split(QLatin1Char('\n'));
    int opens = 0;
    for (qsizetype i = 0; i < commands.size() && i < 8; ++i) {
        // Each song opened loads the synthesizer's sound font (about 0.4 s here): two a drop.
        if (isOpen(commands[i]) && ++opens > 2)
            continue;
        QString text;
        midi::MciSend(commands[i], text);
    }
    midi::MciSend(QStringLiteral("close all"), midi::MciResult);
    return 0;
}
