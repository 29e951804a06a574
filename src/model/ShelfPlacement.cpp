#include "model/ShelfPlacement.h"

#include <algorithm>

namespace ShelfPlacement {

QPointF origin(QPointF point, QSizeF size, const ScreenLayout& screens) {
    double x = point.x() + gapFromPoint;
    double y = point.y() - 0.5 * size.height();
    std::optional<int> screen = screens.screenContaining(point);
    if (!screen)
        screen = screens.mainIndex;
    if (screen && *screen >= 0 && *screen < screens.screens.size()) {
        const QRectF& area = screens.screens[*screen].visibleFrame;
        x = std::min(std::max(x, area.left() + screenMargin),
                     area.left() + area.width() - size.width() - screenMargin);
        y = std::min(std::max(y, area.top() + screenMargin),
                     area.top() + area.height() - size.height() - screenMargin);
    }
    return {x, y};
}

} // namespace ShelfPlacement
