// The KWin companion script in a private KWin (tests/harness/with-kwin): this
// test stands in for the program on the bus and moves the pointer with the
// fake-input client.
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>
#include <QWidget>

namespace {

const QString service = QStringLiteral("io.github.quoblin.Program");
const QString path = QStringLiteral("/io/github/quoblin/KWin");
const QString probeTitle = QStringLiteral("Quoblin probe");

// Counts the presses and keys the fake-input client makes on it.
class PressedWindow : public QWidget {
public:
    int presses = 0;
    QString typed;
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void keyPressEvent(QKeyEvent* event) override { typed += event->text(); }
};

} // namespace

// The program's side of io.github.quoblin.KWin1, recording what it is told.
class StandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quoblin.KWin1")

public:
    QList<QPoint> shakes;
    QList<int> placementPids;
    QString probed; // a window as KWin has it, from a probe script

public Q_SLOTS:
    void Shake(int x, int y) { shakes.append({x, y}); }
    bool Placement(int pid, const QString& caption, int& x, int& y) {
        placementPids.append(pid);
        x = 200;
        y = 150;
        return pid == QCoreApplication::applicationPid() && caption == probeTitle;
    }
    void Frame(const QString& state) { probed = state; }
};

class CompanionScriptTest : public QObject {
    Q_OBJECT

    const QString companion =
        qEnvironmentVariable("QUOBLIN_SOURCE_DIR") + "/kwin/contents/code/main.js";
    StandIn m_standIn;
    QProcess m_fakeInput;
    QDBusInterface m_scripting{QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                               QStringLiteral("org.kde.kwin.Scripting")};

    void loadScript(const QString& file, const QString& name) {
        const QDBusReply<int> id = m_scripting.call(QStringLiteral("loadScript"), file, name);
        QVERIFY2(id.isValid() && id.value() >= 0, qPrintable(id.error().message()));
        QVERIFY(m_scripting.call(QStringLiteral("start")).type() != QDBusMessage::ErrorMessage);
    }

    // Sends fake-input commands and waits until KWin has taken them.
    void drive(const QString& commands) {
        m_fakeInput.write((commands + QStringLiteral("sync\n")).toUtf8());
        QByteArray answer;
        QTRY_VERIFY_WITH_TIMEOUT((answer += m_fakeInput.readAllStandardOutput()).contains("ok"),
                                 10000);
    }

    // From (x0, y) to x1, 10 points every 10 ms.
    static QString stroke(int x0, int x1, int y) {
        QString out;
        for (int x = x0; x != x1; x += x1 > x0 ? 10 : -10)
            out += QStringLiteral("move %1 %2\nwait 10\n").arg(x).arg(y);
        return out;
    }

    // Six reversals, 60 points apart at y 300: a shake takes four, the rest are too few for a
    // second.
    static QString zigZag() {
        QString out = stroke(400, 460, 300);
        for (int leg = 0; leg < 3; ++leg)
            out += stroke(460, 400, 300) + stroke(400, 460, 300);
        return out;
    }

private Q_SLOTS:
    void initTestCase() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(path, &m_standIn, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(service));
        loadScript(companion, QStringLiteral("quoblin"));
        m_fakeInput.start(qEnvironmentVariable("QUOBLIN_FAKE_INPUT"), {});
        QVERIFY(m_fakeInput.waitForStarted());
        drive(QStringLiteral("move 640 400\n"));
    }

    void cleanupTestCase() {
        m_fakeInput.closeWriteChannel();
        QVERIFY(m_fakeInput.waitForFinished());
        QCOMPARE(m_fakeInput.exitCode(), 0);
    }

    void aStraightMovementCallsNothing() {
        drive(stroke(100, 1100, 300) + stroke(1100, 600, 500));
        QTest::qWait(500);
        QCOMPARE(m_standIn.shakes, QList<QPoint>{});
    }

    void aZigZagCallsTheProgramOnceWithItsPoint() {
        drive(zigZag());
        QTRY_COMPARE(m_standIn.shakes.size(), 1);
        QTest::qWait(300);
        QCOMPARE(m_standIn.shakes.size(), 1);
        const QPoint at = m_standIn.shakes.first();
        QVERIFY2(at.x() >= 400 && at.x() <= 460 && at.y() == 300,
                 qPrintable(QString::number(at.x())));
    }

    void theSensitivityIsReadFromTheScriptsSectionOfKWinsSettings() {
        QFile settings(qEnvironmentVariable("XDG_CONFIG_HOME") + "/kwinrc");
        QVERIFY(settings.open(QIODevice::Append));
        settings.write("[Script-quoblin]\nMinReversals=8\n");
        settings.close();
        m_scripting.call(QStringLiteral("unloadScript"), QStringLiteral("quoblin"));
        loadScript(companion, QStringLiteral("quoblin"));
        drive(zigZag());
        QTest::qWait(500);
        QCOMPARE(m_standIn.shakes.size(), 1); // the one of the zig-zag before
    }

    void theProgramsWindowIsPlacedAboveOnAllDesktopsAndOutOfTheLists() {
        QGuiApplication::setDesktopFileName(QStringLiteral("quoblin"));
        PressedWindow window;
        window.setWindowTitle(probeTitle);
        window.resize(120, 80);
        window.show();
        QTRY_VERIFY(m_standIn.placementPids.contains(QCoreApplication::applicationPid()));
        QTemporaryFile probe(QDir::tempPath() + "/probe-XXXXXX.js");
        QVERIFY(probe.open());
        probe.write(QStringLiteral(R"(
            var all = workspace.windowList ? workspace.windowList() : workspace.clientList();
            all.forEach(function (w) {
                var g = w.frameGeometry;
                if (w.caption === "%1")
                    callDBus("%2", "%3", "io.github.quoblin.KWin1", "Frame", [g.x, g.y, w.keepAbove,
                             w.onAllDesktops, w.skipTaskbar, w.skipPager, w.skipSwitcher].join(" "));
            });)")
                        .arg(probeTitle, service, path)
                        .toUtf8());
        probe.close();
        // The placement is made when the answer arrives, after the question.
        const QString placed = QStringLiteral("200 150 true true true true true");
        QTRY_COMPARE_WITH_TIMEOUT(
            [&] {
                m_scripting.call(QStringLiteral("unloadScript"), QStringLiteral("probe"));
                loadScript(probe.fileName(), QStringLiteral("probe"));
                QTest::qWait(100);
                return m_standIn.probed;
            }(),
            placed, 5000);
        // Inside it, with or without a title bar: the fake-input client's buttons and keys reach
        // it.
        drive(QStringLiteral("move 260 215\npress 272\nrelease 272\nkeydown 30\nkeyup 30\n"));
        QTRY_COMPARE(window.presses, 1);
        QTRY_COMPARE(window.typed, QStringLiteral("a"));
    }
};

QTEST_MAIN(CompanionScriptTest)
#include "kwin_CompanionScript.moc"
