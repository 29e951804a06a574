#include "platform/Bookmarks.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "QBMK", a version byte, device and inode (8 bytes each, big endian), the
// path's length (4 bytes) and the path in the file system's encoding.
constexpr char magic[4] = {'Q', 'B', 'M', 'K'};
constexpr quint8 version = 1;
constexpr qsizetype headerSize = 4 + 1 + 8 + 8 + 4;
// PATH_MAX on Linux; a longer path cannot be opened anyway.
constexpr quint32 maxPathBytes = 4096;

struct Identity {
    quint64 device;
    quint64 inode;
};

// lstat: a bookmark stands for the entry the user handed over, so a symbolic
// link is followed neither when the bookmark is made nor when it is resolved.
std::optional<Identity> identityOf(const QByteArray& nativePath) {
    struct stat info;
    if (::lstat(nativePath.constData(), &info) != 0)
        return std::nullopt;
    return Identity{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

// The entry of `folder` with this device and inode, if any.
std::optional<QByteArray> findInFolder(const QByteArray& folder, const Identity& wanted) {
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return std::nullopt;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return std::nullopt;
    }
    std::optional<QByteArray> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        struct stat info;
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (static_cast<quint64>(info.st_dev) == wanted.device &&
            static_cast<quint64>(info.st_ino) == wanted.inode) {
            found = QByteArray(entry->d_name);
            break;
        }
    }
    ::closedir(dir); // closes dirFd too
    return found;
}

} // namespace

namespace Bookmarks {

QByteArray encode(const Record& record) {
    const QByteArray path = QFile::encodeName(record.path);
    QByteArray bytes;
    bytes.reserve(headerSize + path.size());
    bytes.append(magic, sizeof magic);
    bytes.append(static_cast<char>(version));
    char number[8];
    qToBigEndian<quint64>(record.device, number);
    bytes.append(number, 8);
    qToBigEndian<quint64>(record.inode, number);
    bytes.append(number, 8);
    qToBigEndian<quint32>(static_cast<quint32>(path.size()), number);
    bytes.append(number, 4);
    bytes.append(path);
    return bytes;
}

std::optional<Record> decode(const QByteArray& bytes) {
    if (bytes.size() < headerSize || std::memcmp(bytes.constData(), magic, sizeof magic) != 0 ||
        static_cast<quint8>(bytes.at(4)) != version)
        return std::nullopt;
    const char* data = bytes.constData();
    Record record;
    record.device = qFromBigEndian<quint64>(data + 5);
    record.inode = qFromBigEndian<quint64>(data + 13);
    const quint32 length = qFromBigEndian<quint32>(data + 21);
    if (length == 0 || length > maxPathBytes || bytes.size() - headerSize != qsizetype(length))
        return std::nullopt;
    const QByteArray path = bytes.mid(headerSize);
    // Only a clean absolute path is ever written; anything else was not made here.
    if (path.front() != '/' || path.contains('\0'))
        return std::nullopt;
    record.path = QFile::decodeName(path);
    if (QDir::cleanPath(record.path) != record.path || QFile::encodeName(record.path) != path)
        return std::nullopt;
    return record;
}

std::optional<QByteArray> make(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return std::nullopt;
    const QString clean = QDir::cleanPath(path);
    const QByteArray native = QFile::encodeName(clean);
    if (native.size() > qsizetype(maxPathBytes) || native.contains('\0'))
        return std::nullopt;
    const auto identity = identityOf(native);
    if (!identity)
        return std::nullopt;
    return encode(Record{clean, identity->device, identity->inode});
}

std::optional<Resolved> resolve(const QByteArray& bytes) {
    const auto record = decode(bytes);
    if (!record)
        return std::nullopt;
    const QByteArray native = QFile::encodeName(record->path);
    if (const auto identity = identityOf(native)) {
        const bool same = identity->device == record->device && identity->inode == record->inode;
        return Resolved{record->path, !same};
    }
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash == 0 ? QByteArray("/") : native.left(slash);
    const auto name = findInFolder(folder, Identity{record->device, record->inode});
    if (!name)
        return std::nullopt;
    const QString folderPath = QFile::decodeName(folder);
    const QString renamed = (folderPath == QLatin1String("/") ? folderPath : folderPath + '/') +
                            QFile::decodeName(*name);
    return Resolved{renamed, true};
}

} // namespace Bookmarks
