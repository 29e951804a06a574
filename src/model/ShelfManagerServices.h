#pragma once

#include <QDateTime>
#include <QPointF>
#include <QString>

class Pointer;
class Timers;

// What the shelf manager needs from the desktop, so that its rules can run
// against a fake clock and a throw-away file.
class ShelfManagerServices {
public:
    virtual ~ShelfManagerServices() = default;

    // The recent-shelves file, asked again before every read and write.
    virtual QString recentShelvesPath() = 0;
    virtual QDateTime now() = 0;
    // In screen points (origin bottom-left of the primary screen, y up).
    virtual QPointF cursorPosition() = 0;
    // The alert sound: the user's only sign that there was nothing to open.
    virtual void alert() = 0;
    // Handed to every shelf the manager opens, for its auto-close.
    virtual Timers* timers() = 0;
};
