#include "platform/common/OutgoingDrag.h"

#include <QMimeData>
#include <QPointer>

namespace {

QPointer<QMimeData>& latestData() {
    static QPointer<QMimeData> data;
    return data;
}

} // namespace

namespace OutgoingDrag {

void started(QMimeData* data) {
    latestData() = data;
}

const QMimeData* latest() {
    return latestData().data();
}

} // namespace OutgoingDrag
