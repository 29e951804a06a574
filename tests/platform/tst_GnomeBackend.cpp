#include "platform/ScreenPoints.h"
#include "platform/gnome/GnomeBackend.h"
#include "platform/gnome/ShellCompanion.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMutex>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <atomic>

// A stand-in for the companion Shell extension, on its own connection and
// thread so that the program's blocking calls get their answers.
class FakeShell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quoblin.Shell1")
    Q_PROPERTY(uint Version READ version)
public:
    std::atomic<uint> versionNumber = 1;
    std::atomic<int> x = 0, y = 0, pointerCalls = 0;
    std::atomic<bool> left = false;
    QMutex mutex;
    QStringList calls; // "grab <accelerator> <action>", "ungrab <action>", "place <title> x y"
    uint version() const { return versionNumber; }
    QStringList log() {
        QMutexLocker lock(&mutex);
        return calls;
    }

public Q_SLOTS:
    int GetPointer(int& yOut, bool& leftOut) {
        ++pointerCalls;
        yOut = y;
        leftOut = left;
        return x;
    }
    uint GrabAccelerator(const QString& accelerator) {
        QMutexLocker lock(&mutex);
        const uint action = accelerator.endsWith(u'v') ? 0 : uint(calls.size() + 1);
        calls << QStringLiteral("grab %1 %2").arg(accelerator).arg(action);
        return action;
    }
    bool UngrabAccelerator(uint action) {
        QMutexLocker lock(&mutex);
        calls << QStringLiteral("ungrab %1").arg(action);
        return true;
    }
    bool PlaceWindow(const QString& title, int px, int py) {
        QMutexLocker lock(&mutex);
        calls << QStringLiteral("place %1 %2 %3").arg(title).arg(px).arg(py);
        return true;
    }
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
        if (action)
            message << *action;
        QVERIFY(m_fakeBus->send(message));
    }
    // The Shell restarting, or the extension being disabled and enabled again.
    void restart(uint version) {
        m_fake->versionNumber = version;
        QVERIFY(m_fakeBus->unregisterService(ShellCompanion::serviceName));
        QVERIFY(m_fakeBus->registerService(ShellCompanion::serviceName));
    }

private Q_SLOTS:
    void initTestCase() {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        QVERIFY(m_daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_fakeBus = QDBusConnection::connectToBus(address, QStringLiteral("fake"));
        m_bus = QDBusConnection::connectToBus(address, QStringLiteral("program"));
        QVERIFY(m_fakeBus->isConnected() && m_bus->isConnected());
        m_fake = new FakeShell;
        QVERIFY(m_fakeBus->registerObject(ShellCompanion::objectPath, m_fake,
                                          QDBusConnection::ExportAllSlots |
                                              QDBusConnection::ExportAllProperties));
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

    void onlyTheRightVersionIsUsedAndNothingIsAskedWhileItIsAway() {
        ShellCompanion shell(*m_bus);
        GnomePointer pointer(shell);
        QVERIFY(shell.isAvailable());
        m_fake->x = 300, m_fake->y = 40, m_fake->left = true;
        const Pointer::Reading reading = pointer.read();
        QVERIFY(reading.leftButtonDown);
        QCOMPARE(reading.position, ScreenPoints::fromQtGlobal(QPointF(300, 40)));

        restart(2);
        QTRY_VERIFY(!shell.isAvailable());
        QCOMPARE(ShellCompanion::askVersion(*m_bus, 1000), std::optional<unsigned>(2));
        const int asked = m_fake->pointerCalls;
        QVERIFY(!pointer.read().leftButtonDown);
        signal("DragStarted");
        QTest::qWait(50);
        QCOMPARE(m_fake->pointerCalls, asked);
        QCOMPARE(shell.dragCount(), 0);

        restart(1);
        QTRY_VERIFY(shell.isAvailable());
    }

    void aDragStartedWithTheButtonDownIsAPressCountedBeforeTheDrag() {
        ShellCompanion shell(*m_bus);
        GnomePressMonitor presses(shell);
        GnomeDragPasteboard drag(shell);
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
    }

    void hotKeysActOncePerActivationAndAreGrabbedAgainWhenTheShellReturns() {
        QCOMPARE(GnomeKeyGrabs::accelerator({57, KeyModifier::control | KeyModifier::mod1}),
                 QStringLiteral("<Control><Alt>n"));
        QCOMPARE(GnomeKeyGrabs::accelerator({10, KeyModifier::shift}), QStringLiteral("<Shift>1"));
        QVERIFY(GnomeKeyGrabs::accelerator({9, KeyModifier::control}).isEmpty()); // Escape
        QVERIFY(GnomeKeyGrabs::accelerator({57, KeyModifier::lock}).isEmpty());

        ShellCompanion shell(*m_bus);
        GnomeKeyGrabs keys(shell);
        const auto grab = [](const QStringList& log) {
            return log.filter(u"grab <Control><Alt>n");
        };
        const int before = int(grab(m_fake->log()).size());
        int pressed = 0;
        auto token =
            keys.grabKey({57, KeyModifier::control | KeyModifier::mod1}, [&] { ++pressed; });
        QVERIFY(token);
        QVERIFY(!keys.grabKey({55, KeyModifier::control | KeyModifier::mod1}, [] {})); // refused
        const auto actionOf = [&](int index) {
            return grab(m_fake->log()).at(index).section(u' ', 2).toUInt();
        };
        const uint first = actionOf(before);
        signal("AcceleratorActivated", first);
        signal("AcceleratorActivated", first + 1000);
        QTRY_COMPARE(pressed, 1);

        restart(1);
        QTRY_COMPARE(grab(m_fake->log()).size(), before + 2);
        const uint second = actionOf(before + 1);
        signal("AcceleratorActivated", first);
        signal("AcceleratorActivated", second);
        QTRY_COMPARE(pressed, 2);
        QTest::qWait(50);
        QCOMPARE(pressed, 2);
        token.reset();
        QTRY_VERIFY(m_fake->log().contains(QStringLiteral("ungrab %1").arg(second)));
    }

    void aPanelIsPlacedByItsOwnTitle() {
        ShellCompanion shell(*m_bus);
        GnomePanelPlacement placement(shell);
        QWidget panel;
        panel.setWindowTitle(placement.windowTitle(QStringLiteral("Shelf — 1"), 7));
        placement.place(&panel, QPoint(120, 300));
        QTRY_VERIFY(m_fake->log().contains(QStringLiteral("place Shelf #7 120 300")));
    }
};

QTEST_MAIN(GnomeBackendTest)
#include "tst_GnomeBackend.moc"
