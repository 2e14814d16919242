#include "server_probe.h"

#include "control/SstpSocket.h"
#include "control/net.h"
#include "platform/single_instance.h"

namespace brindok {

bool sstpServerRunning() {
    if (platform::SingleInstance::heldElsewhere(QStringLiteral("sakura")))
        return true;
    const net::Fd socket = net::tcpSocket();
    const auto address = net::resolve("127.0.0.1", CSstpSocket::kPort);
    // A loopback connection is accepted or refused at once; the limit only guards a stalled stack.
    return socket && address && net::connectWithin(socket, *address, net::Timeout(1000));
}

} // namespace brindok
