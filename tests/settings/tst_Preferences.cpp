#include "TestEnvironment.h"
#include "settings/Language.h"
#include "settings/Preferences.h"

#include <QTest>

using Stored = std::optional<QJsonValue>;
Q_DECLARE_METATYPE(Stored)

class PreferencesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void languageFollowsStoreThenOnlyTheFirstPreferredLanguage_data() {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<int>("expected");
        const QStringList system{"fr-FR", "ro-RO"};
        QTest::newRow("system fr then ro") << Stored() << system << int(Language::english);
        QTest::newRow("stored ro") << Stored(QJsonValue("ro")) << system << int(Language::romanian);
        QTest::newRow("stored RO ignored")
            << Stored(QJsonValue("RO")) << system << int(Language::english);
        QTest::newRow("stored number ignored")
            << Stored(QJsonValue(1)) << system << int(Language::english);
    }

    void languageFollowsStoreThenOnlyTheFirstPreferredLanguage() {
        QFETCH(Stored, stored);
        QFETCH(QStringList, preferred);
        QFETCH(int, expected);
        QCOMPARE(int(Preferences::languageFrom(stored, preferred)), expected);
    }

    void shakeIsOnUnlessABooleanSaysOtherwise() {
        QVERIFY(Preferences::shakeEnabledFrom(Stored()));
        QVERIFY(!Preferences::shakeEnabledFrom(QJsonValue(false)));
        QVERIFY(Preferences::shakeEnabledFrom(QJsonValue(0)));
    }

    void shakeReversalsAreClampedIntegers_data() {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("absent") << Stored() << 4;
        for (auto [value, expected] : {std::pair{2, 3}, {3, 3}, {8, 8}, {9, 8}})
            QTest::addRow("%d", value) << Stored(QJsonValue(value)) << expected;
        QTest::newRow("huge") << Stored(QJsonValue(1e300)) << 8;
        QTest::newRow("fraction") << Stored(QJsonValue(5.5)) << 4;
        QTest::newRow("string") << Stored(QJsonValue("6")) << 4;
    }

    void shakeReversalsAreClampedIntegers() {
        QFETCH(Stored, stored);
        QFETCH(int, expected);
        QCOMPARE(Preferences::shakeReversalsFrom(stored), expected);
    }

    void aClampedReadRepairsNothingInTheStore() {
        ScopedPreferences prefs;
        prefs.store().setValue(Preferences::shakeReversalsKey, 12);
        QCOMPARE(Preferences::shakeReversals(), 8);
        QCOMPARE(prefs.store().value(Preferences::shakeReversalsKey)->toInt(), 12);
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_Preferences.moc"
