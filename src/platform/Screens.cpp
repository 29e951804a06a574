#include "platform/Screens.h"

std::optional<int> ScreenLayout::screenContaining(QPointF p) const {
    for (int i = 0; i < screens.size(); ++i) {
        const QRectF& f = screens[i].frame;
        if (p.x() >= f.left() && p.x() < f.left() + f.width() && p.y() > f.top() &&
            p.y() <= f.top() + f.height())
            return i;
    }
    return std::nullopt;
}
