#include <QProcess>
#include <QTest>

// Without a usable display the program says why and exits 1; Qt on its own
// would abort the process.
class StartWithoutDisplayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void explainsAndExits_data() {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no session")
            << QString() << QString() << QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY");
        QTest::newRow("X server gone")
            << QStringLiteral(":987") << QString() << QStringLiteral("does not answer");
        QTest::newRow("Wayland without XWayland") << QString() << QStringLiteral("wayland-none")
                                                  << QStringLiteral("offers no X11 (XWayland)");
    }

    void explainsAndExits() {
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(QString, reason);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        if (!wayland.isEmpty())
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), wayland);
        QProcess quoblin;
        quoblin.setProcessEnvironment(env);
        quoblin.start(qEnvironmentVariable("QUOBLIN_BINARY"));
        QVERIFY(quoblin.waitForFinished(20000));
        QCOMPARE(quoblin.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quoblin.exitCode(), 1);
        QVERIFY2(quoblin.readAllStandardError().contains(reason.toUtf8()), qPrintable(reason));
    }
};

QTEST_GUILESS_MAIN(StartWithoutDisplayTest)
#include "tst_StartWithoutDisplay.moc"
