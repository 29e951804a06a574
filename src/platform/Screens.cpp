#include "platform/Screens.h"

#include "platform/common/ScreenPoints.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
ScreenLayout::WorkAreas& workAreasSource() {
    static ScreenLayout::WorkAreas source;
    return source;
}
} // namespace

void ScreenLayout::setWorkAreas(WorkAreas workAreas) {
    workAreasSource() = std::move(workAreas);
}

ScreenLayout ScreenLayout::current() {
    ScreenLayout layout;
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QList<std::pair<QRect, QRect>> told =
        workAreasSource() ? workAreasSource()() : QList<std::pair<QRect, QRect>>();
    for (int i = 0; i < screens.size(); ++i) {
        const QRect geometry = screens[i]->geometry();
        QRect available = screens[i]->availableGeometry();
        for (const auto& [screen, workArea] : told) {
            // Never beyond the screen, whatever it was told.
            if (screen == geometry && (workArea & geometry).isValid())
                available = workArea & geometry;
        }
        layout.screens.append({ScreenPoints::rectFromQtGlobal(QRectF(geometry)),
                               ScreenPoints::rectFromQtGlobal(QRectF(available))});
        if (screens[i] == primary)
            layout.mainIndex = i;
    }
    return layout;
}

std::optional<int> ScreenLayout::screenContaining(QPointF p) const {
    for (int i = 0; i < screens.size(); ++i) {
        const QRectF& f = screens[i].frame;
        if (p.x() >= f.left() && p.x() < f.left() + f.width() && p.y() > f.top() &&
            p.y() <= f.top() + f.height())
            return i;
    }
    return std::nullopt;
}
