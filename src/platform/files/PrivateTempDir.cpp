#include "platform/files/PrivateTempDir.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateTempDir {

std::optional<QString> pathIn(const QString& tempRoot, uid_t owner) {
    if (tempRoot.isEmpty() || !QDir::isAbsolutePath(tempRoot))
        return std::nullopt;
    const QString folder =
        QDir::cleanPath(tempRoot) + QStringLiteral("/quoblin-") + QString::number(owner);
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    // lstat, so that a link planted under our name is seen as a link.
    struct stat info;
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != owner)
        return std::nullopt;
    // Our own folder with looser permissions (an old umask, a user's chmod) is
    // tightened rather than refused.
    if ((info.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return std::nullopt;
    return folder;
}

std::optional<QString> path() {
    return pathIn(QDir::tempPath(), ::getuid());
}

std::optional<QString> subdirectory(const QString& name) {
    const auto root = path();
    if (!root || name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        return std::nullopt;
    const QString folder = *root + QLatin1Char('/') + name;
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    struct stat info;
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return folder;
}

} // namespace PrivateTempDir
