// The MIDI command strings: any text as a few commands (one a line) sent through midi::MciSend, as
// the drop handler and the balloons send theirs, in a folder holding a song, a file that is no song
// and RIFF-wrapped ones; after a line "--" the rest of the input is a dropped file of its own,
// drop.mid and drop.rmi. Every song is closed again after each input; the sound device stays open
// (SDL's silent driver), as in the program.
#include "app/talk/midi.h"
#include "platform/audio/vbmp3.h"
#include "support.h"
#include "tests/support/binary_bytes.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

namespace {

QByteArray rmid(const QByteArray& song) {
    const QByteArray data = "data" + le(quint32(song.size())) + song;
    return "RIFF" + le(quint32(data.size() + 4)) + "RMID" + data;
}

QString folder() {
    static const QString dir = [] {
        const QString d = fuzz::scratch() + QStringLiteral("/mci");
        fuzz::clearFolder(d);
        fuzz::writeFile(d + QStringLiteral("/song.mid"), smf(kOneNote));
        fuzz::writeFile(d + QStringLiteral("/fake.mid"), "not a song");
        fuzz::writeFile(d + QStringLiteral("/song.rmi"), rmid(smf(kOneNote)));
        fuzz::writeFile(d + QStringLiteral("/cut.rmi"), rmid(smf(kOneNote)).left(30));
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
