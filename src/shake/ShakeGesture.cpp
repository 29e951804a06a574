#include "shake/ShakeGesture.h"

void ShakeGesture::reset(long newBaseline) {
    core.clearMovingState();
    baseline = newBaseline;
    fired = false;
}

bool ShakeGesture::update(double x, double t, long dragCount, bool hasItems) {
    if (fired)
        return false;
    if (!core.feed(x, t))
        return false;
    // A shake without a drag is spent: the core has already dropped its reversals.
    if (dragCount == baseline || !hasItems)
        return false;
    fired = true;
    return true;
}
