#pragma once
// Tells whether another instance of the program runs for the same user: a lock on a file in
// $XDG_RUNTIME_DIR, else in /tmp/morvik-UID when that is the user's own private folder, else in
// the program folder (said on stderr); held for the life of this object. The kernel releases it
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
    // It says nothing of a refused folder (the SSTP control asks it, from a copy of this code of
    // its own): only lockPath() does, once per folder.
    static bool heldElsewhere(const QString& name);
    static QString lockPath(const QString& name);
    // Why a folder may not hold the lock: empty when it is a real folder (no symbolic link) of
    // this user's with mode 0700, so no other user can plant or hold the lock file there.
    static QString notPrivateFolder(const QString& dir);
    // Where the folder morvik-UID of the fallback is made: /tmp, unless a test points it elsewhere
    // (an empty root: /tmp again).
    static void setFallbackRoot(const QString& root);

private:
    int fd_ = -1;
    Outcome outcome_ = Outcome::Failed;
    QString error_;
};

} // namespace platform
