#include "platform/files/FileLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd); // also ends the lock
}

FileLock::Result FileLock::tryAcquire(const QString& path, QString* reason) {
    if (m_fd >= 0)
        return Result::acquired;
    // O_NOFOLLOW: a link planted under the name must not make us create or
    // lock a file somewhere else.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (reason)
            *reason = QString::fromLocal8Bit(std::strerror(errno));
        return Result::failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (reason)
            *reason = QString::fromLocal8Bit(std::strerror(error));
        return error == EWOULDBLOCK ? Result::heldElsewhere : Result::failed;
    }
    m_fd = fd;
    return Result::acquired;
}
