#include "platform/files/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

// Every temporary of ours starts with this, so that the clean-up below can
// never take a file of the user's ("settings.json.backup") for one.
const QString temporaryPrefix = QStringLiteral(".quoblin-write-");

// A process killed between creating its temporary and renaming it leaves the
// temporary behind (".quoblin-write-name.Ab12Cd"). Only old ones go: a young
// one may belong to a write still running in another copy of the program
// sharing the folder.
void removeLeftovers(const QFileInfo& target) {
    const QString start = temporaryPrefix + target.fileName();
    const QRegularExpression leftover(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(start)));
    const QDateTime old = QDateTime::currentDateTime().addSecs(-60);
    const QFileInfoList candidates = QDir(target.absolutePath())
                                         .entryInfoList({start + QStringLiteral(".*")},
                                                        QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& candidate : candidates) {
        if (!candidate.isSymLink() && leftover.match(candidate.fileName()).hasMatch() &&
            candidate.lastModified() < old)
            QFile::remove(candidate.absoluteFilePath());
    }
}

// A file linked from elsewhere (a user's dotfiles) is replaced where it really
// lives, and the link stays.
QString followLinks(const QString& path) {
    QFileInfo file(path);
    for (int depth = 0; depth < 32 && file.isSymLink(); ++depth)
        file.setFile(file.symLinkTarget());
    return file.isSymLink() ? path : file.filePath();
}

bool writeAll(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            return false;
        done += n > 0 ? n : 0;
    }
    return true;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* reason, bool ownerOnly) {
    const QFileInfo target(followLinks(path));
    // When the folder cannot be made, opening the temporary says why.
    if (ownerOnly)
        makePrivateFolder(target.absolutePath());
    else
        QDir().mkpath(target.absolutePath());
    removeLeftovers(target);

    // A new file gets the usual mode (the umask applies), a replaced one keeps
    // its own, a private one is narrowed before any byte is in it.
    const QByteArray native = QFile::encodeName(target.filePath());
    struct stat old;
    const bool existed = ::stat(native.constData(), &old) == 0;
    // A file the user made read-only stays as it is.
    if (existed && ::access(native.constData(), W_OK) != 0) {
        if (reason)
            *reason = qt_error_string(errno);
        return false;
    }
    const mode_t mode = ownerOnly ? 0600 : existed ? (old.st_mode & 07777) : 0666;
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        QString suffix;
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
        temporary = QFile::encodeName(target.absolutePath() + u'/' + temporaryPrefix +
                                      target.fileName() + u'.' + suffix);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    mode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    bool written = fd >= 0 && (!(ownerOnly || existed) || ::fchmod(fd, mode) == 0) &&
                   writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (fd >= 0 && ::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.constData(), native.constData()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        if (reason)
            *reason = qt_error_string(error);
        if (fd >= 0)
            ::unlink(temporary.constData());
    }
    return written;
}

} // namespace

bool write(const QString& path, const QByteArray& bytes, QString* reason) {
    return writeFile(path, bytes, reason, false);
}

bool writePrivate(const QString& path, const QByteArray& bytes, QString* reason) {
    return writeFile(path, bytes, reason, true);
}

std::optional<QByteArray> readRegular(const QString& path, qint64 maxBytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    QFile file;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxBytes ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    // One byte more than it held, so that a file grown past the limit meanwhile
    // is refused too.
    QByteArray bytes = file.read(qint64(info.st_size) + 1);
    if (bytes.size() > maxBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool makePrivateFolder(const QString& folder) {
    const QByteArray native = QFile::encodeName(QDir::cleanPath(folder));
    if (!native.startsWith('/'))
        return false;
    // Like mkdir -p, but every folder made here is 0700 from its first moment,
    // as the base-directory rules ask of the user's own folders.
    struct stat info;
    if (::stat(native.constData(), &info) != 0) {
        for (qsizetype slash = native.indexOf('/', 1);; slash = native.indexOf('/', slash + 1)) {
            const QByteArray part = slash < 0 ? native : native.left(slash);
            if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
                return false;
            if (slash < 0)
                break;
        }
        if (::stat(native.constData(), &info) != 0)
            return false;
    }
    if (!S_ISDIR(info.st_mode))
        return false;
    // Only group and others lose their rights: a folder the user made
    // read-only on purpose stays read-only.
    if (info.st_uid == ::geteuid() && (info.st_mode & 077) != 0)
        ::chmod(native.constData(), info.st_mode & 0700);
    return true;
}

} // namespace AtomicFile
