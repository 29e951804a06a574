#include "platform/common/ScreenPoints.h"

#include <QGuiApplication>
#include <QScreen>

namespace ScreenPoints {

QPointF fromQtGlobal(QPointF qt, const QRectF& primary) {
    return {qt.x(), primary.y() + primary.height() - qt.y()};
}

QPointF toQtGlobal(QPointF points, const QRectF& primary) {
    return {points.x(), primary.y() + primary.height() - points.y()};
}

QRectF rectFromQtGlobal(const QRectF& qt, const QRectF& primary) {
    // The bottom-left corner in Qt terms becomes the origin in ours.
    const QPointF origin = fromQtGlobal(QPointF(qt.left(), qt.top() + qt.height()), primary);
    return {origin, qt.size()};
}

static QRectF primaryGeometry() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->geometry()) : QRectF();
}

QPointF fromQtGlobal(QPointF qt) {
    return fromQtGlobal(qt, primaryGeometry());
}

QPointF toQtGlobal(QPointF points) {
    return toQtGlobal(points, primaryGeometry());
}

QRectF rectFromQtGlobal(const QRectF& qt) {
    return rectFromQtGlobal(qt, primaryGeometry());
}

QPointF fromNativePixels(QPoint native) {
    // Qt keeps each screen's top-left corner in device pixels and scales only
    // what lies beyond it, so the conversion is per screen.
    for (const QScreen* screen : QGuiApplication::screens()) {
        const qreal ratio = screen->devicePixelRatio();
        const QRect logical = screen->geometry();
        const QRect nativeRect(logical.topLeft(), logical.size() * ratio);
        if (nativeRect.contains(native)) {
            const QPointF offset = QPointF(native - logical.topLeft()) / ratio;
            return fromQtGlobal(QPointF(logical.topLeft()) + offset);
        }
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    const qreal ratio = primary ? primary->devicePixelRatio() : 1.0;
    return fromQtGlobal(QPointF(native) / ratio);
}

} // namespace ScreenPoints
