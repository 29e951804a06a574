#include "platform/gnome/GnomeBackend.h"
#include "platform/gnome/GnomeSession.h"
#include "platform/gnome/ShellCompanion.h"

#include <QTest>
#include <QtDBus>

using namespace Qt::StringLiterals;

// A stand-in for the companion Shell extension, on its own connection and
// thread so that the backend's blocking calls get their answers.
class FakeShell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quoblin.Shell1")
    Q_PROPERTY(uint Version MEMBER version)
public:
    std::atomic<uint> version = ShellCompanion::interfaceVersion, lastGrab = 0, lastUngrab = 0,
                      grabs = 0;
    std::atomic<int> pointerCalls = 0;

public Q_SLOTS:
    int GetPointer(int& y, bool& leftButton, uint& modifiers) {
        ++pointerCalls;
        y = 40, leftButton = true, modifiers = 0x8; // Alt
        return 300;
    }
    uint GrabAccelerator(const QString& accelerator) { // refuses all but N
        return accelerator == u"<Control><Alt>n" ? lastGrab = ++grabs : 0;
    }
    bool UngrabAccelerator(uint action) { return (lastUngrab = action) != 0; }
};

// The Shell's own extensions interface, as it reports the companion.
class FakeExtensions : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.Extensions")

public:
    std::atomic<int> state = 4, enables = 0;

public Q_SLOTS:
    QVariantMap GetExtensionInfo(const QString&) {
        return {{u"state"_s, double(state)}, {u"error"_s, u"boom"_s}};
    }
    bool EnableExtension(const QString&) { // it then fails to start
        ++enables;
        state = 3;
        return true;
    }
};

// Another program's answers, each of another type than the companion's.
class WrongShell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quoblin.Shell1")
    Q_PROPERTY(uint Version MEMBER version)
public:
    uint version = ShellCompanion::interfaceVersion;
public Q_SLOTS:
    QList<int> GetWorkAreas() { return {0, 0, 640, 480}; } // crashed the program
    int GetPointer(int& y) { return y = 40; }
    int GrabAccelerator(const QString&) { return 3; }
    QVariantMap ReadClipboard(const QStringList&) { return {{u"text/plain"_s, u"x"_s}}; }
};

class GnomeBackendTest : public QObject {
    Q_OBJECT
    QProcess m_daemon;
    QThread m_thread;
    FakeShell m_fake;
    FakeExtensions m_extensions;
    std::optional<QDBusConnection> m_fakeBus, m_bus;

    void signal(const char* name, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createTargetedSignal(
            m_bus->baseService(), ShellCompanion::objectPath, ShellCompanion::interfaceName, name);
        message.setArguments(arguments);
        QVERIFY(m_fakeBus->send(message));
    }
    // The Shell restarting, or the extension turned off and on again.
    void restart(uint version) {
        m_fake.version = version;
        QVERIFY(m_fakeBus->unregisterService(ShellCompanion::serviceName));
        QVERIFY(m_fakeBus->registerService(ShellCompanion::serviceName));
    }

private Q_SLOTS:
    void initTestCase() {
        m_daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        QVERIFY(m_daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_fakeBus = QDBusConnection::connectToBus(address, u"fake"_s);
        m_bus = QDBusConnection::connectToBus(address, u"program"_s);
        QVERIFY(m_fakeBus->registerObject(ShellCompanion::objectPath, &m_fake,
                                          QDBusConnection::ExportAllContents));
        QVERIFY(m_fakeBus->registerObject(u"/org/gnome/Shell"_s, &m_extensions,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(m_fakeBus->registerService(u"org.gnome.Shell"_s));
        m_fake.moveToThread(&m_thread);
        m_extensions.moveToThread(&m_thread);
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8()); // where a start asks
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
        m_thread.start();
        // The same process owns the Shell's name: the companion is the Shell's.
        QVERIFY(m_fakeBus->registerService(u"org.gnome.Shell"_s));
        QVERIFY(m_fakeBus->registerService(ShellCompanion::serviceName));
    }
    void cleanupTestCase() {
        m_thread.quit();
        m_thread.wait();
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    void answersOfOtherTypesAreNotRead() {
        auto* wrong = new WrongShell; // deleted on its thread
        m_fakeBus->unregisterObject(ShellCompanion::objectPath);
        QVERIFY(m_fakeBus->registerObject(ShellCompanion::objectPath, wrong,
                                          QDBusConnection::ExportAllContents));
        wrong->moveToThread(&m_thread);
        ShellCompanion shell(*m_bus);
        QVERIFY(shell.isAvailable());
        QVERIFY(!shell.pointer());
        QVERIFY(shell.workAreas().isEmpty());
        QCOMPARE(shell.grabAccelerator(u"<Control><Alt>n"_s), 0u);
        QVERIFY(!shell.clipboard({u"text/plain"_s}).data);
        m_fakeBus->unregisterObject(ShellCompanion::objectPath);
        wrong->deleteLater();
        QVERIFY(m_fakeBus->registerObject(ShellCompanion::objectPath, &m_fake,
                                          QDBusConnection::ExportAllContents));
    }

    void anotherVersionOfTheCompanionIsNotUsedNorAsked() {
        ShellCompanion shell(*m_bus);
        GnomeDragContents drag(shell);
        QTRY_VERIFY(shell.isAvailable());
        restart(ShellCompanion::interfaceVersion - 1);
        QTRY_VERIFY(!shell.isAvailable());
        const int asked = m_fake.pointerCalls;
        signal("DragStarted", {300, 40, true, 0u});
        QTest::qWait(100);
        QVERIFY(!GnomePointer(shell).read().leftButtonDown);
        QCOMPARE(m_fake.pointerCalls, asked);
        QCOMPARE(drag.dragCount(), 0);
        const GnomeSession::Status older = GnomeSession::probe();
        QVERIFY(older.companion == GnomeSession::Companion::wrongVersion &&
                older.version == ShellCompanion::interfaceVersion - 1);
        restart(ShellCompanion::interfaceVersion);
        QTRY_VERIFY(shell.isAvailable());
    }

    // Not "turned on" when the Shell refuses it: what the Shell reports instead.
    void aCompanionTheShellRefusesIsReportedAsTheShellSays() {
        using namespace GnomeSession;
        QVERIFY(m_fakeBus->unregisterService(ShellCompanion::serviceName));
        const auto back =
            qScopeGuard([this] { m_fakeBus->registerService(ShellCompanion::serviceName); });
        const Status outOfDate = probe([] { return true; }); // nothing to turn on
        QVERIFY(outOfDate.refusal == Refusal::outOfDate && !outOfDate.enabling &&
                !m_extensions.enables);
        m_extensions.state = 2; // turned off: turned on, and then it fails
        const Status failed = probe([] { return true; });
        QVERIFY(failed.enabling == Enabling::enabledNow && failed.refusal == Refusal::error);
        QCOMPARE(failed.shellError, u"boom"_s);
    }

    // The Shell tells the pointer with the drag's start and each movement until
    // its end: nothing is asked back meanwhile, and the start is the press.
    void aDragBringsThePointerWithItAndCountsAsThePress() {
        ShellCompanion shell(*m_bus);
        GnomePressMonitor presses(shell);
        GnomePointer pointer(shell);
        GnomeDragContents drag(shell);
        QTRY_VERIFY(shell.isAvailable());
        int pressed = 0, moved = 0;
        const auto token = presses.addLeftPressMonitor([&] { ++pressed; });
        pointer.onMoved = [&] { ++moved; };
        const int asked = m_fake.pointerCalls;
        signal("DragStarted", {300u, 40u}); // not the interface's type: not read
        signal("DragStarted", {500, 60, true, 0u});
        QTRY_COMPARE(drag.dragCount(), 1);
        QVERIFY(pressed == 1 && drag.holdsItems() && presses.reportsDragStarts());
        signal("PointerMoved", {520, 70, true, 0u});
        QTRY_COMPARE(moved, 1);
        QCOMPARE(shell.pointer()->global, QPoint(520, 70));
        QVERIFY(pointer.read().leftButtonDown);
        QCOMPARE(m_fake.pointerCalls, asked);
        signal("DragEnded");
        QTRY_VERIFY(!drag.holdsItems());
        QCOMPARE(shell.pointer()->global, QPoint(300, 40)); // asked again
        signal("DragStarted", {500, 60, false, 0u});        // a drag without the button: no press
        QTRY_COMPARE(drag.dragCount(), 2);
        QCOMPARE(pressed, 1);
    }

    // The interface's one description, which the extension's build puts into
    // the extension, has every member the program uses, of the type it reads.
    void theInterfaceXmlHasWhatTheProgramUses() {
        QFile file(qEnvironmentVariable("QUOBLIN_SOURCE_DIR") +
                   u"/extension/io.github.quoblin.Shell1.xml"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(u"<interface name=\"%1\">"_s.arg(ShellCompanion::interfaceName)));
        QVERIFY(text.contains(u"<property name=\"Version\" type=\"u\""_s));
        static const QRegularExpression element(
            u"<(method|signal) name=\"(\\w+)\"(/>|>.*?</\\1>)"_s,
            QRegularExpression::DotMatchesEverythingOption),
            argument(u"<arg type=\"([^\"]+)\"[^>]*?(direction=\"out\")?/>"_s);
        QMap<QString, QString> described; // "method Name": its in types, a comma, its out types
        for (const auto& found : element.globalMatch(text)) {
            QString in, out;
            for (const auto& arg : argument.globalMatch(found.captured(3)))
                (arg.hasCaptured(2) ? out : in) += arg.captured(1);
            described[found.captured(1) + u' ' + found.captured(2)] = in + u',' + out;
        }
        for (const ShellCompanion::Member& member : ShellCompanion::members) {
            if (member.name == "Get"_L1) // the Version property's
                continue;
            const bool method = member.kind == ShellCompanion::Member::Kind::method;
            const QString key = (method ? u"method "_s : u"signal "_s) + QString(member.name);
            QVERIFY2(described.contains(key), qPrintable(key));
            QCOMPARE(described.value(key), QString(member.in) + u',' + QString(member.out));
        }
    }

    void hotKeysActOncePerActivationAndAreGrabbedAgainWhenTheShellReturns() {
        ShellCompanion shell(*m_bus);
        GnomeKeyGrabs keys(shell);
        int pressed = 0;
        auto token = keys.grabKey(Qt::CTRL | Qt::ALT | Qt::Key_N, [&] { ++pressed; });
        QVERIFY(token && !keys.grabKey(Qt::CTRL | Qt::ALT | Qt::Key_V, [] {})); // V is refused
        const uint first = m_fake.lastGrab;
        for (const uint activated : {first, first + 1000})
            signal("AcceleratorActivated", {activated});
        QTRY_COMPARE(pressed, 1);
        restart(ShellCompanion::interfaceVersion);
        QTRY_VERIFY(m_fake.lastGrab != first);
        for (const uint activated : {first, uint(m_fake.lastGrab)})
            signal("AcceleratorActivated", {activated});
        QTRY_COMPARE(pressed, 2);
        token.reset();
        QTRY_COMPARE(m_fake.lastUngrab, m_fake.lastGrab);
    }
};

QTEST_MAIN(GnomeBackendTest)
#include "tst_GnomeBackend.moc"
