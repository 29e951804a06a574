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
        y = 40, leftButton = true, modifiers = KeyModifier::mod1;
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

    void signal(const char* name, std::optional<uint> action = {}) {
        const QString path = ShellCompanion::objectPath, interface = ShellCompanion::interfaceName;
        QVERIFY(m_fakeBus->send(
            action ? QDBusMessage::createTargetedSignal(m_bus->baseService(), path, interface, name)
                         << *action
                   : QDBusMessage::createSignal(path, interface, name)));
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
        GnomeDragPasteboard drag(shell);
        QTRY_VERIFY(shell.isAvailable());
        restart(ShellCompanion::interfaceVersion - 1);
        QTRY_VERIFY(!shell.isAvailable());
        const int asked = m_fake.pointerCalls;
        signal("DragStarted");
        QVERIFY(!GnomePointer(shell).read().leftButtonDown);
        QCOMPARE(m_fake.pointerCalls, asked);
        QCOMPARE(drag.changeCount(), 0);
        restart(ShellCompanion::interfaceVersion);
        QTRY_VERIFY(shell.isAvailable());
    }

    // Not "turned on" when the Shell refuses it: what the Shell reports instead.
    void aCompanionTheShellRefusesIsReportedAsTheShellSays() {
        using namespace GnomeSession;
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        qputenv("XDG_CURRENT_DESKTOP", "GNOME");
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

    void hotKeysActOncePerActivationAndAreGrabbedAgainWhenTheShellReturns() {
        const uint16_t controlAlt = KeyModifier::control | KeyModifier::mod1;
        ShellCompanion shell(*m_bus);
        GnomeKeyGrabs keys(shell);
        int pressed = 0;
        auto token = keys.grabKey({57, controlAlt}, [&] { ++pressed; });
        QVERIFY(token && !keys.grabKey({55, controlAlt}, [] {})); // V is refused
        const uint first = m_fake.lastGrab;
        for (const uint activated : {first, first + 1000})
            signal("AcceleratorActivated", activated);
        QTRY_COMPARE(pressed, 1);
        restart(ShellCompanion::interfaceVersion);
        QTRY_VERIFY(m_fake.lastGrab != first);
        for (const uint activated : {first, uint(m_fake.lastGrab)})
            signal("AcceleratorActivated", activated);
        QTRY_COMPARE(pressed, 2);
        token.reset();
        QTRY_COMPARE(m_fake.lastUngrab, m_fake.lastGrab);
    }
};

QTEST_MAIN(GnomeBackendTest)
#include "tst_GnomeBackend.moc"
