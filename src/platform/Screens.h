#pragma once

#include <QList>
#include <QRectF>
#include <optional>

// One screen in screen points (origin bottom-left of the primary screen, y up).
struct ScreenArea {
    QRectF frame;
    QRectF visibleFrame; // without panels and docks
};

// The screens as the desktop has them now.
struct ScreenLayout {
    QList<ScreenArea> screens;
    std::optional<int> mainIndex; // the primary screen; absent when there is none

    // The first screen whose frame holds the point (left and top edges inside
    // in Qt's terms: x in [minX, maxX), y in (minY, maxY]).
    std::optional<int> screenContaining(QPointF point) const;
};
