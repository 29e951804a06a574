#include "model/ShelfManager.h"
#include "platform/Bookmarks.h"

#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

class FakeServices final : public ShelfManagerServices {
public:
    explicit FakeServices(QString file)
        : path(std::move(file)) {}

    QString recentShelvesPath() override { return path; }
    // Every reading is one minute later, so entries can be told apart.
    QDateTime now() override { return clock = clock.addSecs(60); }
    QPointF cursorPosition() override { return cursor; }
    ScreenLayout screens() override {
        const QRectF area(0, 0, 4000, 4000);
        return ScreenLayout{{{area, area}}, 0};
    }
    void alert() override { ++alerts; }
    Timers* timers() override { return &fakeTimers; }

    QString path;
    QDateTime clock{QDate(2024, 5, 6), QTime(9, 0), QTimeZone::utc()};
    QPointF cursor{2000, 2000};
    int alerts = 0;
    FakeTimers fakeTimers;
};

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

QtMessageHandler previousHandler = nullptr;

// The offscreen platform cannot raise or mask windows, and says so for every shelf.
void quietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
    if (!message.contains(QLatin1String("This plugin does not support")))
        previousHandler(type, context, message);
}

void flushDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class ShelfManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<FakeServices> m_services;
    ScopedPreferences m_preferences;

    QString file() const { return m_services->path; }
    std::unique_ptr<ShelfManager> makeManager() {
        return std::make_unique<ShelfManager>(m_services);
    }
    // Opens a shelf holding one text and closes it into the recent list.
    void archive(ShelfManager& manager, const QString& text) {
        manager.newShelf({0, 0}, {ShelfItem::makeText(text)})->close();
    }

private Q_SLOTS:
    void initTestCase() { previousHandler = qInstallMessageHandler(quietOffscreenWarnings); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_services = std::make_shared<FakeServices>(m_dir->filePath("recent-shelves.json"));
    }
    void cleanup() { flushDeletions(); }

    void aSixthShelfClosesTheFirstEmptyOneElseTheOldest_data() {
        QTest::addColumn<int>("emptyIndex"); // -1: every shelf holds items
        QTest::newRow("an empty one, leaving no trace") << 2;
        QTest::newRow("the oldest, becoming the newest recent") << -1;
    }

    void aSixthShelfClosesTheFirstEmptyOneElseTheOldest() {
        QFETCH(int, emptyIndex);
        auto manager = makeManager();
        std::vector<QPointer<ShelfController>> opened;
        for (int i = 0; i < ShelfManager::maxOpen; ++i) {
            std::vector<ShelfItemPtr> items;
            if (i != emptyIndex)
                items.push_back(ShelfItem::makeText(QString::number(i)));
            opened.emplace_back(manager->newShelf({100.0 * i, 500}, items));
        }
        ShelfController* sixth = manager->newShelf({900, 900}, {});
        const int closed = emptyIndex >= 0 ? emptyIndex : 0;
        auto expected = std::vector<ShelfController*>(opened.begin(), opened.end());
        expected.erase(expected.begin() + closed);
        expected.push_back(sixth);
        QCOMPARE(manager->shelves(), expected);
        QVERIFY(!opened[closed]->panel()->isVisible());
        if (emptyIndex >= 0) {
            QVERIFY(manager->recent().empty());
            QVERIFY(!QFile::exists(file()));
        } else {
            QCOMPARE(manager->recent().size(), 1u);
            QCOMPARE(manager->recent()[0].items, opened[0]->items());
            QCOMPARE(ShelfStore::read(file()).size(), 1u);
        }
        // The closed controller lives until its own close has returned.
        QVERIFY(opened[closed]);
        flushDeletions();
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
        QTest::newRow("top edge is outside") << QPointF(1100, 1360) << true << QPointF(1100, 1360);
        QTest::newRow("on to the next shelf along the diagonal")
            << QPointF(1270, 1010) << true << QPointF(1326, 954);
        QTest::newRow("a hidden shelf does not block")
            << QPointF(1270, 1010) << false << QPointF(1298, 982);
        // Ten steps would leave the shelf; the eighth is used untested.
        QTest::newRow("at most eight steps") << QPointF(1000, 1359) << false << QPointF(1224, 1135);
    }

    void newShelvesMoveDownRightOffVisibleShelves() {
        QFETCH(QPointF, point);
        QFETCH(bool, secondVisible);
        QFETCH(QPointF, expected);
        auto manager = makeManager();
        manager->newShelf({0, 0}, {})->panel()->setFrameOrigin({1000, 1000});
        ShelfController* second = manager->newShelf({0, 0}, {});
        second->panel()->setFrameOrigin({1019, 623}); // holds only (1298, 982) of that path
        if (!secondVisible)
            second->panel()->orderOut();
        QCOMPARE(openedAt(manager->newShelf(point, {})), expected);
    }

    void onlyTheTenNewestArchivesAreKept() {
        auto manager = makeManager();
        for (int i = 1; i <= 11; ++i)
            archive(*manager, QString::number(i));
        QCOMPARE(firstTitles(manager->recent()),
                 (QStringList{"11", "10", "9", "8", "7", "6", "5", "4", "3", "2"}));
        QCOMPARE(ShelfStore::read(file()).size(), 10u);
        QVERIFY(manager->shelves().empty());
    }

    void aShelfClosedEmptyOrTwiceAddsNothingMore() {
        auto manager = makeManager();
        manager->newShelf({0, 0}, {})->close();
        // Taking the last item out closes the shelf from inside its own handler.
        auto item = ShelfItem::makeText("dragged out");
        QPointer<ShelfController> emptied = manager->newShelf({0, 0}, {item});
        emptied->remove(item);
        QVERIFY(manager->shelves().empty());
        QVERIFY(manager->recent().empty());
        QVERIFY(emptied);
        QVERIFY(!QFile::exists(file()));
        ShelfController* shelf = manager->newShelf({0, 0}, {ShelfItem::makeText("a")});
        shelf->close();
        shelf->close();
        QCOMPARE(manager->recent().size(), 1u);
    }

    void restoreOpensTheSurvivorsAndKeepsTheEntry() {
        QTemporaryDir files;
        const QString kept = files.filePath("kept.txt");
        const QString gone = files.filePath("gone.txt");
        QVERIFY(writeWholeFile(kept, "k") && writeWholeFile(gone, "g"));
        const auto text = ShelfItem::makeText("note");
        const auto keptItem = ShelfItem::makeFile(QUrl::fromLocalFile(kept));
        const auto goneItem = ShelfItem::makeFile(QUrl::fromLocalFile(gone));
        auto manager = makeManager();
        manager->newShelf({0, 0}, {goneItem})->close();
        manager->newShelf({0, 0}, {goneItem, text, keptItem})->close();
        QVERIFY(QFile::remove(gone));

        manager->restore(manager->recent()[1], {500, 500});
        QCOMPARE(m_services->alerts, 1);
        QVERIFY(manager->shelves().empty());
        QCOMPARE(manager->recent().size(), 2u);

        manager->restore(manager->recent()[0], {500, 500});
        QCOMPARE(m_services->alerts, 1);
        QCOMPARE(manager->shelves().size(), 1u);
        const std::vector<ShelfItemPtr> survivors{text, keptItem};
        QCOMPARE(manager->shelves()[0]->items(), survivors);
        QCOMPARE(openedAt(manager->shelves()[0]), QPointF(500, 500));
        manager->shelves()[0]->close();
        QCOMPARE(manager->recent().size(), 3u);
        QCOMPARE(manager->recent()[0].items, survivors);
    }

    void toggleAllOpensHidesOrShows() {
        auto manager = makeManager();
        manager->toggleAll();
        QCOMPARE(manager->shelves().size(), 1u);
        QCOMPARE(openedAt(manager->shelves()[0]), m_services->cursor);
        QCOMPARE(m_services->fakeTimers.activeCount(), 0); // no auto-close

        manager->newShelf({100, 100}, {})->panel()->orderOut();
        auto visible = [&] {
            QList<bool> result;
            for (ShelfController* shelf : manager->shelves())
                result << shelf->panel()->isVisible();
            return result;
        };
        manager->toggleAll();
        QCOMPARE(visible(), (QList<bool>{false, false}));
        manager->toggleAll();
        QCOMPARE(visible(), (QList<bool>{true, true}));
        QCOMPARE(manager->shelves().size(), 2u);
    }

    void saveBeforeQuitPutsTheNewestOpenShelfFirst() {
        auto manager = makeManager();
        archive(*manager, "old");
        manager->newShelf({0, 0}, {ShelfItem::makeText("A")});
        manager->newShelf({0, 0}, {});
        manager->newShelf({0, 0}, {ShelfItem::makeText("B")});
        manager->saveBeforeQuit();
        QCOMPARE(firstTitles(manager->recent()), (QStringList{"B", "A", "old"}));
        QCOMPARE(manager->shelves().size(), 3u);
        const auto stored = ShelfStore::read(file());
        QCOMPARE(stored.size(), 3u);
        QCOMPARE(stored[0].items[0].text, QString("B"));
        QVERIFY(stored[0].date > stored[1].date);

        // With nothing open the final write still happens.
        auto idle = makeManager();
        QVERIFY(QFile::remove(file()));
        idle->saveBeforeQuit();
        QCOMPARE(ShelfStore::read(file()).size(), 3u);
    }

    void removingRecentWritesOnlyForAValidIndex() {
        auto manager = makeManager();
        archive(*manager, "first");
        archive(*manager, "second");
        QVERIFY(QFile::remove(file()));
        for (int invalid : {-1, 2})
            manager->removeRecent(invalid);
        QCOMPARE(manager->recent().size(), 2u);
        QVERIFY(!QFile::exists(file()));

        manager->removeRecent(1);
        QCOMPARE(firstTitles(manager->recent()), QStringList{"second"});
        QCOMPARE(ShelfStore::read(file()).size(), 1u);

        for (int round = 0; round < 2; ++round) { // also when already empty
            QVERIFY(QFile::remove(file()));
            manager->removeAllRecent();
            QVERIFY(manager->recent().empty());
            QCOMPARE(readWholeFile(file()), QByteArray("[]"));
        }
    }

    void loadingKeepsEveryShelfWithSomethingLeftInFileOrderAndWritesNothing() {
        QTemporaryDir files; // apart from the recent-shelves file, which may reuse gone's inode
        const QString kept = files.filePath("kept.txt"), gone = files.filePath("gone.txt");
        QVERIFY(writeWholeFile(kept, "k") && writeWholeFile(gone, "g"));
        const StoredItem goneItem{Bookmarks::make(gone), std::nullopt};
        std::vector<StoredShelf> stored;
        for (int i = 0; i < 12; ++i)
            stored.push_back({i + 0.125, {StoredItem{std::nullopt, QString::number(i)}}});
        stored.insert(stored.begin() + 3, StoredShelf{99, {StoredItem{}, goneItem}});
        stored.insert(stored.begin() + 5,
                      StoredShelf{98,
                                  {goneItem, StoredItem{std::nullopt, QStringLiteral(" hi ")},
                                   StoredItem{Bookmarks::make(kept), std::nullopt}}});
        QVERIFY(ShelfStore::write(stored, file()));
        QVERIFY(QFile::remove(gone));
        const QByteArray bytes = readWholeFile(file());

        auto manager = makeManager();
        const auto& recent = manager->recent();
        QCOMPARE(recent.size(), 13u); // more than ten, less the shelf with nothing left
        QCOMPARE(recent[3].items[0]->text(), QStringLiteral("3"));
        QCOMPARE(recent[4].date, 98.0);
        QCOMPARE(recent[4].items.size(), 2u);
        QCOMPARE(recent[4].items[0]->text(), QStringLiteral(" hi "));
        QCOMPARE(recent[4].items[1]->path(), kept);
        QCOMPARE(recent[12].date, 11.125);
        QCOMPARE(readWholeFile(file()), bytes);
    }

    void aDamagedFileGivesNothingAndStaysUntilTheNextWrite() {
        const QByteArray damaged("[{\"date\": 1, \"items\": [}");
        QVERIFY(writeWholeFile(file(), damaged));
        auto manager = makeManager();
        QVERIFY(manager->recent().empty());
        QCOMPARE(readWholeFile(file()), damaged);
        archive(*manager, "x");
        QCOMPARE(ShelfStore::read(file()).size(), 1u);
    }

    void aFailedWriteKeepsTheListAndTheNextChangeWritesItAll() {
        // A regular file where the folder should be: even root cannot write there.
        const QString blocker = m_dir->filePath("blocked");
        QVERIFY(writeWholeFile(blocker, "not a folder"));
        m_services->path = blocker + "/recent-shelves.json";
        auto manager = makeManager();
        archive(*manager, "one");
        QCOMPARE(manager->recent().size(), 1u);
        QVERIFY(QFile::remove(blocker) && QDir().mkpath(blocker));
        archive(*manager, "two");
        QCOMPARE(firstTitles(manager->recent()), (QStringList{"two", "one"}));
        QCOMPARE(ShelfStore::read(file()).size(), 2u);
    }
};

QTEST_MAIN(ShelfManagerTest)
#include "tst_ShelfManager.moc"
