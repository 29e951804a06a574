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
    FakeManagerServices(QString path, FakeTimers* timers)
        : m_path(std::move(path))
        , m_timers(timers) {}
    QString recentShelvesPath() override { return m_path; }
    QDateTime now() override { return QDateTime(QDate(2026, 12, 6), QTime(9, 30)); }
    QPointF cursorPosition() override { return {400, 400}; }
    ScreenLayout screens() override {
        const QRectF screen(0, 0, 1920, 1080);
        return {{{screen, screen}}, 0};
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

// The delegate over fakes and a throw-away settings store.
struct Rig {
    ScopedPreferences prefs;
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
        AppDelegate::Services s;
        const QString path = dir.filePath(QStringLiteral("recent-shelves.json"));
        s.makeManager = [path, t = &timers] {
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
        QStringList titles = titlesOf(rig.app->statusMenu());
        QCOMPARE(titles.size(), 13);
        QCOMPARE(titles.first(), QStringLiteral("New Shelf"));
        rig.prefs.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        rig.app->settings().onLanguageChanged(); // as the settings window does
        QCOMPARE(titlesOf(rig.app->statusMenu()).first(), QStringLiteral("Raft nou"));

        QMenu* recent = rig.app->recentMenu();
        rig.app->menuNeedsUpdate(recent);
        QCOMPARE(recent->actions().size(), 1);
        QVERIFY(!recent->actions()[0]->isEnabled());
        rig.archiveText(QStringLiteral("first"));
        rig.archiveText(QStringLiteral("second"));
        rig.app->menuNeedsUpdate(recent);
        titles = titlesOf(recent);
        QCOMPARE(titles.size(), 5); // two entries, a line, clearing and the hint
        QVERIFY(titles[0].startsWith(QStringLiteral("second — ")));
        QVERIFY(titles[1].startsWith(QStringLiteral("first — ")));
    }

    void choosingARecentEntryReopensItOrWithAltRemovesIt() {
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
        QCOMPARE(rig.shelves().shelves().front()->items().front()->text(), QStringLiteral("keep"));
        QCOMPARE(rig.shelves().recent().size(), std::size_t(1)); // the entry stays
        for (int noSuchEntry : {-1, 1})
            rig.app->openRecent(noSuchEntry);
        QCOMPARE(rig.shelves().shelves().size(), std::size_t(1));
    }

    void newShelfFromTheClipboardBeepsWhenThereIsNothing() {
        Rig rig;
        rig.app->newShelfFromClipboard();
        QCOMPARE(rig.beeps, 1);
        QVERIFY(rig.shelves().shelves().empty());
        rig.clipboard.setText(QStringLiteral("pasted"));
        rig.app->newShelfFromClipboard();
        QCOMPARE(rig.beeps, 1);
        QCOMPARE(rig.shelves().shelves().size(), std::size_t(1));
    }

    void aShakeOpensAShelfThatClosesAfterSixSecondsWhenLeftEmpty() {
        Rig rig;
        rig.pointer.buttonDown = true;
        rig.global.press();
        rig.drag.startDrag();
        for (double x : {100, 120, 100, 120, 100, 120}) {
            rig.pointer.pos = QPointF(x, 500);
            rig.timers.advance(0.04);
        }
        QCOMPARE(rig.shelves().shelves().size(), std::size_t(1));
        QVERIFY(rig.shelves().shelves().front()->autoClosePending());
        rig.pointer.buttonDown = false;
        rig.timers.advance(5.9);
        QCOMPARE(rig.shelves().shelves().size(), std::size_t(1));
        rig.timers.advance(0.2);
        QVERIFY(rig.shelves().shelves().empty());
        rig.app->newShelf(); // other shelves get no such timer
        QVERIFY(!rig.shelves().shelves().front()->autoClosePending());
    }

    void shakeSwitchIsStoredAndFollowedByTheSettingsWindow() {
        Rig rig;
        rig.app->settings().show();
        rig.app->toggleShake();
        QCOMPARE(Preferences::shakeEnabled(), false);
        QVERIFY(!rig.app->shakeToggleItem()->isChecked());
        QVERIFY(!rig.app->settings().shakeCheckbox()->isChecked());
    }

    void closeAllArchivesEveryShelfWithItemsAndQuitSavesOnce() {
        Rig rig;
        rig.shelves().newShelf(QPointF(100, 100), {ShelfItem::makeText(QStringLiteral("a"))});
        rig.shelves().newShelf(QPointF(100, 100), {});
        rig.app->closeAllShelves();
        QVERIFY(rig.shelves().shelves().empty());
        rig.shelves().newShelf(QPointF(100, 100), {ShelfItem::makeText(QStringLiteral("open"))});
        rig.app->applicationWillTerminate();
        rig.app->applicationWillTerminate();
        QCOMPARE(rig.shelves().recent().size(), std::size_t(2));
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_AppDelegate.moc"
