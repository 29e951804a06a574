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

bool dragFromTo(QPoint from, QPoint to) {
    return DesktopDriver::drag(from, to, QStringLiteral("0.08"), QStringLiteral("0.3"));
}

QPoint centreOf(QWidget* widget) {
    return widget->mapToGlobal(widget->rect().center());
}

QPoint emptySpotOf(ShelfController& shelf) {
    return shelf.panel()->mapToGlobal(
        QPoint(ShelfPanel::panelWidth / 2, ShelfPanel::panelHeight - 60));
}

} // namespace

// A file dropped from another program is the whole-program test's.
class ShelfDragAndDropTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_fileA;
    DesktopServices m_on;

    // Opens a shelf whose top-left corner lands at the given Qt global position.
    std::unique_ptr<ShelfController> shelfAt(QPoint topLeft, std::vector<ShelfItemPtr> items = {}) {
        auto shelf = std::make_unique<ShelfController>(std::move(items), m_on.timers(),
                                                       m_on.filePromises(), m_on.windowHints());
        // Screen points: the panel is placed 16 right of the point and centred on it.
        shelf->show(QPointF(topLeft.x() - 16, 1080 - topLeft.y() - ShelfPanel::panelHeight / 2.0));
        return shelf;
    }

    ShelfItemPtr fileItem(const QString& path) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(path));
    }

private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_fileA = m_dir.filePath(QStringLiteral("report one.txt"));
        QVERIFY(writeWholeFile(m_fileA, "a"));
    }

    void draggingARowOutRemovesItUnlessPinnedAndTheOtherProgramGetsTheFile() {
        ScopedPreferences prefs;
        Tool target(QStringLiteral("drop_target"), {"700", "300"});
        const QPoint to = target.waitForReady();
        QVERIFY(to.x() > 0);
        auto shelf = shelfAt(QPoint(100, 300), {fileItem(m_fileA), fileItem(m_dir.path())});
        QVERIFY(dragFromTo(centreOf(shelf->rows()[0]), to));
        QTRY_COMPARE(shelf->items().size(), std::size_t(1));
        const QByteArray uris =
            QByteArray::fromBase64(target.waitForLine(QStringLiteral("URIS ")).toLatin1());
        QCOMPARE(uris.trimmed(), QUrl::fromLocalFile(m_fileA).toEncoded());

        shelf->togglePin();
        QVERIFY(dragFromTo(centreOf(shelf->rows()[0]), to));
        QVERIFY(!target.waitForLine(QStringLiteral("URIS ")).isEmpty());
        QTest::qWait(200);
        QCOMPARE(shelf->items().size(), std::size_t(1)); // pinned: kept
        shelf->close();
    }

    void dragsBetweenShelvesAndOntoTheSameShelfAreRefused() {
        ScopedPreferences prefs;
        auto source = shelfAt(QPoint(100, 300),
                              {fileItem(m_fileA), ShelfItem::makeText(QStringLiteral("t"))});
        auto other = shelfAt(QPoint(900, 300));
        QVERIFY(dragFromTo(centreOf(source->rows()[0]), emptySpotOf(*source)));
        QVERIFY(dragFromTo(centreOf(source->rows()[1]), emptySpotOf(*other)));
        QTest::qWait(300);
        QCOMPARE(source->items().size(), std::size_t(2));
        QVERIFY(other->items().empty());
    }
};

QTEST_MAIN(ShelfDragAndDropTest)
#include "desktop_ShelfDragAndDrop.moc"
