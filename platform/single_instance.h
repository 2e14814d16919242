#pragma once
// Tells whether another instance of the program runs for the same user: a lock on a file in
// $XDG_RUNTIME_DIR (else /tmp/morvik-UID), held for the life of this object. The kernel releases it
// when the process dies, so a crash never leaves a stale lock behind. Only a lock that another
// process holds means another instance; a lock that cannot be made at all (an unwritable folder,
// no locking on the file system) is a failure of its own, with the reason in error().
#include <QString>

namespace platform {

class SingleInstance {
public:
    enum class Outcome { Acquired, HeldByAnother, Failed };

    explicit SingleInstance(const QString& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Outcome outcome() const { return outcome_; }
    // True when this object holds the lock: no other instance runs.
    bool acquired() const { return outcome_ == Outcome::Acquired; }
    // Why the lock could not be made (Failed only): the lock file and the system's reason.
    QString error() const { return error_; }

    // Whether some process holds the named lock now. It neither takes the lock nor opens or makes
    // its file: the kernel's table of locks (/proc/locks) is read for the file's device and inode.
    static bool heldElsewhere(const QString& name);
    static QString lockPath(const QString& name);

private:
    int fd_ = -1;
    Outcome outcome_ = Outcome::Failed;
    QString error_;
};

} // namespace platform
