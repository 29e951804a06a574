#pragma once

#include "platform/DragPasteboard.h"

#include <memory>

class X11Connection;

// Drags of every X11 client, learnt from XFixes owner changes of the
// XdndSelection: every drag makes its source the new owner.
class SystemDragPasteboard final : public DragPasteboard {
public:
    // Without a connection (not on X11) the counter never moves.
    explicit SystemDragPasteboard(X11Connection* x11);
    ~SystemDragPasteboard() override;

    long changeCount() const override;
    bool holdsItems() const override;

    // False when the server offers no XFixes; the counter then never moves.
    bool isWatching() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};
