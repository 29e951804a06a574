#pragma once

#include "platform/files/FileLock.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// The persisted form of one item: a file item keeps only its bookmark, a text
// item only its text. Absent fields are left out of the file.
struct StoredItem {
    std::optional<QByteArray> bookmark;
    std::optional<QString> text;

    bool operator==(const StoredItem&) const = default;
};

// The persisted form of one recent shelf.
struct StoredShelf {
    // Seconds since 2001-01-01 00:00:00 UTC.
    double date = 0;
    std::vector<StoredItem> items;

    bool operator==(const StoredShelf&) const = default;
};

// The recent-shelves file, "recent-shelves.json": a compact UTF-8 JSON array of
// {"date": number, "items": [{"bookmark": base64, "text": string}]}.
namespace ShelfStore {

// Larger files are not read and not written. Ten recent shelves never come near
// this unless someone dropped huge texts; refusing the write then keeps the
// previous file instead of leaving one that the next start would reject.
constexpr qint64 maxFileBytes = 32 * 1024 * 1024;

// The local path of the file: $XDG_STATE_HOME/quoblin/recent-shelves.json
// (default ~/.local/state/quoblin/). Creates the folder when it is missing (and
// keeps it 0700: the file holds clipboard texts verbatim), so evaluate it
// before every read and write.
QString defaultURL();

// The whole list, or nothing when any part of it breaks the format: not JSON,
// not an array, a missing "date" or "items", a value of the wrong type, a
// "bookmark" that is not padded standard Base64. Unknown keys are ignored and a
// null "bookmark" or "text" counts as absent.
std::optional<std::vector<StoredShelf>> decode(const QByteArray& json);

// Nothing when a date is not a finite number or the result would exceed
// maxFileBytes. A negative zero date is written as 0.
std::optional<QByteArray> encode(const std::vector<StoredShelf>& shelves);

// The list as encode() writes it, but without the entries that would push it
// beyond maxFileBytes: the newest entries are kept while they fit, so the
// oldest of those that make it too large go first. `leftOut`, when given,
// gets how many were left out.
std::optional<QByteArray> encodeFitting(const std::vector<StoredShelf>& shelves,
                                        int* leftOut = nullptr);

// Missing, unreadable, oversized or damaged files read as no shelves; the file
// is left as it is.
std::vector<StoredShelf> read(const QString& path = defaultURL());

// Replaces the file atomically, readable by its owner only. False when nothing
// was written (the old file then stays as it was).
bool write(const std::vector<StoredShelf>& shelves, const QString& path = defaultURL());

// The one program per user that writes the file. Every program rewrites the
// whole list it holds, so two programs of one user (a console and a remote
// session) writing in turn would erase each other's entries. The first to
// claim the lock in the file's folder writes; another one reads the file,
// shows and restores what it read, and keeps its own changes in memory only.
class Writer {
public:
    // Takes the writer lock ("recent-shelves.lock" beside the file) unless this
    // writer has it already. False only when another program holds it: this
    // writer then stays without it for good, as its list lacks what the other
    // one has written since. When no lock file can be made at all, the writes
    // go ahead unguarded and fail or succeed on their own.
    bool claim(const QString& path);

    // Claims, then replaces the file with encodeFitting(shelves). False when
    // nothing was written; the next call tries again.
    bool write(const std::vector<StoredShelf>& shelves, const QString& path);

private:
    FileLock m_lock;
    bool m_refused = false;
    bool m_toldTooLarge = false;
};

} // namespace ShelfStore
