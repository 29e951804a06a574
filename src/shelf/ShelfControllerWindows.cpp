#include "shelf/ShelfControllerWindows.h"

#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QTimer>

namespace {

class ControllerWindow final : public ShelfWindow {
public:
    ControllerWindow(ShelfController* controller, std::function<ScreenLayout()> screens)
        : m_controller(controller)
        , m_screens(std::move(screens)) {}
    // The shelf may be closing from inside one of this window's own handlers
    // (a drag-out that took the last item): the views must outlive it.
    ~ControllerWindow() override {
        if (m_controller)
            m_controller->deleteLater();
    }

    void show(QPointF near) override {
        if (m_controller)
            m_controller->show(near, m_screens());
    }
    bool isVisible() const override { return m_controller && m_controller->panel()->isShown(); }
    QRectF frame() const override {
        return m_controller ? m_controller->panel()->frame() : QRectF();
    }
    void hide() override {
        if (m_controller)
            m_controller->panel()->hide();
    }
    void showWithoutActivating() override {
        if (m_controller)
            m_controller->panel()->showWithoutActivating();
    }

private:
    QPointer<ShelfController> m_controller;
    std::function<ScreenLayout()> m_screens;
};

} // namespace

ShelfControllerWindows::ShelfControllerWindows(std::function<ScreenLayout()> screens,
                                               ShelfDesktop desktop)
    : m_screens(std::move(screens))
    , m_desktop(std::move(desktop)) {}

ShelfControllerWindows::~ShelfControllerWindows() {
    for (const Opened& opened : m_opened)
        delete opened.controller.data();
}

std::unique_ptr<ShelfWindow> ShelfControllerWindows::open(Shelf& shelf) {
    auto* controller = new ShelfController(shelf, m_desktop, std::move(m_prepared));
    std::erase_if(m_opened, [](const Opened& opened) { return !opened.controller; });
    m_opened.push_back({&shelf, controller});
    return std::make_unique<ControllerWindow>(controller, m_screens);
}

void ShelfControllerWindows::prepareWindow() {
    if (m_prepared)
        return; // and its timer runs
    m_prepared = std::make_unique<ShelfPanel>(m_desktop.hints, m_desktop.placement);
    m_prepared->prepare();
    ShelfPanel* panel = m_prepared.get();
    QTimer::singleShot(preparedForMs, panel, [this, alive = std::weak_ptr(m_alive), panel] {
        // A shelf may have taken it since: then it is that shelf's.
        if (!alive.expired() && m_prepared.get() == panel)
            m_prepared.release()->deleteLater(); // not inside its own timer
    });
}

ShelfController* ShelfControllerWindows::controllerOf(const Shelf* shelf) const {
    for (const Opened& opened : m_opened) {
        if (opened.controller && opened.shelf == shelf)
            return opened.controller;
    }
    return nullptr;
}

void ShelfControllerWindows::movedByUser(const QString& windowTitle, QPoint qtGlobalTopLeft) {
    for (const Opened& opened : m_opened) {
        if (opened.controller && opened.controller->panel()->windowTitle() == windowTitle)
            opened.controller->panel()->movedByUser(qtGlobalTopLeft);
    }
}
