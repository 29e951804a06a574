#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <ctime>
#include <functional>
#include <sys/types.h>
#include <vector>

// One zip archive whose single top folder "Shelf" holds a list of files and
// folders under collision-free names. Files are read from where they lie, at
// write time; nothing is staged. Used from one thread at a time.
class ShelfArchive {
public:
    ShelfArchive() = default;
    ShelfArchive(const ShelfArchive&) = delete;
    ShelfArchive& operator=(const ShelfArchive&) = delete;

    // Looks at every path (in the file system's own bytes) now, walking
    // folders to the bottom, and plans one entry per file, folder and symbolic
    // link found. A top-level symbolic link stands for what it points at;
    // links inside folders stay links, and are never followed, not even when
    // a folder is replaced by one after planning.
    // Pipes, sockets and devices inside folders are left out, as a copy
    // leaves them. False, with nothing planned, when any path is missing, is
    // itself neither a file, a folder nor a link, lies in a folder that
    // cannot be listed, or would get a name longer than a file system allows.
    // Only the first call plans anything.
    bool add(const QList<QByteArray>& paths);

    // Writes the planned archive into `directory` under a temporary name and
    // gives it `name` once complete, never replacing an existing file. A file
    // is stored with the bytes it holds when it is read, grown or shrunk since
    // planning; one that is gone, unreadable or no longer a regular file
    // fails the whole archive.
    // Returns the archive's path, or an empty string with nothing left behind.
    // `progress` receives fractions from 0 to 1 on the calling thread.
    // Compresses on as many threads of its own as the global thread pool may
    // run at once (a core each unless the program says otherwise); the
    // archive is the same whatever their number.
    QString write(const QString& directory, const QString& name,
                  const std::function<void(double)>& progress = {});

    // Files at least this large are sniffed for content that is already
    // compressed (pictures, sound, video, archives) and then stored as they are.
    static constexpr qint64 sniffThreshold = 16 * 1024;

private:
    enum class Kind { folder, file, link };
    struct Entry {
        Kind kind;
        QByteArray source;          // path on disk, as the file system spells it
        qsizetype parentLength = 0; // of the folder holding the top-level item in `source`
        QByteArray name;            // path inside the archive
        QByteArray linkTarget;
        mode_t mode = 0;
        time_t modified = 0;
        qint64 size = 0;
    };

    bool addTopLevel(const QByteArray& source, const QByteArray& name);
    bool addFolderContents(const QByteArray& folder, const QByteArray& name,
                           qsizetype parentLength);
    bool addFound(const QByteArray& source, const QByteArray& name, const struct stat& info,
                  qsizetype parentLength, bool topLevel);

    std::vector<Entry> m_entries;
    qint64 m_totalBytes = 0;
    bool m_planned = false;
};
