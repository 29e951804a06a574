#pragma once

#include "settings/Commands.h"
#include "settings/Translations.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class HotKey;
class KeyGrabService;
class AutostartService;
class Preferences;
class PreferencesNotifier;
class QSystemTrayIcon;
class SettingsWindow;
class ShakeDetector;
class ShelfManager;
struct ShakeServices;

// The root of the running program: it makes the long-lived parts, wires them
// together, and puts the tray icon with its menu on screen.
class QuoblinApp : public QObject {
    Q_OBJECT

public:
    struct Services;
    // `preferences` must outlive this; every setting is read and written there.
    QuoblinApp(Services services, Preferences& preferences);
    ~QuoblinApp() override;

    // Once the event loop runs: the tray icon and its menu, the shake
    // detector, the hot keys.
    void started();
    // Once, when the program quits: open shelves become recent shelves.
    void aboutToQuit();

    // The menu's actions.
    void newShelf();
    void newShelfFromClipboard();
    void toggleShelves();
    void closeAllShelves();
    void toggleShake();
    void openRecent(int index);
    void clearRecent();
    void showSettings();
    void showAbout();
    // What a second start of the program asks for: every shelf in front, or a new one.
    void showShelves();
    // Runs a command named on the command line ("new-shelf", "quit", ...);
    // false for a name that is none of them.
    bool perform(const QString& name);
    // What the command's menu entry, hot key and command-line option do.
    void run(Commands::Command command);

    // Refills the recent-shelves submenu or refreshes the shake check mark,
    // as just before the menu opens.
    void menuAboutToShow(QMenu* menu);

    ShelfManager& shelves() { return *m_shelves; }
    ShakeDetector& shake() { return *m_shake; }
    // Every change of a setting goes through it; the application follows it.
    PreferencesNotifier& preferences() { return *m_preferences; }
    // Built on first use: its controls cost start-up time most runs never need.
    SettingsWindow& settings();
    QMenu* trayMenu() const { return m_trayMenu.get(); }
    QMenu* recentMenu() const { return m_recentMenu; }
    QAction* shakeToggleItem() const { return m_shakeToggleItem; }

protected:
    // Relabels the tray menu when the language changes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void labelMenu();
    void followShakeSettings();
    QPointF mouseLocation() const;

    std::unique_ptr<Services> m_services;
    // Before anything with a text is made.
    Translations m_translations;
    std::unique_ptr<PreferencesNotifier> m_preferences;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    std::unique_ptr<ShelfManager> m_shelves;
    std::unique_ptr<ShakeDetector> m_shake;
    std::unique_ptr<SettingsWindow> m_settings;
    std::vector<std::unique_ptr<HotKey>> m_hotKeys;
    std::unique_ptr<QMenu> m_trayMenu;
    QPointer<QMenu> m_recentMenu;
    QPointer<QAction> m_shakeToggleItem;
    // Each tray menu entry with what gives its text in the current language.
    std::vector<std::pair<QPointer<QAction>, std::function<QString()>>> m_menuLabels;
    QPointer<QWidget> m_about;
    bool m_terminated = false;
};
