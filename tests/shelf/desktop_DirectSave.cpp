// desktop-options:
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "app/DesktopServices.h"
#include "model/DroppedItems.h"
#include "platform/common/DesktopScreens.h"
#include "platform/common/ScreenPoints.h"
#include "platform/x11/DirectSaveReceiver.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfDropView.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTest>

using DesktopDriver::Tool;

namespace {

// A fresh shelf on the right of the screen and a source on the left; drags the
// source's promise onto the shelf and counts the batches the shelf receives.
struct Scene {
    Shelf shelf;
    ShelfController window;
    Tool source;
    bool dropped = false;
    int batches = 0;

    Scene(DesktopServices& on, const QStringList& arguments)
        : shelf({}, on.timers())
        , window(shelf, ShelfDesktop{.promises = on.filePromises()})
        , source(QStringLiteral("drag_source"), arguments) {
        auto* dropView = window.panel()->findChild<ShelfDropView*>();
        dropView->onDrop = [this, add = dropView->onDrop](auto items) {
            ++batches;
            add(std::move(items));
        };
        window.show(ScreenPoints::fromQtGlobal(QPointF(1300, 400)), DesktopScreens::layout());
        if (!QTest::qWaitForWindowExposed(window.panel()))
            return;
        QTest::qWait(200); // the window manager may still move it
        const QPoint from = source.waitForReady();
        QWidget* panel = window.panel();
        dropped =
            from.x() >= 0 && DesktopDriver::drag(from, panel->mapToGlobal(panel->rect().center()),
                                                 QStringLiteral("0.15"));
    }
    ~Scene() { shelf.close(); }
};

QStringList folders(const QString& in) {
    return QDir(in).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class DirectSaveTest : public QObject {
    Q_OBJECT

    QString m_drops;
    DesktopServices m_on;
    QTemporaryFile m_victim; // what a link at the promised name leads to

private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY(m_on.filePromises());
        const auto drops = DroppedItems::directory();
        QVERIFY(drops);
        m_drops = *drops;
        QVERIFY(m_victim.open() && m_victim.write("untouched") == 9 && m_victim.flush());
    }

    void aPromiseLandsInAFolderOfItsOwn() {
        // The source's arguments, then the names in the drop's folder and their content.
        // Archive managers: "xds.txt" proposed, the entries written beside it; a failure
        // may offer the bytes after putting a link at the promised name.
        const std::pair<QStringList, QStringList> cases[] = {
            {{"--promise", "notes.txt", "kept"}, {"notes.txt", "kept"}},
            {{"--promise", "../evil", "kept"}, {".._evil", "kept"}}, // a hostile name
            {{"--extract", "S", "a.txt", "b/"}, {"a.txt", "b", "a.txt"}},
            {{"--extract", "S"}, {}}, // saved, nothing written
            {{"--extract", "F"}, {}},
            {{"--extract", "F", "xds.txt@" + m_victim.fileName()}, {}},
            {{"--extract", "E"}, {}},
            {{"--promise", "nothing.txt"}, {}}}; // never answered
        for (auto [source, expected] : cases) {
            const QStringList before = folders(m_drops);
            Scene scene(m_on, source);
            QVERIFY(scene.dropped);
            // Asked only once the drop was taken: the source's drag may end before that.
            QVERIFY(!scene.source.waitForLine(QStringLiteral("ASKED ")).isEmpty());
            QTRY_COMPARE_WITH_TIMEOUT(
                static_cast<DirectSaveReceiver*>(m_on.filePromises())->pendingTransfers(), 0,
                DirectSaveReceiver::arrivalTimeoutMs + 5000);
            QTest::qWait(100);
            QCOMPARE(readWholeFile(m_victim.fileName()), QByteArray("untouched"));
            const QString content = expected.isEmpty() ? QString() : expected.takeLast();
            QStringList names;
            for (const ShelfItemPtr& item : scene.shelf.items())
                names << QFileInfo(item->path()).fileName();
            QCOMPARE(names, expected);
            if (expected.isEmpty()) {
                QCOMPARE(folders(m_drops), before); // nothing added, nothing left behind
                continue;
            }
            QCOMPARE(scene.batches, 1);
            const QFileInfo first(scene.shelf.items().front()->path());
            QCOMPARE(first.dir().absolutePath(), QDir(m_drops).filePath(first.dir().dirName()));
            QCOMPARE(folders(m_drops).size(), before.size() + 1); // the batch's own, new
            QCOMPARE(readWholeFile(first.filePath()), content.toUtf8());
        }
    }
};

QTEST_MAIN(DirectSaveTest)
#include "desktop_DirectSave.moc"
