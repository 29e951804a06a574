#include "app/DesktopServices.h"

#include "app/AppServices.h"
#include "model/ShelfManager.h"
#include "model/ShelfManagerServices.h"
#include "model/ShelfStore.h"
#include "platform/PanelPlacement.h"
#include "platform/Pasteboard.h"
#include "platform/Screens.h"
#include "platform/Timers.h"
#include "platform/common/ClipboardWriter.h"
#include "platform/common/LocalPressMonitor.h"
#include "platform/freedesktop/LoginItem.h"
#include "platform/gnome/GnomeBackend.h"
#include "platform/gnome/GnomeSession.h"
#include "platform/gnome/ShellCompanion.h"
#include "platform/x11/DesktopWindowHints.h"
#include "platform/x11/DirectSaveReceiver.h"
#include "platform/x11/GlobalKeyGrabs.h"
#include "platform/x11/GlobalPressMonitor.h"
#include "platform/x11/SelectionOwnership.h"
#include "platform/x11/SystemDragPasteboard.h"
#include "platform/x11/SystemPointer.h"
#include "platform/x11/X11Connection.h"
#include "shelf/ShelfControllerWindows.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace {

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

} // namespace

// On GNOME on Wayland every global service is asked of the companion extension.
struct GnomeParts {
    ShellCompanion shell;
    GnomePressMonitor presses{shell};
    GnomePointer pointer{shell};
    GnomeDragPasteboard drag{shell};
    GnomeKeyGrabs keys{shell};
    GnomePanelPlacement placement{shell};
    std::unique_ptr<QMimeData> clipboard; // the last one read, kept for whoever reads it
    // An X11 client's drag shows only on XWayland's display, watched while XWayland runs.
    std::unique_ptr<X11Connection> xwayland;
    std::unique_ptr<SystemDragPasteboard> xwaylandDrags;

    void followXWayland(bool running) {
        xwaylandDrags.reset();
        xwayland = running ? X11Connection::openXWayland() : nullptr;
        if (!xwayland)
            return;
        xwaylandDrags = std::make_unique<SystemDragPasteboard>(
            xwayland.get(), SystemDragPasteboard::Owners::exceptWindowManager);
        xwaylandDrags->setOnDragStarted([this] { shell.noteDragStarted(); });
    }
    ShellCompanion::ClipboardRead::Shortfall shortfall{};
};

struct DesktopServices::Parts {
    // Opened first and closed last: the X11 services below hold on to it.
    // Absent when the program does not run on X11; they then see nothing.
    std::unique_ptr<X11Connection> x11 = X11Connection::open();
    SystemTimers timers;
    GlobalPressMonitor globalPresses{x11.get()};
    LocalPressMonitor localPresses;
    SystemPointer pointer{x11.get()};
    SystemDragPasteboard drag{x11.get()};
    GlobalKeyGrabs keys{x11.get()};
    DesktopWindowHints hints{x11.get()};
    std::unique_ptr<DirectSaveReceiver> promises =
        x11 ? std::make_unique<DirectSaveReceiver>(*x11) : nullptr;
    LoginItem loginItem;
    std::unique_ptr<GnomeParts> gnome =
        GnomeSession::status().companion == GnomeSession::Companion::ready &&
                QGuiApplication::platformName() == QLatin1String("wayland")
            ? std::make_unique<GnomeParts>()
            : nullptr;
    PressMonitor& presses() {
        return gnome ? static_cast<PressMonitor&>(gnome->presses) : globalPresses;
    }
    Pointer& pointerInUse() { return gnome ? static_cast<Pointer&>(gnome->pointer) : pointer; }
    DragPasteboard& dragInUse() { return gnome ? static_cast<DragPasteboard&>(gnome->drag) : drag; }
    KeyGrabService& keysInUse() { return gnome ? static_cast<KeyGrabService&>(gnome->keys) : keys; }
    std::shared_ptr<ShelfControllerWindows> windows =
        std::make_shared<ShelfControllerWindows>(&ScreenLayout::current, promises.get(), &hints);
};

DesktopServices::DesktopServices()
    : m_parts(std::make_unique<Parts>()) {
    if (GnomeParts* gnome = m_parts->gnome.get()) {
        PanelPlacement::setCurrent(&gnome->placement);
        gnome->placement.onMoved = &ShelfPanel::movedByUser;
        ScreenLayout::setWorkAreas([gnome] { return gnome->shell.workAreas(); });
        QObject::connect(&gnome->shell, &ShellCompanion::x11DisplayChanged, &gnome->shell,
                         [gnome](bool running) { gnome->followXWayland(running); });
        QObject::connect(
            &gnome->shell, &ShellCompanion::availabilityChanged, &gnome->shell,
            [gnome](bool) { gnome->followXWayland(gnome->shell.x11DisplayRunning()); });
        gnome->followXWayland(gnome->shell.x11DisplayRunning());
    }
    if (X11Connection* x11 = m_parts->x11.get())
        ClipboardWriter::setOwnershipCheck(
            [x11] { return SelectionOwnership::clipboardHeldHere(*x11); });
}

DesktopServices::~DesktopServices() {
    ClipboardWriter::setOwnershipCheck(nullptr);
    if (m_parts->gnome) {
        PanelPlacement::setCurrent(nullptr);
        ScreenLayout::setWorkAreas(nullptr);
    }
}

std::shared_ptr<ShelfManagerServices> DesktopServices::shelfServices() {
    Parts& p = *m_parts;
    return std::make_shared<DesktopShelfManagerServices>(p.pointerInUse(), p.timers);
}

AppDelegate::Services DesktopServices::appServices() {
    Parts& p = *m_parts;
    AppDelegate::Services services;
    services.windows = p.windows;
    services.makeManager = [this] {
        return std::make_unique<ShelfManager>(shelfServices(), m_parts->windows);
    };
    services.shake = {&p.presses(), &p.localPresses, &p.pointerInUse(), &p.dragInUse(), &p.timers};
    services.pointer = &p.pointerInUse();
    services.keys = &p.keysInUse();
    services.loginItem = &p.loginItem;
    services.beep = [] { QApplication::beep(); };
    services.optionHeld = [&p] {
        // On GNOME Wayland the program never has the keyboard focus: the Shell knows.
        if (GnomeParts* gnome = p.gnome.get()) {
            if (const auto state = gnome->shell.pointer())
                return (state->modifiers & KeyModifier::mod1) != 0;
        }
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
    };
    services.clipboard = [&p]() -> const QMimeData* {
        if (GnomeParts* gnome = p.gnome.get()) {
            auto read = gnome->shell.clipboard(MimeDataPasteboard::formats());
            gnome->shortfall = read.shortfall;
            if (read.data)
                return (gnome->clipboard = std::move(read.data)).get();
        }
        return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    };
    services.clipboardShortfall = [&p] {
        using Shortfall = AppDelegate::Services::Shortfall;
        const GnomeParts* gnome = p.gnome.get();
        if (!gnome)
            return Shortfall::none;
        switch (gnome->shortfall) {
        case ShellCompanion::ClipboardRead::Shortfall::tooLarge:
            return Shortfall::tooLarge;
        case ShellCompanion::ClipboardRead::Shortfall::tooSlow:
            return Shortfall::tooSlow;
        default:
            return Shortfall::none;
        }
    };
    return services;
}

Timers& DesktopServices::timers() {
    return m_parts->timers;
}

FilePromiseReceiver* DesktopServices::filePromises() {
    return m_parts->promises.get();
}

WindowHints* DesktopServices::windowHints() {
    return &m_parts->hints;
}
