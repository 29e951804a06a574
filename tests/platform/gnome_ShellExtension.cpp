// The companion extension in a real GNOME Shell on Wayland, through its D-Bus
// interface, with input injected by the test driver extension.
#include "DesktopDriver.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QtDBus>
#include <QtTest>

namespace {
const QString kService = QStringLiteral("io.github.quoblin.Shell");
const QString kPath = QStringLiteral("/io/github/quoblin/Shell");
const QString kInterface = QStringLiteral("io.github.quoblin.Shell1");
const QString kAccelerator = QStringLiteral("<Control><Alt>n");

QDBusMessage call(const QString& method, const QVariantList& arguments,
                  const QDBusConnection& bus = QDBusConnection::sessionBus()) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, 5000);
}

QVariant first(const QDBusMessage& reply) {
    return reply.arguments().value(0);
}

QDBusMessage shell(const QString& path, const QString& interface, const QString& method,
                   const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"), path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
}

// Runs JavaScript in the Shell (the test driver unlocks Eval) and returns its result as JSON.
QString shellEval(const QString& code) {
    const QDBusMessage reply =
        shell(QStringLiteral("/org/gnome/Shell"), QStringLiteral("org.gnome.Shell"),
              QStringLiteral("Eval"), {code});
    return reply.arguments().value(1).toString();
}

void inject(const QString& method, const QVariantList& arguments) {
    shell(QStringLiteral("/io/github/quoblin/TestInput"),
          QStringLiteral("io.github.quoblin.TestInput"), method, arguments);
}
void move(int x, int y) {
    inject(QStringLiteral("Move"), {x, y});
}
void button(bool pressed) {
    inject(QStringLiteral("Button"), {pressed});
}
void keys(const QList<uint>& keyvals) {
    for (uint keyval : keyvals)
        inject(QStringLiteral("Key"), {QVariant::fromValue(keyval), true});
    for (qsizetype i = keyvals.size() - 1; i >= 0; --i)
        inject(QStringLiteral("Key"), {QVariant::fromValue(keyvals[i]), false});
}

QString pointer() {
    const QVariantList out = call(QStringLiteral("GetPointer"), {}).arguments();
    return out.size() == 3 ? QStringLiteral("%1 %2 %3")
                                 .arg(out[0].toInt())
                                 .arg(out[1].toInt())
                                 .arg(out[2].toBool())
                           : QStringLiteral("no answer");
}

// Frame position, above and on all workspaces of the windows that match `filter` (JavaScript over
// w).
QString windows(const QString& filter) {
    return shellEval(
        QStringLiteral(
            "global.get_window_actors().map(a => a.meta_window).filter(w => %1)"
            ".map(w => [w.get_frame_rect().x, w.get_frame_rect().y, w.is_above(), "
            "w.is_on_all_workspaces(), w.get_frame_rect().width, w.get_frame_rect().height])")
            .arg(filter));
}
QString focusTitle() {
    return shellEval(QStringLiteral("global.display.focus_window?.get_title() ?? null"));
}
} // namespace

class SignalLog : public QObject {
    Q_OBJECT
public:
    QStringList received;
public slots:
    void add(const QDBusMessage& message) {
        received << message.member() +
                        (message.arguments().isEmpty()
                             ? QString()
                             : QLatin1Char(' ') + QString::number(first(message).toUInt()));
    }
};

class GnomeShellExtensionTest : public QObject {
    Q_OBJECT

private slots:
    void versionIsOne() {
        QDBusInterface properties(kService, kPath,
                                  QStringLiteral("org.freedesktop.DBus.Properties"));
        const QDBusMessage reply =
            properties.call(QStringLiteral("Get"), kInterface, QStringLiteral("Version"));
        QCOMPARE(first(reply).value<QDBusVariant>().variant(), QVariant::fromValue(1u));
    }

    void pointerFollowsMotionAndLeftButton() {
        move(640, 420);
        QTRY_COMPARE(pointer(), QStringLiteral("640 420 0"));
        button(true);
        QTRY_COMPARE(pointer(), QStringLiteral("640 420 1"));
        move(700, 450);
        QTRY_COMPARE(pointer(), QStringLiteral("700 450 1"));
        button(false);
        QTRY_COMPARE(pointer(), QStringLiteral("700 450 0"));
    }

    void malformedCallsGetErrors() {
        const QList<std::pair<QString, QVariantList>> calls = {
            {QStringLiteral("PlaceWindow"), {QStringLiteral("title")}},
            {QStringLiteral("PlaceWindow"), {1, 2, 3}},
            {QStringLiteral("PlaceWindow"), {QString(), 10, 10}},
            {QStringLiteral("GrabAccelerator"), {42}},
            {QStringLiteral("UngrabAccelerator"), {QStringLiteral("n")}},
        };
        for (const auto& [method, arguments] : calls) {
            const QDBusMessage reply = call(method, arguments);
            QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
            QCOMPARE(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
        }
        QCOMPARE(
            first(call(QStringLiteral("GrabAccelerator"), {QStringLiteral("<Bogus>n")})).toUInt(),
            0u);
        QCOMPARE(first(call(QStringLiteral("UngrabAccelerator"), {QVariant::fromValue(12345u)}))
                     .toBool(),
                 false);
        QCOMPARE(pointer().split(QLatin1Char(' ')).size(), 3); // the Shell is still there
    }

    void acceleratorGoesOnlyToItsGrabberUntilItLeaves() {
        SignalLog grabberLog, othersLog;
        uint action = 0;
        QString grabberName;
        {
            QDBusConnection grabber = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                                    QStringLiteral("grabber"));
            action =
                first(call(QStringLiteral("GrabAccelerator"), {kAccelerator}, grabber)).toUInt();
            QVERIFY(action > 0);
            grabberName = grabber.baseService();
            QVERIFY(grabber.connect(kService, kPath, kInterface,
                                    QStringLiteral("AcceleratorActivated"), &grabberLog,
                                    SLOT(add(QDBusMessage))));
            QVERIFY(QDBusConnection::sessionBus().connect(kService, kPath, kInterface,
                                                          QStringLiteral("AcceleratorActivated"),
                                                          &othersLog, SLOT(add(QDBusMessage))));
            QCOMPARE(first(call(QStringLiteral("GrabAccelerator"), {kAccelerator})).toUInt(),
                     0u); // held
            QCOMPARE(first(call(QStringLiteral("UngrabAccelerator"), {action})).toBool(),
                     false);             // not ours
            keys({0xffe3, 0xffe9, 'n'}); // Control_L, Alt_L, n
            QTRY_COMPARE(grabberLog.received,
                         QStringList{QStringLiteral("AcceleratorActivated %1").arg(action)});
            QTest::qWait(300);
            QCOMPARE(grabberLog.received.size(), 1);
            QCOMPARE(othersLog.received, QStringList());
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("grabber"));
        QTRY_VERIFY(
            !QDBusConnection::sessionBus().interface()->isServiceRegistered(grabberName).value());
        // The grabber is gone (its name vanished above): the accelerator is free again.
        uint again = 0;
        for (int attempt = 0; attempt < 20 && !again; ++attempt, QTest::qWait(100))
            again = first(call(QStringLiteral("GrabAccelerator"), {kAccelerator})).toUInt();
        QVERIFY(again > 0);
        QCOMPARE(first(call(QStringLiteral("UngrabAccelerator"), {again})).toBool(), true);
    }

    void nativeDragStartsAndEndsOnce() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("dragged.txt"));
        QFile(file).open(QIODevice::WriteOnly);
        DesktopDriver::Tool source(QStringLiteral("drag_source"), {file});
        source.waitForReady();
        const QString filter = QStringLiteral("w.get_pid() === %1").arg(source.processId());
        QTRY_VERIFY(windows(filter).startsWith(QStringLiteral("[[")));
        const QJsonArray frame =
            QJsonDocument::fromJson(windows(filter).toUtf8()).array().at(0).toArray();
        const int x = frame[0].toInt() + frame[4].toInt() / 2,
                  y = frame[1].toInt() + frame[5].toInt() / 2;

        SignalLog log;
        for (const char* name : {"DragStarted", "DragEnded"})
            QVERIFY(QDBusConnection::sessionBus().connect(kService, kPath, kInterface,
                                                          QString::fromLatin1(name), &log,
                                                          SLOT(add(QDBusMessage))));
        move(x, y);
        QTest::qWait(100);
        button(true);
        for (int step = 1; step <= 8; ++step) {
            move(x + 8 * step, y + 4 * step);
            QTest::qWait(30);
        }
        QTRY_COMPARE(log.received, QStringList{QStringLiteral("DragStarted")});
        move(x + 200, y + 120);
        button(false);
        QTRY_COMPARE(log.received,
                     (QStringList{QStringLiteral("DragStarted"), QStringLiteral("DragEnded")}));
        QVERIFY(!source.waitForLine(QStringLiteral("DRAG ")).isNull());
        QTest::qWait(300);
        QCOMPARE(log.received.size(), 2);
    }

    void placesOnlyTheCallersWindowAndHandsFocusBack() {
        QWidget anchor;
        anchor.setWindowTitle(QStringLiteral("Quoblin anchor"));
        anchor.resize(320, 200);
        anchor.show();
        QTRY_COMPARE(focusTitle(), QStringLiteral("\"Quoblin anchor\""));

        QWidget shelf(nullptr, Qt::FramelessWindowHint);
        shelf.setWindowTitle(QStringLiteral("Quoblin placed"));
        shelf.resize(220, 160);
        shelf.show();
        // Called at once, the window is not mapped yet: the request waits for it.
        const QDBusMessage reply =
            call(QStringLiteral("PlaceWindow"), {shelf.windowTitle(), 420, 300});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        const QString filter = QStringLiteral("w.get_title() === 'Quoblin placed'");
        QTRY_COMPARE(windows(filter), QStringLiteral("[[420,300,true,true,220,160]]"));
        QTRY_COMPARE(focusTitle(), QStringLiteral("\"Quoblin anchor\""));

        QCOMPARE(
            first(call(QStringLiteral("PlaceWindow"), {shelf.windowTitle(), 500, 340})).toBool(),
            true);
        QTRY_COMPARE(windows(filter), QStringLiteral("[[500,340,true,true,220,160]]"));

        // Another process cannot move it, nor the anchor.
        for (const QString& title : {shelf.windowTitle(), anchor.windowTitle()}) {
            QProcess gdbus;
            gdbus.start(QStringLiteral("gdbus"),
                        {QStringLiteral("call"), QStringLiteral("--session"),
                         QStringLiteral("--dest"), kService, QStringLiteral("--object-path"), kPath,
                         QStringLiteral("--method"), kInterface + QStringLiteral(".PlaceWindow"),
                         title, QStringLiteral("10"), QStringLiteral("10")});
            QVERIFY(gdbus.waitForFinished(10000));
            QCOMPARE(gdbus.readAllStandardOutput().trimmed(), QByteArray("(false,)"));
        }
        QTest::qWait(300);
        QCOMPARE(windows(filter), QStringLiteral("[[500,340,true,true,220,160]]"));
        QVERIFY(!windows(QStringLiteral("w.get_title() === 'Quoblin anchor'"))
                     .startsWith(QStringLiteral("[[10,10,")));

        const QString screenshots = qEnvironmentVariable("QUOBLIN_SCREENSHOTS");
        if (!screenshots.isEmpty() && QDir().mkpath(screenshots))
            shell(QStringLiteral("/org/gnome/Shell/Screenshot"),
                  QStringLiteral("org.gnome.Shell.Screenshot"), QStringLiteral("Screenshot"),
                  {false, false, screenshots + QStringLiteral("/gnome-shell-extension.png")});
    }
};

QTEST_MAIN(GnomeShellExtensionTest)
#include "gnome_ShellExtension.moc"
