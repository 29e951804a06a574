#include "model/Shelf.h"

#include "FakePlatform.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

ShelfItemPtr text(const QString& t) {
    return ShelfItem::makeText(t);
}

QStringList titles(const Shelf& shelf) {
    QStringList result;
    for (const ShelfItemPtr& item : shelf.items())
        result << item->title();
    return result;
}

// A shelf on hand-driven timers that counts its closes and refreshes.
struct Counted {
    explicit Counted(std::vector<ShelfItemPtr> items)
        : shelf(std::move(items), timers) {
        shelf.onClose = [this] { ++closes; };
        shelf.onHide = [this] { hiddenBeforeClose = closes == 0; };
        shelf.onChange = [this] { ++changes; };
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

    ShelfItemPtr file(const QString& relative) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.filePath(relative)));
    }

private Q_SLOTS:
    void duplicateFilesAreSkippedWithinAndAcrossBatches() {
        Counted c({});
        c.shelf.add({file("a.txt"), file("./a.txt"), text("x")});
        QCOMPARE(titles(c.shelf), (QStringList{"a.txt", "x"}));
        // Another spelling of the same path, a second file, and the same text again.
        c.shelf.add({file("sub/../a.txt"), file("b.txt"), text("x")});
        QCOMPARE(titles(c.shelf), (QStringList{"a.txt", "x", "b.txt", "x"}));
        QCOMPARE(c.changes, 2); // one refresh per batch
    }

    void unpinnedShelvesLoseWhatIsDraggedOutOrRemovedAndCloseWhenEmptied() {
        ShelfItemPtr same = text("same"), twin = text("same");
        Counted c({same, twin, text("c"), same});
        c.shelf.remove(same); // that very object, not an equal one
        QCOMPARE(c.shelf.items().front(), twin);
        c.shelf.draggedOut({c.shelf.items()[1]});
        QCOMPARE(titles(c.shelf), QStringList{"same"});
        QCOMPARE(c.closes, 0);
        c.shelf.draggedOut(c.shelf.items()); // the shelf's own list, as a drag of all
        QCOMPARE(c.closes, 1);
        QVERIFY(c.hiddenBeforeClose);

        Counted cleared({text("a")});
        cleared.shelf.clear();
        QCOMPARE(cleared.closes, 1);
        QVERIFY(cleared.shelf.items().empty());
    }

    void pinnedShelvesKeepDraggedItemsAndStayOpenUntilClosed() {
        ShelfItemPtr a = text("a");
        Counted c({a, text("b")});
        c.shelf.togglePin();
        c.shelf.draggedOut({a});
        c.shelf.draggedOut(c.shelf.items());
        QCOMPARE(c.shelf.items().size(), std::size_t(2));
        c.shelf.remove(a);
        QCOMPARE(titles(c.shelf), QStringList{"b"});
        c.shelf.clear();
        QVERIFY(c.shelf.items().empty());
        c.shelf.togglePin(); // unpinning an empty shelf does not close it either
        QCOMPARE(c.closes, 0);
        c.shelf.togglePin();
        c.shelf.close(); // closing a pinned shelf
        QCOMPARE(c.closes, 1);
    }

    void autoCloseFiresOnlyForAShelfLeftEmptyAndUnpinned() {
        Counted idle({});
        idle.shelf.scheduleAutoCloseIfEmpty(6.0);
        idle.timers.advance(5.9);
        QCOMPARE(idle.closes, 0);
        idle.timers.advance(0.2);
        QCOMPARE(idle.closes, 1);
        QVERIFY(!idle.shelf.autoClosePending());

        Counted fed({});
        fed.shelf.scheduleAutoCloseIfEmpty(6.0);
        fed.shelf.add({}); // even an empty drop cancels it for good
        QVERIFY(!fed.shelf.autoClosePending());
        fed.timers.advance(10);
        QCOMPARE(fed.closes, 0);

        Counted pinned({});
        pinned.shelf.scheduleAutoCloseIfEmpty(6.0);
        pinned.shelf.togglePin();
        pinned.timers.advance(10);
        QCOMPARE(pinned.closes, 0);
        QCOMPARE(pinned.timers.activeCount(), 0); // nothing re-armed
    }
};

QTEST_GUILESS_MAIN(ShelfTest)
#include "tst_Shelf.moc"
