#include "platform/gnome/GnomeBackend.h"

#include "platform/common/ScreenPoints.h"
#include "platform/gnome/ShellCompanion.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <array>
#include <utility>

namespace {

class ConnectionToken final : public MonitorToken {
public:
    explicit ConnectionToken(QMetaObject::Connection connection)
        : m_connection(std::move(connection)) {}
    ~ConnectionToken() override { QObject::disconnect(m_connection); }

private:
    QMetaObject::Connection m_connection;
};

// One accelerator, grabbed again whenever the extension comes back: the
// extension drops a client's grabs when it goes away.
class AcceleratorGrab final : public QObject, public KeyGrabToken {
public:
    AcceleratorGrab(ShellCompanion& shell, QString accelerator, unsigned action,
                    std::function<void()> onPress)
        : m_shell(&shell)
        , m_accelerator(std::move(accelerator))
        , m_action(action)
        , m_onPress(std::move(onPress)) {
        connect(&shell, &ShellCompanion::availabilityChanged, this, [this](bool available) {
            m_action = available && m_shell ? m_shell->grabAccelerator(m_accelerator) : 0;
        });
        connect(&shell, &ShellCompanion::acceleratorActivated, this, [this](unsigned activated) {
            if (activated == m_action && m_action != 0 && m_onPress)
                m_onPress();
        });
    }
    ~AcceleratorGrab() override {
        if (m_shell)
            m_shell->ungrabAccelerator(m_action);
    }

private:
    QPointer<ShellCompanion> m_shell;
    QString m_accelerator;
    unsigned m_action = 0;
    std::function<void()> m_onPress;
};

} // namespace

GnomePressMonitor::GnomePressMonitor(ShellCompanion& shell)
    : m_shell(shell) {}

std::unique_ptr<MonitorToken>
GnomePressMonitor::addLeftPressMonitor(std::function<void()> handler) {
    return std::make_unique<ConnectionToken>(QObject::connect(
        &m_shell, &ShellCompanion::dragBegan, &m_shell, [handler = std::move(handler)] {
            if (handler)
                handler();
        }));
}

bool GnomePressMonitor::reportsDragStarts() const {
    return true;
}

GnomePointer::GnomePointer(ShellCompanion& shell)
    : m_shell(shell) {
    QObject::connect(&shell, &ShellCompanion::pointerMoved, &shell, [this] {
        if (onMoved)
            onMoved();
    });
}

Pointer::Reading GnomePointer::read() const {
    // The Shell's logical coordinates are Qt's global coordinates on Wayland.
    if (const auto state = m_shell.pointer())
        return {state->leftButton, ScreenPoints::fromQtGlobal(QPointF(state->global))};
    // Without the extension only this program's own windows tell where the
    // pointer is; the button reads as up, so no sampling goes on.
    return {false, ScreenPoints::fromQtGlobal(QPointF(QCursor::pos()))};
}

GnomeDragContents::GnomeDragContents(ShellCompanion& shell)
    : m_shell(shell) {}

long GnomeDragContents::dragCount() const {
    return m_shell.dragCount();
}

bool GnomeDragContents::holdsItems() const {
    return m_shell.dragActive();
}

GnomeKeyGrabs::GnomeKeyGrabs(ShellCompanion& shell)
    : m_shell(shell) {}

QString GnomeKeyGrabs::accelerator(QKeyCombination keys) {
    static constexpr std::array<std::pair<Qt::KeyboardModifier, const char*>, 4> modifiers{
        {{Qt::ShiftModifier, "<Shift>"},
         {Qt::ControlModifier, "<Control>"},
         {Qt::AltModifier, "<Alt>"},
         {Qt::MetaModifier, "<Super>"}}};
    QString held;
    Qt::KeyboardModifiers unknown = keys.keyboardModifiers();
    for (const auto& [modifier, name] : modifiers) {
        if (unknown.testFlag(modifier))
            held += QLatin1String(name);
        unknown &= ~modifier;
    }
    // Letters and digits are named by their keysym, the lower-case letter.
    const int key = keys.key();
    const bool named =
        (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
    if (!named || unknown)
        return {};
    return held + QChar(key).toLower();
}

std::unique_ptr<KeyGrabToken> GnomeKeyGrabs::grabKey(QKeyCombination keys,
                                                     std::function<void()> onPress) {
    const QString name = accelerator(keys);
    if (name.isEmpty())
        return nullptr;
    // While the extension is away the grab waits for it to come back.
    unsigned action = 0;
    if (m_shell.isAvailable()) {
        action = m_shell.grabAccelerator(name);
        if (action == 0)
            return nullptr;
    }
    return std::make_unique<AcceleratorGrab>(m_shell, name, action, std::move(onPress));
}

GnomePanelPlacement::GnomePanelPlacement(ShellCompanion& shell)
    : m_shell(shell) {
    QObject::connect(&shell, &ShellCompanion::windowMoved, &shell,
                     [this](unsigned id, QPoint topLeft) {
                         if (onMoved && m_titles.contains(id))
                             onMoved(m_titles.value(id), topLeft);
                     });
}

QString GnomePanelPlacement::windowTitle(const QString&, int serial) const {
    // Each panel's title names its serial, which is the window's id for the
    // extension: the extension ties the two together when the window shows.
    const QString title = QStringLiteral("Shelf #%1").arg(serial);
    m_titles.insert(unsigned(serial), title);
    return title;
}

void GnomePanelPlacement::place(const QString& windowTitle, QPoint qtGlobalTopLeft) {
    const unsigned id = m_titles.key(windowTitle);
    if (id != 0)
        m_shell.placeWindow(id, windowTitle, qtGlobalTopLeft);
}
