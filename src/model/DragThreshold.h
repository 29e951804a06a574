#pragma once

#include <QPointF>

// The drag threshold of rows and the header: strictly more than 5 points.
namespace DragThreshold {
inline constexpr double distance = 5.0;
inline bool exceeded(QPointF from, QPointF to) {
    const QPointF d = to - from;
    return d.x() * d.x() + d.y() * d.y() > distance * distance;
}
} // namespace DragThreshold
