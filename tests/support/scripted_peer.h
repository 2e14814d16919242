#pragma once
// What every scripted peer of the tests shares: a thread that accepts each connection of a
// listening loopback socket, counts it and hands it to the peer, until the peer stops. The peer
// speaks its protocol in Accepted(), on that thread or on one it starts for the connection.
#include <atomic>
#include <mutex>
#include <thread>

class ScriptedPeer {
public:
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    bool listening() const { return listener_ >= 0; }
    // Connections accepted so far (a probe that sends nothing counts too).
    int connections() const;

protected:
    ScriptedPeer() = default;
    // Closes the sockets. A peer calls Stop() first in its own destructor, while Accepted() may
    // still reach its members.
    ~ScriptedPeer();

    // Serves listener, a socket that listens already and is closed with the peer. Without a
    // wake-up pipe it closes listener and serves nothing (listening() is false).
    void Serve(int listener);
    // Sets stopping() and waits for the serving thread to end.
    void Stop();
    bool stopping() const { return stopping_; }
    // Called on the serving thread for each accepted connection, after it was counted.
    virtual void Accepted(int client) = 0;

    mutable std::mutex mutex_; // guards the count and what the peer records

private:
    void Loop();

    int listener_ = -1;
    int wake_[2] = {-1, -1}; // a pipe that tells the serving thread to stop
    int connections_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
