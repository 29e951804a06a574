#pragma once

#include <QString>

// An advisory lock on a file (flock), held for as long as the object lives.
// The kernel ends it with the process that holds it, so a program that was
// killed never leaves a lock behind that blocks the next one. Locks taken
// through two FileLock objects exclude each other even inside one process.
class FileLock {
public:
    enum class Result {
        acquired,
        heldElsewhere, // another holder has it now
        failed,        // the lock file cannot be made or opened
    };

    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    // Tries once without waiting; the file is made 0600 when missing. On
    // failure `reason`, when given, gets the system's own words.
    Result tryAcquire(const QString& path, QString* reason = nullptr);
    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
