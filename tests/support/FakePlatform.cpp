#include "FakePlatform.h"

#include <limits>

class FakeTimer final : public Timer {
public:
    FakeTimer(FakeTimers* owner, int id)
        : m_owner(owner)
        , m_id(id) {}
    ~FakeTimer() override { m_owner->m_entries.erase(m_id); }

private:
    FakeTimers* m_owner;
    int m_id;
};

std::unique_ptr<Timer> FakeTimers::repeating(double seconds, std::function<void()> tick) {
    const int id = m_nextId++;
    ++m_created;
    m_entries[id] = {m_now + seconds, seconds, std::move(tick)};
    return std::make_unique<FakeTimer>(this, id);
}

std::unique_ptr<Timer> FakeTimers::oneShot(double seconds, std::function<void()> fire) {
    const int id = m_nextId++;
    ++m_created;
    m_entries[id] = {m_now + seconds, 0.0, std::move(fire)};
    return std::make_unique<FakeTimer>(this, id);
}

void FakeTimers::advance(double seconds) {
    const double end = m_now + seconds;
    for (;;) {
        // The earliest due entry; ties go to the older timer.
        int next = 0;
        double due = std::numeric_limits<double>::infinity();
        for (const auto& [id, entry] : m_entries) {
            if (entry.due < due - 1e-9) {
                due = entry.due;
                next = id;
            }
        }
        if (next == 0 || due > end + 1e-9)
            break;
        m_now = due;
        Entry& entry = m_entries[next];
        auto callback = entry.callback; // the callback may destroy its own timer
        if (entry.interval > 0)
            entry.due += entry.interval;
        else
            m_entries.erase(next); // a fired one-shot is spent
        if (callback)
            callback();
    }
    m_now = end;
}

class FakeMonitorToken final : public MonitorToken {
public:
    FakeMonitorToken(FakePressMonitor* owner, int id)
        : m_owner(owner)
        , m_id(id) {}
    ~FakeMonitorToken() override { m_owner->m_handlers.erase(m_id); }

private:
    FakePressMonitor* m_owner;
    int m_id;
};

std::unique_ptr<MonitorToken> FakePressMonitor::addLeftPressMonitor(std::function<void()> handler) {
    if (refuse)
        return nullptr;
    const int id = m_nextId++;
    m_handlers[id] = std::move(handler);
    return std::make_unique<FakeMonitorToken>(this, id);
}

void FakePressMonitor::press() {
    auto handlers = m_handlers;
    for (auto& [id, handler] : handlers)
        handler();
}
