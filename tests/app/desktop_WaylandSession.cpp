#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// On a Wayland session, with or without XWayland, the program comes up, stays up,
// quits cleanly and says plainly how its hot keys fare. A headless compositor stands in.
class WaylandSessionTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    QProcess m_compositor;
    QString m_xwaylandDisplay;

    QProcessEnvironment sessionEnvironment(const QString& display) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (display.isEmpty())
            env.remove(QStringLiteral("DISPLAY"));
        else
            env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("quoblin-test"));
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        return env;
    }

private Q_SLOTS:
    void initTestCase() {
        m_compositor.setProcessEnvironment(sessionEnvironment({}));
        m_compositor.setProcessChannelMode(QProcess::MergedChannels);
        m_compositor.start(QStringLiteral("weston"),
                           {QStringLiteral("--backend=headless-backend.so"),
                            QStringLiteral("--xwayland"), QStringLiteral("--socket=quoblin-test"),
                            QStringLiteral("--idle-time=0")});
        QByteArray log;
        const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
        QTRY_VERIFY_WITH_TIMEOUT(
            (log += m_compositor.readAll(), listening.match(QString::fromUtf8(log)).hasMatch()),
            20000);
        m_xwaylandDisplay = listening.match(QString::fromUtf8(log)).captured(1);
    }

    void startsStaysUpAndQuitsCleanly_data() {
        QTest::addColumn<bool>("throughXWayland");
        QTest::addColumn<QString>("hotKeyNote");
        QTest::newRow("through XWayland")
            << true << QStringLiteral("Meanwhile Ctrl+Alt+N, Ctrl+Alt+V, Ctrl+Alt+S work.");
        QTest::newRow("Wayland display alone")
            << false << QStringLiteral("The hot keys could not be registered either.");
    }

    void startsStaysUpAndQuitsCleanly() {
        QFETCH(bool, throughXWayland);
        QFETCH(QString, hotKeyNote);
        QProcess quoblin;
        quoblin.setProcessEnvironment(
            sessionEnvironment(throughXWayland ? m_xwaylandDisplay : QString()));
        quoblin.start(qEnvironmentVariable("QUOBLIN_BINARY"));
        QVERIFY(quoblin.waitForStarted());
        QVERIFY(!quoblin.waitForFinished(3000)); // a failed start ends within it

        ::kill(static_cast<pid_t>(quoblin.processId()), SIGTERM);
        QVERIFY(quoblin.waitForFinished(10000));
        QCOMPARE(quoblin.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quoblin.exitCode(), 0);
        const QByteArray errors = quoblin.readAllStandardError();
        QVERIFY2(errors.contains(hotKeyNote.toUtf8()), errors.constData());
    }
};

QTEST_GUILESS_MAIN(WaylandSessionTest)
#include "desktop_WaylandSession.moc"
