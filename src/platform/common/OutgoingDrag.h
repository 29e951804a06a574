#pragma once

class QMimeData;

// The data of the latest drag this program started, for a backend that must
// answer a request for it which the toolkit would turn down. Held weakly: it
// is forgotten once the toolkit deletes the drag.
namespace OutgoingDrag {

void started(QMimeData* data);
const QMimeData* latest();

} // namespace OutgoingDrag
