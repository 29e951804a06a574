// desktop-options: --tray
// Installs this build tree into a throw-away prefix, as a package would, and checks
// that the desktop tools accept what lands there.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class InstalledProgramTest : public QObject {
    Q_OBJECT

    // Output is part of the verdict: the tools report warnings without failing.
    static QString runCleanly(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0)
            return program + QStringLiteral(" failed: ") + process.errorString() +
                   QString::fromUtf8(process.readAll());
        return QString::fromUtf8(process.readAll());
    }

private Q_SLOTS:
    void desktopEntryAndMetainfoAreValidOnceInstalled() {
        QTemporaryDir root;
        const QString prefix = root.path() + QStringLiteral("/usr");
        const QString install =
            runCleanly(QStringLiteral(QUOBLIN_CMAKE_COMMAND),
                       {QStringLiteral("--install"), QStringLiteral(QUOBLIN_BUILD_DIR),
                        QStringLiteral("--prefix"), prefix});
        QVERIFY2(!install.contains(QLatin1String(" failed: ")), qPrintable(install));
        const QString entry = prefix + QStringLiteral("/share/applications/quoblin.desktop");
        QCOMPARE(runCleanly(QStringLiteral("desktop-file-validate"), {entry}), QString());
        // The tree check also finds the desktop entry that the metainfo names.
        const QString report =
            runCleanly(QStringLiteral("appstreamcli"),
                       {QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                        QStringLiteral("--no-color"), root.path()});
        // Infos and hints are allowed, errors and warnings are not.
        const QRegularExpression problem(QStringLiteral("^\\s*[EW]:"),
                                         QRegularExpression::MultilineOption);
        QVERIFY2(!report.contains(QLatin1String(" failed: ")) && !report.contains(problem),
                 qPrintable(report));
    }
};

QTEST_GUILESS_MAIN(InstalledProgramTest)
#include "desktop_InstalledProgram.moc"
