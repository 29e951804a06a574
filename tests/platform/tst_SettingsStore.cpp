#include "TestEnvironment.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class SettingsStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unreadableFilesReadAsEmptyAndStayUntouched_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not json") << QByteArray("shakeEnabled = false");
        QTest::newRow("array") << QByteArray("[false, 3]");
        QTest::newRow("truncated") << QByteArray("{\"shakeEnabled\": fal");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4);
        QTest::newRow("empty") << QByteArray();
    }

    void unreadableFilesReadAsEmptyAndStayUntouched() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.json"));
        QVERIFY(writeWholeFile(path, content));
        SettingsStore store(path);
        QVERIFY(!store.value(QStringLiteral("shakeEnabled")));
        QCOMPARE(readWholeFile(path), content);
    }

    void valuesKeepTheirJsonTypes() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.json"));
        QVERIFY(
            writeWholeFile(path, R"({"shakeEnabled":"no","shakeReversals":5,"language":"ro"})"));
        SettingsStore store(path);
        QVERIFY(store.value(QStringLiteral("shakeEnabled"))->isString());
        QVERIFY(store.value(QStringLiteral("shakeReversals"))->isDouble());
        QVERIFY(!store.value(QStringLiteral("missing")).has_value());
    }

    void writesKeepOtherKeysAndCreateTheFolder() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("nested/quoblin/settings.json"));
        {
            SettingsStore store(path);
            QVERIFY(store.setValue(QStringLiteral("language"), QStringLiteral("ro")));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject first = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
        QCOMPARE(first.value(QStringLiteral("language")).toString(), QStringLiteral("ro"));

        // Keys this version does not know survive a write.
        QJsonObject withExtra = first;
        withExtra.insert(QStringLiteral("futureKey"), QJsonObject{{QStringLiteral("a"), 1}});
        QVERIFY(writeWholeFile(path, QJsonDocument(withExtra).toJson()));
        SettingsStore again(path);
        QVERIFY(again.setValue(QStringLiteral("shakeReversals"), 6));
        const QJsonObject stored = QJsonDocument::fromJson(readWholeFile(path)).object();
        QCOMPARE(stored.value(QStringLiteral("language")).toString(), QStringLiteral("ro"));
        QCOMPARE(stored.value(QStringLiteral("shakeReversals")).toInt(), 6);
        QVERIFY(stored.value(QStringLiteral("futureKey")).isObject());
        QVERIFY(
            !stored.value(QStringLiteral("shakeReversals")).toString().contains(QLatin1Char('.')));
    }

    void failedWriteKeepsTheValueInMemory() {
        QTemporaryDir dir;
        // A regular file where the folder should be: no write can succeed, even as root.
        QVERIFY(writeWholeFile(dir.filePath(QStringLiteral("blocker")), "x"));
        SettingsStore store(dir.filePath(QStringLiteral("blocker/settings.json")));
        QVERIFY(!store.setValue(QStringLiteral("shakeEnabled"), false));
        QCOMPARE(store.value(QStringLiteral("shakeEnabled"))->toBool(true), false);
    }

    void defaultPathFollowsXdgConfigHome() {
        const QByteArray old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", "/some/where");
        QCOMPARE(SettingsStore::defaultPath(), QStringLiteral("/some/where/quoblin/settings.json"));
        qputenv("XDG_CONFIG_HOME", "relative/path"); // relative values are ignored
        QCOMPARE(SettingsStore::defaultPath(),
                 QDir::homePath() + QStringLiteral("/.config/quoblin/settings.json"));
        qputenv("XDG_CONFIG_HOME", old);
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_SettingsStore.moc"
