#pragma once

#include "model/ShelfItem.h"

#include <QIcon>

class QAbstractFileIconProvider;

// What a row, a drag image and the recent-shelves menu show for an item: a
// file's icon as `files` gives it (the desktop's), the same one for every
// file of a type; a text's symbol.
QIcon itemIcon(const ShelfItem& item, const QAbstractFileIconProvider& files);
