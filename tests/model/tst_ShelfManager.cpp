#include "model/ShelfManager.h"

#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "model/Shelf.h"
#include "model/ShelfStore.h"
#include "platform/files/Bookmarks.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList firstTitles(const std::vector<RecentShelf>& recent) {
    QStringList result;
    for (const RecentShelf& shelf : recent)
        result << shelf.items.front()->title();
    return result;
}

std::vector<ShelfItemPtr> texts(const QStringList& list) {
    std::vector<ShelfItemPtr> items;
    for (const QString& text : list)
        items.push_back(ShelfItem::makeText(text));
    return items;
}

} // namespace

class ShelfManagerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<FakeShelfManagerServices> m_services;
    std::unique_ptr<ShelfManager> m_manager;
    ScopedPreferences m_preferences;

    ShelfManager& manager() { return *m_manager; }
    FakeShelfWindow& window(const Shelf* shelf) {
        return *static_cast<FakeShelfWindow*>(manager().windowOf(shelf));
    }
    void archive(const QString& text) { manager().newShelf({0, 0}, texts({text}))->close(); }
    ShelfManager& restart() {
        m_manager.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_manager =
            std::make_unique<ShelfManager>(m_services, std::make_shared<FakeShelfWindows>());
        return *m_manager;
    }
    bool writes(const std::function<void()>& change) {
        QFile::remove(m_services->path);
        change();
        return QFile::exists(m_services->path);
    }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_services = std::make_shared<FakeShelfManagerServices>();
        m_services->path = m_dir->filePath("recent-shelves.json");
        restart();
    }
    void cleanup() {
        m_manager.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void aSixthShelfClosesTheFirstEmptyOneElseTheOldest() {
        // An empty one goes leaving no trace; else the oldest becomes the newest recent.
        for (const int emptyIndex : {2, -1}) { // -1: every shelf holds items
            init();                            // a fresh manager
            std::vector<QPointer<Shelf>> opened;
            for (int i = 0; i < ShelfManager::maxOpen; ++i)
                opened.emplace_back(manager().newShelf(
                    {100.0 * i, 500}, i == emptyIndex ? texts({}) : texts({QString::number(i)})));
            manager().newShelf({900, 900}, {});
            const int closed = emptyIndex >= 0 ? emptyIndex : 0;
            const std::vector<Shelf*> shelves = manager().shelves();
            QCOMPARE(shelves.size(), std::size_t(ShelfManager::maxOpen));
            QVERIFY(std::find(shelves.begin(), shelves.end(), opened[closed]) == shelves.end());
            QCOMPARE(ShelfStore::read(m_services->path).size(), emptyIndex >= 0 ? 0u : 1u);
            // The closed shelf lives until its own close has returned.
            QVERIFY(opened[closed]);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!opened[closed]);
        }
    }

    void newShelvesMoveDownRightOffVisibleShelves() {
        // The first shelf covers x in [1000, 1280) and y in [1000, 1360); the second
        // holds only (1298, 982) of the path. A bottom-left corner inside moves; a
        // visible second shelf moves it on along the diagonal; ten steps would leave
        // the shelf, and the eighth is used untested.
        const std::tuple<QPointF, bool, QPointF> cases[] = {{{1000, 1000}, false, {1028, 972}},
                                                            {{1270, 1010}, true, {1326, 954}},
                                                            {{1000, 1359}, false, {1224, 1135}}};
        for (const auto& [point, secondVisible, expected] : cases) {
            init(); // a fresh manager
            window(manager().newShelf({0, 0}, {})).rect = QRectF(1000, 1000, 280, 360);
            FakeShelfWindow& second = window(manager().newShelf({0, 0}, {}));
            second.rect = QRectF(1019, 623, 280, 360);
            second.visible = secondVisible;
            QCOMPARE(window(manager().newShelf(point, {})).shownAt, expected);
        }
    }

    void onlyTheTenNewestArchivesAreKept() {
        for (int i = 1; i <= 11; ++i)
            archive(QString::number(i));
        QCOMPARE(firstTitles(manager().recent()),
                 (QStringList{"11", "10", "9", "8", "7", "6", "5", "4", "3", "2"}));
        QCOMPARE(ShelfStore::read(m_services->path).size(), 10u);
    }

    void aShelfClosedEmptyOrTwiceAddsNothingMore() {
        // Taking the last item out closes the shelf from inside its own call.
        auto item = ShelfItem::makeText("dragged out");
        manager().newShelf({0, 0}, {item})->draggedOut({item});
        QVERIFY(manager().shelves().empty());
        QVERIFY(!QFile::exists(m_services->path));
        Shelf* shelf = manager().newShelf({0, 0}, texts({"a"}));
        shelf->close();
        shelf->close();
        QCOMPARE(manager().recent().size(), 1u);
    }

    void restoreOpensTheSurvivorsOrAlertsAndKeepsTheEntry() {
        const QString kept = m_dir->filePath("kept.txt"), gone = m_dir->filePath("gone.txt");
        QVERIFY(writeWholeFile(kept, "k") && writeWholeFile(gone, "g"));
        const auto keptItem = ShelfItem::makeFile(QUrl::fromLocalFile(kept));
        const auto goneItem = ShelfItem::makeFile(QUrl::fromLocalFile(gone));
        manager().newShelf({0, 0}, {goneItem})->close();
        manager().newShelf({0, 0}, {goneItem, keptItem})->close();
        QVERIFY(QFile::remove(gone));
        manager().restore(manager().recent()[1], {500, 500});
        QVERIFY(m_services->alerts == 1 && manager().shelves().empty());
        manager().restore(manager().recent()[0], {500, 500});
        QCOMPARE(manager().shelves()[0]->items(), std::vector<ShelfItemPtr>{keptItem});

        // Restoring the last entry with five open: making room archives the
        // oldest open shelf, which pushes that very entry out.
        for (int i = 0; i < ShelfManager::maxRecent; ++i)
            archive(QString::number(i));
        for (int i = 1; i < ShelfManager::maxOpen; ++i)
            manager().newShelf({0, 0}, texts({"open"}));
        const std::vector<ShelfItemPtr> last = manager().recent().back().items;
        manager().restore(manager().recent().back(), {500, 500});
        QCOMPARE(manager().shelves().back()->items(), last);
        QCOMPARE(firstTitles(manager().recent()).back(), QStringLiteral("1"));
    }

    void toggleAllOpensOneOrHidesAllWhenAnyIsVisibleElseShowsAll() {
        manager().toggleAll(); // none open: one at the cursor
        QCOMPARE(manager().shelves().size(), 1u);
        Shelf* first = manager().shelves()[0];
        QCOMPARE(window(first).shownAt, QPointF(2000, 2000));
        Shelf* second = manager().newShelf({100, 0}, {});
        window(second).visible = false;
        manager().toggleAll();
        QVERIFY(!window(first).visible && !window(second).visible);
        manager().toggleAll();
        QVERIFY(window(first).visible && window(second).visible);
    }

    void saveBeforeQuitPutsTheNewestFirstAndEndsWithOneWrite() {
        archive("old");
        manager().newShelf({0, 0}, texts({"A"}));
        manager().newShelf({0, 0}, {});
        manager().newShelf({0, 0}, texts({"B", "b"}));
        QVERIFY(writes([&] { manager().saveBeforeQuit(); }));
        const QStringList order{"B", "A", "old"};
        QCOMPARE(firstTitles(manager().recent()), order);
        QCOMPARE(ShelfStore::read(m_services->path).size(), 3u);
        QCOMPARE(manager().shelves().size(), 3u); // nothing is closed
    }

    void removingARecentEntryOrClearingTheListRewritesTheFile() {
        archive("older");
        archive("newer");
        QVERIFY(!writes([&] { manager().removeRecent(2); })); // no such entry
        QVERIFY(writes([&] { manager().removeRecent(0); }));
        QCOMPARE(firstTitles(restart().recent()), QStringList{"older"});
        QVERIFY(writes([&] { manager().removeAllRecent(); }));
        QVERIFY(restart().recent().empty());
    }

    void loadingKeepsOrderDatesAndSurvivorsAndRenewsStaleBookmarks() {
        // One letter per stored item: t a text, f an existing file, g a file
        // deleted since, n an item with neither field, s a file renamed since
        // (its bookmark is stale). Twelve shelves, more than an archive keeps.
        const QStringList table{"t", "g", "ntf", "s", "tt", "f", "t", "ft", "t", "t", "tf", "t"};
        std::vector<StoredShelf> stored;
        QStringList expected, deleted;
        QVERIFY(QDir(m_dir->path()).mkdir("files"));
        for (const QString& letters : table) {
            StoredShelf shelf{786000000.125 - 3600.0 * stored.size(), {}};
            QStringList titles;
            for (const QChar letter : letters) {
                const QString name =
                    QStringLiteral("%1-%2").arg(stored.size()).arg(shelf.items.size());
                const QString path = m_dir->filePath("files/" + name);
                StoredItem item;
                if (letter == 't')
                    item.text = name;
                if (letter == 'f' || letter == 'g' || letter == 's') {
                    QVERIFY(writeWholeFile(path, "x"));
                    item.bookmark = Bookmarks::make(path);
                }
                if (letter == 'g')
                    deleted << path;
                if (letter == 's')
                    QVERIFY(QFile::rename(path, path + "-moved"));
                if (letter != 'g' && letter != 'n')
                    titles << name + (letter == 's' ? "-moved" : "");
                shelf.items.push_back(item);
            }
            if (!titles.isEmpty())
                expected << QString::number(shelf.date, 'f', 3) + ' ' + titles.join(' ');
            stored.push_back(std::move(shelf));
        }
        // Deleted last, in a folder of their own: a file made after them in
        // their folder could take over an inode and pass for a renamed file.
        for (const QString& path : deleted)
            QVERIFY(QFile::remove(path));
        QVERIFY(ShelfStore::write(stored, m_services->path));
        const QByteArray bytes = readWholeFile(m_services->path);

        ShelfManager& manager = restart();
        QStringList loaded;
        for (const RecentShelf& shelf : manager.recent()) {
            QStringList titles;
            for (const ShelfItemPtr& item : shelf.items)
                titles << item->title();
            loaded << QString::number(shelf.date, 'f', 3) + ' ' + titles.join(' ');
        }
        QCOMPARE(loaded, expected);
        QCOMPARE(readWholeFile(m_services->path), bytes);

        const ShelfItemPtr moved = manager.recent()[2].items.front();
        QVERIFY(moved->bookmark() && moved->bookmark() != stored[3].items.front().bookmark);
        archive("newest");
        const std::vector<StoredShelf> after = ShelfStore::read(m_services->path);
        QCOMPARE(after.size(), std::size_t(ShelfManager::maxRecent));
        QCOMPARE(after[3].items.front().bookmark, moved->bookmark());
    }

    // The file keeps what fits and no secret; the list in memory stays whole.
    void anOversizedShelfOrASecretIsLeftOutOfTheFileAndLaterChangesStillReachIt() {
        archive("older");
        archive(QString(ShelfStore::maxFileBytes, QLatin1Char('a')));
        archive("small");
        manager().newShelf({0, 0}, {ShelfItem::makeSecretText("pass")})->close();
        manager()
            .newShelf({0, 0}, {ShelfItem::makeText("beside"), ShelfItem::makeSecretText("word")})
            ->close();
        QCOMPARE(manager().recent().size(), 5u);
        QVERIFY(!readWholeFile(m_services->path).contains("word"));
        QCOMPARE(firstTitles(restart().recent()), (QStringList{"beside", "small", "older"}));
    }

    // A user with two sessions runs two programs on one state folder. The
    // writer's lock ends with its holder, also one that was killed.
    void onlyOneProgramOfTheUserWritesTheFile() {
        m_manager.reset(); // the fixture's manager holds the lock
        const QByteArray lock = QFile::encodeName(m_dir->filePath("recent-shelves.lock"));
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t holder = ::fork();
        if (holder == 0) {
            ::flock(::open(lock.constData(), O_RDWR | O_CREAT, 0600), LOCK_EX);
            (void)!::write(ready[1], "x", 1);
            ::pause();
        }
        char byte = 0;
        QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
        restart();
        archive("not kept");
        QVERIFY(!QFile::exists(m_services->path));
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);

        restart();
        archive("first 1");
        ShelfManager second(m_services, std::make_shared<FakeShelfWindows>());
        second.newShelf({0, 0}, texts({"second"}))->close();
        QCOMPARE(firstTitles(second.recent()), (QStringList{"second", "first 1"}));
        second.removeAllRecent();
        archive("first 2");
        QCOMPARE(firstTitles(restart().recent()), (QStringList{"first 2", "first 1"}));
    }

    void aFileNameThatIsNotUtf8SurvivesARestart() {
        const QByteArray native = QFile::encodeName(m_dir->path()) + "/caf\xe9 \xff.txt";
        const int fd = ::open(native.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0 && ::close(fd) == 0);
        const QUrl url = QUrl::fromEncoded("file://" + native.toPercentEncoding("/"));
        manager().newShelf({0, 0}, {ShelfItem::makeFile(url)})->close();
        const ShelfItemPtr item = restart().recent().at(0).items.at(0);
        QCOMPARE(item->url(), url);
        QVERIFY(item->fileExists());
        QCOMPARE(::unlink(native.constData()), 0); // a name QDir cannot spell
    }
};

QTEST_GUILESS_MAIN(ShelfManagerTest)
#include "tst_ShelfManager.moc"
