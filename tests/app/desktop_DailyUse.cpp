// desktop-options: --tray
// What a user meets first on a real X11 desktop: the tray icon, held hot keys,
// a left-handed mouse, full-screen programs and the clipboard after a drag.
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "app/HotKey.h"
#include "platform/GlobalPressMonitor.h"
#include "platform/LocalPressMonitor.h"
#include "platform/SystemDragPasteboard.h"
#include "platform/SystemPointer.h"
#include "platform/Timers.h"
#include "shake/ShakeDetector.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfViews.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <xcb/xcb.h>

using DesktopDriver::run;
using DesktopDriver::Tool;
using DesktopDriver::xdotool;

namespace {

QStringList lines(const QString& program, const QStringList& arguments) {
    QString output;
    run(program, arguments, &output);
    return output.split(u'\n', Qt::SkipEmptyParts);
}

QStringList visibleQuoblinWindows() {
    return lines(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "quoblin"});
}

QRect geometry(const QString& id) {
    const QStringList shell =
        lines(QStringLiteral("xdotool"), {"getwindowgeometry", "--shell", id});
    auto value = [&](const char* key) {
        const QStringList hit = shell.filter(QString::fromLatin1(key) + u'=');
        return hit.isEmpty() ? -1 : hit.first().section(u'=', 1).toInt();
    };
    return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}

xcb_connection_t* connection() {
    return qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// The window's position among the root's children, bottom first, as the server stacks them.
int stackingIndex(xcb_window_t window) {
    xcb_connection_t* c = connection();
    for (;;) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        if (!tree)
            return -1;
        const xcb_window_t parent = tree->parent, root = tree->root;
        std::free(tree);
        if (parent != root) {
            window = parent;
            continue;
        }
        auto* top = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
        const xcb_window_t* children = xcb_query_tree_children(top);
        const int count = xcb_query_tree_children_length(top);
        const int index = int(std::find(children, children + count, window) - children);
        std::free(top);
        return index < count ? index : -1;
    }
}

quint64 activeWindow() {
    const QStringList out = lines(QStringLiteral("xprop"), {"-root", "_NET_ACTIVE_WINDOW"});
    return out.isEmpty() ? 0 : out.first().section(u'#', 1).trimmed().toULongLong(nullptr, 16);
}

} // namespace

class DailyUseTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_files;

private Q_SLOTS:
    void initTestCase() {
        // The first key xdotool sends changes the key map; the auto-repeat is
        // what a held key relies on.
        QVERIFY(xdotool({"key", "shift"}) && run(QStringLiteral("xset"), {"r", "on"}));
    }

    void aLeftClickOnTheTrayIconOpensTheMenu() {
        QProcess quoblin;
        quoblin.setProcessChannelMode(QProcess::ForwardedChannels);
        quoblin.start(qEnvironmentVariable("QUOBLIN_BINARY"), {});
        QStringList icon;
        QVERIFY(
            QTest::qWaitFor([&] { return !(icon = visibleQuoblinWindows()).isEmpty(); }, 15000));
        QCOMPARE(icon.size(), 1);
        QTest::qWait(500); // docked by now
        const QPoint at = geometry(icon.first()).center();
        QVERIFY(xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep",
                         "0.2", "click", "1", "sleep", "0.5"}));
        // The menu: a window of the program far taller than the icon.
        auto menuShown = [] {
            const QStringList windows = visibleQuoblinWindows();
            return std::any_of(windows.begin(), windows.end(),
                               [](const QString& id) { return geometry(id).height() > 100; });
        };
        QTRY_VERIFY(menuShown());
        xdotool({"key", "Escape"});
        quoblin.kill();
        quoblin.waitForFinished();
    }

    void holdingAHotKeyActsOnce_data() {
        QTest::addColumn<int>("busyMs");
        QTest::newRow("idle") << 0;
        QTest::newRow("busy while the key repeats") << 1500;
    }
    void holdingAHotKeyActsOnce() {
        QFETCH(int, busyMs);
        int presses = 0;
        HotKey key(45, HotKey::controlModifier | HotKey::optionModifier, [&] {
            ++presses;
            QThread::msleep(busyMs);
        });
        QVERIFY(key.isRegistered());
        // Twice the server's repeat delay, and then some.
        QVERIFY(xdotool({"keydown", "ctrl+alt+n", "sleep", "2", "keyup", "n", "keyup", "ctrl+alt",
                         "sleep", "0.3"}));
        QTest::qWait(500);
        QCOMPARE(presses, 1);
    }

    void aShakeWithTheLeftButtonOfASwappedMouseIsSeen() {
        ScopedPreferences prefs;
        GlobalPressMonitor global;
        LocalPressMonitor local;
        SystemPointer pointer;
        SystemDragPasteboard drag;
        ShakeDetector detector({&global, &local, &pointer, &drag, &SystemTimers::instance()});
        int shakes = 0;
        detector.onShake = [&](QPointF) { ++shakes; };
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
        QCOMPARE(shakes, 1);
    }

    void aShelfShownOverAFocusedFullScreenWindowStandsAboveIt() {
        Tool client(QStringLiteral("drop_target"), {"--fullscreen"});
        QVERIFY(client.waitForReady().x() > 0);
        const quint64 fullScreen = client.waitForLine(QStringLiteral("WINDOW ")).toULongLong();
        QTRY_COMPARE(activeWindow(), fullScreen);
        ShelfController shelf{{}};
        shelf.show(QPointF(600, 500));
        QVERIFY(QTest::qWaitForWindowExposed(shelf.panel()));
        const auto panel = xcb_window_t(shelf.panel()->winId());
        QTRY_VERIFY(stackingIndex(panel) > stackingIndex(xcb_window_t(fullScreen)));
        QCOMPARE(activeWindow(), fullScreen);
        shelf.close();
    }

    void copyAllStillTakesTheClipboardAfterADropStampedAheadOfTheServer() {
        const QString file = m_files.filePath(QStringLiteral("copied.txt"));
        QVERIFY(writeWholeFile(file, "x"));
        ShelfController shelf({ShelfItem::makeFile(QUrl::fromLocalFile(file))});
        shelf.togglePin(); // the item stays after the drag
        shelf.show(QPointF(300, 600));
        QVERIFY(QTest::qWaitForWindowExposed(shelf.panel()));
        QTest::qWait(200);
        Tool target(QStringLiteral("drop_target"), {"--future-time", "900", "300"});
        const QPoint to = target.waitForReady();
        QWidget* row = shelf.rows().front();
        QVERIFY(DesktopDriver::drag(row->mapToGlobal(row->rect().center()), to,
                                    QStringLiteral("0.15"), QStringLiteral("0.5")));
        QVERIFY(QByteArray::fromBase64(target.waitForLine(QStringLiteral("URIS ")).toLatin1())
                    .contains("copied.txt"));
        shelf.copyAll();
        QString pasted;
        QVERIFY(run(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"}, &pasted));
        QCOMPARE(pasted, file);
        QCOMPARE(shelf.status(), QString());
        shelf.close();
    }
};

QTEST_MAIN(DailyUseTest)
#include "desktop_DailyUse.moc"
