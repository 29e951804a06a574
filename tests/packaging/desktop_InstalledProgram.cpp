// desktop-options: --tray
// Installs this build tree into a throw-away prefix, as a package would, and checks
// that the desktop tools accept what lands there. Starting the program is the
// whole-program test's.

#include "TestEnvironment.h"

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString output;
    QString errors;
};

Run run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    Run result{-1, {}, program + QStringLiteral(": ") + process.errorString()};
    if (!process.waitForStarted(30000) || !process.waitForFinished(120000))
        return result;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

} // namespace

class InstalledProgramTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    QString installed(const QString& relative) const {
        return m_root.path() + QStringLiteral("/usr/") + relative;
    }

private Q_SLOTS:
    void initTestCase() {
        const Run install = run(QStringLiteral(QUOBLIN_CMAKE_COMMAND),
                                {QStringLiteral("--install"), QStringLiteral(QUOBLIN_BUILD_DIR),
                                 QStringLiteral("--prefix"), installed({})});
        QVERIFY2(install.exitCode == 0, qPrintable(install.output + install.errors));
    }

    void desktopEntryIsValidAndStartsTheInstalledProgram() {
        const QString desktopEntry =
            installed(QStringLiteral("share/applications/quoblin.desktop"));
        const Run validate = run(QStringLiteral("desktop-file-validate"), {desktopEntry});
        QCOMPARE(validate.exitCode, 0);
        // It reports warnings and hints on standard output without failing.
        QCOMPARE(validate.output + validate.errors, QString());

        // The launcher finds the program and the icon by name in the installed tree.
        QSettings entry(desktopEntry, QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        const QString exec = entry.value(QStringLiteral("Exec")).toString();
        QVERIFY2(QFileInfo(installed(QStringLiteral("bin/") + exec)).isExecutable(),
                 qPrintable(exec));
        const QString icon = entry.value(QStringLiteral("Icon")).toString();
        QVERIFY(QFileInfo::exists(
            installed(QStringLiteral("share/icons/hicolor/scalable/apps/") + icon + ".svg")));
    }

    void metainfoIsValidAndDescribesThisRelease() {
        // The tree check also finds the desktop entry that the metainfo names.
        const Run validate =
            run(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                 QStringLiteral("--pedantic"), QStringLiteral("--no-color"), m_root.path()});
        const QString report = validate.output + validate.errors;
        QVERIFY2(validate.exitCode == 0, qPrintable(report));
        // Infos and pedantic hints are allowed, errors and warnings are not.
        for (const QString& line : report.split(u'\n'))
            QVERIFY2(!line.trimmed().startsWith(QLatin1String("E:")) &&
                         !line.trimmed().startsWith(QLatin1String("W:")),
                     qPrintable(report));
        QVERIFY(readWholeFile(
                    installed(QStringLiteral("share/metainfo/" QUOBLIN_APP_ID ".metainfo.xml")))
                    .contains("<release version=\"" QUOBLIN_VERSION "\""));
    }

    void manualPageRendersWithoutWarnings() {
        const Run groff =
            run(QStringLiteral("groff"),
                {QStringLiteral("-man"), QStringLiteral("-Tutf8"), QStringLiteral("-ww"),
                 QStringLiteral("-P-cbou"), installed(QStringLiteral("share/man/man1/quoblin.1"))});
        QCOMPARE(groff.exitCode, 0);
        QCOMPARE(groff.errors, QString());
        QVERIFY(groff.output.contains(QLatin1String("Ctrl+Alt+N")));
    }
};

QTEST_GUILESS_MAIN(InstalledProgramTest)
#include "desktop_InstalledProgram.moc"
