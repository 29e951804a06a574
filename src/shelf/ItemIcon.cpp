#include "shelf/ItemIcon.h"

#include "platform/common/Symbols.h"

#include <QAbstractFileIconProvider>
#include <QFileInfo>

QIcon itemIcon(const ShelfItem& item, const QAbstractFileIconProvider& files) {
    if (item.isFile())
        return files.icon(QFileInfo(item.path()));
    return Symbols::icon(item.symbolName());
}
