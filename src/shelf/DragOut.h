#pragma once

#include "model/ShelfItem.h"

#include <QPoint>
#include <vector>

class OutgoingDrag;
class QMimeData;
class QWidget;

// What dragging items out offers other programs: file URIs for files, and
// every item as a line of plain text. The caller owns it.
QMimeData* mimeDataForItems(const std::vector<ShelfItemPtr>& items);

// Starts a drag of the items from `source` and returns whether a destination
// outside the program took them. The drag outlives `source` and its shelf:
// a destination may still ask for the data after this returns. `outgoing`,
// when present, is told of the drag's data.
bool dragItemsOut(QWidget* source, const std::vector<ShelfItemPtr>& items, QPoint hotSpot,
                  OutgoingDrag* outgoing);
