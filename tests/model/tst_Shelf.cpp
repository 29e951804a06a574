#include "model/Shelf.h"

#include "FakePlatform.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

ShelfItemPtr text(const QString& t) {
    return ShelfItem::makeText(t);
}

// A shelf on hand-driven timers that counts its closes and refreshes.
struct Counted {
    explicit Counted(std::vector<ShelfItemPtr> items)
        : shelf(std::move(items), timers) {
        shelf.onClose = [this] { ++closes; };
        shelf.onHide = [this] { hiddenBeforeClose = closes == 0; };
        shelf.onChange = [this] { ++changes; };
    }
    QStringList titles() const {
        QStringList result;
        for (const ShelfItemPtr& item : shelf.items())
            result << item->title();
        return result;
    }
    FakeTimers timers;
    Shelf shelf;
    int closes = 0, changes = 0;
    bool hiddenBeforeClose = false;
};

} // namespace

class ShelfTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    ShelfItemPtr file(const QString& name) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.filePath(name)));
    }

private Q_SLOTS:
    void duplicateFilesAreSkippedWithinAndAcrossBatches() {
        Counted c({});
        c.shelf.add({file("a.txt"), file("./a.txt"), text("x")});
        // Another spelling of the same path, a second file, and the same text again.
        c.shelf.add({file("sub/../a.txt"), file("b.txt"), text("x")});
        QCOMPARE(c.titles(), (QStringList{"a.txt", "x", "b.txt", "x"}));
        QCOMPARE(c.changes, 2); // one refresh per batch
    }

    void unpinnedShelvesLoseWhatIsDraggedOutOrRemovedAndCloseWhenEmptied() {
        ShelfItemPtr same = text("same"), twin = text("same");
        Counted c({same, twin, text("c"), same});
        c.shelf.remove(same); // that very object, not an equal one
        c.shelf.draggedOut({c.shelf.items()[1]});
        QCOMPARE(c.shelf.items(), std::vector<ShelfItemPtr>{twin});
        QCOMPARE(c.closes, 0);
        c.shelf.draggedOut(c.shelf.items()); // the shelf's own list, as a drag of all
        QVERIFY(c.closes == 1 && c.hiddenBeforeClose);

        Counted cleared({text("a")});
        cleared.shelf.clear();
        QVERIFY(cleared.closes == 1 && cleared.shelf.items().empty());
    }

    void pinnedShelvesKeepDraggedItemsAndStayOpenUntilClosed() {
        ShelfItemPtr a = text("a");
        Counted c({a, text("b")});
        c.shelf.togglePin();
        c.shelf.draggedOut({a});
        c.shelf.draggedOut(c.shelf.items());
        c.shelf.remove(a);
        QCOMPARE(c.titles(), QStringList{"b"});
        c.shelf.clear();
        c.shelf.togglePin(); // unpinning an empty shelf does not close it either
        QVERIFY(c.shelf.items().empty() && c.closes == 0);
        c.shelf.togglePin();
        c.shelf.close(); // closing a pinned shelf
        QCOMPARE(c.closes, 1);
    }

    void autoCloseFiresOnlyForAShelfLeftEmptyAndUnpinned_data() {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<int>("closes");
        QTest::newRow("nothing") << "" << 1;
        QTest::newRow("an empty drop cancels it for good") << "add" << 0;
        QTest::newRow("pinned") << "pin" << 0;
    }

    void autoCloseFiresOnlyForAShelfLeftEmptyAndUnpinned() {
        QFETCH(QString, meanwhile);
        QFETCH(int, closes);
        Counted c({});
        c.shelf.scheduleAutoCloseIfEmpty(6.0);
        c.timers.advance(5.9);
        QCOMPARE(c.closes, 0);
        if (meanwhile == "add")
            c.shelf.add({});
        if (meanwhile == "pin")
            c.shelf.togglePin();
        c.timers.advance(10);
        QCOMPARE(c.closes, closes);
        QVERIFY(!c.shelf.autoClosePending());
        QCOMPARE(c.timers.activeCount(), 0); // nothing re-armed
    }
};

QTEST_GUILESS_MAIN(ShelfTest)
#include "tst_Shelf.moc"
