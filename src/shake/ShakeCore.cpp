#include "shake/ShakeCore.h"

#include <algorithm>
#include <cmath>

bool ShakeCore::feed(double x, double t) {
    if (!lastX) {
        lastX = x;
        return false;
    }
    const double dx = x - *lastX;
    // Small moves are not accepted and do not move the reference point, so a
    // slow drift adds up until it is minDelta away.
    if (minDelta > std::abs(dx))
        return false;

    lastX = x;
    const int direction = dx > 0 ? 1 : -1;
    if (lastDirection != 0 && direction != lastDirection)
        reversals.push_back(t);
    lastDirection = direction;

    std::erase_if(reversals, [&](double r) { return t - r > window; });

    if (static_cast<long>(reversals.size()) >= minReversals) {
        clearMovingState();
        return true;
    }
    return false;
}

void ShakeCore::clearMovingState() {
    lastX.reset();
    lastDirection = 0;
    reversals.clear();
}
