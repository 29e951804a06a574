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

QString num(int v) {
    return QString::number(v);
}

// Runs a program to its end while the event loop keeps going and returns what it printed.
QString output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return {};
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000)) {
        process.kill();
        process.waitForFinished(1000);
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList quoblinWindows(bool onlyVisible) {
    QStringList args{QStringLiteral("search")};
    if (onlyVisible)
        args << QStringLiteral("--onlyvisible");
    args << QStringLiteral("--class") << QStringLiteral("quoblin");
    return output(QStringLiteral("xdotool"), args).split(u'\n', Qt::SkipEmptyParts);
}

QString windowName(const QString& id) {
    return output(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id}).trimmed();
}

QRect geometry(const QString& id) {
    const QStringList lines =
        output(QStringLiteral("xdotool"),
               {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id})
            .split(u'\n', Qt::SkipEmptyParts);
    QRect rect;
    for (const QString& line : lines) {
        const QString key = line.section(u'=', 0, 0);
        const int value = line.section(u'=', 1).toInt();
        if (key == QLatin1String("X"))
            rect.moveLeft(value);
        else if (key == QLatin1String("Y"))
            rect.moveTop(value);
        else if (key == QLatin1String("WIDTH"))
            rect.setWidth(value);
        else if (key == QLatin1String("HEIGHT"))
            rect.setHeight(value);
    }
    return rect;
}

struct Window {
    QString id;
    QString name;
};

// The shelf panels on screen, by their window titles.
QList<Window> visibleShelves() {
    QList<Window> shelves;
    for (const QString& id : quoblinWindows(true)) {
        const QString name = windowName(id);
        if (name.startsWith(QLatin1String("Shelf")))
            shelves.append({id, name});
    }
    return shelves;
}

QStringList names(const QList<Window>& windows) {
    QStringList list;
    for (const Window& w : windows)
        list << w.name;
    return list;
}

bool key(const QString& keys) {
    return xdotool(
        QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("150")} +
        keys.split(u' '));
}

bool moveTo(QPoint p) {
    return xdotool({QStringLiteral("mousemove"), num(p.x()), num(p.y()), QStringLiteral("sleep"),
                    QStringLiteral("0.1")});
}

QString recentShelvesPath() {
    return qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/quoblin/recent-shelves.json");
}

QString settingsPath() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/quoblin/settings.json");
}

bool screenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("QUOBLIN_SCREENSHOTS");
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    QProcess process;
    process.start(QStringLiteral("import"),
                  {QStringLiteral("-window"), QStringLiteral("root"), folder + u'/' + name});
    if (!process.waitForStarted(5000))
        return false;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

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
        if (!m_quoblin->waitForStarted(5000))
            return false;
        return QTest::qWaitFor([this] { return !trayIcon().isEmpty(); }, 15000) &&
               m_quoblin->state() == QProcess::Running;
    }

    void stopQuoblin() {
        if (m_quoblin && m_quoblin->state() != QProcess::NotRunning) {
            m_quoblin->kill();
            m_quoblin->waitForFinished(5000);
        }
        m_quoblin.reset();
    }

    // Quits the way a logout does.
    bool terminateQuoblin() {
        m_quoblin->terminate();
        if (!QTest::qWaitFor([this] { return m_quoblin->state() == QProcess::NotRunning; }, 15000))
            return false;
        return m_quoblin->exitStatus() == QProcess::NormalExit && m_quoblin->exitCode() == 0;
    }

    // The icon windows the tray host docked: small quoblin windows inside
    // the tray host's top-right strip.
    static QStringList trayIcons() {
        QStringList icons;
        for (const QString& id : quoblinWindows(true)) {
            const QRect r = geometry(id);
            if (r.width() > 0 && r.width() <= 48 && r.height() <= 48 && r.top() < 40 &&
                r.left() > 1500 && !windowName(id).startsWith(QLatin1String("Shelf")))
                icons << id;
        }
        return icons;
    }
    static QString trayIcon() {
        const QStringList icons = trayIcons();
        return icons.size() == 1 ? icons.first() : QString();
    }

    // Opens the tray menu with a right click on the icon.
    bool openTrayMenu() {
        const QRect icon = geometry(trayIcon());
        if (icon.isEmpty())
            return false;
        const QPoint centre = icon.center();
        return xdotool({QStringLiteral("mousemove"), num(centre.x()), num(centre.y()),
                        QStringLiteral("sleep"), QStringLiteral("0.2"), QStringLiteral("click"),
                        QStringLiteral("3"), QStringLiteral("sleep"), QStringLiteral("0.8")});
    }

    static QJsonArray recentShelves() {
        QFile file(recentShelvesPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).array();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(!qEnvironmentVariableIsEmpty("QUOBLIN_BINARY"));
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_STATE_HOME"));
        QVERIFY(m_files.isValid());
        QFile::remove(recentShelvesPath());
        QFile::remove(settingsPath());
    }

    void cleanup() {
        stopQuoblin();
        // A menu or window left open would swallow the next test's clicks.
        key(QStringLiteral("Escape"));
    }

    void newShelfHotKeyOpensAShelfBesideThePointerAndShowHideTogglesIt() {
        QVERIFY(startQuoblin());
        QVERIFY(visibleShelves().isEmpty());
        const QPoint pointer(600, 500);
        QVERIFY(moveTo(pointer));
        QVERIFY(key(QStringLiteral("ctrl+alt+n")));
        QTRY_COMPARE(visibleShelves().size(), 1);
        const Window shelf = visibleShelves().first();
        QCOMPARE(shelf.name, QStringLiteral("Shelf"));
        const QRect r = geometry(shelf.id);
        QVERIFY2(qAbs(r.left() - (pointer.x() + 16)) <= 2, qPrintable(num(r.left())));
        QVERIFY2(qAbs(r.center().y() - pointer.y()) <= 2, qPrintable(num(r.center().y())));

        QVERIFY(key(QStringLiteral("ctrl+alt+s")));
        QTRY_VERIFY(visibleShelves().isEmpty());
        QVERIFY(key(QStringLiteral("ctrl+alt+s")));
        QTRY_COMPARE(visibleShelves().size(), 1);
        QCOMPARE(geometry(visibleShelves().first().id), r);
    }

    void aShelfOpenedInTheScreenCornerStaysOnTheScreen() {
        QVERIFY(startQuoblin());
        QVERIFY(moveTo(QPoint(1915, 1075)));
        QVERIFY(key(QStringLiteral("ctrl+alt+n")));
        QTRY_COMPARE(visibleShelves().size(), 1);
        const QRect r = geometry(visibleShelves().first().id);
        QVERIFY(r.width() > 100 && r.height() > 100);
        QVERIFY2(QRect(0, 0, 1920, 1080).contains(r), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                     .arg(r.left())
                                                                     .arg(r.top())
                                                                     .arg(r.width())
                                                                     .arg(r.height())));
    }

    void clipboardHotKeyWithNothingCopiedOpensNoShelf() {
        QVERIFY(startQuoblin());
        QVERIFY(moveTo(QPoint(600, 500)));
        QVERIFY(key(QStringLiteral("ctrl+alt+v")));
        // Key presses arrive in order: once the new empty shelf of the next
        // press is there, the clipboard press has been handled.
        QVERIFY(key(QStringLiteral("ctrl+alt+n")));
        QTRY_COMPARE(visibleShelves().size(), 1);
        QTest::qWait(300);
        QCOMPARE(names(visibleShelves()), QStringList{QStringLiteral("Shelf")});
    }

    void clipboardHotKeyWithCopiedTextOpensAShelfHoldingIt() {
        Tool owner(QStringLiteral("clipboard_owner"), {QStringLiteral("a line of copied text")});
        QVERIFY(owner.waitForReady().x() == 0);
        QVERIFY(startQuoblin());
        QVERIFY(moveTo(QPoint(600, 500)));
        QVERIFY(key(QStringLiteral("ctrl+alt+v")));
        QTRY_COMPARE(names(visibleShelves()), QStringList{QStringLiteral("Shelf — 1")});
    }

    void shakeOpensAShelfThatClosesByItselfWhenNothingIsDropped() {
        QVERIFY(startQuoblin());
        const QString path = m_files.filePath(QStringLiteral("report.txt"));
        QVERIFY(writeWholeFile(path, "some words\n"));
        Tool source(QStringLiteral("drag_source"),
                    {path, QStringLiteral("200"), QStringLiteral("500")});
        const QPoint centre = source.waitForReady();
        QVERIFY(centre.x() > 0);
        QVERIFY(xdotool(DesktopDriver::pressAndShake(centre, 60)));
        QTRY_COMPARE(names(visibleShelves()), QStringList{QStringLiteral("Shelf")});
        // Released over the source, which refuses it: nothing reaches the shelf.
        QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
        QVERIFY(!source.waitForLine(QStringLiteral("DRAG ")).isEmpty());
        QCOMPARE(names(visibleShelves()), QStringList{QStringLiteral("Shelf")});
        QTRY_VERIFY_WITH_TIMEOUT(visibleShelves().isEmpty(), 15000);
    }

    void shakeThenDropKeepsTheShelfAndQuittingBySignalSavesIt() {
        QFile::remove(recentShelvesPath());
        QVERIFY(startQuoblin());
        const QString path = m_files.filePath(QStringLiteral("report.txt"));
        QVERIFY(writeWholeFile(path, "some words\n"));
        Tool source(QStringLiteral("drag_source"),
                    {path, QStringLiteral("200"), QStringLiteral("500")});
        const QPoint centre = source.waitForReady();
        QVERIFY(centre.x() > 0);
        QVERIFY(xdotool(DesktopDriver::pressAndShake(centre, 60)));
        QTRY_COMPARE(visibleShelves().size(), 1);
        const QRect shelf = geometry(visibleShelves().first().id);
        const QPoint target = shelf.center();
        QVERIFY(
            xdotool({QStringLiteral("mousemove"), num(target.x()), num(target.y()),
                     QStringLiteral("sleep"), QStringLiteral("0.1"), QStringLiteral("mousemove"),
                     num(target.x() + 5), num(target.y() + 5), QStringLiteral("sleep"),
                     QStringLiteral("0.2"), QStringLiteral("mouseup"), QStringLiteral("1")}));
        QVERIFY(source.waitForLine(QStringLiteral("DRAG ")).toInt() != 0);
        QTRY_COMPARE(names(visibleShelves()), QStringList{QStringLiteral("Shelf — 1")});
        // Past the six seconds a shelf opened by a shake would wait if empty.
        QTest::qWait(7500);
        QCOMPARE(names(visibleShelves()), QStringList{QStringLiteral("Shelf — 1")});

        QVERIFY(terminateQuoblin());
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
        QTRY_COMPARE(names(visibleShelves()), QStringList{QStringLiteral("Shelf — 1")});
    }

    void aSecondStartLeavesTheFirstRunningWithOneTrayIcon() {
        QVERIFY(startQuoblin());
        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(qEnvironmentVariable("QUOBLIN_BINARY"), {});
        QVERIFY(second.waitForStarted(5000));
        QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // The running one answers by showing its shelves; having none, it opens one.
        QTRY_COMPARE(names(visibleShelves()), QStringList{QStringLiteral("Shelf")});
        QTest::qWait(1500); // an icon shown late would dock by now
        QCOMPARE(m_quoblin->state(), QProcess::Running);
        QCOMPARE(trayIcons().size(), 1);
    }

    void settingsAndAboutInRomanian() {
        QVERIFY(QDir().mkpath(QFileInfo(settingsPath()).absolutePath()));
        QFile settings(settingsPath());
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(R"({"language":"ro"})");
        settings.close();

        QVERIFY(startQuoblin());
        QVERIFY(openTrayMenu());
        // From the bottom: Quit, then Settings….
        QVERIFY(key(QStringLiteral("Up Up Return")));
        QTRY_VERIFY(!output(QStringLiteral("xdotool"),
                            {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), QStringLiteral("Setări Quoblin")})
                         .isEmpty());
        QTest::qWait(500);
        QVERIFY(screenshot(QStringLiteral("settings-ro.png")));
        QVERIFY(key(QStringLiteral("Escape")));

        QVERIFY(openTrayMenu());
        QVERIFY(key(QStringLiteral("Up Up Up Return")));
        QTRY_VERIFY(!output(QStringLiteral("xdotool"),
                            {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), QStringLiteral("Despre Quoblin")})
                         .isEmpty());
        QTest::qWait(500);
        QVERIFY(screenshot(QStringLiteral("about.png")));
        QFile::remove(settingsPath());
    }
};

QTEST_GUILESS_MAIN(WholeProgramTest)
#include "desktop_WholeProgram.moc"
