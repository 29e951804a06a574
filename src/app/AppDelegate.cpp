#include "app/AppDelegate.h"

#include "app/AboutDialog.h"
#include "app/AppServices.h"
#include "app/HotKey.h"
#include "model/ShelfManager.h"
#include "platform/Pasteboard.h"
#include "platform/Pointer.h"
#include "platform/SettingsStore.h"
#include "platform/Symbols.h"
#include "settings/Language.h"
#include "settings/Preferences.h"
#include "settings/SettingsWindow.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfViews.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSystemTrayIcon>
#include <cstdio>

namespace {

constexpr double shakeAutoClose = 6.0;
constexpr uint32_t controlOption = HotKey::controlModifier | HotKey::optionModifier;
constexpr uint32_t keyN = 45, keyV = 9, keyS = 1;

QString versionText() {
    const QString version = QStringLiteral(QUOBLIN_VERSION);
    return version.isEmpty() ? QStringLiteral("?") : version;
}

// Tray hosts come with light and with dark panels, and the icon cannot ask
// which: a light glyph ringed in dark stays visible on either.
QIcon trayIcon() {
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48}) {
        const QSize size(side, side);
        const QPixmap light =
            Symbols::tinted(QStringLiteral("tray"), QColor(0xdc, 0xdc, 0xdc), size, 1.0);
        const QPixmap dark =
            Symbols::tinted(QStringLiteral("tray"), QColor(0x30, 0x30, 0x30), size, 1.0);
        QPixmap ringed(size);
        ringed.fill(Qt::transparent);
        QPainter painter(&ringed);
        for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
            painter.drawPixmap(offset, dark);
        painter.drawPixmap(0, 0, light);
        painter.end();
        icon.addPixmap(ringed);
    }
    return icon;
}

} // namespace

AppDelegate::AppDelegate(Services services)
    : m_services(std::make_unique<Services>(std::move(services))) {
    m_shelves = m_services->makeManager();
    m_shake = std::make_unique<ShakeDetector>(m_services->shake);
}

SettingsWindow& AppDelegate::settings() {
    if (m_settings)
        return *m_settings;
    m_settings = std::make_unique<SettingsWindow>(m_services->loginItem);
    const QPointer<AppDelegate> self(this);
    m_settings->onChange = [self] {
        if (self)
            self->m_shake->gesture.core.minReversals = Preferences::shakeReversals();
    };
    m_settings->onLanguageChanged = [self] {
        if (self)
            self->reloadLanguage();
    };
    return *m_settings;
}

AppDelegate::~AppDelegate() {
    m_hotKeys.clear();
    m_statusItem.reset();
}

QPointF AppDelegate::mouseLocation() const {
    return m_services->pointer ? m_services->pointer->position() : QPointF();
}

void AppDelegate::applicationDidFinishLaunching() {
    const QPointer<AppDelegate> self(this);
    if (m_services->showStatusItem) {
        m_statusItem = std::make_unique<QSystemTrayIcon>();
        const QIcon icon = trayIcon();
        m_statusItem->setIcon(icon);
        m_statusItem->setToolTip(QStringLiteral("Quoblin"));
    }
    buildMenu();
    if (m_statusItem)
        m_statusItem->show();

    m_shake->onShake = [self](QPointF point) {
        if (!self)
            return;
        if (ShelfController* shelf = self->m_shelves->newShelf(point, {}))
            shelf->scheduleAutoCloseIfEmpty(shakeAutoClose);
    };
    m_shake->start();

    auto hotKey = [&](uint32_t key, void (AppDelegate::*action)()) {
        auto press = [self, action] {
            if (self)
                (self.data()->*action)();
        };
        return m_services->keys
                   ? std::make_unique<HotKey>(*m_services->keys, key, controlOption, press)
                   : std::make_unique<HotKey>(key, controlOption, press);
    };
    static constexpr struct {
        uint32_t key;
        void (AppDelegate::*action)();
        const char* name;
    } bindings[] = {{keyN, &AppDelegate::newShelf, "Ctrl+Alt+N"},
                    {keyV, &AppDelegate::newShelfFromClipboard, "Ctrl+Alt+V"},
                    {keyS, &AppDelegate::toggleShelves, "Ctrl+Alt+S"}};
    QStringList working;
    for (const auto& binding : bindings) {
        m_hotKeys.push_back(hotKey(binding.key, binding.action));
        if (m_hotKeys.back()->isRegistered())
            working << QLatin1String(binding.name);
    }

    // Without a tray the hot keys are the only way in, so say which of them
    // really work: on a native Wayland display, or when another program holds
    // them, none do.
    if (m_statusItem && !QSystemTrayIcon::isSystemTrayAvailable()) {
        const QString meanwhile =
            working.isEmpty()
                ? QStringLiteral("The hot keys could not be registered either.")
                : QStringLiteral("Meanwhile %1 %2.")
                      .arg(working.join(QStringLiteral(", ")),
                           working.size() == 1 ? QStringLiteral("works") : QStringLiteral("work"));
        std::fprintf(stderr,
                     "quoblin: no system tray is running, so the icon is not visible yet; it "
                     "appears as soon as one starts. %s Every menu command is also at hand as "
                     "a command-line option (quoblin --help lists them).\n",
                     qPrintable(meanwhile));
    }
}

void AppDelegate::applicationWillTerminate() {
    // Quitting can be asked for more than once (a signal during the Quit
    // command); the open shelves must be recorded once.
    if (std::exchange(m_terminated, true))
        return;
    m_shelves->saveBeforeQuit();
}

void AppDelegate::buildMenu() {
    auto menu = std::make_unique<QMenu>();
    QMenu* raw = menu.get();
    auto add = [raw](const QString& title, auto action, QKeySequence keys = {}) {
        QAction* item = raw->addAction(title);
        item->setShortcut(keys);
        item->setShortcutVisibleInContextMenu(true);
        if constexpr (!std::is_same_v<decltype(action), std::nullptr_t>)
            QObject::connect(item, &QAction::triggered, raw, action);
        return item;
    };
    const QPointer<AppDelegate> self(this);
    auto call = [self](void (AppDelegate::*method)()) {
        return [self, method] {
            if (self)
                (self.data()->*method)();
        };
    };
    add(bilingual(QStringLiteral("New Shelf"), QStringLiteral("Raft nou")),
        call(&AppDelegate::newShelf), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N));
    add(bilingual(QStringLiteral("New Shelf From Clipboard"),
                  QStringLiteral("Raft nou din clipboard")),
        call(&AppDelegate::newShelfFromClipboard), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V));
    m_recentMenu = raw->addMenu(
        bilingual(QStringLiteral("Recent Shelves"), QStringLiteral("Rafturi recente")));
    connect(m_recentMenu, &QMenu::aboutToShow, this, [self, recent = m_recentMenu] {
        if (self && recent)
            self->menuNeedsUpdate(recent);
    });
    raw->addSeparator();
    add(bilingual(QStringLiteral("Show / Hide Shelves"),
                  QStringLiteral("Arată / ascunde rafturile")),
        call(&AppDelegate::toggleShelves), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    add(bilingual(QStringLiteral("Close All Shelves"), QStringLiteral("Închide toate rafturile")),
        call(&AppDelegate::closeAllShelves));
    m_shakeToggleItem = add(bilingual(QStringLiteral("Shake Mouse to Open a Shelf"),
                                      QStringLiteral("Scuturarea mouse-ului deschide un raft")),
                            call(&AppDelegate::toggleShake));
    m_shakeToggleItem->setCheckable(true);
    m_shakeToggleItem->setChecked(Preferences::shakeEnabled());
    raw->addSeparator();
    QAction* version =
        add(bilingual(QStringLiteral("Version "), QStringLiteral("Versiunea ")) + versionText(),
            nullptr);
    version->setEnabled(false);
    add(bilingual(QStringLiteral("About Quoblin…"), QStringLiteral("Despre Quoblin…")),
        call(&AppDelegate::showAbout));
    add(bilingual(QStringLiteral("Settings…"), QStringLiteral("Setări…")),
        call(&AppDelegate::showSettings), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    raw->addSeparator();
    add(
        bilingual(QStringLiteral("Quit"), QStringLiteral("Ieșire")),
        [] { QCoreApplication::quit(); }, QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(raw, &QMenu::aboutToShow, this, [self, raw] {
        if (self)
            self->menuNeedsUpdate(raw);
    });

    if (m_statusItem)
        m_statusItem->setContextMenu(raw);
    // The old menu goes only after the tray has let go of it.
    m_statusMenu = std::move(menu);
}

void AppDelegate::menuNeedsUpdate(QMenu* menu) {
    if (menu != m_recentMenu) {
        if (m_shakeToggleItem)
            m_shakeToggleItem->setChecked(Preferences::shakeEnabled());
        return;
    }
    menu->clear();
    const auto& recent = m_shelves->recent();
    if (recent.empty()) {
        menu->addAction(bilingual(QStringLiteral("(no recent shelves)"),
                                  QStringLiteral("(niciun raft recent)")))
            ->setEnabled(false);
        return;
    }
    const QPointer<AppDelegate> self(this);
    for (int i = 0; i < static_cast<int>(recent.size()); ++i) {
        QAction* item = menu->addAction(recent[i].title());
        item->setData(i); // the entry's tag: its index in the recent list
        if (!recent[i].items.empty())
            item->setIcon(QIcon(recent[i].items.front()->icon().pixmap(QSize(16, 16))));
        connect(item, &QAction::triggered, this, [self, i] {
            if (self)
                self->openRecent(i);
        });
    }
    menu->addSeparator();
    connect(
        menu->addAction(bilingual(QStringLiteral("Clear List"), QStringLiteral("Golește lista"))),
        &QAction::triggered, this, [self] {
            if (self)
                self->clearRecent();
        });
    menu->addAction(bilingual(QStringLiteral("Hold ⌥ to remove a single shelf"),
                              QStringLiteral("Ține ⌥ apăsat ca să ștergi un singur raft")))
        ->setEnabled(false);
}

void AppDelegate::newShelf() {
    m_shelves->newShelf(mouseLocation(), {});
}

void AppDelegate::newShelfFromClipboard() {
    const QPointF location = mouseLocation();
    const QMimeData* data = m_services->clipboard ? m_services->clipboard() : nullptr;
    std::vector<ShelfItemPtr> items;
    if (data)
        items = ShelfDropView::items(MimeDataPasteboard(data));
    if (items.empty()) {
        if (m_services->beep)
            m_services->beep();
        return;
    }
    m_shelves->newShelf(location, std::move(items));
}

void AppDelegate::toggleShelves() {
    m_shelves->toggleAll();
}

void AppDelegate::closeAllShelves() {
    // Closing takes a shelf out of the manager's list: walk a copy.
    std::vector<QPointer<ShelfController>> open;
    for (ShelfController* shelf : m_shelves->shelves())
        open.emplace_back(shelf);
    for (const QPointer<ShelfController>& shelf : open) {
        if (shelf)
            shelf->close();
    }
}

void AppDelegate::toggleShake() {
    Preferences::store().setValue(Preferences::shakeEnabledKey, !Preferences::shakeEnabled());
    if (m_shakeToggleItem)
        m_shakeToggleItem->setChecked(Preferences::shakeEnabled());
    m_shake->gesture.core.minReversals = Preferences::shakeReversals();
    if (m_settings && m_settings->window() && m_settings->window()->isVisible())
        m_settings->reloadFromPreferences();
}

void AppDelegate::openRecent(int index) {
    const bool remove = m_services->optionHeld && m_services->optionHeld();
    if (remove) {
        m_shelves->removeRecent(index);
        return;
    }
    const auto& recent = m_shelves->recent();
    if (index < 0 || index >= static_cast<int>(recent.size()))
        return;
    const auto shelf = recent[index]; // restoring may change the list
    m_shelves->restore(shelf, mouseLocation());
}

void AppDelegate::clearRecent() {
    m_shelves->removeAllRecent();
}

void AppDelegate::showSettings() {
    settings().show();
}

void AppDelegate::showAbout() {
    AboutDialog::showShared();
}

void AppDelegate::showShelves() {
    const auto open = m_shelves->shelves();
    if (open.empty()) {
        newShelf();
        return;
    }
    for (ShelfController* shelf : open)
        shelf->panel()->orderFrontRegardless();
}

bool AppDelegate::perform(const QString& command) {
    static const std::pair<const char*, void (AppDelegate::*)()> commands[] = {
        {"new-shelf", &AppDelegate::newShelf},
        {"new-shelf-from-clipboard", &AppDelegate::newShelfFromClipboard},
        {"toggle-shelves", &AppDelegate::toggleShelves},
        {"settings", &AppDelegate::showSettings},
        {"quit", nullptr},
    };
    for (const auto& [name, action] : commands) {
        if (command != QLatin1String(name))
            continue;
        if (action)
            (this->*action)();
        else
            QCoreApplication::quit();
        return true;
    }
    return false;
}

void AppDelegate::reloadLanguage() {
    buildMenu();
    for (ShelfController* shelf : m_shelves->shelves())
        shelf->reloadLanguage();
}
