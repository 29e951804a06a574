#include "shake/ShakeGesture.h"

void ShakeGesture::reset(long newBaseline) {
    core.clearMovingState();
    baseline = newBaseline;
    fired = false;
    toldUnderWay = false;
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

bool ShakeGesture::underWay(long dragCount, bool hasItems) {
    if (fired || toldUnderWay || dragCount == baseline || !hasItems ||
        2 * static_cast<long>(core.reversals.size()) < core.minReversals)
        return false;
    toldUnderWay = true;
    return true;
}
