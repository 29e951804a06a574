#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A bookmark remembers a file across restarts: an opaque, versioned byte record
// of the file's absolute path and its device and inode numbers. The bytes are
// stored in the recent-shelves file, so they may come back damaged or forged;
// decoding checks every length before it reads.
namespace Bookmarks {

// Version 1 held only paths that read as text; version 2 holds any bytes the
// file system allows in a name, so a file whose name is not UTF-8 keeps its
// bookmark. Both read; only version 2 is made.
constexpr quint8 currentVersion = 2;

struct Record {
    QByteArray path; // absolute and clean, in the file system's own bytes
    quint64 device = 0;
    quint64 inode = 0;
    quint8 version = currentVersion;

    bool operator==(const Record&) const = default;
};

struct Resolved {
    QString path;          // for showing; lossy when the name is not UTF-8
    QByteArray nativePath; // the file system's bytes, to reach the file
    // The file found is not the very file the bookmark was made of (it was
    // replaced or renamed): the caller should make a fresh bookmark.
    bool stale = false;
};

// Fails when the path is not absolute or names nothing on disk. The folders
// on the way are resolved through the file system (a link to a folder, then
// "..", leads where the system goes, not where the text points); the last
// name is kept as it is, so a bookmark of a link stands for the link.
std::optional<QByteArray> make(const QString& path);
std::optional<QByteArray> makeNative(const QByteArray& nativePath);

// The path when it still exists (stale when its inode changed, as after an
// editor's atomic save); else the entry of the same folder with the same
// device and inode (a rename, stale); else failure. Malformed bytes fail.
std::optional<Resolved> resolve(const QByteArray& bytes);

// The byte layout itself, for tests and fuzzing.
QByteArray encode(const Record& record);
std::optional<Record> decode(const QByteArray& bytes);

} // namespace Bookmarks
