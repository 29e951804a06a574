#pragma once

#include "platform/Screens.h"

#include <QPointF>
#include <QSizeF>

// Where a shelf goes when it opens beside a point, in screen points.
namespace ShelfPlacement {

inline constexpr double gapFromPoint = 16;
inline constexpr double screenMargin = 8;

// The bottom-left corner of a panel of `size` placed 16 points right of `point`
// and vertically centred on it, kept 8 points inside the visible area of the
// screen holding the point, or of the main screen when none holds it. The lower
// bound is applied first, so on an area too small for the panel the upper wins.
QPointF origin(QPointF point, QSizeF size, const ScreenLayout& screens);

} // namespace ShelfPlacement
