// The SSTP control's reply reader: any bytes as the one read of a server's reply (at most
// kReplyMax bytes, as the socket reads it), then the reply text as the host reads it (CP932).
#include "control/SstpSocket.h"
#include "platform/codec.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray received = fuzz::bytes(data, size).left(CSstpSocket::kReplyMax);
    const CSstpSocket::Reply reply = CSstpSocket::ReadReply(received);
    (void)platform::codec::fromCp932(reply.text).size();
    return 0;
}
