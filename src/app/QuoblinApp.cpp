#include "app/QuoblinApp.h"

#include "app/AboutDialog.h"
#include "app/AppServices.h"
#include "app/HotKey.h"
#include "model/DroppedItems.h"
#include "model/Shelf.h"
#include "model/ShelfManager.h"
#include "platform/Pointer.h"
#include "platform/common/MimeDataContents.h"
#include "platform/common/PngImage.h"
#include "platform/common/Symbols.h"
#include "settings/Commands.h"
#include "settings/Preferences.h"
#include "settings/PreferencesNotifier.h"
#include "settingswindow/SettingsWindow.h"
#include "shelf/ItemIcon.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfControllerWindows.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFileIconProvider>
#include <QIconEngine>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QResource>
#include <QSystemTrayIcon>
#include <cstdio>

namespace {

constexpr double shakeAutoClose = 6.0;

QString versionText() {
    const QString version = QStringLiteral(QUOBLIN_VERSION);
    return version.isEmpty() ? QStringLiteral("?") : version;
}

// The tray icon in the sizes drawn when the program was built, each read
// only when a tray asks for it: an icon docked in a tray shows one size.
class TrayIconEngine final : public QIconEngine {
public:
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return drawn(size).actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return drawn(size).pixmap(size, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        drawn(rect.size() * ratio).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : sides)
            sizes << QSize(side, side);
        return sizes;
    }
    QIconEngine* clone() const override { return new TrayIconEngine(*this); }

private:
    static constexpr int sides[] = {QUOBLIN_TRAY_SIDES};

    // The pixels as the build drew them, square and premultiplied.
    static QPixmap readPixmap(int side) {
        const QByteArray pixels =
            QResource(QStringLiteral(":/tray/%1.argb").arg(side)).uncompressedData();
        if (pixels.size() != qsizetype(side) * side * 4)
            return {};
        const QImage image(reinterpret_cast<const uchar*>(pixels.constData()), side, side, side * 4,
                           QImage::Format_ARGB32_Premultiplied);
        return QPixmap::fromImage(image);
    }

    // The sizes read so far, with the one a pixmap of `wanted` is made from:
    // the smallest at least as large in area (as an icon of all of them
    // picks), or the largest.
    const QIcon& drawn(QSize wanted) {
        int side = sides[std::size(sides) - 1];
        for (const int candidate : sides) {
            if (candidate * candidate >= wanted.width() * wanted.height()) {
                side = candidate;
                break;
            }
        }
        if (!m_drawnSides.contains(side)) {
            m_drawn.addPixmap(readPixmap(side));
            m_drawnSides << side;
        }
        return m_drawn;
    }

    QIcon m_drawn;
    QList<int> m_drawnSides;
};

QIcon trayIcon() {
    return QIcon(new TrayIconEngine);
}

// A menu entry showing text the user gave: "&" would mark the next letter as
// the entry's key (and vanish), a tab would push the rest into the shortcut
// column, a line break would make the entry two lines high.
QString menuText(QString text) {
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

QuoblinApp::QuoblinApp(Services services, Preferences& preferences)
    : m_services(std::make_unique<Services>(std::move(services)))
    , m_translations(preferences)
    , m_preferences(std::make_unique<PreferencesNotifier>(preferences)) {
    m_shelves = m_services->makeManager();
    m_shake = std::make_unique<ShakeDetector>(m_services->shake);
    connect(m_preferences.get(), &PreferencesNotifier::changed, this,
            [this](Preferences::Setting setting) {
                if (setting == Preferences::Setting::language)
                    m_translations.follow();
                else
                    followShakeSettings();
            });
}

SettingsWindow& QuoblinApp::settings() {
    if (m_settings)
        return *m_settings;
    m_settings = std::make_unique<SettingsWindow>(*m_services->autostartEntry, *m_preferences);
    return *m_settings;
}

QuoblinApp::~QuoblinApp() {
    m_hotKeys.clear();
    m_trayIcon.reset();
}

QPointF QuoblinApp::mouseLocation() const {
    return m_services->pointer ? m_services->pointer->position() : QPointF();
}

void QuoblinApp::started() {
    const QPointer<QuoblinApp> self(this);
    // Start-up is over when the icon is docked and the hot keys are held. The
    // keys are asked for first: the icon's docking goes on in the tray host
    // while Qt finishes showing it here, and the menu is not needed before
    // the event loop runs.
    std::vector<HotKey::Wanted> wanted;
    std::vector<Commands::Command> grabbed;
    for (const Commands::Entry& entry : Commands::table) {
        if (!entry.systemWide)
            continue;
        wanted.emplace_back(entry.keys, [self, command = entry.command] {
            if (self)
                self->run(command);
        });
        grabbed.push_back(entry.command);
    }
    m_hotKeys = HotKey::registerAll(*m_services->keys, std::move(wanted));
    if (m_services->showTrayIcon) {
        m_trayIcon = std::make_unique<QSystemTrayIcon>();
        const QIcon icon = trayIcon();
        m_trayIcon->setIcon(icon);
        m_trayIcon->setToolTip(QStringLiteral("Quoblin"));
        // A plain or double left click opens the menu too, as the right click
        // does: many tray hosts only ever send those.
        connect(
            m_trayIcon.get(), &QSystemTrayIcon::activated, this,
            [self](QSystemTrayIcon::ActivationReason reason) {
                if (!self || !self->m_trayMenu ||
                    (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick))
                    return;
                // popup() runs aboutToShow, which refreshes the menu.
                self->m_trayMenu->popup(QCursor::pos());
            });
    }
    if (m_trayIcon)
        m_trayIcon->show();
    buildMenu();
    // The program's icon marks its windows. Qt draws it in four sizes for
    // every window there is, the docked icon's own included: done at start,
    // it held up the docking, for a mark no window needs until one shows.
    qApp->installEventFilter(this);

    m_shake->onShake = [self](QPointF point) {
        if (!self)
            return;
        if (Shelf* shelf = self->m_shelves->newShelf(point, {}))
            shelf->scheduleAutoCloseIfEmpty(shakeAutoClose);
    };
    if (m_services->prepareShakenWindows && m_services->windows) {
        m_shake->onShakeUnderWay = [self] {
            if (self)
                self->m_services->windows->prepareWindow();
        };
    }
    followShakeSettings();
    m_shake->start();

    // Without a tray the hot keys are the only way in, so say which of them
    // really work: on a native Wayland display, or when another program holds
    // them, none do.
    if (m_trayIcon && !QSystemTrayIcon::isSystemTrayAvailable()) {
        QStringList working;
        for (std::size_t i = 0; i < m_hotKeys.size(); ++i) {
            if (m_hotKeys[i]->isRegistered())
                working << Commands::keyText(grabbed[i]);
        }
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

void QuoblinApp::aboutToQuit() {
    // Quitting can be asked for more than once (a signal during the Quit
    // command); the open shelves must be recorded once.
    if (std::exchange(m_terminated, true))
        return;
    m_shelves->saveBeforeQuit();
}

void QuoblinApp::buildMenu() {
    auto menu = std::make_unique<QMenu>();
    QMenu* raw = menu.get();
    m_menuLabels.clear();
    auto add = [this, raw](std::function<QString()> label, auto action, QKeySequence keys = {}) {
        QAction* item = raw->addAction(QString());
        item->setShortcut(keys);
        item->setShortcutVisibleInContextMenu(true);
        if constexpr (!std::is_same_v<decltype(action), std::nullptr_t>)
            QObject::connect(item, &QAction::triggered, raw, action);
        m_menuLabels.emplace_back(item, std::move(label));
        return item;
    };
    const QPointer<QuoblinApp> self(this);
    auto call = [self](void (QuoblinApp::*method)()) {
        return [self, method] {
            if (self)
                (self.data()->*method)();
        };
    };
    using Commands::Command;
    // A command's entry: its label and keys from the table.
    auto command = [&add, self](Command which) {
        const auto run = [self, which] {
            if (self)
                self->run(which);
        };
        add([which] { return Commands::label(which); }, run, Commands::entry(which).keys);
    };
    command(Command::newShelf);
    command(Command::newShelfFromClipboard);
    m_recentMenu = raw->addMenu(QString());
    m_menuLabels.emplace_back(m_recentMenu->menuAction(), [] { return tr("Recent Shelves"); });
    connect(m_recentMenu, &QMenu::aboutToShow, this, [self, recent = m_recentMenu] {
        if (self && recent)
            self->menuAboutToShow(recent);
    });
    raw->addSeparator();
    command(Command::toggleShelves);
    add([] { return tr("Close All Shelves"); }, call(&QuoblinApp::closeAllShelves));
    m_shakeToggleItem =
        add([] { return tr("Shake Mouse to Open a Shelf"); }, call(&QuoblinApp::toggleShake));
    m_shakeToggleItem->setCheckable(true);
    m_shakeToggleItem->setChecked(m_preferences->values().shakeEnabled());
    raw->addSeparator();
    QAction* version = add([] { return tr("Version %1").arg(versionText()); }, nullptr);
    version->setEnabled(false);
    add([] { return tr("About Quoblin…"); }, call(&QuoblinApp::showAbout));
    command(Command::settings);
    raw->addSeparator();
    command(Command::quit);
    connect(raw, &QMenu::aboutToShow, this, [self, raw] {
        if (self)
            self->menuAboutToShow(raw);
    });
    labelMenu();
    // A top-level widget, the menu hears of every change of language.
    raw->installEventFilter(this);

    if (m_trayIcon)
        m_trayIcon->setContextMenu(raw);
    // The old menu goes only after the tray has let go of it.
    m_trayMenu = std::move(menu);
}

void QuoblinApp::labelMenu() {
    for (const auto& [item, label] : m_menuLabels) {
        if (item)
            item->setText(label());
    }
}

bool QuoblinApp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
        qApp->removeEventFilter(this);
        QApplication::setWindowIcon(Symbols::appIcon());
    }
    if (event->type() == QEvent::LanguageChange && watched == m_trayMenu.get())
        labelMenu();
    return QObject::eventFilter(watched, event);
}

void QuoblinApp::menuAboutToShow(QMenu* menu) {
    if (menu != m_recentMenu) {
        if (m_shakeToggleItem)
            m_shakeToggleItem->setChecked(m_preferences->values().shakeEnabled());
        return;
    }
    menu->clear();
    const auto& recent = m_shelves->recent();
    if (recent.empty()) {
        menu->addAction(tr("(no recent shelves)"))->setEnabled(false);
        return;
    }
    const QPointer<QuoblinApp> self(this);
    for (int i = 0; i < static_cast<int>(recent.size()); ++i) {
        QAction* item = menu->addAction(menuText(recent[i].title()));
        item->setData(i); // the entry's tag: its index in the recent list
        if (!recent[i].items.empty())
            item->setIcon(QIcon(
                itemIcon(*recent[i].items.front(), QFileIconProvider()).pixmap(QSize(16, 16))));
        connect(item, &QAction::triggered, this, [self, i] {
            if (self)
                self->openRecent(i);
        });
    }
    menu->addSeparator();
    connect(menu->addAction(tr("Clear List")), &QAction::triggered, this, [self] {
        if (self)
            self->clearRecent();
    });
    menu->addAction(tr("Hold Alt to remove a single shelf"))->setEnabled(false);
}

void QuoblinApp::newShelf() {
    m_shelves->newShelf(mouseLocation(), {});
}

void QuoblinApp::newShelfFromClipboard() {
    const QPointF location = mouseLocation();
    const QMimeData* data = m_services->clipboard ? m_services->clipboard() : nullptr;
    std::vector<ShelfItemPtr> items;
    if (data)
        items = DroppedItems::from(MimeDataContents(data), &PngImage::from);
    using Shortfall = Services::Shortfall;
    const Shortfall shortfall =
        m_services->clipboardShortfall ? m_services->clipboardShortfall() : Shortfall::none;
    if (items.empty() && shortfall == Shortfall::none) {
        if (m_services->beep)
            m_services->beep();
        return;
    }
    // A shelf opens also when nothing came: its footer says why.
    Shelf* shelf = m_shelves->newShelf(location, std::move(items));
    ShelfController* controller =
        m_services->windows ? m_services->windows->controllerOf(shelf) : nullptr;
    if (controller && shortfall == Shortfall::tooLarge)
        controller->showNotice(tr("Not all read: the clipboard is too large"));
    else if (controller && shortfall == Shortfall::tooSlow)
        controller->showNotice(tr("Not all read: the clipboard did not answer in time"));
}

void QuoblinApp::toggleShelves() {
    m_shelves->toggleAll();
}

void QuoblinApp::closeAllShelves() {
    // Closing takes a shelf out of the manager's list: walk a copy.
    std::vector<QPointer<Shelf>> open;
    for (Shelf* shelf : m_shelves->shelves())
        open.emplace_back(shelf);
    for (const QPointer<Shelf>& shelf : open) {
        if (shelf)
            shelf->close();
    }
}

void QuoblinApp::toggleShake() {
    m_preferences->setShakeEnabled(!m_preferences->values().shakeEnabled());
}

void QuoblinApp::followShakeSettings() {
    m_shake->setEnabled(m_preferences->values().shakeEnabled());
    m_shake->setMinReversals(m_preferences->values().shakeReversals());
    if (m_shakeToggleItem)
        m_shakeToggleItem->setChecked(m_preferences->values().shakeEnabled());
}

void QuoblinApp::openRecent(int index) {
    const bool remove = m_services->altHeld && m_services->altHeld();
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

void QuoblinApp::clearRecent() {
    m_shelves->removeAllRecent();
}

void QuoblinApp::showSettings() {
    settings().show();
}

void QuoblinApp::showAbout() {
    // One about box at a time.
    if (m_about)
        m_about->close();
    m_about = new AboutDialog(m_services->gnome ? *m_services->gnome : GnomeSession::Status());
    m_about->setAttribute(Qt::WA_DeleteOnClose);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void QuoblinApp::showShelves() {
    if (m_shelves->shelves().empty()) {
        newShelf();
        return;
    }
    m_shelves->showAllWithoutActivating();
}

bool QuoblinApp::perform(const QString& name) {
    const std::optional<Commands::Command> command = Commands::named(name);
    if (command)
        run(*command);
    return command.has_value();
}

void QuoblinApp::run(Commands::Command command) {
    switch (command) {
    case Commands::Command::newShelf:
        return newShelf();
    case Commands::Command::newShelfFromClipboard:
        return newShelfFromClipboard();
    case Commands::Command::toggleShelves:
        return toggleShelves();
    case Commands::Command::settings:
        return showSettings();
    case Commands::Command::quit:
        return QCoreApplication::quit();
    }
}
