#pragma once
// Tells whether another instance of the program runs for the same user: a lock on a file in
// $XDG_RUNTIME_DIR (else /tmp/morvik-UID), held for the life of this object. The kernel releases it
// when the process dies, so a crash never leaves a stale lock behind.
#include <QString>

namespace platform {

class SingleInstance {
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this object holds the lock: no other instance runs.
    bool acquired() const { return fd_ >= 0; }

    // Whether some process holds the named lock now. It neither takes the lock nor opens or makes
    // its file: the kernel's table of locks (/proc/locks) is read for the file's device and inode.
    static bool heldElsewhere(const QString& name);
    static QString lockPath(const QString& name);

private:
    int fd_ = -1;
};

} // namespace platform
