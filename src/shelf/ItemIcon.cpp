#include "shelf/ItemIcon.h"

#include "platform/common/Symbols.h"

#include <QAbstractFileIconProvider>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>

using namespace Qt::StringLiterals;

namespace {

// Whether the icon theme has a picture for the file, which the provider then
// gives. Without one the provider falls back on the style's bitmaps, and Qt
// reads a bitmap by first asking every image-format plugin whether it takes
// the format: all of them are loaded, with their libraries, for the rest of
// the run. The program's own symbols are drawn from SVG and load nothing.
bool themed(const QFileInfo& info, const QMimeType& type) {
    if (info.isRoot())
        return QIcon::hasThemeIcon(u"drive-harddisk"_s);
    if (info.isDir())
        return QIcon::hasThemeIcon(u"folder"_s);
    return QIcon::hasThemeIcon(type.iconName()) || QIcon::hasThemeIcon(type.genericIconName());
}

} // namespace

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
    const QMimeType type = types.mimeTypeForFile(info);
    const QString kind = type.name() + u'/' + QLatin1Char(info.isSymLink() ? 'l' : '-') +
                         QLatin1Char(info.isDir() ? 'd' : '-') +
                         QLatin1Char(info.isRoot() ? 'r' : '-') +
                         QLatin1Char(info.absoluteFilePath() == QDir::homePath() ? 'h' : '-');
    auto known = shared.constFind(kind);
    if (known == shared.constEnd())
        known = shared.insert(kind, themed(info, type)
                                        ? files.icon(info)
                                        : Symbols::icon(info.isDir() ? u"folder"_s : u"doc"_s));
    return *known;
}
