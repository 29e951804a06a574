#include "TestEnvironment.h"
#include "platform/SettingsStore.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class SettingsStoreTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void unreadableFilesReadAsEmptyAndStayUntouched() {
        const QString path = m_dir.filePath(QStringLiteral("unreadable.json"));
        for (const QByteArray content : {"shakeEnabled = false", "{\"shakeEnabled\": fal"}) {
            QVERIFY(writeWholeFile(path, content));
            QVERIFY(!SettingsStore(path).value(QStringLiteral("shakeEnabled")));
            QCOMPARE(readWholeFile(path), content);
        }
    }

    // A crash between creating the temporary and renaming it leaves the
    // temporary behind; the next write clears old ones and nothing else.
    void aWriteRemovesTemporariesLeftByACrashedWrite() {
        const QString path = m_dir.filePath(QStringLiteral("crashed.json"));
        const QString stale = path + QStringLiteral(".Ab12Cd"), young = path + ".Xy34Zw",
                      other = path + ".backup";
        for (const QString& file : {stale, young, other})
            QVERIFY(writeWholeFile(file, "partial"));
        QFile aged(stale);
        QVERIFY(aged.open(QIODevice::Append) &&
                aged.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                 QFileDevice::FileModificationTime));
        aged.close();
        QVERIFY(SettingsStore(path).setValue(QStringLiteral("language"), QStringLiteral("ro")));
        QVERIFY(!QFile::exists(stale));
        QVERIFY(QFile::exists(young) && QFile::exists(other));
    }

    // Keys this version does not know survive too, with their types.
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

    void failedWriteKeepsTheValueInMemory() {
        // A regular file where the folder should be: no write can succeed, even as root.
        QVERIFY(writeWholeFile(m_dir.filePath(QStringLiteral("blocker")), "x"));
        SettingsStore store(m_dir.filePath(QStringLiteral("blocker/settings.json")));
        QVERIFY(!store.setValue(QStringLiteral("shakeEnabled"), false));
        QCOMPARE(store.value(QStringLiteral("shakeEnabled"))->toBool(true), false);
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_SettingsStore.moc"
