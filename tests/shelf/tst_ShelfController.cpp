#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "platform/ScreenPoints.h"
#include "shelf/DragAllView.h"
#include "shelf/DragThreshold.h"
#include "shelf/FooterButton.h"
#include "shelf/ItemRowView.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfDropView.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfPlacement.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

ShelfItemPtr text(const QString& t) {
    return ShelfItem::makeText(t);
}

} // namespace

// The window of a shelf: what it shows and how its controls reach the shelf's
// rules (which have their own test).
class ShelfControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ScopedPreferences m_prefs;
    FakeTimers m_timers;

    ShelfItemPtr file(const QString& name) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.filePath(name)));
    }

    static QStringList archives() {
        return QDir(*ShelfDropView::dropsDirectory()).entryList({"Shelf *.zip"}, QDir::Files);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(writeWholeFile(m_dir.filePath("a.txt"), "a"));
        QVERIFY(writeWholeFile(m_dir.filePath("b.txt"), "b"));
    }

    void rowsHeaderAndButtonsActOnTheShelfAndTheViewFollows() {
        ShelfItemPtr a = text("a");
        ShelfController shelf({a, text("b"), text("c")}, m_timers);
        int closes = 0;
        shelf.shelf().onClose = [&] { ++closes; };
        QVERIFY(!shelf.emptyHintVisible() && !shelf.zipButton()->isEnabled());
        shelf.rows()[0]->onDragOut(a);
        QCOMPARE(shelf.rows().size(), std::size_t(2));
        QCOMPARE(shelf.title(), QStringLiteral("Shelf — 2"));
        shelf.togglePin();
        shelf.header()->onDragOutAll(shelf.items()); // pinned: kept
        shelf.rows()[0]->onRemove(shelf.items()[0]);
        shelf.add({file("a.txt")});
        QVERIFY(shelf.zipButton()->isEnabled());
        shelf.clearClicked();
        QVERIFY(shelf.rows().empty() && shelf.emptyHintVisible());
        QVERIFY(!shelf.clearButton()->isEnabled() && closes == 0);
        shelf.closeClicked();
        QCOMPARE(closes, 1);
        QVERIFY(!shelf.panel()->isVisible());
    }

    void languageSwitchRelabelsTextsButNotTheTitle() {
        ShelfController shelf({}, m_timers);
        QCOMPARE(shelf.copyButton()->text(), QStringLiteral("Copy All"));
        m_prefs.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        shelf.reloadLanguage();
        m_prefs.store().setValue(Preferences::languageKey, QStringLiteral("en"));
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
        const QString hostile = "line one\nline two\u202Eevil" + QString(10000, QLatin1Char('x'));
        ShelfController shelf({text(hostile)}, m_timers);
        ItemRowView* row = shelf.rows().front();
        row->resize(272, ItemRowView::rowHeight);
        row->grab(); // paints without growing or crashing
        QCOMPARE(row->height(), ItemRowView::rowHeight);
    }

    void copyAllPutsEveryItemOnTheClipboardInShelfOrder() {
        ShelfController shelf({text("  spaced \n"), file("a.txt")}, m_timers);
        shelf.copyAll();
        QCOMPARE(QGuiApplication::clipboard()->text(), "  spaced \n\n" + m_dir.filePath("a.txt"));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        ShelfController({}, m_timers).copyAll(); // an empty shelf leaves the clipboard alone
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void zipAddsTheArchiveLastOrNothingAndHidesTheProgress() {
        ShelfController shelf({file("a.txt"), text("skip me"), file("b.txt")}, m_timers);
        shelf.shelf().scheduleAutoCloseIfEmpty(60);
        shelf.zipAll();
        QVERIFY(shelf.zipProgressVisible());
        QTRY_COMPARE(shelf.items().size(), std::size_t(4));
        QCOMPARE(QFileInfo(shelf.items().back()->path()).absolutePath(),
                 *ShelfDropView::dropsDirectory());
        QTRY_VERIFY(!shelf.zipProgressVisible());
        QVERIFY(!shelf.shelf().autoClosePending()); // the archive's arrival cancels it

        const QString gone = m_dir.filePath("gone.txt");
        QVERIFY(writeWholeFile(gone, "x"));
        ShelfController failing({ShelfItem::makeFile(QUrl::fromLocalFile(gone))}, m_timers);
        const QStringList before = archives();
        QFile::remove(gone);
        failing.zipAll();
        QTRY_VERIFY(!failing.zipProgressVisible());
        QTest::qWait(50);
        QCOMPARE(failing.items().size(), std::size_t(1));
        QCOMPARE(archives(), before);
    }

    void pointsFlipAroundThePrimaryScreensBottomLeft() {
        const QRectF primary(0, 0, 1920, 1080);
        QCOMPARE(ScreenPoints::fromQtGlobal(QPointF(-300, 1500), primary), QPointF(-300, -420));
        QCOMPARE(ScreenPoints::toQtGlobal(QPointF(-300, -420), primary), QPointF(-300, 1500));
        // A primary screen right of and below another one.
        const QRectF offset(1280, 200, 1024, 768);
        QCOMPARE(ScreenPoints::fromQtGlobal(QPointF(1280, 968), offset), QPointF(1280, 0));
    }
};

QTEST_MAIN(ShelfControllerTest)
#include "tst_ShelfController.moc"
