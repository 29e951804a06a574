// desktop-options: --compositor
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfViews.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using DesktopDriver::Tool;

namespace {

bool dragFromTo(QPoint from, QPoint to) {
    return DesktopDriver::drag(from, to, QStringLiteral("0.08"), QStringLiteral("0.3"));
}

// Opens a shelf whose top-left corner lands at the given Qt global position.
std::unique_ptr<ShelfController> shelfAt(QPoint topLeft, std::vector<ShelfItemPtr> items = {}) {
    auto shelf = std::make_unique<ShelfController>(std::move(items));
    // Screen points: the panel is placed 16 right of the point and centred on it.
    shelf->show(QPointF(topLeft.x() - 16, 1080 - topLeft.y() - ShelfPanel::panelHeight / 2.0));
    return shelf;
}

QPoint centreOf(QWidget* widget) {
    return widget->mapToGlobal(widget->rect().center());
}

QPoint emptySpotOf(ShelfController& shelf) {
    return shelf.panel()->mapToGlobal(
        QPoint(ShelfPanel::panelWidth / 2, ShelfPanel::panelHeight - 60));
}

} // namespace

class ShelfDragAndDropTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_fileA, m_fileB;

    ShelfItemPtr fileItem(const QString& path) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(path));
    }

private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_fileA = m_dir.filePath(QStringLiteral("report one.txt"));
        m_fileB = m_dir.filePath(QStringLiteral("b.txt"));
        QVERIFY(writeWholeFile(m_fileA, "a"));
        QVERIFY(writeWholeFile(m_fileB, "b"));
    }

    void droppingAFileFromAnotherProgramAddsItsRow() {
        ScopedPreferences prefs;
        auto shelf = shelfAt(QPoint(100, 300));
        Tool source(QStringLiteral("drag_source"),
                    {m_fileA, QStringLiteral("700"), QStringLiteral("650")});
        const QPoint from = source.waitForReady();
        QVERIFY(from.x() > 0);
        QVERIFY(dragFromTo(from, emptySpotOf(*shelf)));
        QTRY_COMPARE(shelf->items().size(), std::size_t(1));
        QCOMPARE(shelf->items().front()->path(), m_fileA);
        QVERIFY(!shelf->dropView()->highlighted());
    }

    void draggingARowOutRemovesItUnlessPinnedAndTheOtherProgramGetsTheFile() {
        ScopedPreferences prefs;
        Tool target(QStringLiteral("drop_target"), {"accept", "700", "300"});
        const QPoint to = target.waitForReady();
        QVERIFY(to.x() > 0);
        auto shelf = shelfAt(QPoint(100, 300), {fileItem(m_fileA), fileItem(m_fileB)});
        QVERIFY(dragFromTo(centreOf(shelf->rows()[0]), to));
        QTRY_COMPARE(shelf->items().size(), std::size_t(1));
        QVERIFY(!target.waitForLine(QStringLiteral("DROP ")).isEmpty());
        const QByteArray uris =
            QByteArray::fromBase64(target.waitForLine(QStringLiteral("URIS ")).toLatin1());
        QCOMPARE(uris.trimmed(), QUrl::fromLocalFile(m_fileA).toEncoded());

        shelf->togglePin();
        QVERIFY(dragFromTo(centreOf(shelf->rows()[0]), to));
        QVERIFY(!target.waitForLine(QStringLiteral("DROP ")).isEmpty());
        QTest::qWait(200);
        QCOMPARE(shelf->items().size(), std::size_t(1)); // pinned: kept
        shelf->close();
    }

    void draggingTheHeaderDeliversAllItemsInShelfOrderWithTextsUntrimmed() {
        ScopedPreferences prefs;
        Tool target(QStringLiteral("drop_target"), {"accept", "700", "300"});
        const QPoint to = target.waitForReady();
        auto shelf = shelfAt(QPoint(100, 300),
                             {fileItem(m_fileB), ShelfItem::makeText(QStringLiteral("  middle \n")),
                              fileItem(m_fileA)});
        const QPoint header = shelf->panel()->mapToGlobal(QPoint(60, 17));
        QVERIFY(dragFromTo(header, to));
        QVERIFY(!target.waitForLine(QStringLiteral("DROP ")).isEmpty());
        const QByteArray uris =
            QByteArray::fromBase64(target.waitForLine(QStringLiteral("URIS ")).toLatin1());
        QCOMPARE(uris, QUrl::fromLocalFile(m_fileB).toEncoded() + "\r\n" +
                           QUrl::fromLocalFile(m_fileA).toEncoded() + "\r\n");
        const QString text = QString::fromUtf8(
            QByteArray::fromBase64(target.waitForLine(QStringLiteral("TEXT ")).toLatin1()));
        QCOMPARE(text, m_fileB + QStringLiteral("\n  middle \n\n") + m_fileA);
        QTRY_VERIFY(shelf->items().empty());
    }

    void dragsBetweenShelvesAndOntoTheSameShelfAreRefused() {
        ScopedPreferences prefs;
        auto source = shelfAt(QPoint(100, 300),
                              {fileItem(m_fileA), ShelfItem::makeText(QStringLiteral("t"))});
        auto other = shelfAt(QPoint(900, 300));
        QVERIFY(dragFromTo(centreOf(source->rows()[0]), emptySpotOf(*source)));
        QVERIFY(dragFromTo(centreOf(source->rows()[1]), emptySpotOf(*other)));
        QVERIFY(dragFromTo(source->panel()->mapToGlobal(QPoint(60, 17)), emptySpotOf(*other)));
        QTest::qWait(300);
        QCOMPARE(source->items().size(), std::size_t(2));
        QVERIFY(other->items().empty());
        QVERIFY(!other->dropView()->highlighted());
    }

    void screenshotsOfAFullAndAnEmptyShelf() {
        ScopedPreferences prefs;
        auto full =
            shelfAt(QPoint(100, 300),
                    {fileItem(m_fileA),
                     ShelfItem::makeText(QStringLiteral("https://example.org/a/long/link")),
                     ShelfItem::makeText(QStringLiteral("Notes for the meeting on Monday"))});
        auto empty = shelfAt(QPoint(500, 300));
        QTest::qWait(600);
        const QString folder = qEnvironmentVariable("QUOBLIN_SCREENSHOTS");
        QDir().mkpath(folder);
        QProcess::execute(
            QStringLiteral("import"),
            {QStringLiteral("-window"), QStringLiteral("root"), folder + "/shelves.png"});
        QVERIFY(QFileInfo::exists(folder + "/shelves.png"));
    }
};

QTEST_MAIN(ShelfDragAndDropTest)
#include "desktop_ShelfDragAndDrop.moc"
