#include "model/ShelfManager.h"

#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// Where a shelf was asked to open: its panel sits 16 points right of the
// point and is vertically centred on it (no screen edge is near).
QPointF openedAt(const ShelfController* shelf) {
    const QRectF frame = shelf->panel()->frame();
    return {frame.left() - 16, frame.top() + ShelfPanel::panelHeight / 2.0};
}

QStringList firstTitles(const std::vector<RecentShelf>& recent) {
    QStringList result;
    for (const RecentShelf& shelf : recent)
        result << shelf.items.front()->title();
    return result;
}

} // namespace

class ShelfManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<FakeShelfManagerServices> m_services;
    ScopedPreferences m_preferences;

    // Opens a shelf holding one text and closes it into the recent list.
    void archive(ShelfManager& manager, const QString& text) {
        manager.newShelf({0, 0}, {ShelfItem::makeText(text)})->close();
    }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_services = std::make_shared<FakeShelfManagerServices>();
        m_services->path = m_dir->filePath("recent-shelves.json");
    }
    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void aSixthShelfClosesTheFirstEmptyOneElseTheOldest_data() {
        QTest::addColumn<int>("emptyIndex"); // -1: every shelf holds items
        QTest::newRow("an empty one, leaving no trace") << 2;
        QTest::newRow("the oldest, becoming the newest recent") << -1;
    }

    void aSixthShelfClosesTheFirstEmptyOneElseTheOldest() {
        QFETCH(int, emptyIndex);
        ShelfManager manager(m_services);
        std::vector<QPointer<ShelfController>> opened;
        for (int i = 0; i < ShelfManager::maxOpen; ++i) {
            std::vector<ShelfItemPtr> items;
            if (i != emptyIndex)
                items.push_back(ShelfItem::makeText(QString::number(i)));
            opened.emplace_back(manager.newShelf({100.0 * i, 500}, items));
        }
        ShelfController* sixth = manager.newShelf({900, 900}, {});
        const int closed = emptyIndex >= 0 ? emptyIndex : 0;
        const std::vector<ShelfController*> shelves = manager.shelves();
        QCOMPARE(shelves.size(), std::size_t(ShelfManager::maxOpen));
        QCOMPARE(shelves.back(), sixth);
        QVERIFY(std::find(shelves.begin(), shelves.end(), opened[closed]) == shelves.end());
        QCOMPARE(ShelfStore::read(m_services->path).size(), emptyIndex >= 0 ? 0u : 1u);
        // The closed controller lives until its own close has returned.
        QVERIFY(opened[closed]);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!opened[closed]);
    }

    void newShelvesMoveDownRightOffVisibleShelves_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("secondVisible");
        QTest::addColumn<QPointF>("expected");
        // The first shelf covers x in [1000, 1280) and y in [1000, 1360).
        QTest::newRow("bottom-left corner is inside")
            << QPointF(1000, 1000) << false << QPointF(1028, 972);
        QTest::newRow("right edge is outside")
            << QPointF(1280, 1100) << true << QPointF(1280, 1100);
        QTest::newRow("a hidden shelf does not block")
            << QPointF(1270, 1010) << false << QPointF(1298, 982);
        QTest::newRow("on to the next shelf along the diagonal")
            << QPointF(1270, 1010) << true << QPointF(1326, 954);
        // Ten steps would leave the shelf; the eighth is used untested.
        QTest::newRow("at most eight steps") << QPointF(1000, 1359) << false << QPointF(1224, 1135);
    }

    void newShelvesMoveDownRightOffVisibleShelves() {
        QFETCH(QPointF, point);
        QFETCH(bool, secondVisible);
        QFETCH(QPointF, expected);
        ShelfManager manager(m_services);
        manager.newShelf({0, 0}, {})->panel()->setFrameOrigin({1000, 1000});
        ShelfController* second = manager.newShelf({0, 0}, {});
        second->panel()->setFrameOrigin({1019, 623}); // holds only (1298, 982) of that path
        if (!secondVisible)
            second->panel()->orderOut();
        QCOMPARE(openedAt(manager.newShelf(point, {})), expected);
    }

    void onlyTheTenNewestArchivesAreKept() {
        ShelfManager manager(m_services);
        for (int i = 1; i <= 11; ++i)
            archive(manager, QString::number(i));
        QCOMPARE(firstTitles(manager.recent()),
                 (QStringList{"11", "10", "9", "8", "7", "6", "5", "4", "3", "2"}));
        QCOMPARE(ShelfStore::read(m_services->path).size(), 10u);
    }

    void aShelfClosedEmptyOrTwiceAddsNothingMore() {
        ShelfManager manager(m_services);
        // Taking the last item out closes the shelf from inside its own handler.
        auto item = ShelfItem::makeText("dragged out");
        QPointer<ShelfController> emptied = manager.newShelf({0, 0}, {item});
        emptied->remove(item);
        QVERIFY(manager.shelves().empty());
        QVERIFY(!QFile::exists(m_services->path));
        ShelfController* shelf = manager.newShelf({0, 0}, {ShelfItem::makeText("a")});
        shelf->close();
        shelf->close();
        QCOMPARE(manager.recent().size(), 1u);
    }

    void restoreOpensTheSurvivorsOrAlertsAndKeepsTheEntry() {
        const QString kept = m_dir->filePath("kept.txt"), gone = m_dir->filePath("gone.txt");
        QVERIFY(writeWholeFile(kept, "k") && writeWholeFile(gone, "g"));
        const auto keptItem = ShelfItem::makeFile(QUrl::fromLocalFile(kept));
        const auto goneItem = ShelfItem::makeFile(QUrl::fromLocalFile(gone));
        ShelfManager manager(m_services);
        manager.newShelf({0, 0}, {goneItem})->close();
        manager.newShelf({0, 0}, {goneItem, keptItem})->close();
        QVERIFY(QFile::remove(gone));
        manager.restore(manager.recent()[1], {500, 500});
        QCOMPARE(m_services->alerts, 1);
        QVERIFY(manager.shelves().empty());
        manager.restore(manager.recent()[0], {500, 500});
        QCOMPARE(manager.shelves()[0]->items(), std::vector<ShelfItemPtr>{keptItem});
    }

    void restoringTheLastEntryWhileFiveAreOpenOpensItsItems() {
        ShelfManager manager(m_services);
        for (int i = 1; i <= ShelfManager::maxRecent; ++i)
            archive(manager, QString::number(i));
        for (int i = 0; i < ShelfManager::maxOpen; ++i)
            manager.newShelf({0, 0}, {ShelfItem::makeText("open")});
        const std::vector<ShelfItemPtr> last = manager.recent().back().items;
        // Making room archives the oldest open shelf, which pushes this entry out.
        manager.restore(manager.recent().back(), {500, 500});
        QCOMPARE(manager.shelves().back()->items(), last);
        QCOMPARE(firstTitles(manager.recent()).back(), QStringLiteral("2"));
    }
};

QTEST_MAIN(ShelfManagerTest)
#include "tst_ShelfManager.moc"
