#pragma once

#include <optional>
#include <vector>

// Counts left-right reversals of the cursor inside a sliding time window and
// reports a shake once enough of them have piled up.
struct ShakeCore {
    // Settings: they survive every reset.
    double minDelta = 5.0; // screen points, from the last accepted position
    long minReversals = 4; // reversals within the window that make a shake
    double window = 0.8;   // seconds: the greatest age of a reversal that still counts

    // Moving state.
    std::optional<double> lastX;
    int lastDirection = 0;         // +1 rightwards, -1 leftwards, 0 none yet
    std::vector<double> reversals; // times of direction changes, oldest first

    // Takes one sample; true exactly when it completes a shake, after which the
    // moving state has already been cleared.
    bool feed(double x, double t);

    void clearMovingState();
};
