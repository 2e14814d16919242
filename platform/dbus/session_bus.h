#pragma once
// The session bus connection, made ahead of need.
#include <thread>

namespace platform::session_bus {

// Connects to the session bus on a thread of its own while it lives, so that the first user of the
// bus on the GUI thread finds the connection made; waits for that thread when it goes.
class EarlyConnection {
public:
    EarlyConnection();
    ~EarlyConnection();
    EarlyConnection(const EarlyConnection&) = delete;
    EarlyConnection& operator=(const EarlyConnection&) = delete;

private:
    std::thread worker_;
};

} // namespace platform::session_bus
