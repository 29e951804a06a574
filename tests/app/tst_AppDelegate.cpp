#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "model/Shelf.h"
#include "model/ShelfManager.h"
#include "platform/freedesktop/LoginItem.h"
#include "platform/x11/GlobalKeyGrabs.h"
#include "settings/PreferencesNotifier.h"
#include "settings/SettingsWindow.h"
#include "shelf/FooterButton.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfControllerWindows.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList titlesOf(QMenu* menu) {
    QStringList titles;
    for (QAction* a : menu->actions())
        titles << a->text();
    return titles;
}

// The delegate over fakes and a throw-away settings store.
struct Rig {
    ScopedPreferences prefs;
    QTemporaryDir dir;
    FakeShakeDesktop desk;
    GlobalKeyGrabs keys{nullptr}; // refuses every grab, as off X11
    LoginItem loginItem;
    std::shared_ptr<FakeShelfManagerServices> services =
        std::make_shared<FakeShelfManagerServices>();
    int beeps = 0;
    bool alt = false;
    QMimeData clipboard;
    AppDelegate::Services::Shortfall shortfall{};
    std::shared_ptr<ShelfControllerWindows> windows =
        std::make_shared<ShelfControllerWindows>(&ScreenLayout::current);
    std::unique_ptr<AppDelegate> app;

    Rig() {
        services->path = dir.filePath(QStringLiteral("recent.json"));
        AppDelegate::Services s;
        s.windows = windows;
        s.makeManager = [this] { return std::make_unique<ShelfManager>(services, windows); };
        desk.clock = &services->fakeTimers; // shake sampling and shelf timers alike
        s.shake = desk.services();
        s.pointer = &desk.pointer;
        s.keys = &keys;
        s.loginItem = &loginItem;
        s.beep = [this] { ++beeps; };
        s.optionHeld = [this] { return alt; };
        s.clipboard = [this] { return &clipboard; };
        s.clipboardShortfall = [this] { return shortfall; };
        s.showStatusItem = false;
        app = std::make_unique<AppDelegate>(std::move(s));
        app->applicationDidFinishLaunching();
    }

    ShelfManager& shelves() { return app->shelves(); }

    // Opens a shelf holding one text and closes it, so it becomes recent.
    void archiveText(const QString& text) {
        shelves().newShelf(QPointF(100, 100), {ShelfItem::makeText(text)})->close();
    }
};

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statusMenuFollowsTheLanguageAndRecentSubmenuIsRebuiltOnOpening() {
        Rig rig;
        QCOMPARE(titlesOf(rig.app->statusMenu()).first(), QStringLiteral("New Shelf"));
        rig.app->preferences().setLanguage(Language::romanian);
        QCOMPARE(titlesOf(rig.app->statusMenu()).first(), QStringLiteral("Raft nou"));

        QMenu* recent = rig.app->recentMenu();
        rig.app->menuNeedsUpdate(recent);
        QVERIFY(!recent->actions()[0]->isEnabled()); // the only entry says there is none
        rig.archiveText(QStringLiteral("second"));
        rig.app->menuNeedsUpdate(recent);
        const QStringList titles = titlesOf(recent);
        QVERIFY(titles[0].startsWith(QStringLiteral("second — ")));
    }

    void aRecentEntryReopensOrWithAltGoesAndAnEmptyClipboardBeeps() {
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
        // A new shelf from an empty clipboard only beeps.
        rig.app->newShelfFromClipboard();
        QCOMPARE(rig.beeps, 1);
        rig.clipboard.setText(QStringLiteral("pasted"));
        rig.app->newShelfFromClipboard();
        QCOMPARE(rig.shelves().shelves().size(), std::size_t(2));
        // One too large to be read opens a shelf that says so.
        rig.clipboard.clear();
        rig.shortfall = AppDelegate::Services::Shortfall::tooLarge;
        rig.app->newShelfFromClipboard();
        QCOMPARE(rig.windows->controllerOf(rig.shelves().shelves().back())->status(),
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

    void aShakeSettingChangedAnywhereReachesTheDetectorTheMenuAndTheWindow() {
        Rig rig;
        SettingsWindow& settings = rig.app->settings();
        settings.show();
        settings.sensitivitySlider()->setValue(7);
        QCOMPARE(rig.app->shake().minReversals(), 7);
        QCOMPARE(Preferences::shakeReversals(), 7);

        rig.app->shakeToggleItem()->trigger();
        QVERIFY(!Preferences::shakeEnabled() && !rig.app->shakeToggleItem()->isChecked());
        QVERIFY(!settings.shakeCheckbox()->isChecked());
        QVERIFY(!settings.sensitivitySlider()->isEnabled());
        settings.shakeCheckbox()->click();
        QVERIFY(Preferences::shakeEnabled() && rig.app->shakeToggleItem()->isChecked());
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_AppDelegate.moc"
