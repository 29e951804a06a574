#include "model/RecentShelf.h"
#include "model/Shelf.h"
#include "model/ShelfItem.h"
#include "model/ShelfStore.h"
#include "platform/files/Bookmarks.h"

#include "FakePlatform.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

ShelfItemPtr text(const QString& t) {
    return ShelfItem::makeText(t);
}

// A shelf on hand-driven timers that counts its closes.
struct Counted {
    explicit Counted(std::vector<ShelfItemPtr> items)
        : shelf(std::move(items), timers) {
        shelf.onClose = [this] { ++closes; };
        shelf.onHide = [this] { hiddenBeforeClose = closes == 0; };
    }
    QStringList titles() const {
        QStringList result;
        for (const ShelfItemPtr& item : shelf.items())
            result << item->title();
        return result;
    }
    FakeTimers timers;
    Shelf shelf;
    int closes = 0;
    bool hiddenBeforeClose = false;
};

} // namespace

// Items, what a shelf does with them, and the title of a recent shelf.
class ShelfItemTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString existing(const QString& name) {
        const QString path = m_dir.filePath(name);
        writeWholeFile(path, "x");
        return path;
    }

    ShelfItemPtr file(const QString& name) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.filePath(name)));
    }

private Q_SLOTS:
    void aFileItemIsStoredAsItsBookmarkAndRebuiltFromItButADanglingLinkGivesNone() {
        const QString path = existing(QStringLiteral("report.pdf"));
        const auto item = ShelfItem::makeFile(QUrl::fromLocalFile(path));
        const auto back = ShelfItem::fromStored(item->toStored());
        QVERIFY(back && back->isFile());
        QCOMPARE(back->path(), path);
        // The resolver finds a dangling link itself, but there is no file behind it.
        const QString link = m_dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("target")), link));
        QVERIFY(!ShelfItem::fromStored({Bookmarks::make(link), std::nullopt}));
    }

    void textItemsAreTrimmedShowALinkOnlyForHttpAndWinOverABookmark() {
        const std::array<QString, 3> cases[] = {
            // text, title, symbol
            {u" \tNotes \n"_s, u"Notes"_s, u"text.alignleft"_s},
            {u"https://example.org"_s, u"https://example.org"_s, u"link"_s},
            {u" http://a"_s, u"http://a"_s, u"text.alignleft"_s}};
        for (const auto& [text, title, symbol] : cases) {
            const auto item = ShelfItem::makeText(text);
            QCOMPARE(item->title(), title);
            QCOMPARE(item->symbolName(), symbol);
            QCOMPARE(ShelfItem::fromStored(item->toStored())->text(), text);
            const auto both = ShelfItem::fromStored({Bookmarks::make(existing(u"b.txt"_s)), text});
            QVERIFY(both && !both->isFile() && both->text() == text);
        }
    }

    void titleShowsTheFirstItemTheCountAndTheTimeOfDay() {
        const QString e = QStringLiteral("e\u0301"); // e and a combining acute accent
        const QString ellipsis = QStringLiteral("…");
        // Empty in Romanian; 28 characters stay whole; 29 are cut to 26, also
        // 29 accented letters, between clusters.
        const std::tuple<QStringList, QString, QString> cases[] = {
            {{}, u"ro"_s, u"gol"_s},
            {{QString(28, 'a')}, u"en"_s, QString(28, 'a')},
            {{QString(29, 'b'), u"x"_s}, u"en"_s, QString(26, 'b') + ellipsis + " +1"},
            {{e.repeated(29)}, u"en"_s, e.repeated(26) + ellipsis}};
        for (const auto& [titles, language, expected] : cases) {
            ScopedPreferences preferences({language});
            std::vector<ShelfItemPtr> items;
            for (const QString& title : titles)
                items.push_back(ShelfItem::makeText(title));
            const QDateTime local(QDate(2024, 5, 6), QTime(9, 30));
            const RecentShelf shelf{RecentShelf::secondsSinceReference(local), items};
            const QString time = QLocale::system().toString(QTime(9, 30), QLocale::ShortFormat);
            QCOMPARE(shelf.title(), expected + QStringLiteral(" — ") + time);
        }
    }

    void datesCountSecondsFrom2001InUtcAndOneBeyondAnyCalendarStillGivesATitle() {
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
        QCOMPARE(RecentShelf::secondsSinceReference(reference.addMSecs(-1500)), -1.5);
        QCOMPARE(RecentShelf::fromSecondsSinceReference(86400.25), reference.addMSecs(86400250));
        ScopedPreferences preferences;
        for (double date : {1e300, -1e300, 1e13 + 1}) {
            const RecentShelf shelf{date, {ShelfItem::makeText("x")}};
            QVERIFY(!shelf.dateTime().isValid());
            QCOMPARE(shelf.title(), QStringLiteral("x — "));
        }
    }

    void duplicateFilesAreSkippedWithinAndAcrossBatches() {
        Counted c({});
        c.shelf.add({file("a.txt"), file("./a.txt"), text("x")});
        // Another spelling of the same path, a second file, and the same text again.
        c.shelf.add({file("sub/../a.txt"), file("b.txt"), text("x")});
        // Names alike on screen but not in bytes (Latin-1) are two files.
        const QByteArray dir = "file://" + QFile::encodeName(m_dir.path()).toPercentEncoding("/");
        c.shelf.add({ShelfItem::makeFile(QUrl::fromEncoded(dir + "/caf%E9")),
                     ShelfItem::makeFile(QUrl::fromEncoded(dir + "/caf%E8"))});
        QCOMPARE(c.titles(), (QStringList{"a.txt", "x", "b.txt", "x", "caf\uFFFD", "caf\uFFFD"}));
    }

    void onlyUnpinnedShelvesLoseWhatIsDraggedOutOrRemovedAndCloseWhenEmptied() {
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
        // A pinned shelf keeps dragged items and stays open until closed.
        const ShelfItemPtr a = text("a");
        Counted pinned({a, text("b")});
        pinned.shelf.togglePin();
        pinned.shelf.draggedOut({a});
        pinned.shelf.draggedOut(pinned.shelf.items());
        pinned.shelf.remove(a);
        QCOMPARE(pinned.titles(), QStringList{"b"});
        pinned.shelf.clear();
        pinned.shelf.togglePin(); // unpinning an empty shelf does not close it either
        QVERIFY(pinned.shelf.items().empty() && pinned.closes == 0);
        pinned.shelf.togglePin();
        pinned.shelf.close(); // closing a pinned shelf
        QCOMPARE(pinned.closes, 1);
    }

    void autoCloseFiresOnlyForAShelfLeftEmptyAndUnpinned() {
        // An empty drop cancels it for good, and so does a pin.
        const std::pair<QLatin1String, int> cases[] = {
            {QLatin1String(""), 1}, {QLatin1String("add"), 0}, {QLatin1String("pin"), 0}};
        for (const auto& [meanwhile, closes] : cases) {
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
            QCOMPARE(c.timers.activeCount(), 0); // nothing re-armed
        }
    }
};

QTEST_GUILESS_MAIN(ShelfItemTest)
#include "tst_ShelfItem.moc"
