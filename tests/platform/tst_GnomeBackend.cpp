#include "platform/ScreenPoints.h"
#include "platform/gnome/GnomeBackend.h"
#include "platform/gnome/ShellCompanion.h"

#include <QMutex>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <QtDBus>

// A stand-in for the companion Shell extension, on its own connection and
// thread so that the backend's blocking calls get their answers.
class FakeShell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quoblin.Shell1")
    Q_PROPERTY(uint Version MEMBER version)
public:
    std::atomic<uint> version = 1;
    std::atomic<bool> left = false;
    QMutex mutex;
    QStringList calls;
    QStringList log(const QString& prefix = {}) {
        QMutexLocker lock(&mutex);
        return calls.filter(QRegularExpression(u'^' + prefix));
    }
    uint record(const QString& call, uint result = 1) {
        QMutexLocker lock(&mutex);
        calls << call + u' ' + QString::number(result);
        return result;
    }

public Q_SLOTS:
    int GetPointer(int& y, bool& leftButton) {
        y = 40, leftButton = left;
        return int(record(u"pointer"_qs, 300));
    }
    // Refuses V; numbers the other grabs by the length of the log.
    uint GrabAccelerator(const QString& a) {
        return record(u"grab "_qs + a, a.endsWith(u'v') ? 0 : uint(log().size() + 1));
    }
    bool UngrabAccelerator(uint action) { return record(u"ungrab %1"_qs.arg(action), 0); }
};

class GnomeBackendTest : public QObject {
    Q_OBJECT
    QProcess m_daemon;
    QThread m_thread;
    FakeShell* m_fake = nullptr;
    std::optional<QDBusConnection> m_fakeBus, m_bus;

    void signal(const char* name, std::optional<uint> action = {}) {
        QDBusMessage message =
            action ? QDBusMessage::createTargetedSignal(m_bus->baseService(),
                                                        ShellCompanion::objectPath,
                                                        ShellCompanion::interfaceName, name)
                   : QDBusMessage::createSignal(ShellCompanion::objectPath,
                                                ShellCompanion::interfaceName, name);
        QVERIFY(m_fakeBus->send(action ? message << *action : message));
    }
    // The Shell restarting, or the extension turned off and on again.
    void restart(uint version) {
        m_fake->version = version;
        QVERIFY(m_fakeBus->unregisterService(ShellCompanion::serviceName));
        QVERIFY(m_fakeBus->registerService(ShellCompanion::serviceName));
    }

private Q_SLOTS:
    void initTestCase() {
        m_daemon.start(u"dbus-daemon"_qs,
                       {u"--session"_qs, u"--nofork"_qs, u"--print-address=1"_qs});
        QVERIFY(m_daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_fakeBus = QDBusConnection::connectToBus(address, u"fake"_qs);
        m_bus = QDBusConnection::connectToBus(address, u"program"_qs);
        m_fake = new FakeShell;
        QVERIFY(m_fakeBus->registerObject(ShellCompanion::objectPath, m_fake,
                                          QDBusConnection::ExportAllContents));
        m_fake->moveToThread(&m_thread);
        m_thread.start();
        QVERIFY(m_fakeBus->registerService(ShellCompanion::serviceName));
    }
    void cleanupTestCase() {
        m_thread.quit();
        m_thread.wait();
        delete m_fake;
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    void aDragStartedWithTheButtonDownIsAPressTakenBeforeTheDragCounts() {
        ShellCompanion shell(*m_bus);
        GnomePressMonitor presses(shell);
        GnomeDragPasteboard drag(shell);
        QVERIFY(shell.isAvailable());
        QList<long> baselines;
        const auto token = presses.addLeftPressMonitor([&] { baselines << drag.changeCount(); });
        for (const bool held : {true, false}) {
            m_fake->left = held;
            signal("DragStarted");
            QTRY_VERIFY(drag.holdsItems());
            signal("DragEnded");
            QTRY_VERIFY(!drag.holdsItems());
        }
        QCOMPARE(baselines, QList<long>{0});
        QCOMPARE(drag.changeCount(), 2);
        const Pointer::Reading reading = GnomePointer(shell).read();
        QCOMPARE(reading.position, ScreenPoints::fromQtGlobal(QPointF(300, 40)));
    }

    void anotherVersionIsNotUsedAndNothingIsAskedOfIt() {
        ShellCompanion shell(*m_bus);
        restart(2);
        QTRY_VERIFY(!shell.isAvailable());
        QCOMPARE(ShellCompanion::askVersion(*m_bus, 1000), std::optional<unsigned>(2));
        const qsizetype asked = m_fake->log().size();
        m_fake->left = true;
        signal("DragStarted");
        QVERIFY(!GnomePointer(shell).read().leftButtonDown);
        QCOMPARE(m_fake->log().size(), asked);
        QCOMPARE(shell.dragCount(), 0);
        restart(1);
        QTRY_VERIFY(shell.isAvailable());
    }

    void hotKeysActOncePerActivationAndAreGrabbedAgainWhenTheShellReturns() {
        QCOMPARE(GnomeKeyGrabs::accelerator({57, KeyModifier::control | KeyModifier::mod1}),
                 u"<Control><Alt>n"_qs);
        QCOMPARE(GnomeKeyGrabs::accelerator({10, KeyModifier::shift}), u"<Shift>1"_qs);
        QVERIFY(GnomeKeyGrabs::accelerator({9, KeyModifier::control}).isEmpty()); // Escape
        QVERIFY(GnomeKeyGrabs::accelerator({57, KeyModifier::lock}).isEmpty());

        ShellCompanion shell(*m_bus);
        GnomeKeyGrabs keys(shell);
        int pressed = 0;
        const uint mods = KeyModifier::control | KeyModifier::mod1;
        auto token = keys.grabKey({57, uint16_t(mods)}, [&] { ++pressed; });
        QVERIFY(token && !keys.grabKey({55, uint16_t(mods)}, [] {})); // V is refused
        const auto action = [&] {
            return m_fake->log(u"grab <Control><Alt>n"_qs).last().section(u' ', 2).toUInt();
        };
        const uint first = action();
        signal("AcceleratorActivated", first);
        signal("AcceleratorActivated", first + 1000);
        QTRY_COMPARE(pressed, 1);
        restart(1);
        QTRY_VERIFY(action() != first);
        signal("AcceleratorActivated", first);
        signal("AcceleratorActivated", action());
        QTRY_COMPARE(pressed, 2);
        QTest::qWait(50);
        QCOMPARE(pressed, 2);
        const uint second = action();
        token.reset();
        QTRY_COMPARE(m_fake->log(u"ungrab"_qs), QStringList{u"ungrab %1 0"_qs.arg(second)});
    }
};

QTEST_MAIN(GnomeBackendTest)
#include "tst_GnomeBackend.moc"
