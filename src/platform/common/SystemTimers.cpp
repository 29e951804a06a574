#include "platform/common/SystemTimers.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cmath>

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(double seconds, bool repeat, std::function<void()> callback) {
        m_timer.setSingleShot(!repeat);
        // The shake sampler must tick evenly; coarse timers may drift by 5%.
        m_timer.setTimerType(repeat ? Qt::PreciseTimer : Qt::CoarseTimer);
        m_timer.setInterval(static_cast<int>(std::lround(seconds * 1000.0)));
        QObject::connect(&m_timer, &QTimer::timeout, [callback = std::move(callback)] {
            if (callback)
                callback();
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<Timer> SystemTimers::repeating(double seconds, std::function<void()> tick) {
    return std::make_unique<QtTimer>(seconds, true, std::move(tick));
}

std::unique_ptr<Timer> SystemTimers::oneShot(double seconds, std::function<void()> fire) {
    return std::make_unique<QtTimer>(seconds, false, std::move(fire));
}

double SystemTimers::now() const {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}
