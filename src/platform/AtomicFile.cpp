#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

// A process killed between creating its temporary and renaming it leaves the
// temporary behind ("name.Ab12Cd"). Only old ones go: a young one may belong
// to a write still running in another copy of the program sharing the folder.
void removeLeftovers(const QFileInfo& target) {
    const QRegularExpression leftover(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(target.fileName())));
    const QDateTime old = QDateTime::currentDateTime().addSecs(-60);
    const QFileInfoList candidates = QDir(target.absolutePath())
                                         .entryInfoList({target.fileName() + QStringLiteral(".*")},
                                                        QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& candidate : candidates) {
        if (!candidate.isSymLink() && leftover.match(candidate.fileName()).hasMatch() &&
            candidate.lastModified() < old)
            QFile::remove(candidate.absoluteFilePath());
    }
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* reason, bool ownerOnly) {
    const QFileInfo target(path);
    // When the folder cannot be made, opening the file says why.
    if (ownerOnly)
        makePrivateFolder(target.absolutePath());
    else
        QDir().mkpath(target.absolutePath());
    removeLeftovers(target);
    QSaveFile file(path);
    // The temporary takes the old file's mode when it opens; a private file is
    // narrowed before any byte is in it.
    const bool written = file.open(QIODevice::WriteOnly) &&
                         (!ownerOnly || ::fchmod(file.handle(), 0600) == 0) &&
                         file.write(bytes) == bytes.size() && file.commit();
    if (!written) {
        if (reason)
            *reason = file.errorString();
        file.cancelWriting();
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
