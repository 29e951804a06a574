#pragma once

// What the desktop's drag-and-drop selection tells about drags of any program.
class DragContents {
public:
    virtual ~DragContents() = default;
    // Grows by one whenever some program starts a new drag.
    virtual long dragCount() const = 0;
    virtual bool holdsItems() const = 0;
};
