// desktop-options: --compositor
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "app/DesktopServices.h"
#include "shelf/ItemRowView.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using DesktopDriver::Tool;

namespace {

bool dragFromTo(QWidget* from, QPoint to) {
    return DesktopDriver::drag(from->mapToGlobal(from->rect().center()), to, QStringLiteral("0.08"),
                               QStringLiteral("0.3"));
}

} // namespace

// A file dropped from another program is the whole-program test's.
class ShelfDragAndDropTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    DesktopServices m_on;
    ScopedPreferences m_prefs;

    // Opens a shelf whose top-left corner lands at x, 300 in Qt global pixels.
    std::unique_ptr<ShelfController> shelfAt(int x, std::vector<ShelfItemPtr> items) {
        auto shelf = std::make_unique<ShelfController>(std::move(items), m_on.timers(),
                                                       m_on.filePromises(), m_on.windowHints());
        // Screen points: the panel is placed 16 right of the point and centred on it.
        shelf->show(QPointF(x - 16, 1080 - 300 - ShelfPanel::panelHeight / 2.0));
        return shelf;
    }

private Q_SLOTS:
    void draggingARowOutRemovesItUnlessPinnedAndTheOtherProgramGetsTheFile() {
        const QString file = m_dir.filePath(QStringLiteral("report one.txt"));
        QVERIFY(writeWholeFile(file, "a"));
        Tool target(QStringLiteral("drop_target"), {"700", "300"});
        const QPoint to = target.waitForReady();
        QVERIFY(to.x() > 0);
        auto shelf = shelfAt(100, {ShelfItem::makeFile(QUrl::fromLocalFile(file)),
                                   ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.path()))});
        QVERIFY(dragFromTo(shelf->rows()[0], to));
        QTRY_COMPARE(shelf->items().size(), std::size_t(1));
        const QByteArray uris =
            QByteArray::fromBase64(target.waitForLine(QStringLiteral("URIS ")).toLatin1());
        QCOMPARE(uris.trimmed(), QUrl::fromLocalFile(file).toEncoded());

        shelf->togglePin();
        QVERIFY(dragFromTo(shelf->rows()[0], to));
        QVERIFY(!target.waitForLine(QStringLiteral("URIS ")).isEmpty());
        QTest::qWait(200);
        QCOMPARE(shelf->items().size(), std::size_t(1)); // pinned: kept
    }

    void dragsBetweenShelvesAndOntoTheSameShelfAreRefused() {
        auto source = shelfAt(100, {ShelfItem::makeText(QStringLiteral("a")),
                                    ShelfItem::makeText(QStringLiteral("t"))});
        auto other = shelfAt(900, {});
        const QPoint emptySpot(ShelfPanel::panelWidth / 2, ShelfPanel::panelHeight - 60);
        QVERIFY(dragFromTo(source->rows()[0], source->panel()->mapToGlobal(emptySpot)));
        QVERIFY(dragFromTo(source->rows()[1], other->panel()->mapToGlobal(emptySpot)));
        QTest::qWait(300);
        QCOMPARE(source->items().size(), std::size_t(2));
        QVERIFY(other->items().empty());
    }
};

QTEST_MAIN(ShelfDragAndDropTest)
#include "desktop_ShelfDragAndDrop.moc"
