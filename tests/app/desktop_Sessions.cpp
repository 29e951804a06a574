#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// Whatever session it lands in, the program either runs and quits cleanly, saying
// plainly how its hot keys fare, or says why it cannot run and exits 1 (Qt alone
// would abort). A headless compositor with XWayland stands in for a Wayland session.
class SessionsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    QProcess m_compositor;
    QString m_xwayland; // the compositor's X display

    QProcessEnvironment session(const QString& wayland, const QString& display = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        if (!wayland.isEmpty())
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), wayland);
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        return env;
    }

private Q_SLOTS:
    void initTestCase() {
        m_compositor.setProcessEnvironment(session({}));
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
        m_xwayland = listening.match(QString::fromUtf8(log)).captured(1);
    }

    void runsAndQuitsCleanlyOrSaysWhyNot() {
        // With an X display that answers (the compositor's XWayland) the program runs
        // on X11, where its hot keys work; on a Wayland display alone they do not.
        const std::tuple<QString, bool, int, QString> cases[] = {
            {"quoblin-test", true, 0, "Meanwhile Ctrl+Alt+N, Ctrl+Alt+V, Ctrl+Alt+S work."},
            {"quoblin-test", false, 0, "The hot keys could not be registered either."},
            {{}, false, 1, "neither DISPLAY nor WAYLAND_DISPLAY"}};
        for (const auto& [wayland, xwayland, exitCode, said] : cases) {
            QProcess quoblin;
            quoblin.setProcessEnvironment(session(wayland, xwayland ? m_xwayland : QString()));
            quoblin.start(qEnvironmentVariable("QUOBLIN_BINARY"));
            QVERIFY(quoblin.waitForStarted());
            if (exitCode == 0) {
                QVERIFY(!quoblin.waitForFinished(3000)); // a failed start ends within it
                ::kill(static_cast<pid_t>(quoblin.processId()), SIGTERM);
            }
            QVERIFY(quoblin.waitForFinished(20000));
            QCOMPARE(quoblin.exitStatus(), QProcess::NormalExit);
            QCOMPARE(quoblin.exitCode(), exitCode);
            const QByteArray errors = quoblin.readAllStandardError();
            QVERIFY2(errors.contains(said.toUtf8()), errors.constData());
        }
    }
};

QTEST_GUILESS_MAIN(SessionsTest)
#include "desktop_Sessions.moc"
