#pragma once

#include "model/ShelfItem.h"

#include <QIcon>

class QAbstractFileIconProvider;

// What a row, a drag image and the recent-shelves menu show for an item: a
// file's icon as `files` gives it (the desktop's), a text's symbol. Made anew
// on every call.
QIcon itemIcon(const ShelfItem& item, const QAbstractFileIconProvider& files);
