// desktop-options: --tray
// What a user meets first on a real X11 desktop: the tray icon, held or taken hot keys,
// a left-handed mouse, full-screen programs, drags out and the clipboard after one.
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "app/AppServices.h"
#include "app/DesktopServices.h"
#include "app/HotKey.h"
#include "platform/common/DesktopScreens.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyGrabs.h"
#include "shake/ShakeDetector.h"
#include "shelf/FooterButton.h"
#include "shelf/ItemRowView.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <unistd.h>

using DesktopDriver::lines;
using DesktopDriver::run;
using DesktopDriver::Tool;
using DesktopDriver::xdotool;

namespace {

// Where a window stands among the managed ones, bottom first.
int stackingIndex(quint64 window) {
    const QString stack = lines(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"})
                              .value(0)
                              .section(u'#', 1);
    return stack.split(u',').indexOf(QStringLiteral(" 0x") + QString::number(window, 16));
}

quint64 activeWindow() {
    return lines(QStringLiteral("xdotool"), {"getactivewindow"}).value(0).toULongLong();
}

} // namespace

class DailyUseTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_files;
    DesktopServices m_desktop;
    QuoblinApp::Services m_on = m_desktop.appServices();

    // A shelf of this process with its window, on screen at `at`, with the
    // program's desktop but only the promises given.
    struct Shown {
        Shelf shelf;
        ShelfController window;
        Shown(std::vector<ShelfItemPtr> items, DesktopServices& on, FilePromiseReceiver* promises)
            : shelf(std::move(items), on.timers())
            , window(shelf, onlyPromises(on, promises)) {}
        static ShelfDesktop onlyPromises(DesktopServices& on, FilePromiseReceiver* promises) {
            ShelfDesktop desktop = on.shelfDesktop();
            desktop.promises = promises;
            return desktop;
        }
        void click(const char* button) {
            window.panel()->findChild<FooterButton*>(button)->click();
        }
    };
    std::unique_ptr<Shown> shownShelf(std::vector<ShelfItemPtr> items, QPointF at,
                                      FilePromiseReceiver* promises = nullptr) {
        auto shelf = std::make_unique<Shown>(std::move(items), m_desktop, promises);
        shelf->window.show(at, DesktopScreens::layout());
        return QTest::qWaitForWindowExposed(shelf->window.panel()) ? std::move(shelf) : nullptr;
    }

private Q_SLOTS:
    void initTestCase() {
        // xdotool's first key changes the key map; held keys need auto-repeat.
        QVERIFY(xdotool({"key", "shift"}) && run(QStringLiteral("xset"), {"r", "on"}));
    }

    void aLeftClickOnTheTrayIconOpensTheMenu() {
        QProcess quoblin;
        quoblin.setProcessChannelMode(QProcess::ForwardedChannels);
        quoblin.start(qEnvironmentVariable("QUOBLIN_BINARY"), {});
        QStringList windows; // the icon, docked after a moment
        QVERIFY(QTest::qWaitFor(
            [&] { return (windows = DesktopDriver::visibleWindows()).size() == 1; }, 15000));
        QTest::qWait(500);
        QVERIFY(xdotool({"mousemove", "--window", windows.first(), "8", "8", "sleep", "0.2",
                         "click", "1", "sleep", "0.5"}));
        QTRY_COMPARE(DesktopDriver::visibleWindows().size(), 2); // and the menu
        quoblin.kill();                                          // the menu goes with it
        quoblin.waitForFinished();
    }

    void holdingAHotKeyActsOnce() {
        for (const int busyMs : {0, 1500}) { // idle, and busy while the key repeats
            int presses = 0;
            HotKey key(*m_on.keys, Qt::CTRL | Qt::ALT | Qt::Key_N, [&] {
                ++presses;
                QThread::msleep(busyMs);
            });
            QVERIFY(key.isRegistered());
            // Twice the server's repeat delay, and then some.
            QVERIFY(xdotool({"keydown", "ctrl+alt+n", "sleep", "2", "keyup", "n", "keyup",
                             "ctrl+alt", "sleep", "0.3"}));
            QTest::qWait(500);
            QCOMPARE(presses, 1);
        }
    }

    void aCombinationHeldElsewhereOrAskedTwiceIsRefusedWhileTheOthersWorkUnderCapsLock() {
        // Another client, on a connection of its own, holds Ctrl+Alt+V.
        const std::unique_ptr<X11Connection> other = X11Connection::open();
        X11KeyGrabs otherKeys(other.get());
        int presses = 0, otherPresses = 0;
        const HotKey held(otherKeys, Qt::CTRL | Qt::ALT | Qt::Key_V, [&] { ++otherPresses; });
        const auto ours =
            HotKey::registerAll(*m_on.keys, {{Qt::CTRL | Qt::ALT | Qt::Key_V, [] {}},
                                             {Qt::CTRL | Qt::ALT | Qt::Key_S, [&] { ++presses; }},
                                             {Qt::CTRL | Qt::ALT | Qt::Key_S, [] {}}});
        QVERIFY(held.isRegistered() && !ours[0]->isRegistered() && ours[1]->isRegistered() &&
                !ours[2]->isRegistered());
        QVERIFY(xdotool({"key", "Caps_Lock"}) &&
                xdotool({"key", "--delay", "30", "ctrl+alt+s", "ctrl+alt+v"}));
        QTRY_COMPARE(otherPresses, 1);
        QCOMPARE(presses, 1); // once, though two sets of grabs live in one process
        QVERIFY(xdotool({"key", "Caps_Lock"}));
    }

    // The source is another client: its press reaches us only through the server.
    void aShakeOverADragOfTheSwappedLeftButtonIsSeenOnceAtTheCursor() {
        ScopedPreferences prefs;
        ShakeDetector detector(m_on.shake);
        QList<QPointF> shakes;
        detector.onShake = [&](QPointF p) { shakes.append(p); };
        detector.start();
        const QString file = m_files.filePath(QStringLiteral("left-handed.txt"));
        QVERIFY(writeWholeFile(file, "x"));
        Tool source(QStringLiteral("drag_source"), {file});
        const QPoint centre = source.waitForReady();
        // The button on the right is now the one the user calls left.
        QVERIFY(run(QStringLiteral("xmodmap"), {"-e", "pointer = 3 2 1"}));
        const bool shaken = xdotool(DesktopDriver::pressAndShake(centre, 60, 3)) &&
                            xdotool({"mouseup", "3", "sleep", "0.2"});
        QVERIFY(run(QStringLiteral("xmodmap"), {"-e", "pointer = 1 2 3"}));
        QVERIFY(shaken);
        QVERIFY(!source.waitForLine(QStringLiteral("DRAG ")).isEmpty());
        QCOMPARE(shakes.size(), 1);
        // Screen points: the primary screen is 1080 high, y grows upwards.
        QCOMPARE(shakes[0].y(), 1080.0 - centre.y());
        QVERIFY(QList<double>({centre.x() + 25.0, centre.x() + 85.0}).contains(shakes[0].x()));
    }

    void aShelfShownOverAFocusedFullScreenWindowStandsAboveIt() {
        Tool client(QStringLiteral("drop_target"), {"--fullscreen"});
        QVERIFY(client.waitForReady().x() > 0);
        const quint64 fullScreen = client.waitForLine(QStringLiteral("WINDOW ")).toULongLong();
        QTRY_COMPARE(activeWindow(), fullScreen);
        const auto shelf = shownShelf({}, QPointF(600, 500));
        QVERIFY(shelf && stackingIndex(fullScreen) >= 0);
        QTRY_VERIFY(stackingIndex(shelf->window.panel()->winId()) > stackingIndex(fullScreen));
        QCOMPARE(activeWindow(), fullScreen);
        shelf->shelf.close();
    }

    // A drag out removes the row unless the shelf is pinned; the other program
    // gets the file's address either way, though it asks while the drag moves
    // and with its own clock, as some file managers do.
    void dragOutAndCopyAllStillTakeTheClipboardAfterARequestStampedAheadOfTheServer() {
        const QString moved = m_files.filePath(QStringLiteral("moved out.txt"));
        const QString file = m_files.filePath(QStringLiteral("copied.txt"));
        QVERIFY(writeWholeFile(moved, "m") && writeWholeFile(file, "x"));
        const auto shown = shownShelf({ShelfItem::makeFile(QUrl::fromLocalFile(moved)),
                                       ShelfItem::makeFile(QUrl::fromLocalFile(file))},
                                      QPointF(300, 600));
        QVERIFY(shown);
        Shelf& shelf = shown->shelf;
        Tool target(QStringLiteral("drop_target"), {"--future-time", "900", "300"});
        const QPoint to = target.waitForReady();
        const auto dragOut = [&](const QString& dragged) {
            QWidget* row = shown->window.rows().front();
            return DesktopDriver::drag(row->mapToGlobal(row->rect().center()), to,
                                       QStringLiteral("0.15"), QStringLiteral("0.5")) &&
                   QByteArray::fromBase64(target.waitForLine(QStringLiteral("URIS ")).toLatin1())
                           .trimmed() == QUrl::fromLocalFile(dragged).toEncoded();
        };
        QVERIFY(dragOut(moved));
        QTRY_COMPARE(shelf.items().size(), std::size_t(1));
        shelf.togglePin();
        QVERIFY(dragOut(file));
        QTest::qWait(200);
        QCOMPARE(shelf.items().size(), std::size_t(1));
        shown->click("copyAll");
        QString pasted;
        QVERIFY(run(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"}, &pasted));
        QCOMPARE(pasted, file);
        // The program reads back its own copy from the toolkit, not by asking
        // itself over X, which it could not answer while it waits.
        const QuoblinApp::Services services = m_desktop.appServices();
        const QMimeData* held = services.clipboard();
        QVERIFY(held && held->urls() == QList<QUrl>{QUrl::fromLocalFile(file)});
        QCOMPARE(services.clipboardShortfall(), QuoblinApp::Services::Shortfall::none);
        shelf.close();
    }

    // Names that are Latin-1 bytes, alike on screen: two rows, and every way
    // out of the shelf hands over the very bytes.
    void filesNamedInLatin1BytesKeepThemThroughDropDragCopyAndZip() {
        const QByteArray folder = QFile::encodeName(m_files.path());
        QByteArrayList urls; // percent-encoded bytes, "caf%E9.txt"
        for (const QByteArray& path : {folder + "/caf\xe9.txt", folder + "/caf\xe8.txt"}) {
            QCOMPARE(::close(::open(path.constData(), O_CREAT | O_WRONLY, 0600)), 0);
            urls.append("file://" + path.toPercentEncoding("/"));
        }
        const auto shelf = shownShelf({}, QPointF(300, 600));
        Tool source(QStringLiteral("drag_source"), {urls.join(' '), "900", "100"});
        QVERIFY(shelf && DesktopDriver::drag(source.waitForReady(),
                                             shelf->window.panel()->mapToGlobal(
                                                 shelf->window.panel()->rect().center()),
                                             QStringLiteral("0.15"), QStringLiteral("0.5")));
        QTRY_COMPARE(shelf->shelf.items().size(), std::size_t(2));
        shelf->shelf.togglePin(); // the rows stay after a drag out
        Tool target(QStringLiteral("drop_target"), {"900", "600"});
        const QPoint to = target.waitForReady();
        QWidget* row = shelf->window.rows().front();
        QVERIFY(DesktopDriver::drag(row->mapToGlobal(row->rect().center()), to,
                                    QStringLiteral("0.15"), QStringLiteral("0.5")));
        QCOMPARE(QByteArray::fromBase64(target.waitForLine("URIS ").toLatin1()), urls[0] + "\r\n");
        shelf->click("copyAll");
        QString pasted;
        QVERIFY(run("xclip", {"-o", "-selection", "clipboard", "-t", "text/uri-list"}, &pasted));
        QCOMPARE(pasted.toLatin1(), urls.join("\r\n"));
        shelf->click("zip");
        QTRY_COMPARE(shelf->shelf.items().size(), std::size_t(3));
        QProcess list;
        list.start(QStringLiteral("zipinfo"), {"-1", shelf->shelf.items().back()->path()});
        QVERIFY(list.waitForFinished());
        QCOMPARE(list.readAllStandardOutput(), "Shelf/\nShelf/caf\xe9.txt\nShelf/caf\xe8.txt\n");
        shelf->shelf.close();
    }

    void dragsBetweenShelvesAndOntoTheSameShelfAreRefused() {
        const auto source = shownShelf(
            {ShelfItem::makeText(QStringLiteral("a")), ShelfItem::makeText(QStringLiteral("t"))},
            QPointF(100, 500), m_desktop.filePromises());
        const auto other = shownShelf({}, QPointF(900, 500), m_desktop.filePromises());
        QVERIFY(source && other);
        const QPoint emptySpot(ShelfPanel::panelWidth / 2, ShelfPanel::panelHeight - 60);
        for (Shown* onto : {source.get(), other.get()}) {
            QWidget* row = source->window.rows().back();
            QVERIFY(DesktopDriver::drag(row->mapToGlobal(row->rect().center()),
                                        onto->window.panel()->mapToGlobal(emptySpot),
                                        QStringLiteral("0.08"), QStringLiteral("0.3")));
        }
        QTest::qWait(300);
        QCOMPARE(source->shelf.items().size(), std::size_t(2));
        QVERIFY(other->shelf.items().empty());
        source->shelf.close();
        other->shelf.close();
    }
};

QTEST_MAIN(DailyUseTest)
#include "desktop_DailyUse.moc"
