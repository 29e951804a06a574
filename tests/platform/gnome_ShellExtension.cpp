// gnome-options: --serve-command
// The companion extension in a real GNOME Shell on Wayland, through its D-Bus
// interface, with input injected by the test driver extension. The companion
// serves this test as it serves the program.
#include "DesktopDriver.h"
#include "platform/gnome/ShellCompanion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWidget>
#include <QtDBus>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
struct Object {
    QString service, path, interface;
};
const Object kCompanion{u"io.github.quoblin.Shell"_s, u"/io/github/quoblin/Shell"_s,
                        u"io.github.quoblin.Shell1"_s};
const Object kInput{u"org.gnome.Shell"_s, u"/io/github/quoblin/TestInput"_s,
                    u"io.github.quoblin.TestInput"_s}; // the test driver's
const Object kShell{u"org.gnome.Shell"_s, u"/org/gnome/Shell"_s, u"org.gnome.Shell"_s};
const QString kAccelerator = u"<Control><Alt>n"_s;

QDBusMessage send(const Object& to, const QString& method, const QVariantList& arguments,
                  const QDBusConnection& bus = QDBusConnection::sessionBus()) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(to.service, to.path, to.interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, 5000);
}
QVariant call(const QString& method, const QVariantList& arguments,
              const QDBusConnection& bus = QDBusConnection::sessionBus()) {
    return send(kCompanion, method, arguments, bus).arguments().value(0);
}
QString pointer() { // "x y leftButton modifiers"
    return QVariant(send(kCompanion, u"GetPointer"_s, {}).arguments()).toStringList().join(u' ');
}
// Calls from another process of the same user, gdbus: what they print, errors included.
QString fromAnotherProcess(const QStringList& calls) {
    const QString script = u"for c in \"$@\"; do eval gdbus call --session --dest %1 "
                           "--object-path %2 --method %3.$c 2>&1; done"_s;
    QString output;
    DesktopDriver::run(
        u"sh"_s,
        QStringList{u"-c"_s, script.arg(kCompanion.service, kCompanion.path, kCompanion.interface),
                    u"sh"_s} +
            calls,
        &output);
    return output;
}
// Runs JavaScript in the Shell (the test driver unlocks Eval); its result as JSON.
QString shellEval(const QString& code) {
    return send(kShell, u"Eval"_s, {code}).arguments().value(1).toString();
}
// Frame rectangle, above and on all workspaces, of the windows for which `filter` (over w) holds.
QString windows(const QString& filter) {
    return shellEval(u"global.get_window_actors().map(a => a.meta_window).filter(w => %1).map(w => "
                     "{ const r = w.get_frame_rect(); return [r.x, r.y, r.width, r.height, "
                     "w.is_above(), w.is_on_all_workspaces()]; })"_s.arg(filter));
}
// What ReadClipboard gives of the plain text and a PNG image, empty on an error.
QMap<QString, QByteArray> clipboard(const QDBusConnection& bus) {
    const QDBusMessage reply =
        send(kCompanion, u"ReadClipboard"_s, {QStringList{u"text/plain"_s, u"image/png"_s}}, bus);
    QMap<QString, QByteArray> contents;
    if (reply.type() == QDBusMessage::ReplyMessage)
        reply.arguments().value(0).value<QDBusArgument>() >> contents;
    return contents;
}
const QString kFocusTitle = u"global.display.focus_window?.get_title() ?? null"_s;
} // namespace

class GnomeShellExtensionTest : public QObject {
    Q_OBJECT

private slots:
    // The first connection of the served program is served until it leaves; no other
    // connection, and no other program, learns or does anything meanwhile.
    void oneConnectionOfTheProgramIsServedUntilItLeaves() {
        QDBusInterface companion(kCompanion.service, kCompanion.path, kCompanion.interface);
        QSignalSpy others(&companion, SIGNAL(AcceleratorActivated(uint)));
        {
            QDBusConnection grabber =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"grabber"_s);
            const uint action = call(u"GrabAccelerator"_s, {kAccelerator}, grabber).toUInt();
            QVERIFY(action > 0);
            QDBusInterface grabbers(kCompanion.service, kCompanion.path, kCompanion.interface,
                                    grabber);
            QSignalSpy activated(&grabbers, SIGNAL(AcceleratorActivated(uint)));
            for (bool pressed : {true, false})
                for (uint keyval : {0xffe3u, 0xffe9u, uint('n')}) // Control_L, Alt_L, n
                    send(kInput, u"Key"_s, {keyval, pressed});
            QTRY_COMPARE(activated.size(), 1);
            QCOMPARE(activated[0][0].toUInt(), action);
            QTest::qWait(300);
            QCOMPARE(activated.size(), 1);
            QCOMPARE(others.size(), 0);

            QProcess copy;
            copy.start(u"wl-copy"_s, {u"--foreground"_s, u"a copied secret"_s});
            QTRY_COMPARE(clipboard(grabber),
                         (QMap<QString, QByteArray>{{u"text/plain"_s, "a copied secret"}}));
            // Refused to another connection, and to another program for every method.
            QCOMPARE(send(kCompanion, u"GetWorkAreas"_s, {}).errorName(),
                     u"org.freedesktop.DBus.Error.AccessDenied"_s);
            const QString refused = fromAnotherProcess(
                {u"ReadClipboard \"['text/plain']\""_s, u"GetPointer"_s, u"GetWorkAreas"_s,
                 u"GrabAccelerator '<Control><Alt><Super>F12'"_s,
                 u"UngrabAccelerator %1"_s.arg(action), u"PlaceWindow 1 'Quoblin anchor' 10 10"_s});
            QVERIFY2(refused.count(u"DBus.Error.AccessDenied"_s) == 6, qPrintable(refused));
            copy.kill();
            copy.waitForFinished();
        }
        QDBusConnection::disconnectFromBus(u"grabber"_s);
        // Once the Shell has seen it go, its grab is free and another connection is served.
        uint again = 0;
        for (int attempt = 0; attempt < 30 && !again; ++attempt, QTest::qWait(100))
            again = call(u"GrabAccelerator"_s, {kAccelerator}).toUInt();
        QVERIFY(again > 0);
        QCOMPARE(call(u"UngrabAccelerator"_s, {again}), QVariant(true));
    }

    void versionPointerAndMalformedCalls() {
        QCOMPARE(QDBusInterface(kCompanion.service, kCompanion.path, kCompanion.interface)
                     .property("Version"),
                 QVariant(ShellCompanion::interfaceVersion));
        // This Shell runs no XWayland, which a connection would start on demand.
        QCOMPARE(call(u"GetX11Display"_s, {}), QVariant(false));
        const int top = shellEval(u"Main.panel.height"_s).toInt(); // the one panel
        QCOMPARE(ShellCompanion().workAreas(),
                 (QList<std::pair<QRect, QRect>>{{{0, 0, 1280, 800}, {0, top, 1280, 800 - top}}}));
        QVERIFY(top > 0);
        send(kInput, u"Move"_s, {640, 420});
        QTRY_COMPARE(pointer(), u"640 420 false 0"_s);
        send(kInput, u"Button"_s, {true});
        send(kInput, u"Key"_s, {0xffe9u, true}); // Alt_L, told as the X11 Mod1 bit
        send(kInput, u"Move"_s, {700, 450});
        QTRY_COMPARE(pointer(), u"700 450 true 8"_s);
        send(kInput, u"Key"_s, {0xffe9u, false});
        send(kInput, u"Button"_s, {false});
        QTRY_COMPARE(pointer(), u"700 450 false 0"_s);

        // Malformed calls get errors, and the Shell stays.
        const QList<std::pair<QString, QVariantList>> calls = {
            {u"PlaceWindow"_s, {1u, u"title"_s}},
            {u"PlaceWindow"_s, {1u, QString(), 10, 10}},
            {u"PlaceWindow"_s, {0u, u"title"_s, 10, 10}},
            {u"GrabAccelerator"_s, {42}},
            {u"UngrabAccelerator"_s, {u"n"_s}},
            {u"ReadClipboard"_s, {42}},
        };
        for (const auto& [method, arguments] : calls)
            QCOMPARE(send(kCompanion, method, arguments).errorName(),
                     u"org.freedesktop.DBus.Error.InvalidArgs"_s);
        // Keys that typing uses are refused, and more than three grabs.
        for (const char* accelerator :
             {"<Bogus>n", "n", "<Shift>n", "<Control>", "<Control>no such", "", "<Control>c",
              "<Alt>x", "<Control><Shift>v", "F5", "<Mod5>q", "<Control><Alt><Mod2>n"})
            QCOMPARE(call(u"GrabAccelerator"_s, {QString::fromLatin1(accelerator)}), QVariant(0u));
        QList<uint> held;
        for (const char* accelerator : {"<Control><Alt>j", "<Super>k", "<Control>F7", "<Super>m"})
            held << call(u"GrabAccelerator"_s, {QString::fromLatin1(accelerator)}).toUInt();
        QVERIFY(held[0] && held[1] && held[2] && !held[3]);
        for (const uint action : held.mid(0, 3))
            QCOMPARE(call(u"UngrabAccelerator"_s, {action}), QVariant(true));
        QCOMPARE(call(u"UngrabAccelerator"_s, {12345u}), QVariant(false));
        QCOMPARE(pointer(), u"700 450 false 0"_s);
    }

    // A text as large as the bus carries, or larger, is left out and said so; the
    // Shell stays. The Shell's own clipboard holds them: nothing to pipe through.
    // The test's own arrays are collected at once: the Shell's script engine drops
    // D-Bus calls that arrive while it finalizes that much (one run in six).
    void largeClipboardsAreLeftOutAndTheShellStays() {
        ShellCompanion companion;
        QVERIFY(companion.isAvailable());
        using enum ClipboardRead::Shortfall;
        for (const auto& [mebibytes, kept] : {std::pair{31, true}, {32, false}, {64, false}}) {
            QCOMPARE(shellEval(u"imports.gi.St.Clipboard.get_default().set_content("
                               "imports.gi.St.ClipboardType.CLIPBOARD, 'text/plain', new "
                               "imports.gi.GLib.Bytes(new Uint8Array(%1).fill(97))); "
                               "imports.system.gc()"_s.arg(mebibytes << 20)),
                     QString());
            const auto read = companion.clipboard({u"text/plain"_s});
            QVERIFY(read.data);
            QCOMPARE(read.data->data(u"text/plain"_s).size(), kept ? mebibytes << 20 : 0);
            QCOMPARE(read.shortfall, kept ? none : tooLarge);
        }
    }

    // Another program owning the companion's name first is not taken for it.
    void anImpostorIsNotUsed() {
        const Object extensions{kShell.service, kShell.path, u"org.gnome.Shell.Extensions"_s};
        const QVariantList companion{u"quoblin-shell@quoblin.github.io"_s};
        const auto owners = [] { // the name's owner, then those queued for it
            const QDBusReply<QStringList> r = QDBusConnection::sessionBus().interface()->call(
                u"ListQueuedOwners"_s, kCompanion.service);
            return r.value();
        };
        send(extensions, u"DisableExtension"_s, companion); // the Shell answers, then turns it off
        QTRY_VERIFY(owners().isEmpty());
        QProcess impostor; // answers with the version the program speaks
        impostor.start(u"gjs"_s, {u"-c"_s, uR"(const {Gio, GLib} = imports.gi;
            Gio.DBusExportedObject.wrapJSObject(`<node><interface name="%1"><property name="Version"
                type="u" access="read"/></interface></node>`, {Version: %2}).export(Gio.DBus.session, '%3');
            Gio.bus_own_name(Gio.BusType.SESSION, '%4', 0, null, null, null);
            new GLib.MainLoop(null, false).run();)"_s.arg(kCompanion.interface)
                                               .arg(ShellCompanion::interfaceVersion)
                                               .arg(kCompanion.path, kCompanion.service)});
        QTRY_COMPARE(owners().size(), 1);
        send(extensions, u"EnableExtension"_s, companion);
        QTRY_COMPARE(owners().size(), 2); // the companion queues for its name
        QVERIFY(!ShellCompanion().isAvailable());
        impostor.kill(); // the companion takes the name then
        QTRY_COMPARE(ShellCompanion::askVersion(QDBusConnection::sessionBus(), 500),
                     ShellCompanion::interfaceVersion);
    }

    void nativeDragStartsAndEndsOnce() {
        DesktopDriver::Tool source(u"drag_source"_s, {u"/nonexistent/dragged.txt"_s});
        source.waitForReady();
        const QString filter = u"w.get_pid() === %1"_s.arg(source.processId());
        QTRY_VERIFY(windows(filter).startsWith(u"[["_s));
        const QJsonArray r = QJsonDocument::fromJson(windows(filter).toUtf8()).array()[0].toArray();
        const int x = r[0].toInt() + r[2].toInt() / 2, y = r[1].toInt() + r[3].toInt() / 2;

        QDBusInterface companion(kCompanion.service, kCompanion.path, kCompanion.interface);
        QCOMPARE(pointer().count(u' '), 3); // a first question: this connection is served
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"o"_s);
        QDBusInterface others(kCompanion.service, kCompanion.path, kCompanion.interface, other);
        QSignalSpy started(&companion, SIGNAL(DragStarted(int, int, bool, uint))),
            moved(&companion, SIGNAL(PointerMoved(int, int, bool, uint))),
            ended(&companion, SIGNAL(DragEnded())),
            elsewhere(&others, SIGNAL(PointerMoved(int, int, bool, uint)));
        send(kInput, u"Move"_s, {x, y});
        send(kInput, u"Button"_s, {true});
        for (int step = 1; step <= 8; ++step, QTest::qWait(30))
            send(kInput, u"Move"_s, {x + 8 * step, y + 4 * step});
        QTRY_COMPARE(started.size(), 1);
        QCOMPARE(started[0][2], QVariant(true)); // with the button held, where the pointer was
        QVERIFY(started[0][0].toInt() > x && started[0][1].toInt() > y);
        send(kInput, u"Move"_s, {x + 200, y + 120});
        QTRY_VERIFY(!moved.isEmpty() &&
                    moved.last().mid(0, 3) == QVariantList({x + 200, y + 120, true}));
        QCOMPARE(ended.size(), 0);
        send(kInput, u"Button"_s, {false});
        QTRY_COMPARE(ended.size(), 1);
        QVERIFY(!source.waitForLine(u"DRAG "_s).isNull());
        const qsizetype during = moved.size();
        send(kInput, u"Move"_s, {x, y}); // no drag: no position is told
        QTest::qWait(300);
        QCOMPARE(started.size() + ended.size(), 2);
        QCOMPARE(moved.size(), during);
        QCOMPARE(elsewhere.size(), 0); // told to the served connection only
    }

    void placesOnlyTheCallersWindowAndHandsFocusBack() {
        QWidget anchor, shelf(nullptr, Qt::FramelessWindowHint);
        anchor.setWindowTitle(u"Quoblin anchor"_s);
        anchor.resize(320, 200);
        anchor.show();
        QTRY_COMPARE(shellEval(kFocusTitle), u"\"Quoblin anchor\""_s);
        shelf.setWindowTitle(u"Quoblin placed"_s);
        shelf.resize(220, 160);
        shelf.show();
        // Asked at once, before the window is mapped: the request waits for it.
        QVERIFY(call(u"PlaceWindow"_s, {7u, shelf.windowTitle(), 420, 300}).isValid());
        const QString filter = u"w.get_title()?.startsWith('Quoblin placed')"_s;
        QTRY_COMPARE(windows(filter), u"[[420,300,220,160,true,true]]"_s);
        QTRY_COMPARE(shellEval(kFocusTitle), u"\"Quoblin anchor\""_s);
        // Known by its id from then on, whatever its title says.
        shelf.setWindowTitle(u"Quoblin placed, renamed"_s);
        QTRY_VERIFY(windows(u"w.get_title() === 'Quoblin placed, renamed'"_s) != u"[]"_s);
        QCOMPARE(call(u"PlaceWindow"_s, {7u, u"Quoblin anchor"_s, 500, 340}), QVariant(true));
        QTRY_COMPARE(windows(filter), u"[[500,340,220,160,true,true]]"_s);
        QCOMPARE(windows(u"w.get_title() === 'Quoblin anchor'"_s).section(u',', 4),
                 u"false,false]]"_s);
    }
};

QTEST_MAIN(GnomeShellExtensionTest)
#include "gnome_ShellExtension.moc"
