#include "model/ShelfItem.h"

#include "platform/files/Bookmarks.h"
#include "platform/files/NativePath.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {

bool exists(const QByteArray& native) {
    struct stat info;
    return !native.isEmpty() && ::stat(native.constData(), &info) == 0;
}

} // namespace

ShelfItem::ShelfItem(Private, Kind kind, QUrl url, QString text)
    : m_kind(kind)
    , m_url(std::move(url))
    , m_text(std::move(text)) {}

ShelfItemPtr ShelfItem::makeFile(const QUrl& localFileUrl) {
    auto item = std::make_shared<ShelfItem>(Private{}, Kind::file, localFileUrl, QString());
    if (localFileUrl.isLocalFile())
        item->m_bookmark = Bookmarks::makeNative(NativePath::ofUrl(localFileUrl));
    return item;
}

ShelfItemPtr ShelfItem::makeText(const QString& text) {
    return std::make_shared<ShelfItem>(Private{}, Kind::text, QUrl(), text);
}

ShelfItemPtr ShelfItem::makeSecretText(const QString& text) {
    auto item = makeText(text);
    item->m_secret = true;
    return item;
}

ShelfItemPtr ShelfItem::fromStored(const StoredItem& stored) {
    if (stored.text)
        return makeText(*stored.text);
    if (!stored.bookmark)
        return nullptr;
    const auto resolved = Bookmarks::resolve(*stored.bookmark);
    if (!resolved || !exists(resolved->nativePath))
        return nullptr;
    auto item = std::make_shared<ShelfItem>(Private{}, Kind::file,
                                            NativePath::toUrl(resolved->nativePath), QString());
    item->m_bookmark = *stored.bookmark;
    if (resolved->stale) {
        if (auto fresh = Bookmarks::makeNative(resolved->nativePath))
            item->m_bookmark = std::move(fresh);
    }
    return item;
}

QString ShelfItem::path() const {
    return m_kind == Kind::file && m_url.isLocalFile() ? m_url.toLocalFile() : QString();
}

QByteArray ShelfItem::nativePath() const {
    return m_kind == Kind::file ? NativePath::ofUrl(m_url) : QByteArray();
}

bool ShelfItem::fileExists() const {
    return exists(nativePath());
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

QString ShelfItem::symbolName() const {
    if (m_kind == Kind::file)
        return {};
    return m_text.startsWith(QLatin1String("http")) ? QStringLiteral("link")
                                                    : QStringLiteral("text.alignleft");
}

StoredItem ShelfItem::toStored() const {
    StoredItem stored;
    if (m_kind == Kind::text && !m_secret)
        stored.text = m_text;
    else
        stored.bookmark = m_bookmark;
    return stored;
}
