// desktop-options: --tray --compositor
// The real program on a desktop with a tray host, driven from outside as a
// user would: hot keys, the tray menu, a shake during a drag, quitting by
// signal and starting again.
#include "DesktopDriver.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using DesktopDriver::Tool;
using DesktopDriver::xdotool;

namespace {

// Runs a program to its end while the event loop keeps going; false when it fails.
bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return false;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString xdotoolOutput(const QStringList& arguments) {
    QString output;
    run(QStringLiteral("xdotool"), arguments, &output);
    return output.trimmed();
}

QStringList visibleWindows(const QString& by, const QString& value) {
    return xdotoolOutput({QStringLiteral("search"), QStringLiteral("--onlyvisible"), by, value})
        .split(u'\n', Qt::SkipEmptyParts);
}

QString windowName(const QString& id) {
    return xdotoolOutput({QStringLiteral("getwindowname"), id});
}

QRect geometry(const QString& id) {
    static const QRegularExpression shell(
        QStringLiteral("X=(-?\\d+)\nY=(-?\\d+)\nWIDTH=(\\d+)\nHEIGHT=(\\d+)"));
    const QRegularExpressionMatch m = shell.match(
        xdotoolOutput({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}));
    return m.hasMatch() ? QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                m.captured(4).toInt())
                        : QRect();
}

// The window ids of the shelf panels on screen.
QStringList visibleShelves() {
    QStringList shelves;
    for (const QString& id : visibleWindows(QStringLiteral("--class"), QStringLiteral("quoblin")))
        if (windowName(id).startsWith(QLatin1String("Shelf")))
            shelves << id;
    return shelves;
}

QStringList shelfTitles() {
    QStringList titles;
    for (const QString& id : visibleShelves())
        titles << windowName(id);
    return titles;
}

bool key(const QString& keys) {
    return xdotool(
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("150")} +
        keys.split(u' '));
}

bool moveTo(QPoint p) {
    return xdotool(QStringLiteral("mousemove %1 %2 sleep 0.1").arg(p.x()).arg(p.y()).split(u' '));
}

QString recentShelvesPath() {
    return qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/quoblin/recent-shelves.json");
}

bool screenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("QUOBLIN_SCREENSHOTS");
    return !folder.isEmpty() && QDir().mkpath(folder) &&
           run(QStringLiteral("import"),
               {QStringLiteral("-window"), QStringLiteral("root"), folder + u'/' + name});
}

const QStringList oneEmptyShelf{QStringLiteral("Shelf")};
const QStringList oneShelfWithOneItem{QStringLiteral("Shelf — 1")};

} // namespace

class WholeProgramTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QProcess> m_quoblin;
    QTemporaryDir m_files;

    // Starts the program and waits until its tray icon is docked, by then
    // its hot keys are registered too.
    bool startQuoblin() {
        m_quoblin = std::make_unique<QProcess>();
        m_quoblin->setProcessChannelMode(QProcess::ForwardedChannels);
        m_quoblin->start(qEnvironmentVariable("QUOBLIN_BINARY"), {});
        return m_quoblin->waitForStarted(5000) &&
               QTest::qWaitFor([] { return trayIcons().size() == 1; }, 15000) &&
               m_quoblin->state() == QProcess::Running;
    }

    // The icon windows the tray host docked: small quoblin windows inside
    // the tray host's top-right strip.
    static QStringList trayIcons() {
        QStringList icons;
        for (const QString& id :
             visibleWindows(QStringLiteral("--class"), QStringLiteral("quoblin"))) {
            const QRect r = geometry(id);
            if (r.width() > 0 && r.width() <= 48 && r.height() <= 48 && r.top() < 40 &&
                r.left() > 1500 && !windowName(id).startsWith(QLatin1String("Shelf")))
                icons << id;
        }
        return icons;
    }

    // Opens the tray menu with a right click on the icon.
    static bool openTrayMenu() {
        const QStringList icons = trayIcons();
        if (icons.size() != 1)
            return false;
        const QPoint centre = geometry(icons.first()).center();
        return xdotool(QStringLiteral("mousemove %1 %2 sleep 0.2 click 3 sleep 0.8")
                           .arg(centre.x())
                           .arg(centre.y())
                           .split(u' '));
    }

    static QJsonArray recentShelves() {
        return QJsonDocument::fromJson(readWholeFile(recentShelvesPath())).array();
    }

    // Starts a drag of a file out of another program and shakes it.
    QPoint shakeADrag(Tool& source) {
        const QPoint centre = source.waitForReady();
        if (centre.x() > 0 && xdotool(DesktopDriver::pressAndShake(centre, 60)))
            return centre;
        return {};
    }

    QStringList dragSourceArguments() {
        const QString path = m_files.filePath(QStringLiteral("report.txt"));
        writeWholeFile(path, "some words\n");
        return {path, QStringLiteral("200"), QStringLiteral("500")};
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariableIsEmpty("QUOBLIN_BINARY"));
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_STATE_HOME"));
        QVERIFY(m_files.isValid());
        QFile::remove(recentShelvesPath());
    }

    void cleanup() {
        if (m_quoblin && m_quoblin->state() != QProcess::NotRunning) {
            m_quoblin->kill();
            m_quoblin->waitForFinished(5000);
        }
        m_quoblin.reset();
        // A menu or window left open would swallow the next test's clicks.
        key(QStringLiteral("Escape"));
    }

    void newShelfHotKeyOpensAShelfBesideThePointerAndShowHideTogglesIt() {
        QVERIFY(startQuoblin());
        QVERIFY(visibleShelves().isEmpty());
        const QPoint pointer(600, 500);
        QVERIFY(moveTo(pointer));
        QVERIFY(key(QStringLiteral("ctrl+alt+n")));
        QTRY_COMPARE(shelfTitles(), oneEmptyShelf);
        const QRect r = geometry(visibleShelves().first());
        QVERIFY2(qAbs(r.left() - (pointer.x() + 16)) <= 2, qPrintable(QString::number(r.left())));
        QVERIFY2(qAbs(r.center().y() - pointer.y()) <= 2, qPrintable(QString::number(r.top())));

        QVERIFY(key(QStringLiteral("ctrl+alt+s")));
        QTRY_VERIFY(visibleShelves().isEmpty());
        QVERIFY(key(QStringLiteral("ctrl+alt+s")));
        QTRY_COMPARE(visibleShelves().size(), 1);
        QCOMPARE(geometry(visibleShelves().first()), r);
    }

    void clipboardHotKeyOpensAShelfOnlyWhenSomethingIsCopied() {
        QVERIFY(startQuoblin());
        QVERIFY(moveTo(QPoint(600, 500)));
        QVERIFY(key(QStringLiteral("ctrl+alt+v")));
        // Key presses arrive in order: once the new empty shelf of the next
        // press is there, the clipboard press has been handled.
        QVERIFY(key(QStringLiteral("ctrl+alt+n")));
        QTRY_COMPARE(visibleShelves().size(), 1);
        QTest::qWait(300);
        QCOMPARE(shelfTitles(), oneEmptyShelf);

        Tool owner(QStringLiteral("clipboard_owner"), {QStringLiteral("a line of copied text")});
        QCOMPARE(owner.waitForReady(), QPoint(0, 0));
        QVERIFY(key(QStringLiteral("ctrl+alt+v")));
        QTRY_COMPARE(shelfTitles().size(), 2);
        QVERIFY(shelfTitles().contains(oneShelfWithOneItem.first()));
    }

    void shakeOpensAShelfThatClosesByItselfWhenNothingIsDropped() {
        QVERIFY(startQuoblin());
        Tool source(QStringLiteral("drag_source"), dragSourceArguments());
        QVERIFY(!shakeADrag(source).isNull());
        QTRY_COMPARE(shelfTitles(), oneEmptyShelf);
        // Released over the source, which refuses it: nothing reaches the shelf.
        QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
        QVERIFY(!source.waitForLine(QStringLiteral("DRAG ")).isEmpty());
        QCOMPARE(shelfTitles(), oneEmptyShelf);
        QTRY_VERIFY_WITH_TIMEOUT(visibleShelves().isEmpty(), 15000);
    }

    void shakeThenDropKeepsTheShelfAndQuittingBySignalSavesIt() {
        QFile::remove(recentShelvesPath());
        QVERIFY(startQuoblin());
        Tool source(QStringLiteral("drag_source"), dragSourceArguments());
        QVERIFY(!shakeADrag(source).isNull());
        QTRY_COMPARE(visibleShelves().size(), 1);
        const QPoint target = geometry(visibleShelves().first()).center();
        QVERIFY(
            xdotool(QStringLiteral("mousemove %1 %2 sleep 0.1 mousemove %3 %4 sleep 0.2 mouseup 1")
                        .arg(target.x())
                        .arg(target.y())
                        .arg(target.x() + 5)
                        .arg(target.y() + 5)
                        .split(u' ')));
        QVERIFY(source.waitForLine(QStringLiteral("DRAG ")).toInt() != 0);
        QTRY_COMPARE(shelfTitles(), oneShelfWithOneItem);
        // Past the six seconds a shelf opened by a shake would wait if empty.
        QTest::qWait(7500);
        QCOMPARE(shelfTitles(), oneShelfWithOneItem);

        // Quits the way a logout does.
        m_quoblin->terminate();
        QVERIFY(
            QTest::qWaitFor([this] { return m_quoblin->state() == QProcess::NotRunning; }, 15000));
        QCOMPARE(m_quoblin->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_quoblin->exitCode(), 0);
        const QJsonArray shelves = recentShelves();
        QCOMPARE(shelves.size(), 1);
        const QJsonArray items = shelves.at(0).toObject().value(QStringLiteral("items")).toArray();
        QCOMPARE(items.size(), 1);
        QVERIFY(!items.at(0).toObject().value(QStringLiteral("bookmark")).toString().isEmpty());
    }

    void afterARestartTheRecentMenuReopensTheSavedShelf() {
        if (recentShelves().size() != 1)
            QSKIP("needs the shelf saved by the previous test");
        QVERIFY(startQuoblin());
        QVERIFY(openTrayMenu());
        QVERIFY(screenshot(QStringLiteral("status-menu.png")));
        // New Shelf, New Shelf From Clipboard, Recent Shelves.
        QVERIFY(key(QStringLiteral("Down Down Down Right")));
        QTest::qWait(500);
        QVERIFY(screenshot(QStringLiteral("recent-menu.png")));
        QVERIFY(visibleShelves().isEmpty());
        QVERIFY(key(QStringLiteral("Return")));
        QTRY_COMPARE(shelfTitles(), oneShelfWithOneItem);
    }

    void aSecondStartLeavesTheFirstRunningWithOneTrayIcon() {
        QVERIFY(startQuoblin());
        QVERIFY(run(qEnvironmentVariable("QUOBLIN_BINARY"), {}));
        // The running one answers by showing its shelves; having none, it opens one.
        QTRY_COMPARE(shelfTitles(), oneEmptyShelf);
        QTest::qWait(1500); // an icon shown late would dock by now
        QCOMPARE(m_quoblin->state(), QProcess::Running);
        QCOMPARE(trayIcons().size(), 1);
    }
};

QTEST_GUILESS_MAIN(WholeProgramTest)
#include "desktop_WholeProgram.moc"
