#pragma once
// SIGTERM (the session or the system ending the program), SIGINT (Ctrl+C in a terminal) and SIGHUP
// (the terminal she was started from closing), each
// delivered as received(signal) from the event loop of the thread that made the object, where the
// program may do anything; the handlers only write the signal's number into a pipe, which is all a
// handler may safely do. A signal that was ignored when the object was made (as SIGINT is for a
// program started in the background by a shell) stays ignored. One object per process at a time;
// destroying it puts the previous handlers back.
#include <QObject>
#include <csignal>

class QSocketNotifier;

namespace platform {

class EndSignals : public QObject {
    Q_OBJECT
public:
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // False when the handlers could not be put in place (no pipe, or another object has them).
    bool installed() const { return notifier_ != nullptr; }

signals:
    void received(int signal);

private:
    void drain();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct Previous {
        int signal;
        struct sigaction action;
        bool replaced;
    };
    Previous previous_[3] = {{SIGTERM, {}, false}, {SIGINT, {}, false}, {SIGHUP, {}, false}};
};

} // namespace platform
