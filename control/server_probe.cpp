#include "server_probe.h"

#include "control/SstpSocket.h"
#include "control/net.h"
#include "platform/single_instance.h"

namespace brindok {

bool sstpServerRunning() {
    if (platform::SingleInstance::heldElsewhere(QStringLiteral("sakura")))
        return true;
    // A loopback connection is accepted or refused at once; the limit only guards a stalled stack.
    const net::Deadline deadline = net::Clock::now() + net::Timeout(1000);
    const net::Fd socket = net::tcpSocket();
    const auto address = net::resolve("127.0.0.1", CSstpSocket::kPort, deadline);
    return socket && address && net::connectBy(socket, *address, deadline);
}

} // namespace brindok
