#pragma once

#include "platform/WindowHints.h"

#include <QPointer>

class X11Connection;

// The window hints of the X11 desktop: the compositor's selection and the
// extended window-manager hints.
class X11WindowHints final : public WindowHints {
public:
    // Without a connection (not on X11) no compositor runs and nothing is hinted.
    explicit X11WindowHints(X11Connection* x11);

    bool compositorRunning() override;
    void keepOnAllWorkspaces(QWindow* window) override;
    void standAboveFocusedFullScreen(QWindow* window) override;

private:
    QPointer<X11Connection> m_x11;
};
