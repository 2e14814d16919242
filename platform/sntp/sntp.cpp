#include "platform/sntp/sntp.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>

#include <optional>

namespace platform::sntp {
namespace {

constexpr int kPacketSize = 48;
constexpr qint64 kSecondsFrom1900To1970 = 2208988800LL;
constexpr qint64 kEra = 1LL << 32;
// The cancel flag is looked at this often.
constexpr int kCancelPollMs = 50;

quint64 timestampAt(const QByteArray& packet, int offset) {
    return qFromBigEndian<quint64>(packet.constData() + offset);
}

// What is wrong with a reply to our question, or nothing.
std::optional<QString> refusal(const QByteArray& reply) {
    const auto first = quint8(reply[0]);
    const int leap = first >> 6, version = (first >> 3) & 7, mode = first & 7;
    const int stratum = quint8(reply[1]);
    if (mode != 4)
        return QStringLiteral("サーバの応答ではありません（モード %1）").arg(mode);
    if (version < 3 || version > 4)
        return QStringLiteral("応答の版が違います（%1）").arg(version);
    if (leap == 3)
        return QStringLiteral("サーバの時計が合っていません");
    if (stratum == 0 || stratum > 15)
        return QStringLiteral("サーバが時刻を出せません（階層 %1）").arg(stratum);
    if (timestampAt(reply, 40) == 0)
        return QStringLiteral("応答に時刻がありません");
    return std::nullopt;
}

// The question: our random number as the transmit timestamp, every other field zero.
QByteArray request(quint64 mark) {
    QByteArray packet(kPacketSize, '\0');
    packet[0] = char((0 << 6) | (4 << 3) | 3); // no leap warning, version 4, client
    qToBigEndian<quint64>(mark, packet.data() + 40);
    return packet;
}

class Question {
public:
    Question(quint16 port, int limitMs, const std::atomic_bool* cancel) : port_(port), cancel_(cancel) {
        limit_.setSingleShot(true);
        limit_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&limit_, &QTimer::timeout, &loop_, [this] {
            if (resolving_)
                end(Failure::Resolve, QStringLiteral("サーバの名前を時間内に引けません"));
            else
                end(Failure::NoReply, QStringLiteral("時間内に応答がありません"));
        });
        limit_.start(limitMs);
        if (cancel_) {
            QObject::connect(&poll_, &QTimer::timeout, &loop_, [this] {
                if (cancel_->load())
                    end(Failure::Cancelled, QStringLiteral("中止しました"));
            });
            poll_.start(kCancelPollMs);
        }
        QObject::connect(&socket_, &QAbstractSocket::connected, &loop_, [this] { ask(); });
        QObject::connect(&socket_, &QUdpSocket::readyRead, &loop_, [this] { read(); });
        QObject::connect(&socket_, &QAbstractSocket::errorOccurred, &loop_,
                         [this](QAbstractSocket::SocketError) {
                             end(Failure::Unreachable, QStringLiteral("サーバに接続できません"));
                         });
    }

    Result run(const QString& host) {
        QHostAddress literal;
        if (literal.setAddress(host)) {
            connectTo(literal);
        } else {
            resolving_ = true;
            lookup_ = QHostInfo::lookupHost(host, &loop_, [this](const QHostInfo& info) { resolved(info); });
        }
        if (!done_)
            loop_.exec(QEventLoop::ExcludeUserInputEvents);
        if (resolving_)
            QHostInfo::abortHostLookup(lookup_);
        return std::move(result_);
    }

private:
    void resolved(const QHostInfo& info) {
        resolving_ = false;
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            end(Failure::Resolve, QStringLiteral("サーバが見つかりません"));
            return;
        }
        // IPv4 first: the server's v6 route may be missing where its v4 one is not.
        QHostAddress chosen = info.addresses().constFirst();
        for (const QHostAddress& address : info.addresses())
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                chosen = address;
                break;
            }
        connectTo(chosen);
    }

    void connectTo(const QHostAddress& address) {
        socket_.connectToHost(address, port_);
        if (!done_ && socket_.state() == QAbstractSocket::ConnectedState && mark_ == 0)
            ask();
    }

    void ask() {
        if (done_ || mark_ != 0)
            return;
        do
            mark_ = QRandomGenerator::system()->generate64();
        while (mark_ == 0);
        roundTrip_.start();
        if (socket_.write(request(mark_)) != kPacketSize)
            end(Failure::Unreachable, QStringLiteral("サーバに送れません"));
    }

    void read() {
        while (!done_ && socket_.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket_.receiveDatagram();
            const std::optional<Answer> answer = answerTo(datagram.data(), mark_);
            // Not a reply to this question: wait on.
            if (!answer)
                continue;
            if (answer->refusal) {
                end(Failure::BadReply, *answer->refusal);
                return;
            }
            result_.received.start();
            result_.utcUsec = arrivalUsec(*answer, roundTrip_.nsecsElapsed() / 1000);
            end(Failure::None, {});
        }
    }

    void end(Failure failure, const QString& reason) {
        if (done_)
            return;
        done_ = true;
        result_.failure = failure;
        result_.reason = reason;
        loop_.quit();
    }

    quint16 port_;
    const std::atomic_bool* cancel_;
    QEventLoop loop_;
    QTimer limit_, poll_;
    QUdpSocket socket_;
    QElapsedTimer roundTrip_;
    quint64 mark_ = 0;
    int lookup_ = -1;
    bool resolving_ = false;
    bool done_ = false;
    Result result_;
};

} // namespace

qint64 unixUsecOf(quint64 ntpTimestamp) {
    qint64 seconds = qint64(ntpTimestamp >> 32);
    // Era 1 begins on 7 February 2036, when the seconds wrap: a clear top bit means after it.
    if ((seconds & 0x80000000LL) == 0)
        seconds += kEra;
    const qint64 fraction = qint64(ntpTimestamp & 0xffffffffULL);
    return (seconds - kSecondsFrom1900To1970) * 1000000 + (fraction * 1000000 >> 32);
}

std::optional<Answer> answerTo(const QByteArray& datagram, quint64 mark) {
    if (datagram.size() < kPacketSize || timestampAt(datagram, 24) != mark)
        return std::nullopt;
    return Answer{refusal(datagram), timestampAt(datagram, 40), timestampAt(datagram, 32)};
}

qint64 arrivalUsec(const Answer& answer, qint64 tripUsec) {
    const qint64 sent = unixUsecOf(answer.transmit);
    // The time the server spent between our question and its answer is not on the way back.
    qint64 spent = 0;
    if (answer.received != 0) {
        const qint64 got = unixUsecOf(answer.received);
        if (got <= sent && sent - got < tripUsec)
            spent = sent - got;
    }
    return sent + (tripUsec - spent) / 2;
}

Result query(const QString& host, quint16 port, int limitMs, const std::atomic_bool* cancel) {
    if (cancel && cancel->load()) {
        Result cancelled;
        cancelled.failure = Failure::Cancelled;
        cancelled.reason = QStringLiteral("中止しました");
        return cancelled;
    }
    Question question(port, limitMs, cancel);
    return question.run(host.trimmed());
}

} // namespace platform::sntp
