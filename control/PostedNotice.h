#pragma once
// Notices posted from any thread to the thread that made this object, the way a command message
// is posted to a window: each post() becomes one call of the handler on the owner's thread, from
// its event loop, never inside post(). The notices are counted in an eventfd watched by a socket
// notifier, so posting takes no lock and allocates nothing.
#include <QObject>
#include <functional>

class QSocketNotifier;

class PostedNotice : public QObject {
    Q_OBJECT
public:
    explicit PostedNotice(std::function<void()> handler);
    ~PostedNotice() override;

    // False when no eventfd could be made: then posts go nowhere.
    bool valid() const { return fd_ >= 0; }

    // Thread-safe.
    void post();
    // Stops calling the handler, for an owner that goes away before this object does.
    void detach() { detached_ = true; }

private:
    void Activated();

    const std::function<void()> handler_;
    bool detached_ = false;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
