#pragma once

#include <functional>
#include <memory>

// A running timer. Destroying it stops it for good: its callback never runs afterwards.
class Timer {
public:
    virtual ~Timer() = default;
};

// Where the program's timers and its clock come from, so that the shake and
// auto-close logic can run against a fake clock in tests.
class Timers {
public:
    virtual ~Timers() = default;
    virtual std::unique_ptr<Timer> repeating(double seconds, std::function<void()> tick) = 0;
    virtual std::unique_ptr<Timer> oneShot(double seconds, std::function<void()> fire) = 0;
    // Seconds on a monotonic clock; only differences carry meaning.
    virtual double now() const = 0;
};
