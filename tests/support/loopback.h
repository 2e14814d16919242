#pragma once
// Ports of 127.0.0.1 for the tests' peers that bind on their own (Dovecot, aiosmtpd). A port free at
// the moment of asking can be taken by another test's peer before ours binds it, so a peer counts
// as up only when the port greets as that peer does, never merely when something accepts there.
#include <QByteArray>

// A port of 127.0.0.1 free at the moment of asking; 0 when none could be had.
int freeLoopbackPort();

// The first bytes a server on 127.0.0.1:port says on connecting (up to a second); empty when
// nothing listens there or nothing is said.
QByteArray loopbackGreeting(int port);
