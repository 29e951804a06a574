#include "platform/Screens.h"

#include "platform/ScreenPoints.h"

#include <QGuiApplication>
#include <QScreen>

ScreenLayout ScreenLayout::current() {
    ScreenLayout layout;
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        layout.screens.append(
            {ScreenPoints::rectFromQtGlobal(QRectF(screens[i]->geometry())),
             ScreenPoints::rectFromQtGlobal(QRectF(screens[i]->availableGeometry()))});
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
