// gnome-options: --xwayland --tray
// The whole program in a headless GNOME Shell on Wayland with its companion
// extension, driven through the test driver extension's virtual devices.
#include "DesktopDriver.h"
#include "model/ShelfPlacement.h"
#include "platform/common/DesktopScreens.h"
#include "platform/common/ScreenPoints.h"

#include <QTemporaryDir>
#include <QtDBus>
#include <QtTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

QString call(const QString& path, const QString& method, const QVariantList& arguments) {
    const QString interface = path.endsWith(u"Input") ? u"io.github.quoblin.TestInput"_s
                              : path.endsWith(u"shot")
                                  ? u"org.gnome.Shell.Screenshot"_s
                                  : u"org.gnome.Shell"_s + method.section(u'.', 0, -2);
    QDBusMessage message = QDBusMessage::createMethodCall(u"org.gnome.Shell"_s, path, interface,
                                                          method.section(u'.', -1));
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message).arguments().value(1).toString();
}
void input(const char* method, const QVariantList& arguments) {
    call(u"/io/github/quoblin/TestInput"_s, QString::fromLatin1(method), arguments);
}
// Evaluates a script in the Shell on the windows of a process, as `ws`.
QString onWindows(qint64 pid, const QString& script) {
    return call(u"/org/gnome/Shell"_s, u"Eval"_s,
                {u"(ws => %2)(global.get_window_actors().map(a => a.meta_window).filter(w => "
                 "w.get_pid() === %1))"_s.arg(QString::number(pid), script)});
}
// [x, y, width, height, above, on all workspaces, focused] of each window of a
// process whose title starts so, as JSON.
QString windows(qint64 pid, const QString& title = {}) {
    return onWindows(pid,
                     u"ws.filter(w => (w.get_title() || '').startsWith('%1')).map(w => { "
                     "const r = w.get_frame_rect(); return [r.x, r.y, r.width, r.height, "
                     "w.is_above(), w.is_on_all_workspaces(), w.has_focus()]; })"_s.arg(title));
}
QList<int> numbers(const QString& window) {
    QList<int> values;
    for (const QString& value : QString(window).remove(u'[').split(u','))
        values << value.toInt();
    return values;
}
// The major version of the GNOME Shell the tests run in.
int shellMajor() {
    QString version;
    DesktopDriver::run(u"gnome-shell"_s, {u"--version"_s}, &version);
    return QRegularExpression(u"(\\d+)"_s).match(version).captured(1).toInt();
}
void hotKey(char letter) { // Control_L, Alt_L and the letter, pressed then released
    for (const bool down : {true, false})
        for (const uint keyval : {0xffe3u, 0xffe9u, uint(letter)})
            input("Key", {keyval, down});
}
// Moves a process's one window to (x, y) and focuses it, as a user would: true once so.
bool arrange(qint64 pid, int x, int y) {
    return onWindows(
               pid, u"ws.length === 1 && ws.every(w => { const r = w.get_frame_rect(); "
                    "if (r.x === %1 && r.y === %2 && w.has_focus()) return true; "
                    "w.move_frame(true, %1, %2); w.activate(global.get_current_time()); })"_s.arg(x)
                        .arg(y)) == u"true";
}
// Where a new shelf belongs for the pointer at a point, as windows() shows it.
QString besidePointer(QPoint pointer) {
    const QPointF origin = ShelfPlacement::origin(ScreenPoints::fromQtGlobal(QPointF(pointer)),
                                                  QSizeF(280, 360), DesktopScreens::layout());
    const QPointF topLeft = ScreenPoints::toQtGlobal(origin + QPointF(0, 360));
    return u"[%1,%2,280,360,true,true,false]"_s.arg(topLeft.x()).arg(topLeft.y());
}
bool setCompanion(bool on) {
    call(u"/org/gnome/Shell"_s,
         on ? u".Extensions.EnableExtension"_s : u".Extensions.DisableExtension"_s,
         {u"quoblin-shell@quoblin.github.io"_s});
    return QTest::qWaitFor([on] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                   u"io.github.quoblin.Shell"_s) == on;
    });
}

// A call to the program's tray menu, as the Shell's tray makes it; what gdbus prints.
QString trayMenuCall(const QString& method, const QStringList& arguments) {
    const QString get = u"call --session --dest org.kde.StatusNotifierWatcher --object-path "
                        "/StatusNotifierWatcher --method org.freedesktop.DBus.Properties.Get "
                        "org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems"_s;
    const QString item = DesktopDriver::lines(u"gdbus"_s, get.split(u' ')).value(0);
    QString output;
    DesktopDriver::run(u"gdbus"_s,
                       QStringList{u"call"_s, u"--session"_s, u"--dest"_s,
                                   item.section(u'\'', 1, 1).section(u'@', 0, 0),
                                   u"--object-path"_s, u"/MenuBar"_s, u"--method"_s,
                                   u"com.canonical.dbusmenu."_s + method} +
                           arguments,
                       &output);
    return output;
}
// The entries of the tray menu, or of its submenu `parent` told it is about to show: label, id.
QMultiMap<QString, int> trayMenu(int parent = 0) {
    trayMenuCall(u"AboutToShow"_s, {QString::number(parent)});
    static const QRegularExpression entry(u"\\((\\d+), \\{[^}]*'label': <'([^']*)'>"_s);
    QMultiMap<QString, int> entries;
    for (const auto& match : entry.globalMatch(
             trayMenuCall(u"GetLayout"_s, {QString::number(parent), u"1"_s, u"['label']"_s})))
        entries.insert(match.captured(2), match.captured(1).toInt());
    return entries;
}

} // namespace

class GnomeWholeProgramTest : public QObject {
    Q_OBJECT
    QProcess m_quoblin;
    QTemporaryDir m_dir; // the dragged file outlives its test: a later one drags it out

    void start(const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"QT_QPA_PLATFORM"_s); // it chooses for itself
        m_quoblin.setProcessEnvironment(environment);
        m_quoblin.start(qEnvironmentVariable("QUOBLIN_BINARY"), arguments);
    }
    QString shelves() { return windows(m_quoblin.processId(), u"Shelf"_s); }
    qsizetype count() { return shelves().count(u'[') - 1; }
    bool keep(qsizetype shown) { // a second action would change it
        return QTest::qWaitFor([&] { return count() == shown; }) &&
               (QTest::qWait(500), count() == shown);
    }

private Q_SLOTS:
    // The Shell keeps a turned-off extension turned off at its next start.
    void cleanupTestCase() { setCompanion(true); }

    void aShakeAndTheHotKeyOpenOneShelfEachBesideThePointerWithoutTheFocus() {
        input("Move", {700, 400});
        start({u"--new-shelf"_s}); // started, and then the command performed
        QTRY_COMPARE_WITH_TIMEOUT(count(), 1, 15000);
        // GNOME Shell 51 may show it elsewhere first, before the companion places it.
        QTRY_COMPARE_WITH_TIMEOUT(numbers(shelves()).mid(0, 2),
                                  numbers(besidePointer({700, 400})).mid(0, 2), 10000);
        QVERIFY(QFile(m_dir.filePath(u"dragged.txt"_s)).open(QIODevice::WriteOnly));
        DesktopDriver::Tool source(u"drag_source"_s, {m_dir.filePath(u"dragged.txt"_s)});
        // Clear of the first shelf (the shake runs over its left 200 pixels), focused.
        const int shelfX = numbers(shelves()).value(0), left = shelfX >= 400 ? 40 : shelfX + 300;
        QTRY_VERIFY2_WITH_TIMEOUT(arrange(source.processId(), left, 200),
                                  qPrintable(windows(source.processId()) + shelves()), 15000);
        const QList<int> r = numbers(windows(source.processId()));
        const QPoint at(r[0] + 40, r[1] + r[3] / 2);
        input("Move", {at.x(), at.y()});
        input("Button", {true});
        for (int step = 1; step <= 5; ++step, QTest::qWait(30))
            input("Move", {at.x() + 5 * step, at.y()});
        QVERIFY(!source.waitForLine(u"STARTED "_s).isEmpty()); // shaken once it is a drag
        QTest::qWait(300);
        for (int leg = 0; leg < 6; ++leg, QTest::qWait(90))
            input("Move", {at.x() + (leg % 2 ? 25 : 145), at.y()});
        QTRY_COMPARE(count(), 2);
        QTest::qWait(300);
        const QString placed = shelves().section(u"],"_s, 1).chopped(1);
        const QStringList expected = {besidePointer(at + QPoint(25, 0)),
                                      besidePointer(at + QPoint(145, 0))}; // at a turn
        QVERIFY2(expected.contains(placed) && count() == 2, qPrintable(placed));
        QVERIFY(windows(source.processId()).endsWith(u"true]]"_s)); // the focus stayed
        input("Move", {numbers(placed)[0] + 140, numbers(placed)[1] + 180});
        QTest::qWait(200);
        input("Button", {false});
        QCOMPARE(source.waitForLine(u"DRAG "_s), u"1"_s); // copied onto the shelf

        input("Move", {640, 1}); // over the top bar: the shelf opens clear of it
        hotKey('n');
        QTRY_COMPARE(count(), 3);
        QTest::qWait(300);
        QCOMPARE(count(), 3);
        const int top = call(u"/org/gnome/Shell"_s, u"Eval"_s, {u"Main.panel.height"_s}).toInt();
        QCOMPARE(numbers(windows(m_quoblin.processId(), u"Shelf #3"_s)).value(1),
                 top + int(ShelfPlacement::screenMargin));
    }

    void hotKeysActOncePerPressAHeldButtonAloneOpensNothingAndARowDragsOut() {
        DesktopDriver::Tool target(u"drop_target"_s);
        QTRY_VERIFY2_WITH_TIMEOUT(arrange(target.processId(), 100, 300),
                                  qPrintable(windows(target.processId())), 15000);
        const QList<int> r = numbers(windows(target.processId()));
        const QPoint at(r[0] + 40, r[1] + r[3] / 2);
        const QString shown = shelves();
        hotKey('s');
        QVERIFY(keep(0));
        input("Move", {at.x(), at.y()});
        input("Button", {true});
        for (int leg = 0; leg < 8; ++leg, QTest::qWait(90))
            input("Move", {at.x() + (leg % 2 ? 25 : 145), at.y()});
        input("Button", {false});
        QVERIFY(keep(0)); // no drag, no shelf
        hotKey('s');
        QVERIFY(keep(3));
        const auto sorted = [](const QString& json) { // GNOME Shell 50 restacks them
            QStringList each = json.mid(2).chopped(2).split(u"],["_s);
            return each.sort(), each;
        };
        QCOMPARE(sorted(shelves()), sorted(shown)); // back where they were

        // The shelf the first test dropped onto (the second), alone, moved by the user clear
        // of the target (a press on its empty part); then a new shelf where it was does not
        // step aside for it.
        const QString others = u"ws.forEach(w => w.get_title() === 'Shelf #2' || "
                               "w.delete(global.get_current_time()))"_s;
        onWindows(m_quoblin.processId(), others);
        QVERIFY(keep(1));
        const QList<int> was = numbers(shelves());
        input("Move", {was[0] + 140, was[1] + 250});
        input("Button", {true});
        for (int step = 1; step <= 10; ++step, QTest::qWait(40))
            input("Move", {was[0] + 140 + (800 - was[0]) * step / 10,
                           was[1] + 250 + (200 - was[1]) * step / 10});
        input("Button", {false});
        QTRY_COMPARE(numbers(shelves()).mid(0, 2), QList<int>({800, 200}));
        input("Move", {was[0] + 140, was[1] + 180});
        hotKey('n');
        QVERIFY(keep(2));
        QCOMPARE(windows(m_quoblin.processId(), u"Shelf #4"_s),
                 u"[%1]"_s.arg(besidePointer(QPoint(was[0] + 140, was[1] + 180))));
        onWindows(m_quoblin.processId(), others);
        QVERIFY(keep(1));
        input("Move", {840, 250}); // its first row
        input("Button", {true});
        for (int step = 1; step <= 10; ++step, QTest::qWait(40))
            input("Move", {840 - 58 * step, 250 + 15 * step}); // into the target
        QTest::qWait(300);
        input("Button", {false});
        QVERIFY(QByteArray::fromBase64(target.waitForLine(u"URIS "_s).toLatin1())
                    .contains("dragged.txt"));

        // A native client's clipboard, which the program, never focused, reads through the Shell.
        QProcess copy;
        copy.start(u"wl-copy"_s, {u"--foreground"_s, u"a copied text"_s});
        QTRY_COMPARE_WITH_TIMEOUT( // it has taken the clipboard
            call(u"/org/gnome/Shell"_s, u"Eval"_s,
                 {u"imports.gi.St.Clipboard.get_default().get_mimetypes("
                  "imports.gi.St.ClipboardType.CLIPBOARD).includes('text/plain')"_s}),
            u"true"_s, 10000);
        const qsizetype before = count();
        hotKey('v');
        QVERIFY(keep(before + 1));
        copy.kill();
        copy.waitForFinished();

        // An owner that offers text and never writes it (X11: Wayland's would need the focus).
        qputenv("QT_QPA_PLATFORM", "xcb");
        DesktopDriver::Tool silent(u"drag_source"_s, {u"--silent-clipboard"_s});
        qputenv("QT_QPA_PLATFORM", "wayland");
        QVERIFY(silent.waitForReady().x() > 0);
        QTRY_COMPARE(call(u"/org/gnome/Shell"_s, u"Eval"_s, // its many X11 names for text
                          {u"imports.gi.St.Clipboard.get_default().get_mimetypes("
                           "imports.gi.St.ClipboardType.CLIPBOARD).length > 1"_s}),
                     u"true"_s);
        const qsizetype open = count();
        hotKey('v');
        QVERIFY(keep(open + 1));
        QCOMPARE(::kill(qEnvironmentVariableIntValue("QUOBLIN_GNOME_SHELL_PID"), 0), 0);
    }

    // The program never has the keyboard focus here: the Shell tells it that Alt is held.
    void altHeldWhileChoosingARecentShelfRemovesIt() {
        const QString copied = u"a text for the recent list"_s;
        // Read back before the key is pressed: the Shell takes the text over in its own time.
        const QString clipboard = u"imports.gi.St.Clipboard.get_default()"_s,
                      type = u"imports.gi.St.ClipboardType.CLIPBOARD"_s;
        call(u"/org/gnome/Shell"_s, u"Eval"_s,
             {u"global._quoblinRead = null; %1.set_text(%2, '%3')"_s.arg(clipboard, type, copied)});
        QTRY_COMPARE_WITH_TIMEOUT(
            call(u"/org/gnome/Shell"_s, u"Eval"_s,
                 {u"%1.get_text(%2, (c, text) => { global._quoblinRead = text; }); "
                  "global._quoblinRead"_s.arg(clipboard, type)}),
            u"\"%1\""_s.arg(copied), 10000);
        onWindows(m_quoblin.processId(), u"ws.forEach(w => w.delete(global.get_current_time()))"_s);
        QTRY_COMPARE(count(), 0);
        hotKey('v');
        QVERIFY(keep(1));
        onWindows(m_quoblin.processId(), u"ws.forEach(w => w.delete(global.get_current_time()))"_s);
        QTRY_COMPARE(count(), 0); // closed with its text: now a recent shelf
        // Asked anew each time: a rebuilt menu numbers its submenus anew.
        const auto recentList = [] { return trayMenu(trayMenu().value(u"Recent Shelves"_s)); };
        QMultiMap<QString, int> recent;
        const auto shown = [&] {
            recent = recentList();
            return recent.upperBound(copied) != recent.end() &&
                   recent.upperBound(copied).key().startsWith(copied);
        };
        QTRY_VERIFY2(shown(), qPrintable(QStringList(recent.keys()).join(u'|')));
        const QString chosen = recent.upperBound(copied).key();
        input("Key", {0xffe9u, true}); // Alt_L
        trayMenuCall(u"Event"_s, {QString::number(recent.upperBound(copied).value()), u"clicked"_s,
                                  u"<0>"_s, u"0"_s});
        QTRY_VERIFY(trayMenu().contains(u"Recent Shelves"_s) && !recentList().contains(chosen));
        input("Key", {0xffe9u, false});
        QTest::qWait(300);
        QCOMPARE(count(), 0); // removed, not restored
    }

    void aDragOfAnXWaylandProgramShakenOverTheDesktopOrANativeWindowOpensOneShelf() {
        DesktopDriver::Tool target(u"drop_target"_s);
        QTRY_VERIFY_WITH_TIMEOUT(arrange(target.processId(), 700, 300), 15000);
        const QList<int> t = numbers(windows(target.processId()));
        for (const QPoint over : {QPoint(420, 600), QPoint(t[0] + t[2] / 2, t[1] + t[3] / 2)}) {
            // A source for each drag: from GNOME Shell 48 on, neither a virtual button's
            // release nor Escape ends an X11 drag here, but its source's end does.
            qputenv("QT_QPA_PLATFORM", "xcb");
            DesktopDriver::Tool source(u"drag_source"_s, {m_dir.filePath(u"dragged.txt"_s)});
            qputenv("QT_QPA_PLATFORM", "wayland");
            QTRY_VERIFY_WITH_TIMEOUT(arrange(source.processId(), 40, 100), 15000);
            QCOMPARE(onWindows(source.processId(), u"ws[0].get_client_type()"_s), u"1"_s); // X11
            onWindows(m_quoblin.processId(),
                      u"ws.forEach(w => w.delete(global.get_current_time()))"_s);
            QVERIFY(keep(0));
            input("Move", {100, 200});
            input("Button", {true});
            for (int step = 1; step <= 5; ++step, QTest::qWait(30))
                input("Move", {100 + 5 * step, 200});
            QTest::qWait(300);
            for (int leg = 0; leg < 6; ++leg, QTest::qWait(90))
                input("Move", {over.x() + (leg % 2 ? -60 : 60), over.y()});
            QVERIFY2(keep(1),
                     qPrintable(u"over %1,%2: %3"_s.arg(over.x()).arg(over.y()).arg(shelves())));
            input("Button", {false});
            if (shellMajor() < 45)
                QVERIFY(!source.waitForLine(u"DRAG "_s).isEmpty());
        }
    }

    void aFirstStartTurnsTheCompanionOnAndUsesItWithoutItLaterStartsFallBack() {
        QProcess::execute(qEnvironmentVariable("QUOBLIN_BINARY"), {u"--quit"_s});
        QVERIFY(m_quoblin.waitForFinished() && setCompanion(false));
        QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/quoblin/settings.json"_s);
        const auto run = [this] { // what it says of the companion as it starts
            start({});
            QByteArray said;
            (void)QTest::qWaitFor(
                [&] { return (said += m_quoblin.readAllStandardError()).contains("extension"); },
                10000);
            m_quoblin.terminate();
            m_quoblin.waitForFinished();
            return said;
        };
        const QByteArray first = run();
        QVERIFY2(first.contains("has turned on the Quoblin Shell extension and uses it"), first);
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(
            u"io.github.quoblin.Shell"_s));
        QVERIFY(setCompanion(false)); // turned off by the user: left off
        const QByteArray later = run();
        QVERIFY2(later.contains("does not answer") && !later.contains("turned"), later);
    }
};

QTEST_MAIN(GnomeWholeProgramTest)
#include "gnome_WholeProgram.moc"
