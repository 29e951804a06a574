#include "platform/files/Bookmarks.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "QBMK", a version byte, device and inode (8 bytes each, big endian), the
// path's length (4 bytes) and the path in the file system's encoding.
constexpr char magic[4] = {'Q', 'B', 'M', 'K'};
constexpr qsizetype headerSize = 4 + 1 + 8 + 8 + 4;
// PATH_MAX on Linux; a longer path cannot be opened anyway.
constexpr quint32 maxPathBytes = 4096;

struct Identity {
    quint64 device;
    quint64 inode;
};

// Absolute, no empty, "." or ".." component and no trailing slash: what
// makeNative() writes after resolving the folders.
bool isCleanAbsolute(const QByteArray& path) {
    if (path == "/")
        return true;
    if (!path.startsWith('/') || path.endsWith('/') || path.contains('\0'))
        return false;
    for (const QByteArray& part : path.mid(1).split('/')) {
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    }
    return true;
}

// The folders resolved through the file system, the last name kept: a link
// given by the user stays the link.
std::optional<QByteArray> canonical(QByteArray path) {
    const bool trailingSlash = path.size() > 1 && path.endsWith('/');
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray last = path.mid(slash + 1);
    const bool wholeIsFolder = trailingSlash || last.isEmpty() || last == "." || last == "..";
    const QByteArray folder = wholeIsFolder ? path
                              : slash == 0  ? QByteArray("/")
                                            : path.left(slash);
    char resolved[PATH_MAX];
    if (!::realpath(folder.constData(), resolved))
        return std::nullopt;
    const QByteArray real(resolved);
    if (wholeIsFolder)
        return real;
    return (real == "/" ? real : real + '/') + last;
}

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
    QByteArray bytes;
    bytes.reserve(headerSize + record.path.size());
    bytes.append(magic, sizeof magic);
    bytes.append(static_cast<char>(record.version));
    char number[8];
    qToBigEndian<quint64>(record.device, number);
    bytes.append(number, 8);
    qToBigEndian<quint64>(record.inode, number);
    bytes.append(number, 8);
    qToBigEndian<quint32>(static_cast<quint32>(record.path.size()), number);
    bytes.append(number, 4);
    bytes.append(record.path);
    return bytes;
}

std::optional<Record> decode(const QByteArray& bytes) {
    if (bytes.size() < headerSize || std::memcmp(bytes.constData(), magic, sizeof magic) != 0)
        return std::nullopt;
    const char* data = bytes.constData();
    Record record;
    record.version = static_cast<quint8>(data[4]);
    if (record.version != 1 && record.version != 2)
        return std::nullopt;
    record.device = qFromBigEndian<quint64>(data + 5);
    record.inode = qFromBigEndian<quint64>(data + 13);
    const quint32 length = qFromBigEndian<quint32>(data + 21);
    if (length == 0 || length > maxPathBytes || bytes.size() - headerSize != qsizetype(length))
        return std::nullopt;
    record.path = bytes.mid(headerSize);
    // Only a clean absolute path is ever written; anything else was not made here.
    if (!isCleanAbsolute(record.path))
        return std::nullopt;
    // Version 1 was written from text, so its bytes always read back as text.
    if (record.version == 1 && QFile::encodeName(QFile::decodeName(record.path)) != record.path)
        return std::nullopt;
    return record;
}

std::optional<QByteArray> make(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return std::nullopt;
    return makeNative(QFile::encodeName(path));
}

std::optional<QByteArray> makeNative(const QByteArray& nativePath) {
    if (!nativePath.startsWith('/') || nativePath.contains('\0') ||
        nativePath.size() > qsizetype(maxPathBytes))
        return std::nullopt;
    const auto real = canonical(nativePath);
    if (!real || real->size() > qsizetype(maxPathBytes))
        return std::nullopt;
    const auto identity = identityOf(*real);
    if (!identity)
        return std::nullopt;
    return encode(Record{*real, identity->device, identity->inode});
}

std::optional<Resolved> resolve(const QByteArray& bytes) {
    const auto record = decode(bytes);
    if (!record)
        return std::nullopt;
    const QByteArray& native = record->path;
    if (const auto identity = identityOf(native)) {
        const bool same = identity->device == record->device && identity->inode == record->inode;
        return Resolved{QFile::decodeName(native), native, !same};
    }
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash == 0 ? QByteArray("/") : native.left(slash);
    const auto name = findInFolder(folder, Identity{record->device, record->inode});
    if (!name)
        return std::nullopt;
    const QByteArray renamed = (folder == "/" ? folder : folder + '/') + *name;
    return Resolved{QFile::decodeName(renamed), renamed, true};
}

} // namespace Bookmarks
