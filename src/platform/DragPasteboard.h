#pragma once

// What the desktop's drag-and-drop selection tells about drags of any program.
class DragPasteboard {
public:
    virtual ~DragPasteboard() = default;
    // Grows by one whenever some program starts a new drag.
    virtual long changeCount() const = 0;
    virtual bool holdsItems() const = 0;
};
