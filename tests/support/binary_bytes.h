#pragma once
// The bytes of binary files that tests and fuzzers build: fixed-width numbers, and Standard MIDI
// Files of one track.
#include <QByteArray>
#include <QtEndian>

// The low bytes (1 to 4) of n, most significant first.
inline QByteArray be(quint32 n, int bytes = 4) {
    QByteArray b(4, '\0');
    qToBigEndian(n, b.data());
    return b.right(bytes);
}

// The low bytes (1 to 4) of n, least significant first.
inline QByteArray le(quint32 n, int bytes = 4) {
    QByteArray b(4, '\0');
    qToLittleEndian(n, b.data());
    return b.left(bytes);
}

// A format-0 header with the given track count and division, then one track chunk holding track;
// the chunk's length field says declared bytes (its real length when -1).
inline QByteArray smf(const QByteArray& track, quint16 tracks = 1, quint16 division = 480,
                      qint64 declared = -1) {
    return QByteArray("MThd") + be(6) + be(0, 2) + be(tracks, 2) + be(division, 2) + "MTrk" +
           be(quint32(declared < 0 ? track.size() : declared)) + track;
}

// A track of one short note (96 ticks), then its end.
inline const QByteArray kOneNote("\x00\x90\x3C\x64\x60\x80\x3C\x40\x00\xFF\x2F\x00", 12);
