#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>

// The program's own screen convention: points with the origin at the bottom-left
// corner of the primary screen, x to the right, y upwards. Qt's global
// coordinates have the origin at the top-left and y downwards; these helpers are
// the only place where one becomes the other.
namespace ScreenPoints {

// The pure conversions, given the primary screen's Qt geometry.
QPointF fromQtGlobal(QPointF qt, const QRectF& primaryGeometry);
QPointF toQtGlobal(QPointF points, const QRectF& primaryGeometry);
QRectF rectFromQtGlobal(const QRectF& qt, const QRectF& primaryGeometry);

// The same against the screens Qt knows now.
QPointF fromQtGlobal(QPointF qt);
QPointF toQtGlobal(QPointF points);
QRectF rectFromQtGlobal(const QRectF& qt);

// A position in the X server's device pixels (root window coordinates) in points.
QPointF fromNativePixels(QPoint native);

} // namespace ScreenPoints
