#pragma once

#include "model/ShelfManagerServices.h"
#include "model/ShelfWindow.h"
#include "platform/DragContents.h"
#include "platform/Pointer.h"
#include "platform/PressMonitor.h"
#include "platform/Timers.h"
#include "shake/ShakeDetector.h"

#include <QTimeZone>
#include <functional>
#include <map>
#include <memory>
#include <optional>

// Timers driven by hand: advance() moves the clock and fires what is due, in order.
class FakeTimers final : public Timers {
public:
    std::unique_ptr<Timer> repeating(double seconds, std::function<void()> tick) override {
        return add(seconds, seconds, std::move(tick));
    }
    std::unique_ptr<Timer> oneShot(double seconds, std::function<void()> fire) override {
        return add(seconds, 0.0, std::move(fire));
    }
    double now() const override { return m_now; }

    void advance(double seconds);
    int activeCount() const { return static_cast<int>(m_entries.size()); }
    int createdCount() const { return m_created; }

private:
    std::unique_ptr<Timer> add(double seconds, double interval, std::function<void()> callback);
    struct Entry {
        double due;
        double interval; // 0 for one-shot
        std::function<void()> callback;
    };
    double m_now = 1000.0;
    int m_nextId = 1;
    int m_created = 0;
    std::map<int, Entry> m_entries;
};

class FakePressMonitor final : public PressMonitor {
public:
    std::unique_ptr<MonitorToken> addLeftPressMonitor(std::function<void()> handler) override;

    void press();

private:
    int m_nextId = 1;
    std::map<int, std::function<void()>> m_handlers;
};

class FakePointer final : public Pointer {
public:
    Reading read() const override { return {buttonDown, pos}; }

    bool buttonDown = false;
    QPointF pos;
};

class FakeDragContents final : public DragContents {
public:
    long dragCount() const override { return count; }
    bool holdsItems() const override { return items; }

    void startDrag() {
        ++count;
        items = true;
    }

    long count = 0;
    bool items = false;
};

// What a shake detector reads, all fakes, on one clock a test may replace.
struct FakeShakeDesktop {
    FakePressMonitor global, local;
    FakePointer pointer;
    FakeDragContents drag;
    FakeTimers timers;
    FakeTimers* clock = &timers;

    ShakeServices services() { return {&global, &local, &pointer, &drag, clock}; }
    // Holds the left button down after a press, starting a drag when asked.
    void pressLeft(bool dragging = false) {
        pointer.buttonDown = true;
        global.press();
        if (dragging)
            drag.startDrag();
    }
    // Moves the pointer through the x positions at y 300, one per sampling tick.
    void moveThrough(std::initializer_list<double> xs) {
        for (double x : xs) {
            pointer.pos = QPointF(x, 300);
            clock->advance(ShakeDetector::sampleInterval);
        }
    }
};

// The cursor at (2000, 2000), and a clock that moves one minute on every
// reading, so entries made one after another can be told apart.
class FakeShelfManagerServices final : public ShelfManagerServices {
public:
    QString recentShelvesPath() override { return path; }
    QDateTime now() override { return clock = clock.addSecs(60); }
    QPointF cursorPosition() override { return {2000, 2000}; }
    void alert() override { ++alerts; }
    Timers* timers() override { return &fakeTimers; }

    QString path;
    QDateTime clock{QDate(2024, 5, 6), QTime(9, 0), QTimeZone::utc()};
    int alerts = 0;
    FakeTimers fakeTimers;
};

// A window that only remembers: shown at a point, it takes a 280 x 360 frame
// with its bottom-left corner there.
class FakeShelfWindow final : public ShelfWindow {
public:
    void show(QPointF near) override {
        if (!visible) {
            shownAt = near;
            rect = QRectF(near, QSizeF(280, 360));
        }
        visible = true;
    }
    bool isVisible() const override { return visible; }
    QRectF frame() const override { return rect; }
    void hide() override { visible = false; }
    void showWithoutActivating() override { visible = true; }

    std::optional<QPointF> shownAt;
    QRectF rect;
    bool visible = false;
};

class FakeShelfWindows final : public ShelfWindowFactory {
public:
    std::unique_ptr<ShelfWindow> open(Shelf&) override {
        return std::make_unique<FakeShelfWindow>();
    }
};
