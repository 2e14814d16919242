// The SNTP reply check: any bytes as a datagram that came to the client's socket, checked against
// its question's number (the first 8 bytes of the input, when the datagram is long enough, are
// made the number it carries half the time, so that the check gets past the originate timestamp)
// and, when it may set the clock, the server's time worked out for a round trip taken from it.
#include "platform/sntp/sntp.h"
#include "support.h"

#include <QtEndian>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9)
        return 0;
    const quint64 mark = qFromBigEndian<quint64>(data);
    QByteArray datagram = fuzz::bytes(data + 9, size - 9);
    if (data[8] & 1 && datagram.size() >= 32) {
        datagram.detach();
        qToBigEndian<quint64>(mark, datagram.data() + 24);
    }
    if (const std::optional<platform::sntp::Answer> answer = platform::sntp::answerTo(datagram, mark)) {
        if (!answer->refusal)
            (void)platform::sntp::arrivalUsec(*answer, qint64(data[8]) * 1000);
    }
    return 0;
}
