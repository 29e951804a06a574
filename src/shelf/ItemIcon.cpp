#include "shelf/ItemIcon.h"

#include "platform/common/Symbols.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>

QIcon itemIcon(const ShelfItem& item, const QAbstractFileIconProvider& files) {
    if (!item.isFile())
        return Symbols::icon(item.symbolName());
    const QFileInfo info(item.path());
    // Qt keeps the scaled pixmaps of every icon it draws in its pixmap cache,
    // and without an icon theme the provider makes a new icon, with new
    // pixmaps, on every call: each row painted added to that cache until it
    // held 10 MiB. Files the provider would give the same icon share one:
    // those of one type, told apart as it tells them apart (GUI thread only).
    static const QMimeDatabase types;
    static QHash<QString, QIcon> shared;
    const QString kind = types.mimeTypeForFile(info).name() + u'/' +
                         QLatin1Char(info.isSymLink() ? 'l' : '-') +
                         QLatin1Char(info.isDir() ? 'd' : '-') +
                         QLatin1Char(info.isRoot() ? 'r' : '-') +
                         QLatin1Char(info.absoluteFilePath() == QDir::homePath() ? 'h' : '-');
    auto known = shared.constFind(kind);
    if (known == shared.constEnd())
        known = shared.insert(kind, files.icon(info));
    return *known;
}
