#pragma once

#include <QPointF>
#include <functional>

// The mouse as the whole desktop sees it, not only this program's windows.
class Pointer {
public:
    virtual ~Pointer() = default;

    struct Reading {
        bool leftButtonDown = false;
        QPointF position; // in screen points: origin at the bottom-left of the primary screen, y up
    };
    // Both at once: every desktop answers both in one question, and the shake
    // sampler asks 25 times a second.
    virtual Reading read() const = 0;

    bool leftButtonDown() const { return read().leftButtonDown; }

    // Called where the desktop tells each movement rather than being asked
    // (during a drag on GNOME), so that a sample need not wait for its tick.
    std::function<void()> onMoved;
    QPointF position() const { return read().position; }
};
