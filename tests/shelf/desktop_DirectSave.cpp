// desktop-options:
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "app/DesktopServices.h"
#include "platform/ScreenPoints.h"
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
    ShelfController shelf;
    Tool source;
    bool dropped = false;
    int batches = 0;

    Scene(DesktopServices& on, const QStringList& arguments)
        : shelf({}, on.timers(), on.filePromises())
        , source(QStringLiteral("drag_source"), arguments) {
        shelf.dropView()->onDrop = [this, add = shelf.dropView()->onDrop](auto items) {
            ++batches;
            add(std::move(items));
        };
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
        const auto drops = ShelfDropView::dropsDirectory();
        QVERIFY(drops);
        m_drops = *drops;
        QVERIFY(m_victim.open() && m_victim.write("untouched") == 9 && m_victim.flush());
    }

    void aPromiseLandsInAFolderOfItsOwn_data() {
        QTest::addColumn<QStringList>("source");
        QTest::addColumn<QStringList>("expected"); // names in the drop's folder, then content
        QTest::newRow("saved under the suggested name")
            << QStringList{"--promise", "notes.txt", "kept"} << QStringList{"notes.txt", "kept"};
        QTest::newRow("a hostile name stays inside")
            << QStringList{"--promise", "../evil", "kept"} << QStringList{".._evil", "kept"};
        // Archive managers: "xds.txt" proposed, the entries written beside it.
        QTest::newRow("entries extracted under their own names")
            << QStringList{"--extract", "S", "a.txt", "b/"} << QStringList{"a.txt", "b", "a.txt"};
        QTest::newRow("saved, nothing written") << QStringList{"--extract", "S"} << QStringList{};
        QTest::newRow("failed") << QStringList{"--extract", "F"} << QStringList{};
        // Failed, but offering the bytes after putting a link at the promised name.
        QTest::newRow("no write through a link")
            << QStringList{"--extract", "F", "xds.txt@" + m_victim.fileName()} << QStringList{};
        QTest::newRow("error") << QStringList{"--extract", "E"} << QStringList{};
        QTest::newRow("never answered") << QStringList{"--promise", "nothing.txt"} << QStringList{};
    }
    void aPromiseLandsInAFolderOfItsOwn() {
        QFETCH(QStringList, source);
        QFETCH(QStringList, expected);
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
            return;
        }
        QCOMPARE(scene.batches, 1);
        const QFileInfo first(scene.shelf.items().front()->path());
        QCOMPARE(first.dir().absolutePath(), QDir(m_drops).filePath(first.dir().dirName()));
        QCOMPARE(folders(m_drops).size(), before.size() + 1); // the batch's own, new
        QCOMPARE(readWholeFile(first.filePath()), content.toUtf8());
    }
};

QTEST_MAIN(DirectSaveTest)
#include "desktop_DirectSave.moc"
