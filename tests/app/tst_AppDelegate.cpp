#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "model/ShelfManager.h"
#include "settings/SettingsWindow.h"
#include "shelf/ShelfController.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

namespace {

class FakeManagerServices final : public ShelfManagerServices {
public:
    explicit FakeManagerServices(QString path, FakeTimers* timers)
        : m_path(std::move(path))
        , m_timers(timers) {}
    QString recentShelvesPath() override { return m_path; }
    QDateTime now() override { return QDateTime(QDate(2026, 12, 6), QTime(9, 30)); }
    QPointF cursorPosition() override { return {400, 400}; }
    ScreenLayout screens() override {
        ScreenLayout layout;
        layout.screens.append({QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080)});
        layout.mainIndex = 0;
        return layout;
    }
    void alert() override {}
    Timers* timers() override { return m_timers; }

private:
    QString m_path;
    FakeTimers* m_timers;
};

QStringList titlesOf(QMenu* menu) {
    QStringList titles;
    for (QAction* a : menu->actions())
        titles << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return titles;
}

struct Rig {
    QTemporaryDir dir;
    FakePressMonitor global, local;
    FakePointer pointer;
    FakeDragPasteboard drag;
    FakeTimers timers;
    int beeps = 0;
    bool alt = false;
    QMimeData clipboard;
    std::unique_ptr<AppDelegate> app;

    Rig() {
        pointer.pos = QPointF(300, 500);
        AppDelegate::Services s;
        const QString path = dir.filePath(QStringLiteral("recent-shelves.json"));
        FakeTimers* t = &timers;
        s.makeManager = [path, t] {
            return std::make_unique<ShelfManager>(std::make_shared<FakeManagerServices>(path, t));
        };
        s.shake = {&global, &local, &pointer, &drag, &timers};
        s.pointer = &pointer;
        s.beep = [this] { ++beeps; };
        s.optionHeld = [this] { return alt; };
        s.clipboard = [this] { return &clipboard; };
        s.showStatusItem = false;
        app = std::make_unique<AppDelegate>(std::move(s));
        app->applicationDidFinishLaunching();
    }

    // Opens a shelf holding one text and closes it, so it becomes recent.
    void archiveText(const QString& text) {
        ShelfController* shelf =
            app->shelves().newShelf(QPointF(100, 100), {ShelfItem::makeText(text)});
        shelf->close();
    }
};

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statusMenuHasItsThirteenEntriesInBothLanguages() {
        ScopedPreferences prefs;
        Rig rig;
        QCOMPARE(
            titlesOf(rig.app->statusMenu()),
            (QStringList{"New Shelf", "New Shelf From Clipboard", "Recent Shelves", "-",
                         "Show / Hide Shelves", "Close All Shelves", "Shake Mouse to Open a Shelf",
                         "-", QStringLiteral("Version ") + QStringLiteral(QUOBLIN_VERSION),
                         "About Quoblin…", "Settings…", "-", "Quit"}));
        const QList<QAction*> items = rig.app->statusMenu()->actions();
        QCOMPARE(items[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N));
        QCOMPARE(items[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V));
        QCOMPARE(items[4]->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
        QCOMPARE(items[10]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        QCOMPARE(items[12]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QVERIFY(!items[8]->isEnabled());
        QVERIFY(items[6]->isChecked());

        prefs.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        rig.app->settings().onLanguageChanged(); // as the settings window does
        QCOMPARE(titlesOf(rig.app->statusMenu()),
                 (QStringList{"Raft nou", "Raft nou din clipboard", "Rafturi recente", "-",
                              "Arată / ascunde rafturile", "Închide toate rafturile",
                              "Scuturarea mouse-ului deschide un raft", "-",
                              QStringLiteral("Versiunea ") + QStringLiteral(QUOBLIN_VERSION),
                              "Despre Quoblin…", "Setări…", "-", "Ieșire"}));
    }

    void recentSubmenuIsRebuiltEachTimeItOpens() {
        ScopedPreferences prefs;
        Rig rig;
        QMenu* recent = rig.app->recentMenu();
        rig.app->menuNeedsUpdate(recent);
        QCOMPARE(titlesOf(recent), QStringList{"(no recent shelves)"});
        QVERIFY(!recent->actions()[0]->isEnabled());

        rig.archiveText(QStringLiteral("first"));
        rig.archiveText(QStringLiteral("second"));
        rig.app->menuNeedsUpdate(recent);
        const QStringList titles = titlesOf(recent);
        QCOMPARE(titles.size(), 5);
        QVERIFY(titles[0].startsWith(QStringLiteral("second — ")));
        QVERIFY(titles[1].startsWith(QStringLiteral("first — ")));
        QCOMPARE(titles.mid(2),
                 (QStringList{"-", "Clear List", "Hold ⌥ to remove a single shelf"}));
        QCOMPARE(recent->actions()[0]->data().toInt(), 0);
        QCOMPARE(recent->actions()[1]->data().toInt(), 1);
        QVERIFY(!recent->actions()[4]->isEnabled());
        QVERIFY(!recent->actions()[0]->icon().isNull());
    }

    void choosingARecentEntryReopensItOrWithAltRemovesIt() {
        ScopedPreferences prefs;
        Rig rig;
        rig.archiveText(QStringLiteral("keep"));
        rig.archiveText(QStringLiteral("drop"));
        rig.alt = true;
        rig.app->openRecent(0);
        QCOMPARE(rig.app->shelves().recent().size(), std::size_t(1));
        QVERIFY(rig.app->shelves().shelves().empty());
        rig.app->openRecent(7); // no such entry: nothing
        QCOMPARE(rig.app->shelves().recent().size(), std::size_t(1));

        rig.alt = false;
        rig.app->openRecent(0);
        QCOMPARE(rig.app->shelves().shelves().size(), std::size_t(1));
        QCOMPARE(rig.app->shelves().shelves().front()->items().front()->text(),
                 QStringLiteral("keep"));
        QCOMPARE(rig.app->shelves().recent().size(), std::size_t(1)); // the entry stays
        rig.app->openRecent(-1);
        QCOMPARE(rig.app->shelves().shelves().size(), std::size_t(1));
    }

    void newShelfFromTheClipboardBeepsWhenThereIsNothing() {
        ScopedPreferences prefs;
        Rig rig;
        rig.app->newShelfFromClipboard();
        QCOMPARE(rig.beeps, 1);
        QVERIFY(rig.app->shelves().shelves().empty());
        rig.clipboard.setText(QStringLiteral("pasted"));
        rig.app->newShelfFromClipboard();
        QCOMPARE(rig.beeps, 1);
        QCOMPARE(rig.app->shelves().shelves().size(), std::size_t(1));
        QVERIFY(!rig.app->shelves().shelves().front()->autoClosePending());
    }

    void aShakeOpensAShelfThatClosesAfterSixSecondsWhenLeftEmpty() {
        ScopedPreferences prefs;
        Rig rig;
        rig.pointer.buttonDown = true;
        rig.global.press();
        rig.drag.startDrag();
        for (double x : {100, 120, 100, 120, 100, 120}) {
            rig.pointer.pos = QPointF(x, 500);
            rig.timers.advance(0.04);
        }
        QCOMPARE(rig.app->shelves().shelves().size(), std::size_t(1));
        QVERIFY(rig.app->shelves().shelves().front()->autoClosePending());
        rig.pointer.buttonDown = false;
        rig.timers.advance(5.9);
        QCOMPARE(rig.app->shelves().shelves().size(), std::size_t(1));
        rig.timers.advance(0.2);
        QVERIFY(rig.app->shelves().shelves().empty());
        QVERIFY(rig.app->shelves().recent().empty());
        rig.app->newShelf(); // other shelves get no such timer
        QVERIFY(!rig.app->shelves().shelves().front()->autoClosePending());
    }

    void shakeSwitchStoresFlipsTheCheckMarkAndFollowsInTheSettingsWindow() {
        ScopedPreferences prefs;
        Rig rig;
        prefs.store().setValue(Preferences::shakeReversalsKey, 6);
        rig.app->settings().show();
        rig.app->toggleShake();
        QCOMPARE(Preferences::shakeEnabled(), false);
        QVERIFY(!rig.app->shakeToggleItem()->isChecked());
        QCOMPARE(rig.app->shake().gesture.core.minReversals, 6L);
        QVERIFY(!rig.app->settings().shakeCheckbox()->isChecked());
        QVERIFY(!rig.app->settings().sensitivitySlider()->isEnabled());
    }

    void closeAllArchivesEveryShelfAndQuitSavesOnce() {
        ScopedPreferences prefs;
        Rig rig;
        rig.app->shelves().newShelf(QPointF(100, 100), {ShelfItem::makeText(QStringLiteral("a"))});
        rig.app->shelves().newShelf(QPointF(100, 100), {});
        rig.app->shelves().newShelf(QPointF(100, 100), {ShelfItem::makeText(QStringLiteral("b"))});
        rig.app->closeAllShelves();
        QVERIFY(rig.app->shelves().shelves().empty());
        QCOMPARE(rig.app->shelves().recent().size(), std::size_t(2));

        rig.app->shelves().newShelf(QPointF(100, 100),
                                    {ShelfItem::makeText(QStringLiteral("open at quit"))});
        rig.app->applicationWillTerminate();
        rig.app->applicationWillTerminate();
        QCOMPARE(rig.app->shelves().recent().size(), std::size_t(3));
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_AppDelegate.moc"
