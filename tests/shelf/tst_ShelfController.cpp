#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "shelf/FooterButton.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfPlacement.h"
#include "shelf/ShelfViews.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

ShelfItemPtr text(const QString& t) {
    return ShelfItem::makeText(t);
}

QStringList titles(const ShelfController& shelf) {
    QStringList result;
    for (const ShelfItemPtr& item : shelf.items())
        result << item->title();
    return result;
}

// One screen 1000 x 800 points at the origin, its visible area without a 30-point bar at the top.
ScreenLayout oneScreen() {
    ScreenLayout layout;
    layout.screens.append({QRectF(0, 0, 1000, 800), QRectF(0, 0, 1000, 770)});
    layout.mainIndex = 0;
    return layout;
}

} // namespace

class ShelfControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    ShelfItemPtr file(const QString& relative) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.filePath(relative)));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(writeWholeFile(m_dir.filePath(QStringLiteral("a.txt")), "a"));
        QVERIFY(writeWholeFile(m_dir.filePath(QStringLiteral("b.txt")), "b"));
    }

    void duplicateFilesAreSkippedWithinAndAcrossBatches() {
        ScopedPreferences prefs;
        ShelfController shelf({});
        shelf.add({file(QStringLiteral("a.txt")), file(QStringLiteral("./a.txt")),
                   text(QStringLiteral("x"))});
        QCOMPARE(titles(shelf), (QStringList{"a.txt", "x"}));
        // Another spelling of the same path, a second file, and the same text again.
        shelf.add({file(QStringLiteral("sub/../a.txt")), file(QStringLiteral("b.txt")),
                   text(QStringLiteral("x"))});
        QCOMPARE(titles(shelf), (QStringList{"a.txt", "x", "b.txt", "x"}));
        QCOMPARE(shelf.title(), QStringLiteral("Shelf — 4"));
        QCOMPARE(shelf.rows().size(), std::size_t(4));
    }

    void itemsGivenAtCreationAreTakenUnchecked() {
        ScopedPreferences prefs;
        ShelfItemPtr a = file(QStringLiteral("a.txt"));
        ShelfController shelf({a, file(QStringLiteral("a.txt"))});
        QCOMPARE(shelf.items().size(), std::size_t(2));
    }

    void removeTakesThatVeryObjectAndClosesWhenEmpty() {
        ScopedPreferences prefs;
        ShelfItemPtr same = text(QStringLiteral("same"));
        ShelfItemPtr twin = text(QStringLiteral("same"));
        ShelfController shelf({same, twin, same});
        int closes = 0;
        shelf.onClose = [&] { ++closes; };
        shelf.remove(same);
        QCOMPARE(shelf.items().size(), std::size_t(1));
        QCOMPARE(shelf.items().front(), twin);
        QCOMPARE(closes, 0);
        shelf.remove(twin);
        QCOMPARE(closes, 1);
    }

    void pinnedShelvesKeepDraggedItemsAndStayOpenWhenEmptied() {
        ScopedPreferences prefs;
        ShelfItemPtr a = text(QStringLiteral("a"));
        ShelfController shelf({a, text(QStringLiteral("b"))});
        int closes = 0;
        shelf.onClose = [&] { ++closes; };
        shelf.togglePin();
        QVERIFY(shelf.pinned());
        shelf.rows().front()->onDragOut(a);
        QCOMPARE(shelf.items().size(), std::size_t(2));
        shelf.header()->onDragOutAll(shelf.items());
        QCOMPARE(shelf.items().size(), std::size_t(2));
        // A row's own remove action works while pinned; emptying does not close.
        const std::vector<ShelfItemPtr> all = shelf.items();
        for (const ShelfItemPtr& item : all)
            shelf.rows().front()->onRemove(item);
        QVERIFY(shelf.items().empty());
        QCOMPARE(closes, 0);
        shelf.togglePin(); // unpinning an empty shelf does not close it either
        QCOMPARE(closes, 0);
    }

    void unpinnedDragOutRemovesAndTheLastOneClosesTheShelf() {
        ScopedPreferences prefs;
        ShelfController shelf(
            {text(QStringLiteral("a")), text(QStringLiteral("b")), text(QStringLiteral("c"))});
        int closes = 0;
        shelf.onClose = [&] { ++closes; };
        shelf.rows()[1]->onDragOut(shelf.items()[1]);
        QCOMPARE(titles(shelf), (QStringList{"a", "c"}));
        shelf.header()->onDragOutAll(shelf.items());
        QVERIFY(shelf.items().empty());
        QCOMPARE(closes, 1);
    }

    void clearClosesUnlessPinned() {
        ScopedPreferences prefs;
        ShelfController unpinned({text(QStringLiteral("a"))});
        int closes = 0;
        unpinned.onClose = [&] { ++closes; };
        unpinned.clearClicked();
        QVERIFY(unpinned.items().empty());
        QCOMPARE(closes, 1);

        ShelfController pinned({text(QStringLiteral("a"))});
        pinned.onClose = [&] { ++closes; };
        pinned.togglePin();
        pinned.clearClicked();
        QVERIFY(pinned.items().empty());
        QCOMPARE(closes, 1);
        pinned.closeClicked(); // the close button closes a pinned shelf
        QCOMPARE(closes, 2);
    }

    void autoCloseFiresOnlyForAnEmptyUnpinnedShelf() {
        ScopedPreferences prefs;
        FakeTimers timers;
        int closes = 0;
        ShelfController idle({}, &timers);
        idle.onClose = [&] { ++closes; };
        idle.scheduleAutoCloseIfEmpty(6.0);
        timers.advance(5.9);
        QCOMPARE(closes, 0);
        timers.advance(0.2);
        QCOMPARE(closes, 1);

        ShelfController fed({}, &timers);
        fed.onClose = [&] { ++closes; };
        fed.scheduleAutoCloseIfEmpty(6.0);
        fed.add({}); // even an empty drop cancels it for good
        QVERIFY(!fed.autoClosePending());
        timers.advance(10);
        QCOMPARE(closes, 1);

        ShelfController pinned({}, &timers);
        pinned.onClose = [&] { ++closes; };
        pinned.scheduleAutoCloseIfEmpty(6.0);
        pinned.togglePin();
        timers.advance(10);
        QCOMPARE(closes, 1);
        QCOMPARE(timers.activeCount(), 0);
    }

    void closeStopsTheTimerHidesThenReportsAndClearsNothing() {
        ScopedPreferences prefs;
        FakeTimers timers;
        ShelfController shelf({text(QStringLiteral("kept"))}, &timers);
        shelf.show(QPointF(100, 400), oneScreen());
        shelf.scheduleAutoCloseIfEmpty(6.0);
        bool visibleAtClose = true;
        std::size_t itemsAtClose = 0;
        shelf.onClose = [&] {
            visibleAtClose = shelf.panel()->isVisible();
            itemsAtClose = shelf.items().size();
        };
        shelf.close();
        QVERIFY(!visibleAtClose);
        QCOMPARE(itemsAtClose, std::size_t(1));
        QCOMPARE(timers.activeCount(), 0);
    }

    void refreshShowsTitleButtonsAndHint() {
        ScopedPreferences prefs;
        ShelfController shelf({});
        QCOMPARE(shelf.title(), QStringLiteral("Shelf"));
        QVERIFY(shelf.emptyHintVisible());
        for (FooterButton* b : {shelf.copyButton(), shelf.zipButton(), shelf.clearButton()}) {
            QVERIFY(!b->isEnabled());
            QCOMPARE(b->alpha(), 0.45);
        }
        shelf.add({text(QStringLiteral("only text"))});
        QCOMPARE(shelf.title(), QStringLiteral("Shelf — 1"));
        QVERIFY(!shelf.emptyHintVisible());
        QVERIFY(shelf.copyButton()->isEnabled());
        QVERIFY(!shelf.zipButton()->isEnabled()); // texts alone cannot be zipped
        QCOMPARE(shelf.zipButton()->alpha(), 0.45);
        QCOMPARE(shelf.clearButton()->alpha(), 1.0);
        shelf.add({file(QStringLiteral("a.txt"))});
        QVERIFY(shelf.zipButton()->isEnabled());
        QCOMPARE(shelf.panel()->windowTitle(), QStringLiteral("Shelf — 2"));
    }

    void languageSwitchRelabelsTextsButNotTheTitle() {
        ScopedPreferences prefs;
        ShelfController shelf({});
        QCOMPARE(shelf.copyButton()->text(), QStringLiteral("Copy All"));
        QVERIFY(shelf.emptyHint().startsWith(
            QStringLiteral("Drop files, text or images here.\n\nTip:")));
        prefs.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        shelf.reloadLanguage();
        QCOMPARE(shelf.copyButton()->text(), QStringLiteral("Copiază tot"));
        QCOMPARE(shelf.zipButton()->text(), QStringLiteral("Zip"));
        QCOMPARE(shelf.clearButton()->text(), QStringLiteral("Golește"));
        QCOMPARE(shelf.pinButton()->toolTip(),
                 QStringLiteral("Pin: păstrează obiectele după drag-out și panoul deschis"));
        QCOMPARE(shelf.closeButton()->toolTip(),
                 QStringLiteral("Închide raftul (ajunge în „Rafturi recente”)"));
        QCOMPARE(shelf.emptyHint(),
                 QStringLiteral("Trage fișiere, text sau imagini aici.\n\nPont: scutură "
                                "mouse-ul\nîn timpul unui drag. (⌃⌥S)"));
        QCOMPARE(shelf.title(), QStringLiteral("Shelf"));
    }

    void rowMenusAreBuiltInTheCurrentLanguage() {
        ScopedPreferences prefs;
        ShelfController shelf({file(QStringLiteral("a.txt")), text(QStringLiteral("t"))});
        auto entries = [](QMenu* menu) {
            QStringList result;
            for (QAction* a : menu->actions())
                result << (a->isSeparator() ? QStringLiteral("-") : a->text());
            delete menu;
            return result;
        };
        QCOMPARE(entries(shelf.rows()[0]->buildMenu()),
                 (QStringList{"Open", "Reveal in File Manager", "Copy", "-", "Remove from Shelf"}));
        QCOMPARE(entries(shelf.rows()[1]->buildMenu()),
                 (QStringList{"Copy", "-", "Remove from Shelf"}));
        prefs.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        QCOMPARE(entries(shelf.rows()[0]->buildMenu()),
                 (QStringList{"Deschide", "Arată în managerul de fișiere", "Copiază", "-",
                              "Șterge de pe raft"}));
    }

    void dragThresholdIsStrictlyMoreThanFivePoints() {
        QVERIFY(!DragThreshold::exceeded(QPointF(10, 10), QPointF(15, 10)));
        QVERIFY(!DragThreshold::exceeded(QPointF(10, 10), QPointF(13, 14)));
        QVERIFY(DragThreshold::exceeded(QPointF(10, 10), QPointF(15.01, 10)));
    }

    void placementBesideThePointClampedInsideTheVisibleArea_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("origin");
        QTest::newRow("free") << QPointF(100, 400) << QPointF(116, 220);
        QTest::newRow("right edge") << QPointF(990, 400) << QPointF(1000 - 8 - 280, 220);
        QTest::newRow("bottom edge") << QPointF(100, 50) << QPointF(116, 8);
        QTest::newRow("under the top bar") << QPointF(100, 760) << QPointF(116, 770 - 8 - 360);
        QTest::newRow("outside every screen") << QPointF(-500, 2000) << QPointF(8, 770 - 8 - 360);
    }

    void placementBesideThePointClampedInsideTheVisibleArea() {
        QFETCH(QPointF, point);
        QFETCH(QPointF, origin);
        QCOMPARE(ShelfPlacement::origin(point, QSizeF(280, 360), oneScreen()), origin);
    }

    void placementUsesTheScreenUnderThePointAndLowerBoundsYield() {
        ScreenLayout two = oneScreen();
        // A small screen left of the main one, in negative coordinates.
        two.screens.append({QRectF(-200, 100, 200, 300), QRectF(-200, 100, 200, 300)});
        const QPointF origin = ShelfPlacement::origin(QPointF(-100, 250), QSizeF(280, 360), two);
        // Too small for the panel: the upper bounds win.
        QCOMPARE(origin, QPointF(-200 + 200 - 280 - 8, 100 + 300 - 360 - 8));
        ScreenLayout none;
        QCOMPARE(ShelfPlacement::origin(QPointF(5, 5), QSizeF(280, 360), none), QPointF(21, -175));
    }

    void placementOnScreensLeftAboveAndBelowTheMainOne_data() {
        QTest::addColumn<QRectF>("screen");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("origin");
        const QRectF left(-1024, 100, 1024, 768), above(0, 800, 1280, 1024),
            below(200, -768, 1024, 768);
        QTest::newRow("left, by its right edge") << left << QPointF(-5, 400) << QPointF(-288, 220);
        QTest::newRow("left, by its left edge")
            << left << QPointF(-1020, 130) << QPointF(-1004, 108);
        QTest::newRow("above, by its top") << above << QPointF(50, 1820) << QPointF(66, 1456);
        QTest::newRow("below, by its bottom") << below << QPointF(600, -760) << QPointF(616, -760);
        QTest::newRow("below, by its top") << below << QPointF(1220, -3) << QPointF(936, -368);
    }

    void placementOnScreensLeftAboveAndBelowTheMainOne() {
        QFETCH(QRectF, screen);
        QFETCH(QPointF, point);
        QFETCH(QPointF, origin);
        ScreenLayout layout = oneScreen();
        layout.screens.append({screen, screen});
        QCOMPARE(ShelfPlacement::origin(point, QSizeF(280, 360), layout), origin);
    }

    void showPlacesOnceThenOnlyRaises() {
        ScopedPreferences prefs;
        ShelfController shelf({});
        shelf.show(QPointF(100, 400), oneScreen());
        QVERIFY(shelf.panel()->isVisible());
        const QRectF first = shelf.panel()->frame();
        shelf.show(QPointF(500, 500), oneScreen());
        QCOMPARE(shelf.panel()->frame(), first);
    }

    void longAndStrangeTitlesStayOnOneRow() {
        ScopedPreferences prefs;
        const QString hostile =
            QStringLiteral("line one\nline two\u202Eevil") + QString(10000, QLatin1Char('x'));
        ShelfController shelf({text(hostile)});
        ItemRowView* row = shelf.rows().front();
        QCOMPARE(row->height(), ItemRowView::rowHeight);
        QCOMPARE(row->toolTip(), hostile.trimmed());
        row->resize(272, ItemRowView::rowHeight);
        row->grab(); // paints without growing or crashing
        QCOMPARE(row->height(), ItemRowView::rowHeight);
    }
};

QTEST_MAIN(ShelfControllerTest)
#include "tst_ShelfController.moc"
