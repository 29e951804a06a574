#pragma once

#include "platform/Screens.h"

#include <QList>
#include <QRect>
#include <functional>
#include <utility>

// The screens as Qt has them now, in screen points.
namespace DesktopScreens {

// Where Qt does not know the desktop's panels (a Wayland compositor keeps
// them to itself), the backend that does tells each screen's work area: pairs
// of a screen's geometry and its work area, in Qt's global coordinates.
// Screens it does not name keep Qt's answer.
using WorkAreas = std::function<QList<std::pair<QRect, QRect>>()>;

// Without work areas: Qt's answers alone.
ScreenLayout layout(const WorkAreas& workAreas = {});

} // namespace DesktopScreens
