#pragma once

#include "shake/ShakeCore.h"

// A shake counts only while a drag is under way (the drag pasteboard changed
// since the press and holds items), and at most once per press.
struct ShakeGesture {
    ShakeCore core;
    long baseline = 0; // drag pasteboard change count when the press began
    bool fired = false;

    // Starts a new press; the core's settings stay.
    void reset(long newBaseline);

    bool update(double x, double t, long changeCount, bool hasItems);
};
