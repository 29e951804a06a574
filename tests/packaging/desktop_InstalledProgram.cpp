// desktop-options: --tray
//
// Installs this build tree into a throw-away prefix, as a user or a package
// would, and checks what lands there: the files in their freedesktop.org
// places, that the desktop tools accept them, and that the installed program
// runs on a desktop and ends when asked to.

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <csignal>

#if !defined(QUOBLIN_BUILD_DIR) || !defined(QUOBLIN_CMAKE_COMMAND) || !defined(QUOBLIN_APP_ID)
#error "packaging/CMakeLists.txt defines where the build tree and cmake are"
#endif

namespace {

struct Run {
    int exitCode = -1;
    QString output; // standard output
    QString errors; // standard error
};

Run run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted(30000)) {
        result.errors = program + QStringLiteral(": ") + process.errorString();
        return result;
    }
    process.closeWriteChannel();
    process.waitForFinished(120000);
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

// Lines of a validator report that are more than notes (infos and pedantic
// hints are allowed, errors and warnings are not).
QStringList seriousFindings(const QString& report) {
    QStringList findings;
    for (const QString& rawLine : report.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1String("E:")) || line.startsWith(QLatin1String("W:")))
            findings << line;
    }
    return findings;
}

} // namespace

class InstalledProgramTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_prefix;

    QString installed(const QString& relative) const {
        return m_prefix + QLatin1Char('/') + relative;
    }
    QString desktopEntry() const {
        return installed(QStringLiteral("share/applications/quoblin.desktop"));
    }
    QString metainfo() const {
        return installed(QStringLiteral("share/metainfo/") + QStringLiteral(QUOBLIN_APP_ID) +
                         QStringLiteral(".metainfo.xml"));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        m_prefix = m_root.path() + QStringLiteral("/usr");
        const Run install = run(QStringLiteral(QUOBLIN_CMAKE_COMMAND),
                                {QStringLiteral("--install"), QStringLiteral(QUOBLIN_BUILD_DIR),
                                 QStringLiteral("--prefix"), m_prefix});
        QVERIFY2(install.exitCode == 0, qPrintable(install.output + install.errors));
    }

    void installPutsEveryFileInItsFreedesktopPlace() {
        const QStringList expected{
            QStringLiteral("bin/quoblin"),
            QStringLiteral("share/applications/quoblin.desktop"),
            QStringLiteral("share/icons/hicolor/scalable/apps/quoblin.svg"),
            QStringLiteral("share/icons/hicolor/symbolic/apps/quoblin-symbolic.svg"),
            QStringLiteral("share/icons/hicolor/48x48/apps/quoblin.png"),
            QStringLiteral("share/metainfo/") + QStringLiteral(QUOBLIN_APP_ID) +
                QStringLiteral(".metainfo.xml"),
            QStringLiteral("share/man/man1/quoblin.1"),
        };
        for (const QString& relative : expected)
            QVERIFY2(QFileInfo::exists(installed(relative)), qPrintable(relative + " is missing"));
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/quoblin"))).isExecutable());
    }

    void desktopEntryIsValidAndStartsTheInstalledProgram() {
        const Run validate = run(QStringLiteral("desktop-file-validate"), {desktopEntry()});
        QCOMPARE(validate.exitCode, 0);
        // It reports warnings and hints on standard output without failing.
        QCOMPARE(validate.output + validate.errors, QString());

        QSettings entry(desktopEntry(), QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
        QCOMPARE(entry.value(QStringLiteral("Name")).toString(), QStringLiteral("Quoblin"));
        // The launcher finds the program and the icon by name in the installed tree.
        const QString exec = entry.value(QStringLiteral("Exec")).toString();
        QVERIFY2(QFileInfo(installed(QStringLiteral("bin/") + exec)).isExecutable(),
                 qPrintable(exec));
        const QString icon = entry.value(QStringLiteral("Icon")).toString();
        QVERIFY(QFileInfo::exists(
            installed(QStringLiteral("share/icons/hicolor/scalable/apps/") + icon + ".svg")));
    }

    void metainfoIsValidAndDescribesThisBuild() {
        // The tree check also finds the desktop entry that the metainfo names.
        const Run validate =
            run(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                 QStringLiteral("--pedantic"), QStringLiteral("--no-color"), m_root.path()});
        const QString report = validate.output + validate.errors;
        QVERIFY2(validate.exitCode == 0, qPrintable(report));
        QVERIFY2(seriousFindings(report).isEmpty(), qPrintable(report));

        QFile file(metainfo());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString launchable, releaseVersion;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("launchable"))
                launchable = xml.readElementText();
            else if (xml.name() == QLatin1String("release") && releaseVersion.isEmpty())
                releaseVersion = xml.attributes().value(QLatin1String("version")).toString();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(launchable, QFileInfo(desktopEntry()).fileName());
        QCOMPARE(releaseVersion, QStringLiteral(QUOBLIN_VERSION));
    }

    void iconsAreSquareAndEveryRenderedSizeMatchesItsFolder() {
        for (const QString& relative : {QStringLiteral("scalable/apps/quoblin.svg"),
                                        QStringLiteral("symbolic/apps/quoblin-symbolic.svg")}) {
            QSvgRenderer svg(installed(QStringLiteral("share/icons/hicolor/") + relative));
            QVERIFY2(svg.isValid(), qPrintable(relative));
            QCOMPARE(svg.viewBoxF().width(), svg.viewBoxF().height());
        }

        int pngs = 0;
        const QDir hicolor(installed(QStringLiteral("share/icons/hicolor")));
        QDirIterator it(hicolor.path(), {QStringLiteral("*.png")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString relative =
                hicolor.relativeFilePath(it.next()); // "48x48/apps/quoblin.png"
            QCOMPARE(relative.section(QLatin1Char('/'), 1), QStringLiteral("apps/quoblin.png"));
            const QImage image(hicolor.filePath(relative));
            QVERIFY2(!image.isNull(), qPrintable(relative));
            QCOMPARE(QStringLiteral("%1x%2").arg(image.width()).arg(image.height()),
                     relative.section(QLatin1Char('/'), 0, 0));
            ++pngs;
        }
        QVERIFY(pngs > 0);
    }

    void manualPageRendersWithoutWarnings() {
        const Run groff =
            run(QStringLiteral("groff"),
                {QStringLiteral("-man"), QStringLiteral("-Tutf8"), QStringLiteral("-ww"),
                 QStringLiteral("-P-cbou"), // plain text, no bold or underline by overstriking
                 installed(QStringLiteral("share/man/man1/quoblin.1"))});
        QCOMPARE(groff.exitCode, 0);
        QCOMPARE(groff.errors, QString());
        for (const char* text : {"Ctrl+Alt+N", "Ctrl+Alt+V", "Ctrl+Alt+S", "quoblin/settings.json",
                                 "recent-shelves.json", "ShelfDrops", "XWayland"})
            QVERIFY2(groff.output.contains(QLatin1String(text)), text);
    }

    void installedProgramKeepsRunningUntilTerminated() {
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(installed(QStringLiteral("bin/quoblin")), {});
        QVERIFY2(program.waitForStarted(30000), qPrintable(program.errorString()));

        // Not a timing check: a start-up failure ends the process within this
        // wait, a slow machine only makes the wait less strict.
        QVERIFY2(!program.waitForFinished(2000), "the installed program ended on its own");
        QCOMPARE(program.state(), QProcess::Running);

        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        // Either it handles SIGTERM and exits cleanly, or the default action
        // ends it; anything else (a crash, a failure status) is a fault.
        if (program.exitStatus() == QProcess::NormalExit) {
            qInfo("SIGTERM: the program exited with status %d", program.exitCode());
            QCOMPARE(program.exitCode(), 0);
        } else {
            qInfo("SIGTERM: the program was ended by signal %d", program.exitCode());
            QCOMPARE(program.exitCode(), SIGTERM);
        }
    }
};

QTEST_GUILESS_MAIN(InstalledProgramTest)
#include "desktop_InstalledProgram.moc"
