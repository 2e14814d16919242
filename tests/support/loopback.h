#pragma once
// Ports of 127.0.0.1 for the tests' peers: listening sockets for our scripted ones and, for those
// that bind on their own (Dovecot, aiosmtpd), free ports. A port free at the moment of asking can
// be taken by another test's peer before ours binds it, so a peer counts as up only when the port
// greets as that peer does, never merely when something accepts there.
#include <QByteArray>

// A port of 127.0.0.1 free at the moment of asking; 0 when none could be had.
int freeLoopbackPort();

// The first bytes a server on 127.0.0.1:port says on connecting (up to a second); empty when
// nothing listens there or nothing is said.
QByteArray loopbackGreeting(int port);

// A TCP socket listening on port of 127.0.0.1 (any free port when 0), for a peer of the test's
// own; -1 when it cannot be had. port is set to the port it took.
int listenOnLoopback(int& port);
