#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Socket paths are short (about a hundred bytes), and a test tree can be deep:
// plain names put them in the runtime directory.
QString uniqueName() {
    static int counter = 0;
    return QStringLiteral("qbl-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

    // A primary that counts the requests to show itself.
    struct Primary {
        explicit Primary(const QString& name)
            : instance(name) {
            instance.onShowRequested = [this] { ++shown; };
        }
        SingleInstance instance;
        int shown = 0;
    };

private Q_SLOTS:
    void cleanupTestCase() {
        // Lock files stay behind on purpose (removing one races with a start).
        QDir runtime(qEnvironmentVariable("XDG_RUNTIME_DIR"));
        const QString mine = QStringLiteral("qbl-%1-*").arg(QCoreApplication::applicationPid());
        for (const QString& file : runtime.entryList({mine}, QDir::Files | QDir::System))
            runtime.remove(file);
    }

    void theNameComesFromTheUserAndTheDisplayInTheRuntimeDirectory() {
        QCOMPARE(SingleInstance::nameFor(1000, QStringLiteral(":0.0")),
                 QStringLiteral("quoblin-1000-_0"));
        QCOMPARE(SingleInstance::nameFor(0, QStringLiteral("localhost:10.1")),
                 QStringLiteral("quoblin-0-localhost_10"));
        QCOMPARE(SingleInstance::nameFor(7, QString()), QStringLiteral("quoblin-7-none"));
        QVERIFY(!SingleInstance::nameFor(7, QStringLiteral("../../x")).contains(u'/'));
        QCOMPARE(SingleInstance(QStringLiteral("quoblin-test-name")).socketPath(),
                 qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/quoblin-test-name"));
    }

    void aSecondStartAsksThePrimaryToShowItselfAndOtherNamesDoNotMeet() {
        const QString name = uniqueName();
        Primary primary(name);
        QVERIFY(primary.instance.tryBecomePrimary());
        QVERIFY(primary.instance.isPrimary());
        Primary other(uniqueName());
        QVERIFY(other.instance.tryBecomePrimary());

        SingleInstance second(name);
        second.onShowRequested = [] { QFAIL("the second start must not listen"); };
        QVERIFY(!second.tryBecomePrimary());
        QVERIFY(!second.isPrimary());
        QTRY_COMPARE(primary.shown, 1);
        QCOMPARE(other.shown, 0);
    }

    void whenThePrimaryEndsTheNextStartTakesOver() {
        const QString name = uniqueName();
        auto primary = std::make_unique<SingleInstance>(name);
        QVERIFY(primary->tryBecomePrimary());
        primary.reset();
        SingleInstance next(name);
        QVERIFY(next.tryBecomePrimary());
    }

    void theSocketAndLockOfACrashedInstanceAreTakenOver() {
        const QString name = uniqueName();
        // What a killed primary leaves: a socket file nobody listens on and an
        // unlocked lock file.
        const QString socketPath = SingleInstance(name).socketPath();
        const QByteArray path = QFile::encodeName(socketPath);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(path.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QFile lock(socketPath + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();

        Primary primary(name);
        QVERIFY(primary.instance.tryBecomePrimary());
        QVERIFY(!SingleInstance(name).tryBecomePrimary());
        QTRY_COMPARE(primary.shown, 1);
    }

    void aPlaceWhereNothingCanBeMadeStillLetsTheProgramRun() {
        QTemporaryDir dir;
        SingleInstance instance(dir.filePath(QStringLiteral("missing/instance")));
        QVERIFY(instance.tryBecomePrimary());
        QVERIFY(instance.isPrimary());
    }

    void strangeBytesOnTheSocketDoNotCountAsARequest() {
        const QString name = uniqueName();
        Primary primary(name);
        QVERIFY(primary.instance.tryBecomePrimary());
        QLocalSocket stranger;
        stranger.connectToServer(primary.instance.socketPath());
        QVERIFY(stranger.waitForConnected(1000));
        stranger.write("hello\nshowme\n");
        QVERIFY(stranger.waitForBytesWritten(1000));
        QVERIFY(!SingleInstance(name).tryBecomePrimary());
        QTRY_COMPARE(primary.shown, 1);
        QTest::qWait(20);
        QCOMPARE(primary.shown, 1);
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_SingleInstance.moc"
