#pragma once

#include <QMimeData>
#include <QPointer>

// The data of the latest drag this program started, for a backend that must
// answer a request for it which the toolkit would turn down. Held weakly: it
// is forgotten once the toolkit deletes the drag.
class OutgoingDrag {
public:
    void started(QMimeData* data) { m_latest = data; }
    const QMimeData* latest() const { return m_latest.data(); }

private:
    QPointer<QMimeData> m_latest;
};
