#include "platform/common/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
            instance.onCommand = [this](const QString& command) { commands << command; };
        }
        SingleInstance instance;
        int shown = 0;
        QStringList commands;
    };

private Q_SLOTS:
    void theNameComesFromTheUserAndTheDisplayAndAnyPlaceLetsTheProgramRun() {
        QCOMPARE(SingleInstance::nameFor(1000, QStringLiteral(":0.0")),
                 QStringLiteral("quoblin-1000-_0"));
        QCOMPARE(SingleInstance::nameFor(7, QStringLiteral("host:10.2")),
                 SingleInstance::nameFor(7, QStringLiteral("host:10")));
        QCOMPARE(SingleInstance::nameFor(7, QStringLiteral("wayland-0")),
                 QStringLiteral("quoblin-7-wayland-0"));
        QVERIFY(!SingleInstance::nameFor(7, QStringLiteral("../../x")).contains(u'/'));
        // A place where nothing can be made still lets the program run.
        QTemporaryDir dir;
        QVERIFY(
            SingleInstance(dir.filePath(QStringLiteral("missing/instance"))).tryBecomePrimary());
    }

    void aSecondStartAsksThePrimaryToShowItselfAndOtherNamesDoNotMeet() {
        const QString name = uniqueName();
        Primary primary(name);
        QVERIFY(primary.instance.tryBecomePrimary());
        Primary other(uniqueName());
        QVERIFY(other.instance.tryBecomePrimary());
        QVERIFY(!SingleInstance(name).tryBecomePrimary());
        QTRY_COMPARE(primary.shown, 1);
        QCOMPARE(other.shown, 0);
        QVERIFY(!SingleInstance(name).tryBecomePrimary(QStringLiteral("toggle-shelves")));
        QTRY_COMPARE(primary.commands, QStringList{QStringLiteral("toggle-shelves")});
    }

    void theSocketAndLockOfACrashedInstanceAreTakenOver() {
        const QString name = uniqueName();
        // What a killed primary leaves: a socket file nobody listens on and an
        // unlocked lock file.
        const QString socketPath = SingleInstance(name).socketPath();
        const QByteArray path = QFile::encodeName(socketPath);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{AF_UNIX, {}};
        QVERIFY(size_t(path.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFile(socketPath + QStringLiteral(".lock")).open(QIODevice::WriteOnly));

        Primary primary(name);
        QVERIFY(primary.instance.tryBecomePrimary());
        QVERIFY(!SingleInstance(name).tryBecomePrimary());
        QTRY_COMPARE(primary.shown, 1);
    }

    void strangeBytesOnTheSocketDoNotCountAsARequest() {
        const QString name = uniqueName();
        Primary primary(name);
        QVERIFY(primary.instance.tryBecomePrimary());
        QLocalSocket stranger;
        stranger.connectToServer(primary.instance.socketPath());
        QVERIFY(stranger.waitForConnected(1000));
        // The tail of an overlong line is no request of its own either.
        stranger.write("hello\nshowme\nNEW-SHELF\n../quit\n" + QByteArray(63, 'x') + "quit\n");
        QVERIFY(stranger.waitForBytesWritten(1000));
        QVERIFY(!SingleInstance(name).tryBecomePrimary());
        QTRY_COMPARE(primary.shown, 1);
        QTest::qWait(20);
        QCOMPARE(primary.shown, 1); // the stranger's lines asked for nothing
        // Plain words get through, for the program to ignore those it does not know.
        QCOMPARE(primary.commands,
                 QStringList({QStringLiteral("hello"), QStringLiteral("showme")}));
    }

    void onlyTheUsersOwnProgramsAreHeard() {
        // The other tests pass through the kernel's answer; here it names another user, or none.
        const QString name = uniqueName();
        Primary primary(name);
        QVERIFY(primary.instance.tryBecomePrimary());
        for (const auto peer : {std::optional<uid_t>(::getuid() + 1), std::optional<uid_t>()}) {
            primary.instance.peerUserOf = [peer](qintptr) { return peer; };
            QVERIFY(!SingleInstance(name).tryBecomePrimary());
        }
        QTest::qWait(100);
        QCOMPARE(primary.shown, 0);
    }

    // The last test: it changes the environment.
    void withoutARuntimeFolderOnlyOurOwnPrivateFolderHoldsTheSocket() {
        QTemporaryDir temp;
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        qunsetenv("XDG_RUNTIME_DIR");
        const QString own = temp.filePath(QStringLiteral("quoblin-%1").arg(::getuid()));
        // Ours but open to all: closed first.
        QVERIFY(QDir().mkdir(own) && QFile::setPermissions(own, QFileDevice::Permissions(0x7777)));
        QCOMPARE(SingleInstance(QStringLiteral("x")).socketPath(), own + QStringLiteral("/x"));
        QCOMPARE(int(QFileInfo(own).permissions() & 0x0077), 0);
        // A link planted under our name is refused, and the program still starts.
        QVERIFY(QDir().rmdir(own) && QFile::link(temp.path(), own));
        QCOMPARE(SingleInstance(QStringLiteral("x")).socketPath(), QString());
        QVERIFY(SingleInstance(QStringLiteral("x")).tryBecomePrimary());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_SingleInstance.moc"
