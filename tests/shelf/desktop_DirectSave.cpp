// desktop-options:
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "app/DesktopServices.h"
#include "platform/ScreenPoints.h"
#include "platform/x11/DirectSaveReceiver.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfViews.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

using DesktopDriver::Tool;

namespace {

// A fresh shelf on the right of the screen and a source on the left; drags the
// source's promise onto the shelf. A source given no content never answers.
struct Scene {
    ShelfController shelf;
    Tool source;
    bool dropped = false;

    Scene(ShelfManagerServices& on, const QStringList& nameAndContent)
        : shelf({}, *on.timers(), on.filePromises(), on.windowHints())
        , source(QStringLiteral("direct_save_source"), nameAndContent) {
        shelf.show(ScreenPoints::fromQtGlobal(QPointF(1300, 400)));
        if (!QTest::qWaitForWindowExposed(shelf.panel()))
            return;
        QTest::qWait(200); // the window manager may still move it
        const QPoint from = source.waitForReady();
        QWidget* panel = shelf.panel();
        dropped =
            from.x() >= 0 && DesktopDriver::drag(from, panel->mapToGlobal(panel->rect().center()),
                                                 QStringLiteral("0.15"));
    }
    ~Scene() { shelf.close(); }
};

} // namespace

class DirectSaveTest : public QObject {
    Q_OBJECT

    QString m_drops;
    DesktopServices m_desktop;
    std::shared_ptr<ShelfManagerServices> m_on = m_desktop.shelfServices();

    // The source saves the file where we ask, under the name it suggests made safe.
    void dropAndExpectOneFile(const QString& suggested, const QString& expectedName) {
        Scene scene(*m_on, {suggested, QStringLiteral("kept")});
        QVERIFY(scene.dropped);
        QCOMPARE(scene.source.waitForLine(QStringLiteral("DRAG ")), QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(scene.shelf.items().size(), size_t(1), 15000);
        const QFileInfo file(scene.shelf.items().front()->path());
        QCOMPARE(file.absolutePath(), QDir(m_drops).absolutePath());
        QCOMPARE(file.fileName(), expectedName);
        QCOMPARE(readWholeFile(file.filePath()), QByteArray("kept"));
    }

private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(m_on->filePromises());
        const auto drops = ShelfDropView::dropsDirectory();
        QVERIFY(drops);
        m_drops = *drops;
        // Left over from earlier runs, they would change the names given.
        for (const QFileInfo& entry : QDir(m_drops).entryInfoList(QDir::Files | QDir::Hidden))
            QVERIFY(QFile::remove(entry.filePath()));
    }

    void aFileTheSourceSavesArrivesAsOneItem() {
        dropAndExpectOneFile(QStringLiteral("notes.txt"), QStringLiteral("notes.txt"));
    }

    void aHostileSuggestedNameStaysInsideTheDropsDirectory() {
        dropAndExpectOneFile(QStringLiteral("../evil"), QStringLiteral(".._evil"));
        QVERIFY(!QFileInfo::exists(QDir(m_drops).absoluteFilePath(QStringLiteral("../evil"))));
    }

    void aSourceThatNeverAnswersGivesNothingWithoutHoldingUpTheEventLoop() {
        auto* receiver = static_cast<DirectSaveReceiver*>(m_on->filePromises());
        int ticksWhileWaiting = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this,
                [&] { ticksWhileWaiting += receiver->pendingTransfers() > 0 ? 1 : 0; });
        ticker.start(50);

        const QString name = QStringLiteral("nothing.txt");
        Scene scene(*m_on, {name});
        QVERIFY(scene.dropped);
        // The drop itself is taken at once, whatever the source does later.
        QCOMPARE(scene.source.waitForLine(QStringLiteral("DRAG ")), QStringLiteral("1"));
        QVERIFY(!scene.source.waitForLine(QStringLiteral("ASKED ")).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(receiver->pendingTransfers(), 0, 15000);
        QVERIFY(ticksWhileWaiting >= 3);
        QTest::qWait(300);
        QVERIFY(scene.shelf.items().empty());
        QVERIFY(!QFileInfo::exists(m_drops + QLatin1Char('/') + name));
    }
};

QTEST_MAIN(DirectSaveTest)
#include "desktop_DirectSave.moc"
