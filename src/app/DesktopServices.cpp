#include "app/DesktopServices.h"

#include "app/AppServices.h"
#include "model/ShelfManager.h"
#include "model/ShelfManagerServices.h"
#include "model/ShelfStore.h"
#include "platform/common/DesktopScreens.h"
#include "platform/common/LocalPressMonitor.h"
#include "platform/common/MimeDataContents.h"
#include "platform/common/OutgoingDrag.h"
#include "platform/common/SystemTimers.h"
#include "platform/freedesktop/AutostartEntry.h"
#include "platform/gnome/GnomeBackend.h"
#include "platform/gnome/ShellCompanion.h"
#include "platform/kde/KWinCompanion.h"
#include "platform/kde/KdeKeyGrabs.h"
#include "platform/kde/KdeSession.h"
#include "platform/x11/DirectSaveReceiver.h"
#include "platform/x11/SelectionOwnership.h"
#include "platform/x11/X11ClipboardReader.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DragContents.h"
#include "platform/x11/X11KeyGrabs.h"
#include "platform/x11/X11Pointer.h"
#include "platform/x11/X11PressMonitor.h"
#include "platform/x11/X11WindowHints.h"
#include "shelf/ShelfControllerWindows.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace {

using Shortfall = QuoblinApp::Services::Shortfall;

// The shelf manager's desktop: the real clock, pointer and file.
class DesktopShelfManagerServices final : public ShelfManagerServices {
public:
    DesktopShelfManagerServices(Pointer& pointer, Timers& timers)
        : m_pointer(pointer)
        , m_timers(timers) {}

    QString recentShelvesPath() override { return ShelfStore::defaultURL(); }
    QDateTime now() override { return QDateTime::currentDateTimeUtc(); }
    QPointF cursorPosition() override { return m_pointer.position(); }
    void alert() override { QApplication::beep(); }
    Timers* timers() override { return &m_timers; }

private:
    Pointer& m_pointer;
    Timers& m_timers;
};

// What one kind of session offers beyond Qt: the global presses, pointer,
// drags and keys, and what shelf windows need of the window system.
class Backend {
public:
    virtual ~Backend() = default;
    virtual PressMonitor& presses() = 0;
    virtual Pointer& pointer() = 0;
    virtual DragContents& drags() = 0;
    virtual KeyGrabService& keys() = 0;
    virtual WindowHints* hints() { return nullptr; }
    virtual FilePromiseReceiver* promises() { return nullptr; }
    virtual PanelPlacement* placement() { return nullptr; }
    virtual ShakeSource* recognizedShakes() { return nullptr; }
    virtual DesktopScreens::WorkAreas workAreas() { return {}; }
    virtual std::function<bool()> clipboardHeldHere() { return {}; }
    // Whether a shake's shelf window is best made while the shake is under way.
    virtual bool preparesShakenWindows() const { return false; }
    virtual bool altHeld() {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
    }
    const QMimeData* clipboard() {
        ClipboardRead read = readClipboard();
        m_clipboardShortfall = read.shortfall;
        if (read.data)
            return (m_clipboard = std::move(read.data)).get();
        return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    }
    // What the last clipboard() left out.
    Shortfall clipboardShortfall() const { return m_clipboardShortfall; }
    // Tells the window factory where the user moved one of its windows, where
    // only the backend's placer learns of it.
    void followMoves(ShelfControllerWindows& windows) {
        if (PanelPlacement* placer = placement())
            placer->onMoved = [&windows](const QString& title, QPoint topLeft) {
                windows.movedByUser(title, topLeft);
            };
    }

protected:
    // The clipboard through the session's own channel; no data where the
    // toolkit's clipboard is to be asked instead.
    virtual ClipboardRead readClipboard() { return {}; }

private:
    std::unique_ptr<QMimeData> m_clipboard; // the last one read, kept for whoever reads it
    Shortfall m_clipboardShortfall = Shortfall::none;
};

// A session that offers nothing global (Wayland without the companion and
// without XWayland): no press, pointer, drag or key of other programs is seen.
class NoBackend final : public Backend, PressMonitor, Pointer, DragContents, KeyGrabService {
public:
    PressMonitor& presses() override { return *this; }
    Pointer& pointer() override { return *this; }
    DragContents& drags() override { return *this; }
    KeyGrabService& keys() override { return *this; }

private:
    std::unique_ptr<MonitorToken> addLeftPressMonitor(std::function<void()>) override {
        return nullptr;
    }
    Reading read() const override { return {}; }
    long dragCount() const override { return 0; }
    bool holdsItems() const override { return false; }
    std::unique_ptr<KeyGrabToken> grabKey(QKeyCombination, std::function<void()>) override {
        return nullptr;
    }
};

// X11: the server answers every question itself.
class X11Backend final : public Backend {
public:
    explicit X11Backend(std::unique_ptr<X11Connection> connection, const OutgoingDrag& drag)
        : m_x11(std::move(connection))
        , m_guard(*m_x11, drag) {}

    PressMonitor& presses() override { return m_presses; }
    Pointer& pointer() override { return m_pointer; }
    DragContents& drags() override { return m_drags; }
    KeyGrabService& keys() override { return m_keys; }
    WindowHints* hints() override { return &m_hints; }
    FilePromiseReceiver* promises() override { return &m_promises; }
    std::function<bool()> clipboardHeldHere() override {
        return [x11 = m_x11.get()] { return SelectionOwnership::clipboardHeldHere(*x11); };
    }

private:
    ClipboardRead readClipboard() override {
        return X11ClipboardReader(*m_x11).read(MimeDataContents::formats());
    }

    // Opened first and closed last: the services below hold on to it.
    std::unique_ptr<X11Connection> m_x11;
    // Every X11 run of the program is exposed to other clients' clocks.
    SelectionOwnership::TimeGuard m_guard;
    X11PressMonitor m_presses{m_x11.get()};
    X11Pointer m_pointer{m_x11.get()};
    X11DragContents m_drags{m_x11.get()};
    X11KeyGrabs m_keys{m_x11.get()};
    X11WindowHints m_hints{m_x11.get()};
    DirectSaveReceiver m_promises{*m_x11};
};

// GNOME on Wayland: every global service is asked of the companion extension.
class GnomeBackend final : public Backend {
public:
    GnomeBackend() {
        QObject::connect(&m_shell, &ShellCompanion::x11DisplayChanged, &m_shell,
                         [this](bool running) { followXWayland(running); });
        QObject::connect(&m_shell, &ShellCompanion::availabilityChanged, &m_shell,
                         [this](bool) { followXWayland(m_shell.x11DisplayRunning()); });
        followXWayland(m_shell.x11DisplayRunning());
    }

    PressMonitor& presses() override { return m_presses; }
    Pointer& pointer() override { return m_pointer; }
    DragContents& drags() override { return m_drags; }
    KeyGrabService& keys() override { return m_keys; }
    PanelPlacement* placement() override { return &m_placement; }
    // The Shell knows the panels' work areas, which Qt does not see here.
    DesktopScreens::WorkAreas workAreas() override {
        return [this] { return m_shell.workAreas(); };
    }
    // The Shell shows a window it has just learnt of a frame or two later than
    // one it knows, and the program's own detector sees a shake coming.
    bool preparesShakenWindows() const override { return true; }
    // The program never has the keyboard focus here: the Shell knows.
    bool altHeld() override {
        const auto state = m_shell.pointer();
        return state ? state->modifiers.testFlag(Qt::AltModifier) : Backend::altHeld();
    }

private:
    ClipboardRead readClipboard() override {
        return m_shell.clipboard(MimeDataContents::formats());
    }

    // An X11 client's drag shows only on XWayland's display, watched while XWayland runs.
    void followXWayland(bool running) {
        m_xwaylandDrags.reset();
        m_xwayland = running ? X11Connection::openXWayland() : nullptr;
        if (!m_xwayland)
            return;
        m_xwaylandDrags = std::make_unique<X11DragContents>(
            m_xwayland.get(), X11DragContents::Owners::exceptWindowManager);
        m_xwaylandDrags->setOnDragStarted([this] { m_shell.noteDragStarted(); });
    }

    ShellCompanion m_shell;
    GnomePressMonitor m_presses{m_shell};
    GnomePointer m_pointer{m_shell};
    GnomeDragContents m_drags{m_shell};
    GnomeKeyGrabs m_keys{m_shell};
    GnomePanelPlacement m_placement{m_shell};
    std::unique_ptr<X11Connection> m_xwayland;
    std::unique_ptr<X11DragContents> m_xwaylandDrags;
};

// Plasma on Wayland: shakes and placement through the KWin companion script.
class KdeBackend final : public Backend {
public:
    PressMonitor& presses() override { return m_unseen; }
    Pointer& pointer() override { return m_pointer; }
    DragContents& drags() override { return m_unseen; }
    KeyGrabService& keys() override { return m_keys; }
    PanelPlacement* placement() override { return &m_placement; }
    ShakeSource* recognizedShakes() override { return &m_kwin; }

private:
    KWinCompanion m_kwin;
    KdeUnseen m_unseen;
    KdePointer m_pointer;
    KdeKeyGrabs m_keys;
    KdePanelPlacement m_placement{m_kwin};
};

std::unique_ptr<Backend> chooseBackend(const GnomeSession::Status& gnome,
                                       const OutgoingDrag& drag) {
    if (gnome.companion == GnomeSession::Companion::ready &&
        QGuiApplication::platformName() == QLatin1String("wayland"))
        return std::make_unique<GnomeBackend>();
    if (KdeSession::isPlasmaWayland() &&
        QGuiApplication::platformName() == QLatin1String("wayland"))
        return std::make_unique<KdeBackend>();
    if (auto x11 = X11Connection::open())
        return std::make_unique<X11Backend>(std::move(x11), drag);
    return std::make_unique<NoBackend>();
}

} // namespace

struct DesktopServices::Parts {
    explicit Parts(const GnomeSession::Status& gnome)
        : backend(chooseBackend(gnome, outgoingDrag)) {
        backend->followMoves(*windows);
    }

    OutgoingDrag outgoingDrag;
    std::unique_ptr<Backend> backend;
    SystemTimers timers;
    LocalPressMonitor localPresses;
    AutostartEntry autostartEntry;
    std::shared_ptr<ShelfControllerWindows> windows = std::make_shared<ShelfControllerWindows>(
        [workAreas = backend->workAreas()] { return DesktopScreens::layout(workAreas); },
        shelfDesktop());

    ShelfDesktop shelfDesktop() {
        return {backend->promises(), backend->hints(), backend->placement(), &outgoingDrag,
                backend->clipboardHeldHere()};
    }
};

DesktopServices::DesktopServices(const GnomeSession::Status& gnome)
    : m_parts(std::make_unique<Parts>(gnome)) {}

DesktopServices::~DesktopServices() = default;

std::shared_ptr<ShelfManagerServices> DesktopServices::shelfServices() {
    return std::make_shared<DesktopShelfManagerServices>(m_parts->backend->pointer(),
                                                         m_parts->timers);
}

ShelfDesktop DesktopServices::shelfDesktop() {
    return m_parts->shelfDesktop();
}

QuoblinApp::Services DesktopServices::appServices() {
    Parts& p = *m_parts;
    Backend& backend = *p.backend;
    QuoblinApp::Services services;
    services.windows = p.windows;
    services.makeManager = [this] {
        return std::make_unique<ShelfManager>(shelfServices(), m_parts->windows);
    };
    services.shake = {&backend.presses(), &p.localPresses, &backend.pointer(),
                      &backend.drags(),   &p.timers,       backend.recognizedShakes()};
    services.pointer = &backend.pointer();
    services.keys = &backend.keys();
    services.autostartEntry = &p.autostartEntry;
    services.beep = [] { QApplication::beep(); };
    services.altHeld = [&backend] { return backend.altHeld(); };
    services.clipboard = [&backend] { return backend.clipboard(); };
    services.clipboardShortfall = [&backend] { return backend.clipboardShortfall(); };
    services.prepareShakenWindows = backend.preparesShakenWindows();
    return services;
}

Timers& DesktopServices::timers() {
    return m_parts->timers;
}

FilePromiseReceiver* DesktopServices::filePromises() {
    return m_parts->backend->promises();
}

WindowHints* DesktopServices::windowHints() {
    return m_parts->backend->hints();
}
