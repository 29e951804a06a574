#include "app/DesktopServices.h"

#include "app/AppServices.h"
#include "model/ShelfManager.h"
#include "model/ShelfManagerServices.h"
#include "model/ShelfStore.h"
#include "platform/ClipboardWriter.h"
#include "platform/LocalPressMonitor.h"
#include "platform/Timers.h"
#include "platform/freedesktop/LoginItem.h"
#include "platform/x11/DesktopWindowHints.h"
#include "platform/x11/DirectSaveReceiver.h"
#include "platform/x11/GlobalKeyGrabs.h"
#include "platform/x11/GlobalPressMonitor.h"
#include "platform/x11/SelectionOwnership.h"
#include "platform/x11/SystemDragPasteboard.h"
#include "platform/x11/SystemPointer.h"
#include "platform/x11/X11Connection.h"
#include "shelf/ShelfControllerWindows.h"

#include <QApplication>
#include <QClipboard>

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
    std::shared_ptr<ShelfControllerWindows> windows =
        std::make_shared<ShelfControllerWindows>(&ScreenLayout::current, promises.get(), &hints);
};

DesktopServices::DesktopServices()
    : m_parts(std::make_unique<Parts>()) {
    if (X11Connection* x11 = m_parts->x11.get())
        ClipboardWriter::setOwnershipCheck(
            [x11] { return SelectionOwnership::clipboardHeldHere(*x11); });
}

DesktopServices::~DesktopServices() {
    ClipboardWriter::setOwnershipCheck(nullptr);
}

std::shared_ptr<ShelfManagerServices> DesktopServices::shelfServices() {
    Parts& p = *m_parts;
    return std::make_shared<DesktopShelfManagerServices>(p.pointer, p.timers);
}

AppDelegate::Services DesktopServices::appServices() {
    Parts& p = *m_parts;
    AppDelegate::Services services;
    services.windows = p.windows;
    services.makeManager = [this] {
        return std::make_unique<ShelfManager>(shelfServices(), m_parts->windows);
    };
    services.shake = {&p.globalPresses, &p.localPresses, &p.pointer, &p.drag, &p.timers};
    services.pointer = &p.pointer;
    services.keys = &p.keys;
    services.loginItem = &p.loginItem;
    services.beep = [] { QApplication::beep(); };
    services.optionHeld = [] {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
    };
    services.clipboard = [] {
        return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
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
