#pragma once

#include "platform/ClipboardRead.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVariant>
#include <array>
#include <memory>
#include <optional>
#include <utility>

class QDBusArgument;
class QDBusServiceWatcher;
class QMimeData;

// The program's side of the companion GNOME Shell extension: the only client
// that can see every drag, the global pointer and the accelerators on a GNOME
// Wayland session. The extension can be disabled, crash with the Shell, or be
// replaced by another version while the program runs, so everything here
// answers "not available" instead of failing, and comes back by itself when
// the extension's bus name reappears with the right version. Any program can
// own that name first: only an owner that is the GNOME Shell process is
// asked, and an answer of another type than the interface's counts as none.
class ShellCompanion final : public QObject {
    Q_OBJECT
public:
    // The version of the extension's D-Bus interface this program speaks.
    static constexpr unsigned interfaceVersion = 3;
    static const QString serviceName;
    static const QString objectPath;
    static const QString interfaceName;

    explicit ShellCompanion(QDBusConnection bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);
    ~ShellCompanion() override;

    // What the program uses of the extension's interface, with each one's D-Bus
    // signature (a method's in and out, a signal's arguments as `in`): answers
    // and signals are read only when of that type, and a unit test holds the
    // list against the interface's XML.
    struct Member {
        enum class Kind { method, signal } kind;
        QLatin1StringView name, in, out;
    };
    static const std::array<Member, 15> members;

    // The extension owns its name and answered with the version this program speaks.
    bool isAvailable() const { return m_available; }

    // The version the extension reports, asked at once and without a running
    // event loop; nothing when no extension answers on the bus.
    static std::optional<unsigned> askVersion(const QDBusConnection& bus, int timeoutMs);

    struct PointerState {
        QPoint global; // the compositor's logical coordinates, y down
        bool leftButton = false;
        Qt::KeyboardModifiers modifiers; // the keyboard's modifiers held
    };
    // While a drag the Shell reports goes on, the last position it told;
    // otherwise asked at once (the shake sampler needs the answer in the same
    // tick). Nothing while the extension is away.
    std::optional<PointerState> pointer() const;

    // The extension's number for the grab, or 0 when refused or away.
    unsigned grabAccelerator(const QString& accelerator);
    void ungrabAccelerator(unsigned action);
    // Fire and forget: the extension keeps the request for a window not shown
    // yet, which it ties to the id by the title it shows with; from then on it
    // knows the window by the id.
    void placeWindow(unsigned id, const QString& title, QPoint global);
    // The clipboard in those of the formats it offers, read by the Shell: a
    // client without the focus is not told of it. No data while the extension
    // is away or refuses; the program then asks the clipboard itself. The
    // Shell leaves out what would not fit in one answer, and stops at a time
    // limit; the shortfall says so.
    ClipboardRead clipboard(const QStringList& formats) const;
    // Each monitor's geometry and work area, as the extension last told them;
    // empty while the extension is away.
    QList<std::pair<QRect, QRect>> workAreas() const;

    // Drags of every client since this object was made, and whether one is under way.
    long dragCount() const { return m_dragCount; }
    bool dragActive() const { return m_dragActive; }
    // A drag began that the Shell does not report: an X11 client's, seen on
    // XWayland's display. Counted as the Shell's own drags are; the pointer is
    // asked, since the Shell does not follow it for this drag.
    void noteDragStarted();
    // Whether the Shell runs XWayland now; false while the extension is away.
    bool x11DisplayRunning() const;

Q_SIGNALS:
    void availabilityChanged(bool available);
    // A drag began (and is counted) while the left button was held.
    void dragBegan();
    // The Shell told a new position during a drag.
    void pointerMoved();
    void acceleratorActivated(unsigned action);
    // The user moved one of the program's placed windows; where it is now.
    void windowMoved(unsigned id, QPoint global);
    // XWayland started or ended.
    void x11DisplayChanged(bool running);

private Q_SLOTS:
    void handleSignal(const QDBusMessage& message);

private:
    // A method's answers, asked at once; nothing while the extension is away,
    // on an error, or when the answer's D-Bus signature is not `signature`.
    std::optional<QList<QVariant>> ask(QLatin1StringView name, const QVariantList& arguments,
                                       int timeoutMs) const;
    void countDrag(std::optional<PointerState> at);
    void readWorkAreas(const QDBusArgument& monitors);
    // The unique bus name of the companion's owner when that is the GNOME
    // Shell process; empty otherwise.
    static QString shellOwner(const QDBusConnection& bus);
    void checkVersion();
    void setAvailable(bool available);

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher = nullptr;
    QString m_owner; // the unique name asked: the name cannot change hands between check and call
    bool m_available = false;
    long m_dragCount = 0;
    bool m_dragActive = false;
    std::optional<PointerState> m_pushed; // while the Shell follows a drag
    std::optional<QList<std::pair<QRect, QRect>>> m_workAreas;
    int m_versionQuery = 0; // the latest question, so that a late answer to an older one is ignored
};
