#pragma once
// A scripted SNTP peer of the test's own on 127.0.0.1, at a port it chose: it answers each question
// with the datagrams its script makes of it, built from the fields a test names.
#include <QDateTime>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

namespace sntp_peer {

constexpr qint64 k1900To1970 = 2208988800LL;

// An NTP timestamp of a UTC time (era 0 before 7 February 2036, era 1 after: the seconds wrap).
inline quint64 ntpOf(const QDateTime& utc, qint64 fractionUsec = 0) {
    const qint64 seconds = utc.toSecsSinceEpoch() + k1900To1970;
    const quint64 fraction = quint64((fractionUsec << 32) / 1000000);
    return (quint64(seconds & 0xffffffffLL) << 32) | fraction;
}

struct Fields {
    int leap = 0, version = 4, mode = 4, stratum = 2;
    quint64 receive = 0, transmit = 0;
    bool foreignOriginate = false;
    int size = 48;
};

// Fields of a good reply sent at the time.
inline Fields sentAt(const QDateTime& utc, qint64 fractionUsec = 0) {
    Fields f;
    f.receive = f.transmit = ntpOf(utc, fractionUsec);
    return f;
}

// A reply to the question, with the fields as given.
inline QByteArray reply(const QByteArray& question, const Fields& f) {
    QByteArray packet(std::max(f.size, 48), '\0');
    packet[0] = char((f.leap << 6) | (f.version << 3) | f.mode);
    packet[1] = char(f.stratum);
    QByteArray originate = question.mid(40, 8);
    if (f.foreignOriginate)
        originate[7] = char(originate[7] ^ 0x5a);
    packet.replace(24, 8, originate);
    qToBigEndian<quint64>(f.receive, packet.data() + 32);
    qToBigEndian<quint64>(f.transmit, packet.data() + 40);
    packet.truncate(f.size);
    return packet;
}

class Peer {
public:
    using Script = std::function<QList<Fields>(const QByteArray& question)>;
    explicit Peer(Script script) : script_(std::move(script)) {
        EXPECT_TRUE(socket_.bind(QHostAddress::LocalHost, 0));
        QObject::connect(&socket_, &QUdpSocket::readyRead, [this] {
            while (socket_.hasPendingDatagrams()) {
                const QNetworkDatagram question = socket_.receiveDatagram();
                questions << question.data();
                for (const Fields& answer : script_(question.data()))
                    socket_.writeDatagram(reply(question.data(), answer), question.senderAddress(),
                                          quint16(question.senderPort()));
            }
        });
    }
    quint16 port() const { return socket_.localPort(); }
    // Every question it was asked, as it came.
    QList<QByteArray> questions;

private:
    Script script_;
    QUdpSocket socket_;
};

} // namespace sntp_peer
