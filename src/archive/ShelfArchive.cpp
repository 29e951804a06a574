#include "archive/ShelfArchive.h"

#include "archive/ParallelDeflate.h"
#include "archive/ZipNaming.h"

#include <QFile>
#include <QMimeDatabase>
#include <QThreadPool>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

namespace {

const QByteArray topFolder = QByteArrayLiteral("Shelf");
constexpr zip_uint32_t deflateLevel = 6; // the usual zip tools' default
constexpr zip_uint16_t extendedTimestampId = 0x5455;
constexpr zip_uint32_t msDosFolderBit = 0x10;

// Opens the file at `path` for reading, walking down from its first
// `parentLength` bytes (the folder holding the top-level item) one name at a
// time without following a link: a folder replaced by a link since planning
// fails the open instead of leading out of what was dropped. Non-blocking, so
// that a pipe put in the file's place cannot hang the job.
int openBeneath(const QByteArray& path, qsizetype parentLength) {
    int dir = ::open(parentLength > 0 ? path.left(parentLength).constData() : "/",
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const QList<QByteArray> names = path.mid(parentLength + 1).split('/');
    for (qsizetype i = 0; dir >= 0 && i + 1 < names.size(); ++i) {
        const int next =
            ::openat(dir, names[i].constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(dir);
        dir = next;
    }
    if (dir < 0)
        return -1;
    const int fd =
        ::openat(dir, names.last().constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    const int error = errno;
    ::close(dir);
    errno = error;
    return fd;
}

// The same, failing with EINVAL for what is not a regular file (any more).
int openRegular(const QByteArray& path, qsizetype parentLength) {
    const int fd = openBeneath(path, parentLength);
    struct stat info;
    if (fd < 0 || (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)))
        return fd;
    ::close(fd);
    errno = EINVAL;
    return -1;
}

// A file read only while the archive is written: opened when libzip asks for
// its data and closed right after, so thousands of files never hold more than
// one descriptor. Like a copy, it takes the bytes that are there when it is
// read, so a log or a download that grows or shrinks meanwhile is stored as
// read; what is no longer a regular file, or cannot be opened, fails the archive.
// What both of the sources below answer alike: their error, their end, and
// which commands they take.
template <typename File>
zip_int64_t sharedCommand(File* file, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&file->error, data, length);
    case ZIP_SOURCE_FREE:
        delete file;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        // open, read, close, stat, error and free
        return ZIP_SOURCE_SUPPORTS_READABLE;
    default:
        zip_error_set(&file->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

struct LazyFile {
    QByteArray path;
    qsizetype parentLength = 0;
    zip_uint64_t size = 0; // as planned; only a hint for the archive's headers
    time_t modified = 0;
    int fd = -1;
    zip_error_t error{};

    LazyFile(QByteArray source, qsizetype parent, zip_uint64_t bytes, time_t mtime)
        : path(std::move(source))
        , parentLength(parent)
        , size(bytes)
        , modified(mtime) {
        zip_error_init(&error);
    }
    ~LazyFile() {
        closeFile();
        zip_error_fini(&error);
    }

    void closeFile() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    zip_int64_t fail(int zipError, int systemError) {
        zip_error_set(&error, zipError, systemError);
        return -1;
    }

    zip_int64_t open() {
        fd = openRegular(path, parentLength);
        if (fd < 0)
            return fail(ZIP_ER_OPEN, errno);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return 0;
    }

    // Up to the end of the file as it is now; 0 at its end.
    zip_int64_t read(char* buffer, zip_uint64_t capacity) {
        for (;;) {
            const ssize_t n = ::read(fd, buffer, capacity);
            if (n >= 0)
                return n;
            if (errno != EINTR)
                return fail(ZIP_ER_READ, errno);
        }
    }

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length,
                                zip_source_cmd_t cmd) {
        auto* file = static_cast<LazyFile*>(state);
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            return file->open();
        case ZIP_SOURCE_READ:
            return file->read(static_cast<char*>(data), length);
        case ZIP_SOURCE_CLOSE:
            file->closeFile();
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &file->error);
            if (!stat)
                return -1;
            zip_stat_init(stat);
            stat->mtime = file->modified;
            stat->valid |= ZIP_STAT_MTIME;
            // The size is told only where it decides the archive's format (ZIP64):
            // newer libzip fails an entry whose bytes differ from a told size,
            // and a file that changed since it was planned is stored as read.
            if (file->size >= ZIP_UINT32_MAX) {
                stat->size = file->size;
                stat->valid |= ZIP_STAT_SIZE;
            }
            return sizeof(zip_stat_t);
        }
        default:
            return sharedCommand(file, data, length, cmd);
        }
    }
};

// A file's bytes as the workers deflated them, taken from the row in the
// archive's order while libzip writes the entry. Its size and checksum are
// told once its last block has been taken, which is when libzip asks for them
// to complete the entry's headers.
struct DeflatedFile {
    ParallelDeflate& row;
    time_t modified = 0;
    ParallelDeflate::Block block;
    qsizetype offset = 0;
    bool started = false;
    bool finished = false;
    quint32 crc = quint32(crc32(0, nullptr, 0));
    zip_uint64_t size = 0;
    zip_error_t error{};

    DeflatedFile(ParallelDeflate& from, time_t mtime)
        : row(from)
        , modified(mtime) {
        zip_error_init(&error);
    }
    ~DeflatedFile() { zip_error_fini(&error); }

    zip_int64_t read(char* buffer, zip_uint64_t capacity) {
        while (offset == block.compressed.size()) {
            if (started && block.last) {
                finished = true;
                return 0;
            }
            block = row.next();
            started = true;
            offset = 0;
            if (block.error)
                return zip_error_set(&error, ZIP_ER_READ, block.error), -1;
            crc = quint32(crc32_combine(crc, block.crc, block.size));
            size += zip_uint64_t(block.size);
        }
        const auto n =
            std::min<zip_uint64_t>(capacity, zip_uint64_t(block.compressed.size() - offset));
        std::memcpy(buffer, block.compressed.constData() + offset, n);
        offset += qsizetype(n);
        return zip_int64_t(n);
    }

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length,
                                zip_source_cmd_t cmd) {
        auto* file = static_cast<DeflatedFile*>(state);
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_READ:
            return file->read(static_cast<char*>(data), length);
        case ZIP_SOURCE_STAT: {
            auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &file->error);
            if (!stat)
                return -1;
            zip_stat_init(stat);
            stat->comp_method = ZIP_CM_DEFLATE;
            stat->mtime = file->modified;
            stat->valid |= ZIP_STAT_COMP_METHOD | ZIP_STAT_MTIME;
            if (file->finished) {
                stat->size = file->size;
                stat->crc = file->crc;
                stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_CRC;
            }
            return sizeof(zip_stat_t);
        }
        default:
            return sharedCommand(file, data, length, cmd);
        }
    }
};

bool isAlreadyCompressed(const QMimeType& type) {
    const QString name = type.name();
    if (name.startsWith(QLatin1String("video/")))
        return true;
    if (name.startsWith(QLatin1String("audio/"))) {
        static const QStringList raw{
            QStringLiteral("audio/x-wav"), QStringLiteral("audio/vnd.wave"),
            QStringLiteral("audio/wav"),   QStringLiteral("audio/x-aiff"),
            QStringLiteral("audio/aiff"),  QStringLiteral("audio/basic"),
            QStringLiteral("audio/midi"),  QStringLiteral("audio/x-midi"),
        };
        return !raw.contains(name);
    }
    static const QStringList compressed{
        QStringLiteral("image/jpeg"),
        QStringLiteral("image/png"),
        QStringLiteral("image/gif"),
        QStringLiteral("image/webp"),
        QStringLiteral("image/heif"),
        QStringLiteral("image/heic"),
        QStringLiteral("image/avif"),
        QStringLiteral("image/jxl"),
        QStringLiteral("image/jp2"),
        QStringLiteral("application/zip"),
        QStringLiteral("application/gzip"),
        QStringLiteral("application/x-bzip"),
        QStringLiteral("application/x-bzip2"),
        QStringLiteral("application/x-xz"),
        QStringLiteral("application/x-lzma"),
        QStringLiteral("application/x-lzip"),
        QStringLiteral("application/x-lz4"),
        QStringLiteral("application/zstd"),
        QStringLiteral("application/x-zstd"),
        QStringLiteral("application/x-compress"),
        QStringLiteral("application/x-7z-compressed"),
        QStringLiteral("application/vnd.rar"),
        QStringLiteral("application/x-rar"),
        QStringLiteral("application/vnd.debian.binary-package"),
        QStringLiteral("application/x-rpm"),
    };
    return std::any_of(compressed.cbegin(), compressed.cend(),
                       [&](const QString& other) { return type.inherits(other); });
}

bool shouldStore(const QByteArray& path, qsizetype parentLength, const QByteArray& name,
                 qint64 size) {
    if (size < ShelfArchive::sniffThreshold)
        return false;
    QByteArray head(4096, Qt::Uninitialized);
    const int fd = openBeneath(path, parentLength);
    if (fd < 0)
        return false; // the real read at write time reports the failure
    const ssize_t n = ::read(fd, head.data(), head.size());
    ::close(fd);
    head.truncate(n > 0 ? n : 0);
    static const QMimeDatabase database;
    const QString fileName = QFile::decodeName(name.mid(name.lastIndexOf('/') + 1));
    return isAlreadyCompressed(database.mimeTypeForFileNameAndData(fileName, head));
}

bool isValidUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// The archive's own Unix timestamp field: whole seconds in UTC, where the
// DOS time of the headers is local time to two seconds.
void setExactTime(zip_t* archive, zip_uint64_t index, time_t modified) {
    if (modified < 0 || modified > INT32_MAX)
        return;
    const auto t = static_cast<quint32>(modified);
    const zip_uint8_t field[5] = {1, static_cast<zip_uint8_t>(t), static_cast<zip_uint8_t>(t >> 8),
                                  static_cast<zip_uint8_t>(t >> 16),
                                  static_cast<zip_uint8_t>(t >> 24)};
    zip_file_extra_field_set(archive, index, extendedTimestampId, ZIP_EXTRA_FIELD_NEW, field,
                             sizeof field, ZIP_FL_LOCAL | ZIP_FL_CENTRAL);
}

// Gives the finished temporary archive its final name, failing rather than
// replacing a file that has that name, even one that appears meanwhile.
bool renameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the flag: a hard link fails on an existing name too.
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    ::unlink(from.constData());
    return true;
}

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

} // namespace

bool ShelfArchive::add(const QList<QByteArray>& paths) {
    if (m_planned)
        return false;
    m_planned = true;
    // Latin-1 gives each byte a character of its own and back, so the names
    // are made of the file system's bytes, whatever their encoding.
    QStringList latin1;
    for (const QByteArray& path : paths)
        latin1.append(QString::fromLatin1(path));
    const QStringList names = ZipNaming::collisionFreeNames(latin1);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QByteArray name = names.at(i).toLatin1();
        if (name.isEmpty() || name.size() > NAME_MAX ||
            !addTopLevel(paths.at(i), topFolder + '/' + name)) {
            m_entries.clear();
            m_totalBytes = 0;
            return false;
        }
    }
    return true;
}

bool ShelfArchive::addTopLevel(const QByteArray& source, const QByteArray& name) {
    // What a top-level link points at is read through its resolved path, as
    // files are opened without following links.
    std::unique_ptr<char, decltype(&::free)> resolved(::realpath(source.constData(), nullptr),
                                                      &::free);
    struct stat info;
    if (!resolved || ::lstat(resolved.get(), &info) != 0)
        return false;
    const QByteArray path(resolved.get());
    return addFound(path, name, info, path.lastIndexOf('/'), true);
}

bool ShelfArchive::addFound(const QByteArray& source, const QByteArray& name,
                            const struct stat& info, qsizetype parentLength, bool topLevel) {
    Entry entry{Kind::file, source, parentLength, name, {}, info.st_mode, info.st_mtime, 0};
    if (S_ISREG(info.st_mode)) {
        entry.size = info.st_size;
        m_totalBytes += info.st_size;
        m_entries.push_back(std::move(entry));
        return true;
    }
    if (S_ISLNK(info.st_mode)) {
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(source.constData(), target.data(), target.size());
        if (n <= 0 || n >= target.size())
            return false;
        target.truncate(n);
        entry.kind = Kind::link;
        entry.linkTarget = target;
        m_entries.push_back(std::move(entry));
        return true;
    }
    if (S_ISDIR(info.st_mode)) {
        entry.kind = Kind::folder;
        m_entries.push_back(std::move(entry));
        return addFolderContents(source, name, parentLength);
    }
    // Pipes, sockets and devices have no contents to store. A copy of a
    // folder leaves them out, and so does the archive; one chosen by itself
    // has nothing at all to give.
    return !topLevel;
}

bool ShelfArchive::addFolderContents(const QByteArray& folder, const QByteArray& name,
                                     qsizetype parentLength) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return false;
    std::vector<QByteArray> children;
    errno = 0;
    while (const dirent* child = ::readdir(dir)) {
        const QByteArray childName(child->d_name);
        if (childName != "." && childName != "..")
            children.push_back(childName);
    }
    const bool listed = errno == 0;
    ::closedir(dir);
    if (!listed)
        return false;
    std::sort(children.begin(), children.end());
    for (const QByteArray& child : children) {
        const QByteArray source = folder + '/' + child;
        struct stat info;
        if (::lstat(source.constData(), &info) != 0 ||
            !addFound(source, name + '/' + child, info, parentLength, false))
            return false;
    }
    return true;
}

QString ShelfArchive::write(const QString& directory, const QString& name,
                            const std::function<void(double)>& progress) {
    if (m_entries.empty() || name.isEmpty() || name.contains(QLatin1Char('/')))
        return {};
    const QByteArray dir = QFile::encodeName(directory);
    const QByteArray temporary =
        dir + "/.Shelf-" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + ".partial";
    const QByteArray finalPath = dir + '/' + QFile::encodeName(name);

    // Files are deflated on every core the program allows itself while
    // libzip, on this thread, writes the entries in order as their bytes come.
    std::vector<bool> stored(m_entries.size(), true);
    std::vector<const Entry*> deflated;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& entry = m_entries[i];
        if (entry.kind == Kind::file &&
            !shouldStore(entry.source, entry.parentLength, entry.name, entry.size)) {
            stored[i] = false;
            deflated.push_back(&entry);
        }
    }
    std::unique_ptr<ParallelDeflate> row;
    if (!deflated.empty()) {
        row = std::make_unique<ParallelDeflate>(
            deflated.size(),
            [&deflated](std::size_t i) {
                return openRegular(deflated[i]->source, deflated[i]->parentLength);
            },
            int(deflateLevel), QThreadPool::globalInstance()->maxThreadCount());
    }

    int error = 0;
    std::unique_ptr<zip_t, ArchiveCloser> archive(
        zip_open(temporary.constData(), ZIP_CREATE | ZIP_EXCL, &error));
    if (!archive)
        return {};
    zip_t* za = archive.get();

    auto setAttributes = [za](zip_int64_t index, mode_t mode, time_t modified) {
        zip_uint32_t attributes = static_cast<zip_uint32_t>(mode) << 16;
        if (S_ISDIR(mode))
            attributes |= msDosFolderBit;
        zip_file_set_external_attributes(za, index, 0, ZIP_OPSYS_UNIX, attributes);
        zip_file_set_mtime(za, index, modified, 0);
        setExactTime(za, index, modified);
    };

    const zip_int64_t top = zip_dir_add(za, topFolder.constData(), ZIP_FL_ENC_UTF_8);
    if (top < 0)
        return {};
    setAttributes(top, S_IFDIR | 0755, ::time(nullptr));

    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& entry = m_entries[i];
        const zip_flags_t encoding = isValidUtf8(entry.name) ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_GUESS;
        zip_int64_t index = -1;
        if (entry.kind == Kind::folder) {
            index = zip_dir_add(za, entry.name.constData(), encoding);
        } else {
            zip_source_t* source = nullptr;
            if (entry.kind == Kind::link) {
                source = zip_source_buffer(za, entry.linkTarget.constData(),
                                           static_cast<zip_uint64_t>(entry.linkTarget.size()), 0);
            } else if (stored[i]) {
                auto* file = new LazyFile(entry.source, entry.parentLength,
                                          static_cast<zip_uint64_t>(entry.size), entry.modified);
                source = zip_source_function(za, &LazyFile::callback, file);
                if (!source)
                    delete file;
            } else {
                auto* file = new DeflatedFile(*row, entry.modified);
                source = zip_source_function(za, &DeflatedFile::callback, file);
                if (!source)
                    delete file;
            }
            if (!source)
                return {};
            index = zip_file_add(za, entry.name.constData(), source, encoding);
            if (index < 0) {
                zip_source_free(source);
                return {};
            }
            if (stored[i])
                zip_set_file_compression(za, index, ZIP_CM_STORE, 0);
            else
                zip_set_file_compression(za, index, ZIP_CM_DEFLATE, deflateLevel);
        }
        if (index < 0)
            return {};
        setAttributes(index, entry.mode, entry.modified);
    }

    if (progress) {
        zip_register_progress_callback_with_state(
            za, 0.001,
            [](zip_t*, double fraction, void* state) {
                (*static_cast<const std::function<void(double)>*>(state))(fraction);
            },
            nullptr, const_cast<std::function<void(double)>*>(&progress));
    }

    const bool written = zip_close(za) == 0;
    if (!written) {
        ::unlink(temporary.constData());
        return {};
    }
    archive.release(); // zip_close freed it
    if (!renameWithoutReplacing(temporary, finalPath)) {
        ::unlink(temporary.constData());
        return {};
    }
    return QFile::decodeName(finalPath);
}
