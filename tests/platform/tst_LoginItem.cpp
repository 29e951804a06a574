#include "platform/freedesktop/LoginItem.h"

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
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
    }

    void registeringWritesAnAutostartEntryThatStartsTheRunningProgram() {
        LoginItem item;
        QCOMPARE(item.entryPath(), m_config->path() + QStringLiteral("/autostart/quoblin.desktop"));
        QCOMPARE(item.registerItem(), std::nullopt);
        const QString program = QCoreApplication::applicationFilePath();
        const QByteArray text = readWholeFile(item.entryPath());
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.split('\n').contains("Exec=" + LoginItem::execValue(program).toUtf8()));
        QVERIFY(item.isEnabled());

        QCOMPARE(item.unregisterItem(), std::nullopt);
        QVERIFY(!QFileInfo::exists(item.entryPath()));
        QCOMPARE(item.unregisterItem(), std::nullopt); // nothing to remove is fine
    }

    void execValueQuotesAndEscapesAsDesktopEntriesRequire() {
        QCOMPARE(LoginItem::execValue("/opt/My Apps/q"), "\"/opt/My Apps/q\"");
        QCOMPARE(LoginItem::execValue("/opt/a\"b/q"), "\"/opt/a\\\\\"b/q\"");
        // A literal backslash ends up as four.
        QCOMPARE(LoginItem::execValue("/opt/a\\b/q"), "\"/opt/a\\\\\\\\b/q\"");
        QCOMPARE(LoginItem::execValue("/opt/100%/q"), "/opt/100%%/q");
    }

    void anEntryIsEnabledUnlessItsOwnGroupMarksItHiddenOrSwitchedOff() {
        LoginItem item;
        QVERIFY(!item.registerItem());
        const QByteArray head = "[Desktop Entry]\nExec=quoblin\n";
        for (const auto& [rest, enabled] : {std::pair("Hidden = true\n", false),
                                            {"[Desktop Action x]\nHidden=true\n", true},
                                            {"X-GNOME-Autostart-enabled=false\n", false}}) {
            QVERIFY(writeWholeFile(item.entryPath(), head + rest));
            QVERIFY2(item.isEnabled() == enabled, rest);
        }
    }

    void aFailureToWriteTheEntryNamesItAndTheReason() {
        // A plain file where the config folder should be: refused even for root.
        const QString blocker = m_config->filePath(QStringLiteral("file"));
        QVERIFY(writeWholeFile(blocker, "x"));
        const QString blocked = blocker + QStringLiteral("/autostart/quoblin.desktop");
        LoginItem item(blocked, QStringLiteral("/usr/bin/quoblin"));
        const std::optional<QString> failure = item.registerItem();
        QVERIFY2(failure && failure->startsWith(blocked + QStringLiteral(": ")),
                 qPrintable(failure.value_or(QString())));
        QVERIFY(!item.isEnabled());
    }

private:
    std::unique_ptr<QTemporaryDir> m_config;
};

QTEST_GUILESS_MAIN(LoginItemTest)
#include "tst_LoginItem.moc"
