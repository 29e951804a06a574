#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A bookmark remembers a file across restarts: an opaque, versioned byte record
// of the file's absolute path and its device and inode numbers. The bytes are
// stored in the recent-shelves file, so they may come back damaged or forged;
// decoding checks every length before it reads.
namespace Bookmarks {

struct Record {
    QString path; // absolute, cleaned
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const Record&) const = default;
};

struct Resolved {
    QString path;
    // The file found is not the very file the bookmark was made of (it was
    // replaced or renamed): the caller should make a fresh bookmark.
    bool stale = false;
};

// Fails when the path is not absolute or names nothing on disk.
std::optional<QByteArray> make(const QString& path);

// The path when it still exists (stale when its inode changed, as after an
// editor's atomic save); else the entry of the same folder with the same
// device and inode (a rename, stale); else failure. Malformed bytes fail.
std::optional<Resolved> resolve(const QByteArray& bytes);

// The byte layout itself, for tests and fuzzing.
QByteArray encode(const Record& record);
std::optional<Record> decode(const QByteArray& bytes);

} // namespace Bookmarks
