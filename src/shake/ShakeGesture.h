#pragma once

#include "shake/ShakeCore.h"

// A shake counts only while a drag is under way (the drag count changed
// since the press and holds items), and at most once per press.
struct ShakeGesture {
    ShakeCore core;
    long baseline = 0; // drag count when the press began
    bool fired = false;
    bool toldUnderWay = false;

    // Starts a new press; the core's settings stay.
    void reset(long newBaseline);

    bool update(double x, double t, long dragCount, bool hasItems);
    // After a sample that made no shake: true once per press, when half the
    // reversals of a shake have piled up while something is dragged.
    bool underWay(long dragCount, bool hasItems);
};
