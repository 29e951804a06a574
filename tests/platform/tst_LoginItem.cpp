#include "platform/LoginItem.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class LoginItemTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_config = std::make_unique<QTemporaryDir>();
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
    }

    void cleanup() {
        qputenv("XDG_CONFIG_HOME", m_savedConfig);
        m_config.reset();
    }

    void theEntryLivesInTheAutostartFolderOfTheConfigHome() {
        QCOMPARE(LoginItem::defaultEntryPath(),
                 m_config->path() + QStringLiteral("/autostart/quoblin.desktop"));
        QCOMPARE(LoginItem().entryPath(), LoginItem::defaultEntryPath());
    }

    void registeringWritesAnEntryThatStartsTheRunningProgram() {
        LoginItem item;
        QVERIFY(!item.isEnabled());
        QCOMPARE(item.registerItem(), std::nullopt);
        const QString program = QCoreApplication::applicationFilePath();
        QVERIFY(QDir::isAbsolutePath(program));
        const QByteArray text = readWholeFile(LoginItem::defaultEntryPath());
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines.value(0), QByteArray("[Desktop Entry]"));
        QVERIFY(lines.contains("Type=Application"));
        QVERIFY(lines.contains("Name=Quoblin"));
        QVERIFY(lines.contains("Exec=" + LoginItem::execValue(program).toUtf8()));
        QVERIFY(item.isEnabled());
        // Registering again keeps one good entry.
        QCOMPARE(item.registerItem(), std::nullopt);
        QCOMPARE(readWholeFile(LoginItem::defaultEntryPath()), text);
    }

    void execValueQuotesAndEscapesAsDesktopEntriesRequire_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/bin/quoblin"
                               << "/usr/bin/quoblin";
        QTest::newRow("space") << "/opt/My Apps/quoblin"
                               << "\"/opt/My Apps/quoblin\"";
        QTest::newRow("dollar") << "/opt/a$b/quoblin"
                                << "\"/opt/a\\\\$b/quoblin\"";
        QTest::newRow("quote") << "/opt/a\"b/q"
                               << "\"/opt/a\\\\\"b/q\"";
        // A literal backslash ends up as four.
        QTest::newRow("backslash") << "/opt/a\\b/q"
                                   << "\"/opt/a\\\\\\\\b/q\"";
        QTest::newRow("percent") << "/opt/100%/q"
                                 << "/opt/100%%/q";
        QTest::newRow("newline") << "/opt/a\nb/q"
                                 << "\"/opt/a\\nb/q\"";
    }

    void execValueQuotesAndEscapesAsDesktopEntriesRequire() {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(LoginItem::execValue(program), exec);
    }

    void anEntryIsEnabledUnlessMarkedHidden() {
        LoginItem item;
        QVERIFY(!item.registerItem());
        const QString path = item.entryPath();
        QVERIFY(writeWholeFile(path, "[Desktop Entry]\nExec=quoblin\nHidden=true\n"));
        QVERIFY(!item.isEnabled());
        QVERIFY(writeWholeFile(path, "[Desktop Entry]\nExec=quoblin\nHidden = true\n"));
        QVERIFY(!item.isEnabled());
        QVERIFY(writeWholeFile(path, "[Desktop Entry]\nExec=quoblin\nHidden=false\n"));
        QVERIFY(item.isEnabled());
        // Another group's key is not the entry's.
        QVERIFY(writeWholeFile(path,
                               "[Desktop Entry]\nExec=quoblin\n[Desktop Action x]\nHidden=true\n"));
        QVERIFY(item.isEnabled());
    }

    void unregisteringRemovesTheEntryAndSucceedsWhenThereIsNone() {
        LoginItem item;
        QCOMPARE(item.unregisterItem(), std::nullopt);
        QVERIFY(!item.registerItem());
        QCOMPARE(item.unregisterItem(), std::nullopt);
        QVERIFY(!QFileInfo::exists(item.entryPath()));
        QVERIFY(!item.isEnabled());
    }

    void aFolderThatCannotBeMadeFailsRegistrationWithTheReason() {
        // A plain file where the config folder should be: refused even for root.
        const QString blocker = m_config->filePath(QStringLiteral("file"));
        QVERIFY(writeWholeFile(blocker, "x"));
        LoginItem item(blocker + QStringLiteral("/autostart/quoblin.desktop"),
                       QStringLiteral("/usr/bin/quoblin"));
        const std::optional<QString> failure = item.registerItem();
        QVERIFY(failure);
        QVERIFY2(failure->startsWith(blocker + QStringLiteral("/autostart/quoblin.desktop: ")),
                 qPrintable(*failure));
        QVERIFY(!item.isEnabled());
    }

    void anEntryThatCannotBeRemovedFailsUnregistrationWithTheReason() {
        LoginItem item;
        // A folder in the entry's place cannot be unlinked.
        QVERIFY(QDir().mkpath(item.entryPath() + QStringLiteral("/inside")));
        const std::optional<QString> failure = item.unregisterItem();
        QVERIFY(failure);
        QVERIFY2(failure->startsWith(item.entryPath() + QStringLiteral(": ")),
                 qPrintable(*failure));
        QVERIFY(failure->size() > item.entryPath().size() + 2);
    }

private:
    std::unique_ptr<QTemporaryDir> m_config;
    QByteArray m_savedConfig;
};

QTEST_GUILESS_MAIN(LoginItemTest)
#include "tst_LoginItem.moc"
