#include "TestEnvironment.h"
#include "settings/Language.h"
#include "settings/Preferences.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using Stored = std::optional<QJsonValue>;
Q_DECLARE_METATYPE(Stored)

class PreferencesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void languageRawValuesAreExact_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("expected"); // -1: no language
        QTest::newRow("en") << QStringLiteral("en") << int(Language::english);
        QTest::newRow("ro") << QStringLiteral("ro") << int(Language::romanian);
        QTest::newRow("RO") << QStringLiteral("RO") << -1;
        QTest::newRow("ro-RO") << QStringLiteral("ro-RO") << -1;
        QTest::newRow("padded") << QStringLiteral(" ro") << -1;
        QTest::newRow("empty") << QString() << -1;
    }

    void languageRawValuesAreExact() {
        QFETCH(QString, raw);
        QFETCH(int, expected);
        const auto language = Languages::fromRawValue(raw);
        QCOMPARE(language ? int(*language) : -1, expected);
        if (language)
            QCOMPARE(Languages::rawValue(*language), raw);
    }

    void languageFollowsStoreThenFirstPreferredLanguage_data() {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<int>("expected");
        const Stored none;
        QTest::newRow("system ro-RO first")
            << none << QStringList{"ro-RO", "en-US"} << int(Language::romanian);
        QTest::newRow("system en-GB then ro")
            << none << QStringList{"en-GB", "ro-RO"} << int(Language::english);
        QTest::newRow("system fr then ro")
            << none << QStringList{"fr-FR", "ro-RO"} << int(Language::english);
        QTest::newRow("system empty") << none << QStringList{} << int(Language::english);
        QTest::newRow("system RO capitals") << none << QStringList{"RO"} << int(Language::english);
        QTest::newRow("stored ro beats system")
            << Stored(QJsonValue("ro")) << QStringList{"en-US"} << int(Language::romanian);
        QTest::newRow("stored en beats system")
            << Stored(QJsonValue("en")) << QStringList{"ro-RO"} << int(Language::english);
        QTest::newRow("stored RO ignored")
            << Stored(QJsonValue("RO")) << QStringList{"ro-RO"} << int(Language::romanian);
        QTest::newRow("stored romanian ignored")
            << Stored(QJsonValue("romanian")) << QStringList{"en"} << int(Language::english);
        QTest::newRow("stored number ignored")
            << Stored(QJsonValue(1)) << QStringList{"ro"} << int(Language::romanian);
    }

    void languageFollowsStoreThenFirstPreferredLanguage() {
        QFETCH(Stored, stored);
        QFETCH(QStringList, preferred);
        QFETCH(int, expected);
        QCOMPARE(int(Preferences::languageFrom(stored, preferred)), expected);
    }

    void shakeEnabledIsTrueUnlessABooleanSaysOtherwise_data() {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<bool>("expected");
        QTest::newRow("absent") << Stored() << true;
        QTest::newRow("false") << Stored(QJsonValue(false)) << false;
        QTest::newRow("true") << Stored(QJsonValue(true)) << true;
        QTest::newRow("string no") << Stored(QJsonValue("no")) << true;
        QTest::newRow("zero") << Stored(QJsonValue(0)) << true;
    }

    void shakeEnabledIsTrueUnlessABooleanSaysOtherwise() {
        QFETCH(Stored, stored);
        QFETCH(bool, expected);
        QCOMPARE(Preferences::shakeEnabledFrom(stored), expected);
    }

    void shakeReversalsAreClampedIntegers_data() {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("absent") << Stored() << 4;
        QTest::newRow("2") << Stored(QJsonValue(2)) << 3;
        for (int v : {3, 8})
            QTest::addRow("%d", v) << Stored(QJsonValue(v)) << v;
        QTest::newRow("9") << Stored(QJsonValue(9)) << 8;
        QTest::newRow("negative") << Stored(QJsonValue(-7)) << 3;
        QTest::newRow("huge") << Stored(QJsonValue(1e300)) << 8;
        QTest::newRow("fraction") << Stored(QJsonValue(5.5)) << 4;
        QTest::newRow("string") << Stored(QJsonValue("6")) << 4;
        QTest::newRow("bool") << Stored(QJsonValue(true)) << 4;
    }

    void shakeReversalsAreClampedIntegers() {
        QFETCH(Stored, stored);
        QFETCH(int, expected);
        QCOMPARE(Preferences::shakeReversalsFrom(stored), expected);
    }

    void readsGoThroughTheStoreAfreshEachTime() {
        ScopedPreferences prefs({QStringLiteral("ro-RO")});
        QCOMPARE(Preferences::language(), Language::romanian);
        QCOMPARE(bilingual(QStringLiteral("Clear"), QStringLiteral("Golește")),
                 QStringLiteral("Golește"));
        prefs.setPreferredLanguages({QStringLiteral("en-US")});
        QCOMPARE(Preferences::language(), Language::english); // not cached
        prefs.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        QCOMPARE(Preferences::language(), Language::romanian);
        prefs.store().setValue(Preferences::shakeReversalsKey, 12);
        QCOMPARE(Preferences::shakeReversals(), 8);
        QVERIFY(Preferences::shakeEnabled());
        // Nothing is repaired in the store.
        QCOMPARE(prefs.store().value(Preferences::shakeReversalsKey)->toInt(), 12);
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_Preferences.moc"
