#pragma once

#include "platform/Screens.h"

#include <QDateTime>
#include <QPointF>
#include <QString>

class FilePromiseReceiver;
class Timers;
class WindowHints;

// What the shelf manager needs from the desktop, so that its rules can run
// against fake screens, a fake clock and a throw-away file.
class ShelfManagerServices {
public:
    virtual ~ShelfManagerServices() = default;

    // The recent-shelves file, asked again before every read and write.
    virtual QString recentShelvesPath() = 0;
    virtual QDateTime now() = 0;
    // In screen points (origin bottom-left of the primary screen, y up).
    virtual QPointF cursorPosition() = 0;
    virtual ScreenLayout screens() = 0;
    // The alert sound: the user's only sign that there was nothing to open.
    virtual void alert() = 0;
    // Handed to every shelf the manager opens, for its auto-close.
    virtual Timers* timers() = 0;
    // Also handed to every shelf: files that drag sources promise, and the
    // window manager's hints. None unless the desktop has them.
    virtual FilePromiseReceiver* filePromises() { return nullptr; }
    virtual WindowHints* windowHints() { return nullptr; }
};
