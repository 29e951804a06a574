#pragma once

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
// (default ~/.local/state/quoblin/). Creates the folder when it is missing, so
// evaluate it before every read and write.
QString defaultURL();

// The whole list, or nothing when any part of it breaks the format: not JSON,
// not an array, a missing "date" or "items", a value of the wrong type, a
// "bookmark" that is not padded standard Base64. Unknown keys are ignored and a
// null "bookmark" or "text" counts as absent.
std::optional<std::vector<StoredShelf>> decode(const QByteArray& json);

// Nothing when a date is not a finite number or the result would exceed
// maxFileBytes. A negative zero date is written as 0.
std::optional<QByteArray> encode(const std::vector<StoredShelf>& shelves);

// Missing, unreadable, oversized or damaged files read as no shelves; the file
// is left as it is.
std::vector<StoredShelf> read(const QString& path = defaultURL());

// Replaces the file atomically. False when nothing was written (the old file
// then stays as it was).
bool write(const std::vector<StoredShelf>& shelves, const QString& path = defaultURL());

} // namespace ShelfStore
