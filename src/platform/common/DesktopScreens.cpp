#include "platform/common/DesktopScreens.h"

#include "platform/common/ScreenPoints.h"

#include <QGuiApplication>
#include <QScreen>

namespace DesktopScreens {

ScreenLayout layout(const WorkAreas& workAreas) {
    ScreenLayout layout;
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QList<std::pair<QRect, QRect>> told =
        workAreas ? workAreas() : QList<std::pair<QRect, QRect>>();
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

} // namespace DesktopScreens
