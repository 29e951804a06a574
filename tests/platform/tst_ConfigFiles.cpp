#include "TestEnvironment.h"
#include "platform/files/SettingsStore.h"
#include "platform/freedesktop/AutostartEntry.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

// The files the program keeps under the user's config folder: its settings and
// the login item's autostart entry.
class ConfigFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_config;

private Q_SLOTS:
    void unreadableFilesReadAsEmptyAndStayUntouchedAndAFailedWriteStillHolds() {
        const QString path = m_dir.filePath(QStringLiteral("unreadable.json"));
        for (const QByteArray content : {"shakeEnabled = false", "{\"shakeEnabled\": fal"}) {
            QVERIFY(writeWholeFile(path, content));
            QVERIFY(!SettingsStore(path).value(QStringLiteral("shakeEnabled")));
            QCOMPARE(readWholeFile(path), content);
        }
        // A regular file where the folder should be: no write can succeed, even as root.
        SettingsStore blocked(path + QStringLiteral("/settings.json"));
        QVERIFY(!blocked.setValue(QStringLiteral("shakeEnabled"), false));
        QCOMPARE(blocked.value(QStringLiteral("shakeEnabled"))->toBool(true), false);
    }

    // A crash between creating the temporary and renaming it leaves the
    // temporary behind; the next write clears old ones of ours and nothing
    // else, not even an old backup whose name looks alike.
    void aWriteRemovesTemporariesLeftByACrashedWrite() {
        const QString path = m_dir.filePath(QStringLiteral("crashed.json"));
        const QString stale = m_dir.filePath(QStringLiteral(".quoblin-write-crashed.json.Ab12Cd"));
        const QString young = stale.chopped(6) + "Xy34Zw", backup = path + ".backup";
        for (const QString& file : {stale, young, backup}) {
            QFile made(file);
            QVERIFY(made.open(QIODevice::WriteOnly) &&
                    made.setFileTime(QDateTime::currentDateTime().addSecs(file == young ? 0 : -120),
                                     QFileDevice::FileModificationTime));
        }
        QVERIFY(SettingsStore(path).setValue(QStringLiteral("language"), QStringLiteral("ro")));
        QVERIFY(!QFile::exists(stale) && QFile::exists(young) && QFile::exists(backup));
    }

    void aHandEditSurvivesTheNextChangeMadeInTheProgram() {
        const QString path = m_dir.filePath(QStringLiteral("nested/edited.json"));
        SettingsStore store(path);
        QVERIFY(store.setValue(QStringLiteral("language"), QStringLiteral("ro")));
        QVERIFY(writeWholeFile(path, R"({"language": "en", "shakeReversals": 7, "future": [1]})"));
        QVERIFY(store.setValue(QStringLiteral("shakeEnabled"), false));
        QCOMPARE(QJsonDocument::fromJson(readWholeFile(path)).object(),
                 (QJsonObject{{"language", "en"},
                              {"shakeReversals", 7},
                              {"future", QJsonArray{1}},
                              {"shakeEnabled", false}}));
        QCOMPARE(store.value(QStringLiteral("shakeReversals")), std::optional<QJsonValue>(7));
    }

    void init() {
        m_config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
    }

    void registeringWritesAnAutostartEntryThatStartsTheRunningProgram() {
        AutostartEntry item;
        QCOMPARE(item.entryPath(), m_config->path() + QStringLiteral("/autostart/quoblin.desktop"));
        QCOMPARE(item.enable(), std::nullopt);
        const QString program = QCoreApplication::applicationFilePath();
        const QByteArray text = readWholeFile(item.entryPath());
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.split('\n').contains("Exec=" + AutostartEntry::execValue(program).toUtf8()));
        QVERIFY(item.isEnabled());

        QCOMPARE(item.disable(), std::nullopt);
        QVERIFY(!QFileInfo::exists(item.entryPath()));
        QCOMPARE(item.disable(), std::nullopt); // nothing to remove is fine
    }

    void anEntryIsEnabledUnlessItsOwnGroupMarksItHiddenOrSwitchedOff() {
        AutostartEntry item;
        QVERIFY(!item.enable());
        const QByteArray head = "[Desktop Entry]\nExec=quoblin\n";
        for (const auto& [rest, enabled] : {std::pair("Hidden = true\n", false),
                                            {"[Desktop Action x]\nHidden=true\n", true},
                                            {"X-GNOME-Autostart-enabled=false\n", false}}) {
            QVERIFY(writeWholeFile(item.entryPath(), head + rest));
            QVERIFY2(item.isEnabled() == enabled, rest);
        }
    }
};

QTEST_GUILESS_MAIN(ConfigFilesTest)
#include "tst_ConfigFiles.moc"
