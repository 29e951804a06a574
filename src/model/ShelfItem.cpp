#include "model/ShelfItem.h"

#include "platform/Bookmarks.h"
#include "platform/Symbols.h"

#include <QAbstractFileIconProvider>
#include <QFileInfo>

ShelfItem::ShelfItem(Private, Kind kind, QUrl url, QString text)
    : m_kind(kind)
    , m_url(std::move(url))
    , m_text(std::move(text)) {}

ShelfItemPtr ShelfItem::makeFile(const QUrl& localFileUrl) {
    auto item = std::make_shared<ShelfItem>(Private{}, Kind::file, localFileUrl, QString());
    if (localFileUrl.isLocalFile())
        item->m_bookmark = Bookmarks::make(localFileUrl.toLocalFile());
    return item;
}

ShelfItemPtr ShelfItem::makeText(const QString& text) {
    return std::make_shared<ShelfItem>(Private{}, Kind::text, QUrl(), text);
}

ShelfItemPtr ShelfItem::fromStored(const StoredItem& stored) {
    if (stored.text)
        return makeText(*stored.text);
    if (!stored.bookmark)
        return nullptr;
    const auto resolved = Bookmarks::resolve(*stored.bookmark);
    if (!resolved || !QFileInfo::exists(resolved->path))
        return nullptr;
    auto item = std::make_shared<ShelfItem>(Private{}, Kind::file,
                                            QUrl::fromLocalFile(resolved->path), QString());
    item->m_bookmark = *stored.bookmark;
    if (resolved->stale) {
        if (auto fresh = Bookmarks::make(resolved->path))
            item->m_bookmark = std::move(fresh);
    }
    return item;
}

QString ShelfItem::path() const {
    return m_kind == Kind::file && m_url.isLocalFile() ? m_url.toLocalFile() : QString();
}

QString ShelfItem::title() const {
    if (m_kind == Kind::text)
        return m_text.trimmed();
    QString full = m_url.path(QUrl::FullyDecoded);
    while (full.size() > 1 && full.endsWith(QLatin1Char('/')))
        full.chop(1);
    if (full == QLatin1String("/"))
        return full;
    return full.mid(full.lastIndexOf(QLatin1Char('/')) + 1);
}

QIcon ShelfItem::icon(const QAbstractFileIconProvider& files) const {
    if (m_kind == Kind::file) {
        return files.icon(QFileInfo(path()));
    }
    return Symbols::icon(m_text.startsWith(QLatin1String("http"))
                             ? QStringLiteral("link")
                             : QStringLiteral("text.alignleft"));
}

StoredItem ShelfItem::toStored() const {
    StoredItem stored;
    if (m_kind == Kind::text)
        stored.text = m_text;
    else
        stored.bookmark = m_bookmark;
    return stored;
}
