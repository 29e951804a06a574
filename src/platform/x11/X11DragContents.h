#pragma once

#include "platform/DragContents.h"

#include <functional>
#include <memory>

class X11Connection;

// Drags of every X11 client, learnt from XFixes owner changes of the
// XdndSelection: every drag makes its source the new owner.
class X11DragContents final : public DragContents {
public:
    // Whose new ownerships count as drags. On XWayland the compositor, which is
    // also the window manager there, takes the selection for every drag of a
    // Wayland client; the compositor reports those itself.
    enum class Owners { all, exceptWindowManager };

    // Without a connection (not on X11) the counter never moves.
    explicit X11DragContents(X11Connection* x11, Owners counted = Owners::all);
    ~X11DragContents() override;

    long dragCount() const override;
    bool holdsItems() const override;

    // Told of each drag counted, as it is counted.
    void setOnDragStarted(std::function<void()> onDragStarted);

private:
    struct State;
    std::shared_ptr<State> m_state;
};
