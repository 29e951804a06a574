#pragma once

#include <QList>
#include <QRect>
#include <QRectF>
#include <functional>
#include <optional>
#include <utility>

// One screen in screen points (origin bottom-left of the primary screen, y up).
struct ScreenArea {
    QRectF frame;
    QRectF visibleFrame; // without panels and docks
};

// The screens as the desktop has them now.
struct ScreenLayout {
    QList<ScreenArea> screens;
    std::optional<int> mainIndex; // the primary screen; absent when there is none

    static ScreenLayout current();

    // Where Qt does not know the desktop's panels (a Wayland compositor keeps
    // them to itself), someone who does tells each screen's work area: pairs
    // of a screen's geometry and its work area, in Qt's global coordinates.
    // Screens it does not name keep Qt's answer. Empty: Qt's answers alone.
    using WorkAreas = std::function<QList<std::pair<QRect, QRect>>()>;
    static void setWorkAreas(WorkAreas workAreas);

    // The first screen whose frame holds the point (left and top edges inside
    // in Qt's terms: x in [minX, maxX), y in (minY, maxY]).
    std::optional<int> screenContaining(QPointF point) const;
};
