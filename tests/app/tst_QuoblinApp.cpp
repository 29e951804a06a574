#include "FakePlatform.h"
#include "Pixels.h"
#include "TestEnvironment.h"
#include "app/AboutDialog.h"
#include "app/AppServices.h"
#include "app/QuoblinApp.h"
#include "model/Shelf.h"
#include "model/ShelfManager.h"
#include "platform/common/DesktopScreens.h"
#include "platform/freedesktop/AutostartEntry.h"
#include "platform/x11/X11KeyGrabs.h"
#include "settings/PreferencesNotifier.h"
#include "settingswindow/SettingsWindow.h"
#include "shelf/FooterButton.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfControllerWindows.h"
#include "shelf/ShelfPanel.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString aboutTitle() {
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<const AboutDialog*>(w))
            return w->windowTitle();
    return {};
}

QStringList titlesOf(QMenu* menu) {
    QStringList titles;
    for (QAction* a : menu->actions())
        titles << a->text();
    return titles;
}

// The application over fakes and a throw-away settings store.
struct Rig {
    ScopedPreferences prefs;
    QTemporaryDir dir;
    FakeShakeDesktop desk;
    X11KeyGrabs keys{nullptr}; // refuses every grab, as off X11
    AutostartEntry autostartEntry;
    std::shared_ptr<FakeShelfManagerServices> services =
        std::make_shared<FakeShelfManagerServices>();
    int beeps = 0;
    bool alt = false;
    QMimeData clipboard;
    QuoblinApp::Services::Shortfall shortfall{};
    std::shared_ptr<ShelfControllerWindows> windows =
        std::make_shared<ShelfControllerWindows>([] { return DesktopScreens::layout(); });
    std::unique_ptr<QuoblinApp> app;

    explicit Rig(int storedReversals = 0) {
        if (storedReversals)
            prefs.store().setValue(Preferences::key(Preferences::Setting::shakeReversals),
                                   storedReversals);
        services->path = dir.filePath(QStringLiteral("recent.json"));
        QuoblinApp::Services s;
        s.windows = windows;
        s.makeManager = [this] { return std::make_unique<ShelfManager>(services, windows); };
        desk.clock = &services->fakeTimers; // shake sampling and shelf timers alike
        s.shake = desk.services();
        s.pointer = &desk.pointer;
        s.keys = &keys;
        s.autostartEntry = &autostartEntry;
        s.beep = [this] { ++beeps; };
        s.altHeld = [this] { return alt; };
        s.clipboard = [this] { return &clipboard; };
        s.clipboardShortfall = [this] { return shortfall; };
        s.showTrayIcon = false;
        app = std::make_unique<QuoblinApp>(std::move(s), prefs.preferences());
        app->started();
    }

    ShelfManager& shelves() { return app->shelves(); }

    // Opens a shelf holding one text and closes it, so it becomes recent.
    void archiveText(const QString& text) {
        shelves().newShelf(QPointF(100, 100), {ShelfItem::makeText(text)})->close();
    }
};

} // namespace

class QuoblinAppTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theTrayMenuInBothLanguagesAndWhatItsEntriesDo() {
        Rig rig;
        const QString version = rig.app->trayMenu()->actions()[8]->text().section(u' ', 1);
        QCOMPARE(
            titlesOf(rig.app->trayMenu()),
            (QStringList{"New Shelf", "New Shelf From Clipboard", "Recent Shelves", "",
                         "Show / Hide Shelves", "Close All Shelves", "Shake Mouse to Open a Shelf",
                         "", "Version " + version, "About Quoblin…", "Settings…", "", "Quit"}));
        Shelf* opened = rig.shelves().newShelf({}, {});
        rig.app->showAbout();
        rig.app->preferences().setLanguage(Language::romanian);
        QCOMPARE(aboutTitle(), "Despre Quoblin"); // an open about box follows too
        QStringList footer;                       // an open shelf follows at once
        for (const FooterButton* button :
             rig.windows->controllerOf(opened)->panel()->findChildren<FooterButton*>())
            footer << button->text();
        QCOMPARE(footer, (QStringList{"Copiază tot", "Zip", "Golește"}));
        opened->close();
        QCOMPARE(titlesOf(rig.app->trayMenu()),
                 (QStringList{"Raft nou", "Raft nou din clipboard", "Rafturi recente", "",
                              "Arată / ascunde rafturile", "Închide toate rafturile",
                              "Scuturarea mouse-ului deschide un raft", "", "Versiunea " + version,
                              "Despre Quoblin…", "Setări…", "", "Ieșire"}));
        const QList<QAction*> entries = rig.app->trayMenu()->actions();
        // Shelves from the menu, a hot key or the clipboard stay open when left empty.
        entries[0]->trigger();
        rig.app->perform(QStringLiteral("new-shelf"));
        entries[1]->trigger(); // the clipboard is empty: a beep
        rig.clipboard.setText(QStringLiteral("pasted"));
        entries[1]->trigger();
        QVERIFY(rig.beeps == 1 && rig.shelves().shelves().size() == 3);
        for (const Shelf* shelf : rig.shelves().shelves())
            QVERIFY(!shelf->autoClosePending());
        entries[4]->trigger();
        for (const Shelf* shelf : rig.shelves().shelves())
            QVERIFY(!rig.shelves().windowOf(shelf)->isVisible());
        entries[5]->trigger(); // Close All: the one with an item becomes recent
        QVERIFY(rig.shelves().shelves().empty());
        QCOMPARE(rig.shelves().recent().size(), std::size_t(1));
        QVERIFY(entries[2]->menu() == rig.app->recentMenu() &&
                entries[6] == rig.app->shakeToggleItem());
        QVERIFY(!entries[8]->isEnabled());
        entries[10]->trigger();
        QVERIFY(rig.app->settings().window() && rig.app->settings().window()->isVisible());
        QCOMPARE(entries[12]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        rig.shelves().removeAllRecent();

        QMenu* recent = rig.app->recentMenu();
        rig.app->menuAboutToShow(recent);
        QVERIFY(!recent->actions()[0]->isEnabled()); // the only entry says there is none
        rig.archiveText(QStringLiteral("R&D\tnotes"));
        rig.app->menuAboutToShow(recent);
        // Shown as typed: no "&" taken for a key, no tab opening a column.
        QVERIFY(titlesOf(recent)[0].startsWith(QStringLiteral("R&&D notes — ")));
    }

    void aRecentEntryReopensOrWithAltGoes() {
        Rig rig;
        rig.archiveText(QStringLiteral("keep"));
        rig.archiveText(QStringLiteral("drop"));
        rig.alt = true;
        rig.app->openRecent(0);
        QCOMPARE(rig.shelves().recent().size(), std::size_t(1));
        QVERIFY(rig.shelves().shelves().empty());

        rig.alt = false;
        rig.app->openRecent(0);
        QCOMPARE(rig.shelves().shelves().size(), std::size_t(1));
        QCOMPARE(rig.shelves().recent().size(), std::size_t(1)); // the entry stays
        // One too large to be read opens a shelf that says so.
        rig.clipboard.clear();
        rig.shortfall = QuoblinApp::Services::Shortfall::tooLarge;
        rig.app->newShelfFromClipboard();
        const ShelfController* window = rig.windows->controllerOf(rig.shelves().shelves().back());
        QCOMPARE(window->panel()->findChild<QLabel*>("notice")->text(),
                 QStringLiteral("Not all read: the clipboard is too large"));
    }

    void aShakeOpensAShelfThatClosesAfterSixSecondsWhenLeftEmpty() {
        Rig rig;
        rig.desk.pressLeft(true);
        rig.desk.moveThrough({100, 120, 100, 120, 100, 120});
        QCOMPARE(rig.shelves().shelves().size(), std::size_t(1));
        QVERIFY(rig.shelves().shelves().front()->autoClosePending());
        rig.desk.pointer.buttonDown = false;
        rig.services->fakeTimers.advance(5.9);
        QCOMPARE(rig.shelves().shelves().size(), std::size_t(1));
        rig.services->fakeTimers.advance(0.2);
        QVERIFY(rig.shelves().shelves().empty());
    }

    void theProgramsIconMarksAWindowOnceOneShows() {
        Rig rig;
        Shelf* shelf = rig.shelves().newShelf(QPointF(100, 100), {});
        const QIcon icon = rig.windows->controllerOf(shelf)->panel()->windowIcon();
        const int inked = inkedPixels(icon.pixmap(QSize(32, 32)).toImage());
        QVERIFY2(inked > 32 * 32 / 4, qPrintable(QString::number(inked)));
        QCOMPARE(QApplication::windowIcon().cacheKey(), icon.cacheKey());
    }

    void aShakeSettingChangedAnywhereReachesTheDetectorTheMenuAndTheWindow() {
        Rig rig;
        QCOMPARE(Rig(7).app->shake().minReversals(), 7); // the stored one, from the start
        SettingsWindow& settings = rig.app->settings();
        settings.show();
        settings.sensitivitySlider()->setValue(7);
        QCOMPARE(rig.app->shake().minReversals(), 7);
        QCOMPARE(rig.prefs.preferences().shakeReversals(), 7);

        rig.app->shakeToggleItem()->trigger();
        QVERIFY(!rig.prefs.preferences().shakeEnabled() &&
                !rig.app->shakeToggleItem()->isChecked());
        rig.desk.pressLeft(true); // and the detector no longer looks for a shake
        QVERIFY(!rig.app->shake().isSampling());
        QVERIFY(!settings.shakeCheckbox()->isChecked());
        QVERIFY(!settings.sensitivitySlider()->isEnabled());
        settings.shakeCheckbox()->click();
        QVERIFY(rig.prefs.preferences().shakeEnabled() && rig.app->shakeToggleItem()->isChecked());

        // The user's own edit of the file, as an editor saves it, reaches all of them too.
        SettingsStore byHand(rig.prefs.store().path());
        byHand.setValue(Preferences::key(Preferences::Setting::shakeReversals), 5);
        QTRY_COMPARE(rig.app->shake().minReversals(), 5);
        QCOMPARE(settings.sensitivitySlider()->value(), 5);
        byHand.setValue(Preferences::key(Preferences::Setting::language), QStringLiteral("ro"));
        QTRY_COMPARE(rig.app->trayMenu()->actions()[0]->text(), QStringLiteral("Raft nou"));
    }
};

QTEST_MAIN(QuoblinAppTest)
#include "tst_QuoblinApp.moc"
