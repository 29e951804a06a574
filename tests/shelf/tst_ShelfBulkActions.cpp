#include "TestEnvironment.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfViews.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class ShelfBulkActionsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    ShelfItemPtr file(const QString& name, const QByteArray& content = "data") {
        const QString path = m_dir.filePath(name);
        writeWholeFile(path, content);
        return ShelfItem::makeFile(QUrl::fromLocalFile(path));
    }

    static QStringList archivesIn(const QString& folder) {
        return QDir(folder).entryList({QStringLiteral("Shelf *.zip")}, QDir::Files);
    }

private Q_SLOTS:
    void copyAllPutsEveryItemOnTheClipboardInShelfOrder() {
        ScopedPreferences prefs;
        ShelfItemPtr a = file(QStringLiteral("a.txt"));
        ShelfController shelf({a, ShelfItem::makeText(QStringLiteral("  spaced \n")),
                               file(QStringLiteral("b c.txt"))});
        shelf.copyAll();
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->text(), a->path() + QStringLiteral("\n  spaced \n\n") +
                                   m_dir.filePath(QStringLiteral("b c.txt")));
        QCOMPARE(data->urls().size(), 2);
        QVERIFY(
            data->data(QStringLiteral("x-special/gnome-copied-files")).startsWith("copy\nfile://"));
    }

    void copyAllOnAnEmptyShelfLeavesTheClipboardAlone() {
        ScopedPreferences prefs;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        ShelfController shelf({});
        shelf.copyAll();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void zipAddsTheArchiveAsTheLastRowAndHidesTheProgress() {
        ScopedPreferences prefs;
        ShelfController shelf({file(QStringLiteral("one.txt")),
                               ShelfItem::makeText(QStringLiteral("skip me")),
                               file(QStringLiteral("two.txt"))});
        shelf.scheduleAutoCloseIfEmpty(60);
        shelf.zipAll();
        QVERIFY(shelf.zipProgressVisible());
        QTRY_COMPARE(shelf.items().size(), std::size_t(4));
        const ShelfItemPtr archive = shelf.items().back();
        QVERIFY(archive->isFile());
        QVERIFY(archive->title().startsWith(QStringLiteral("Shelf ")));
        QCOMPARE(QFileInfo(archive->path()).absolutePath(), *ShelfDropView::dropsDirectory());
        QTRY_VERIFY(!shelf.zipProgressVisible());
        QVERIFY(!shelf.autoClosePending()); // the archive's arrival cancels it, as any add does
    }

    void aFailedZipAddsNothingAndStillHidesTheProgress() {
        ScopedPreferences prefs;
        ShelfItemPtr gone = file(QStringLiteral("gone.txt"));
        ShelfController shelf({gone});
        const QStringList before = archivesIn(*ShelfDropView::dropsDirectory());
        QFile::remove(gone->path());
        shelf.zipAll();
        QTRY_VERIFY(!shelf.zipProgressVisible());
        QTest::qWait(50);
        QCOMPARE(shelf.items().size(), std::size_t(1));
        QCOMPARE(archivesIn(*ShelfDropView::dropsDirectory()), before);
    }

    void aShelfClosedDuringTheJobStillGetsItsArchiveWrittenButNothingAdded() {
        ScopedPreferences prefs;
        const QStringList before = archivesIn(*ShelfDropView::dropsDirectory());
        auto shelf = std::make_unique<ShelfController>(
            std::vector<ShelfItemPtr>{file(QStringLiteral("big.bin"), QByteArray(8 << 20, 'x'))});
        shelf->zipAll();
        shelf.reset();
        QTRY_COMPARE(archivesIn(*ShelfDropView::dropsDirectory()).size(), before.size() + 1);
    }

    void zipOfTextsOnlyDoesNothing() {
        ScopedPreferences prefs;
        ShelfController shelf({ShelfItem::makeText(QStringLiteral("only text"))});
        shelf.zipAll();
        QVERIFY(!shelf.zipProgressVisible());
        QTest::qWait(50);
        QCOMPARE(shelf.items().size(), std::size_t(1));
    }
};

QTEST_MAIN(ShelfBulkActionsTest)
#include "tst_ShelfBulkActions.moc"
