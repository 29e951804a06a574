#include "FakePlatform.h"

#include <limits>

namespace {

// Runs its action when destroyed: how the fakes learn that a timer or monitor was given up.
template <class Handle> class OnDestroy final : public Handle {
public:
    explicit OnDestroy(std::function<void()> action)
        : m_action(std::move(action)) {}
    ~OnDestroy() override { m_action(); }

private:
    std::function<void()> m_action;
};

} // namespace

std::unique_ptr<Timer> FakeTimers::add(double seconds, double interval,
                                       std::function<void()> callback) {
    const int id = m_nextId++;
    ++m_created;
    m_entries[id] = {m_now + seconds, interval, std::move(callback)};
    return std::make_unique<OnDestroy<Timer>>([this, id] { m_entries.erase(id); });
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

std::unique_ptr<MonitorToken> FakePressMonitor::addLeftPressMonitor(std::function<void()> handler) {
    const int id = m_nextId++;
    m_handlers[id] = std::move(handler);
    return std::make_unique<OnDestroy<MonitorToken>>([this, id] { m_handlers.erase(id); });
}

void FakePressMonitor::press() {
    auto handlers = m_handlers;
    for (auto& [id, handler] : handlers)
        handler();
}
