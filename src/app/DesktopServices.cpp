#include "app/DesktopServices.h"

#include "app/AppServices.h"
#include "model/ShelfManager.h"
#include "model/ShelfManagerServices.h"
#include "model/ShelfStore.h"
#include "platform/LocalPressMonitor.h"
#include "platform/Timers.h"
#include "platform/freedesktop/LoginItem.h"
#include "platform/x11/DesktopWindowHints.h"
#include "platform/x11/DirectSaveReceiver.h"
#include "platform/x11/GlobalKeyGrabs.h"
#include "platform/x11/GlobalPressMonitor.h"
#include "platform/x11/SystemDragPasteboard.h"
#include "platform/x11/SystemPointer.h"
#include "platform/x11/X11Connection.h"

#include <QApplication>
#include <QClipboard>

namespace {

// The shelf manager's desktop: the real clock, pointer, screens and file.
class DesktopShelfManagerServices final : public ShelfManagerServices {
public:
    DesktopShelfManagerServices(Pointer& pointer, Timers& timers, FilePromiseReceiver* promises,
                                WindowHints& hints)
        : m_pointer(pointer)
        , m_timers(timers)
        , m_promises(promises)
        , m_hints(hints) {}

    QString recentShelvesPath() override { return ShelfStore::defaultURL(); }
    QDateTime now() override { return QDateTime::currentDateTimeUtc(); }
    QPointF cursorPosition() override { return m_pointer.position(); }
    ScreenLayout screens() override { return ScreenLayout::current(); }
    void alert() override { QApplication::beep(); }
    Timers* timers() override { return &m_timers; }
    FilePromiseReceiver* filePromises() override { return m_promises; }
    WindowHints* windowHints() override { return &m_hints; }

private:
    Pointer& m_pointer;
    Timers& m_timers;
    FilePromiseReceiver* m_promises;
    WindowHints& m_hints;
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
};

DesktopServices::DesktopServices()
    : m_parts(std::make_unique<Parts>()) {}

DesktopServices::~DesktopServices() = default;

std::shared_ptr<ShelfManagerServices> DesktopServices::shelfServices() {
    Parts& p = *m_parts;
    return std::make_shared<DesktopShelfManagerServices>(p.pointer, p.timers, p.promises.get(),
                                                         p.hints);
}

AppDelegate::Services DesktopServices::appServices() {
    Parts& p = *m_parts;
    AppDelegate::Services services;
    services.makeManager = [this] { return std::make_unique<ShelfManager>(shelfServices()); };
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
