#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "shelf/FooterButton.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfPlacement.h"
#include "shelf/ShelfViews.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

class ShelfControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeTimers m_timers;

    ShelfItemPtr file(const QString& relative) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.filePath(relative)));
    }

    static QStringList archives() {
        return QDir(*ShelfDropView::dropsDirectory())
            .entryList({QStringLiteral("Shelf *.zip")}, QDir::Files);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(writeWholeFile(m_dir.filePath(QStringLiteral("a.txt")), "a"));
        QVERIFY(writeWholeFile(m_dir.filePath(QStringLiteral("b.txt")), "b"));
    }

    void duplicateFilesAreSkippedWithinAndAcrossBatches() {
        ScopedPreferences prefs;
        ShelfController shelf({}, m_timers);
        shelf.add({file(QStringLiteral("a.txt")), file(QStringLiteral("./a.txt")),
                   text(QStringLiteral("x"))});
        QCOMPARE(titles(shelf), (QStringList{"a.txt", "x"}));
        // Another spelling of the same path, a second file, and the same text again.
        shelf.add({file(QStringLiteral("sub/../a.txt")), file(QStringLiteral("b.txt")),
                   text(QStringLiteral("x"))});
        QCOMPARE(titles(shelf), (QStringList{"a.txt", "x", "b.txt", "x"}));
        QCOMPARE(shelf.title(), QStringLiteral("Shelf — 4"));
    }

    void unpinnedShelvesLoseWhatIsDraggedOutOrRemovedAndCloseWhenEmptied() {
        ScopedPreferences prefs;
        ShelfItemPtr same = text(QStringLiteral("same"));
        ShelfItemPtr twin = text(QStringLiteral("same"));
        ShelfController shelf({same, twin, text(QStringLiteral("c")), same}, m_timers);
        int closes = 0;
        shelf.onClose = [&] { ++closes; };
        shelf.rows()[0]->onRemove(same); // that very object, not an equal one
        QCOMPARE(shelf.items().front(), twin);
        shelf.rows()[1]->onDragOut(shelf.items()[1]);
        QCOMPARE(titles(shelf), QStringList{"same"});
        QCOMPARE(closes, 0);
        shelf.header()->onDragOutAll(shelf.items());
        QCOMPARE(closes, 1);

        ShelfController cleared({text(QStringLiteral("a"))}, m_timers);
        cleared.onClose = [&] { ++closes; };
        cleared.clearClicked();
        QCOMPARE(closes, 2);
    }

    void pinnedShelvesKeepDraggedItemsAndStayOpenUntilClosed() {
        ScopedPreferences prefs;
        ShelfItemPtr a = text(QStringLiteral("a"));
        ShelfController shelf({a, text(QStringLiteral("b"))}, m_timers);
        int closes = 0;
        shelf.onClose = [&] { ++closes; };
        shelf.togglePin();
        shelf.rows().front()->onDragOut(a);
        shelf.header()->onDragOutAll(shelf.items());
        QCOMPARE(shelf.items().size(), std::size_t(2));
        shelf.rows().front()->onRemove(a);
        QCOMPARE(titles(shelf), QStringList{"b"});
        shelf.clearClicked();
        QVERIFY(shelf.items().empty());
        shelf.togglePin(); // unpinning an empty shelf does not close it either
        QCOMPARE(closes, 0);
        shelf.closeClicked();
        QCOMPARE(closes, 1);
    }

    void autoCloseFiresOnlyForAShelfLeftEmpty() {
        ScopedPreferences prefs;
        FakeTimers timers;
        int closes = 0;
        ShelfController idle({}, timers);
        idle.onClose = [&] { ++closes; };
        idle.scheduleAutoCloseIfEmpty(6.0);
        timers.advance(5.9);
        QCOMPARE(closes, 0);
        timers.advance(0.2);
        QCOMPARE(closes, 1);

        ShelfController fed({}, timers);
        fed.onClose = [&] { ++closes; };
        fed.scheduleAutoCloseIfEmpty(6.0);
        fed.add({}); // even an empty drop cancels it for good
        QVERIFY(!fed.autoClosePending());
        timers.advance(10);
        QCOMPARE(closes, 1);
    }

    void refreshShowsTitleButtonsAndHint() {
        ScopedPreferences prefs;
        ShelfController shelf({}, m_timers);
        QVERIFY(shelf.emptyHintVisible());
        QVERIFY(!shelf.clearButton()->isEnabled());
        shelf.add({text(QStringLiteral("only text"))});
        QVERIFY(!shelf.emptyHintVisible());
        QVERIFY(!shelf.zipButton()->isEnabled()); // texts alone cannot be zipped
        shelf.add({file(QStringLiteral("a.txt"))});
        QVERIFY(shelf.zipButton()->isEnabled());
    }

    void languageSwitchRelabelsTextsButNotTheTitle() {
        ScopedPreferences prefs;
        ShelfController shelf({}, m_timers);
        QCOMPARE(shelf.copyButton()->text(), QStringLiteral("Copy All"));
        prefs.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        shelf.reloadLanguage();
        QCOMPARE(shelf.copyButton()->text(), QStringLiteral("Copiază tot"));
        QCOMPARE(shelf.title(), QStringLiteral("Shelf"));
    }

    void dragThresholdIsStrictlyMoreThanFivePoints() {
        QVERIFY(!DragThreshold::exceeded(QPointF(10, 10), QPointF(15, 10)));
        QVERIFY(DragThreshold::exceeded(QPointF(10, 10), QPointF(15.01, 10)));
    }

    // One screen 1000 x 800 points, its visible area without a 30-point bar at the top.
    void placementBesideThePointClampedInsideTheVisibleArea_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("origin");
        QTest::newRow("free") << QPointF(100, 400) << QPointF(116, 220);
        QTest::newRow("right edge") << QPointF(990, 400) << QPointF(1000 - 8 - 280, 220);
        QTest::newRow("under the top bar") << QPointF(100, 760) << QPointF(116, 770 - 8 - 360);
        QTest::newRow("outside every screen") << QPointF(-500, 2000) << QPointF(8, 770 - 8 - 360);
        QTest::newRow("screen on the left") << QPointF(-5, 400) << QPointF(-288, 220);
        QTest::newRow("screen above") << QPointF(50, 1820) << QPointF(66, 1456);
        QTest::newRow("screen below") << QPointF(1220, -3) << QPointF(936, -368);
    }

    void placementBesideThePointClampedInsideTheVisibleArea() {
        QFETCH(QPointF, point);
        QFETCH(QPointF, origin);
        ScreenLayout layout;
        layout.screens.append({QRectF(0, 0, 1000, 800), QRectF(0, 0, 1000, 770)});
        // Screens left of, above and below the main one reach negative coordinates.
        for (const QRectF& other : {QRectF(-1024, 100, 1024, 768), QRectF(0, 800, 1280, 1024),
                                    QRectF(200, -768, 1024, 768)})
            layout.screens.append({other, other});
        layout.mainIndex = 0;
        QCOMPARE(ShelfPlacement::origin(point, QSizeF(280, 360), layout), origin);
    }

    void longAndStrangeTitlesStayOnOneRow() {
        ScopedPreferences prefs;
        const QString hostile =
            QStringLiteral("line one\nline two\u202Eevil") + QString(10000, QLatin1Char('x'));
        ShelfController shelf({text(hostile)}, m_timers);
        ItemRowView* row = shelf.rows().front();
        QCOMPARE(row->height(), ItemRowView::rowHeight);
        row->resize(272, ItemRowView::rowHeight);
        row->grab(); // paints without growing or crashing
        QCOMPARE(row->height(), ItemRowView::rowHeight);
    }

    void copyAllPutsEveryItemOnTheClipboardInShelfOrder() {
        ScopedPreferences prefs;
        ShelfController shelf({text(QStringLiteral("  spaced \n")), file(QStringLiteral("a.txt"))},
                              m_timers);
        shelf.copyAll();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("  spaced \n\n") + m_dir.filePath(QStringLiteral("a.txt")));

        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        ShelfController({}, m_timers).copyAll(); // an empty shelf leaves the clipboard alone
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void zipAddsTheArchiveAsTheLastRowAndHidesTheProgress() {
        ScopedPreferences prefs;
        ShelfController shelf(
            {file(QStringLiteral("a.txt")), text(QStringLiteral("skip me")), file("b.txt")},
            m_timers);
        shelf.scheduleAutoCloseIfEmpty(60);
        shelf.zipAll();
        QVERIFY(shelf.zipProgressVisible());
        QTRY_COMPARE(shelf.items().size(), std::size_t(4));
        const ShelfItemPtr archive = shelf.items().back();
        QCOMPARE(QFileInfo(archive->path()).absolutePath(), *ShelfDropView::dropsDirectory());
        QTRY_VERIFY(!shelf.zipProgressVisible());
        QVERIFY(!shelf.autoClosePending()); // the archive's arrival cancels it, as any add does
    }

    void aFailedZipAddsNothingAndHidesTheProgress() {
        ScopedPreferences prefs;
        const QString gone = m_dir.filePath(QStringLiteral("gone.txt"));
        QVERIFY(writeWholeFile(gone, "x"));
        ShelfController shelf({ShelfItem::makeFile(QUrl::fromLocalFile(gone))}, m_timers);
        const QStringList before = archives();
        QFile::remove(gone);
        shelf.zipAll();
        QTRY_VERIFY(!shelf.zipProgressVisible());
        QTest::qWait(50);
        QCOMPARE(shelf.items().size(), std::size_t(1));
        QCOMPARE(archives(), before);
    }
};

QTEST_MAIN(ShelfControllerTest)
#include "tst_ShelfController.moc"
