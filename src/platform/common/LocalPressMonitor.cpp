#include "platform/common/LocalPressMonitor.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>

namespace {

class PressFilter final : public QObject, public MonitorToken {
public:
    explicit PressFilter(std::function<void()> handler)
        : m_handler(std::move(handler)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

    ~PressFilter() override {
        if (QCoreApplication* app = QCoreApplication::instance())
            app->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A press reaches the filter once for the window and again for the
        // widget under it; only the window-level delivery counts.
        if (event->type() == QEvent::MouseButtonPress && watched->isWindowType()) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && m_handler)
                m_handler();
        }
        return false;
    }

private:
    std::function<void()> m_handler;
};

} // namespace

std::unique_ptr<MonitorToken>
LocalPressMonitor::addLeftPressMonitor(std::function<void()> handler) {
    if (!QCoreApplication::instance())
        return nullptr;
    return std::make_unique<PressFilter>(std::move(handler));
}
