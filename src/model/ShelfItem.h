#pragma once

#include "model/ShelfStore.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

class QAbstractFileIconProvider;

class ShelfItem;
// Items are shared by identity: a shelf's list, its rows, a drag in progress
// and a recent shelf may all hold the very same object.
using ShelfItemPtr = std::shared_ptr<ShelfItem>;

// One thing a shelf holds: a file or folder, or a piece of text.
class ShelfItem {
public:
    enum class Kind { file, text };

    // A file item; also makes the file's bookmark (an item without one is
    // still fully usable while the program runs).
    static ShelfItemPtr makeFile(const QUrl& localFileUrl);
    // A text item holding the text exactly as given.
    static ShelfItemPtr makeText(const QString& text);
    // A text held in memory only: it never reaches the recent-shelves file.
    static ShelfItemPtr makeSecretText(const QString& text);
    // Rebuilds an item from the recent-shelves file, or nothing: a text wins
    // over a bookmark; without either, or when the bookmark no longer leads to
    // an existing file, there is no item. A stale bookmark is renewed.
    static ShelfItemPtr fromStored(const StoredItem& stored);

    ShelfItem(const ShelfItem&) = delete;
    ShelfItem& operator=(const ShelfItem&) = delete;

    Kind kind() const { return m_kind; }
    bool isFile() const { return m_kind == Kind::file; }
    QUrl url() const { return m_url; } // empty for text
    // The local file's path for showing: a name that is not UTF-8 is shown
    // with replacement characters, so it does not reach the file. Empty for text.
    QString path() const;
    // The local file's path in the file system's own bytes, for every use of
    // the file. Empty for text.
    QByteArray nativePath() const;
    // Asked with nativePath(). False for text.
    bool fileExists() const;
    const QString& text() const { return m_text; } // exact text, empty for files
    bool isSecret() const { return m_secret; }
    const std::optional<QByteArray>& bookmark() const { return m_bookmark; }

    // File: the last path component. Text: trimmed of white space and line breaks.
    QString title() const;
    // The symbol a text shows: "link" when the text starts with "http", else
    // "text.alignleft". Empty for a file, which shows the desktop's icon.
    QString symbolName() const;

    // What the recent-shelves file keeps of this item: a file's bookmark (or
    // nothing when it has none), a text's text (nothing for a secret).
    StoredItem toStored() const;

private:
    struct Private {};

public:
    ShelfItem(Private, Kind kind, QUrl url, QString text);

private:
    Kind m_kind;
    QUrl m_url;
    QString m_text;
    std::optional<QByteArray> m_bookmark;
    bool m_secret = false;
};
