#pragma once

#include <QPointF>

// The mouse as the whole desktop sees it, not only this program's windows.
class Pointer {
public:
    virtual ~Pointer() = default;
    virtual bool leftButtonDown() const = 0;
    // In screen points: origin at the bottom-left of the primary screen, y up.
    virtual QPointF position() const = 0;

    struct Reading {
        bool leftButtonDown = false;
        QPointF position;
    };
    // Both at once; a desktop that answers both in one question overrides it,
    // since the shake sampler asks 25 times a second.
    virtual Reading read() const { return {leftButtonDown(), position()}; }
};
