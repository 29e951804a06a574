#include "platform/freedesktop/LoginItem.h"
#include "settings/Language.h"
#include "settings/PreferencesNotifier.h"
#include "settings/SettingsWindow.h"

#include "TestEnvironment.h"

#include <QTemporaryDir>
#include <QTest>

using Stored = std::optional<QJsonValue>;
Q_DECLARE_METATYPE(Stored)

namespace {

// A settings window over a throw-away store and autostart folder.
struct Fixture {
    explicit Fixture(QStringList languages = {QStringLiteral("en-US")})
        : preferences(std::move(languages))
        , loginItem(autostart.filePath(QStringLiteral("autostart/quoblin.desktop")),
                    QStringLiteral("/opt/quoblin/bin/quoblin"))
        , settings(loginItem, notifier) {
        QObject::connect(&notifier, &PreferencesNotifier::changed, [this](const QString& key) {
            languageChanges += key == Preferences::languageKey;
        });
        settings.show();
    }

    void reopen() {
        settings.window()->close();
        settings.show();
    }

    ScopedPreferences preferences;
    QTemporaryDir autostart;
    LoginItem loginItem;
    PreferencesNotifier notifier;
    SettingsWindow settings;
    int languageChanges = 0;
};

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void anEmptyStoreShowsTheSystemLanguageAndDefaultsAndWritesNothing() {
        Fixture f({QStringLiteral("ro-RO"), QStringLiteral("en-US")});
        QCOMPARE(f.settings.languagePopup()->currentIndex(), 1);
        QVERIFY(f.settings.shakeCheckbox()->isChecked());
        QVERIFY(!QFileInfo::exists(f.preferences.store().path()));
        // Shaking is on unless a boolean says otherwise.
        QVERIFY(!Preferences::shakeEnabledFrom(QJsonValue(false)));
        QVERIFY(Preferences::shakeEnabledFrom(QJsonValue(0)));
    }

    void choosingALanguageStoresItAndTellsTheOwner() {
        Fixture f;
        f.settings.languagePopup()->setCurrentIndex(1);
        emit f.settings.languagePopup()->activated(1);
        QCOMPARE(f.preferences.store().value(Preferences::languageKey), Stored(QJsonValue("ro")));
        QCOMPARE(f.languageChanges, 1);
    }

    void everyShowReusesTheWindowAndShowsWhatIsStoredNow() {
        Fixture f;
        QPointer<QWidget> first = f.settings.window();
        f.preferences.store().setValue(Preferences::shakeEnabledKey, false);
        f.preferences.store().setValue(Preferences::shakeReversalsKey, 100);
        f.reopen();
        QCOMPARE(f.settings.window(), first.data());
        QVERIFY(!f.settings.sensitivitySlider()->isEnabled());
        QCOMPARE(f.settings.sensitivitySlider()->value(), 8);
    }

    void aRefusedRegistrationLeavesTheBoxOffAndSaysWhyUntilReopened() {
        Fixture f;
        // A plain file where the folder should be: even root cannot write there.
        const QString blocker = f.autostart.filePath(QStringLiteral("autostart"));
        QVERIFY(writeWholeFile(blocker, "not a folder"));
        f.settings.loginCheckbox()->click();
        QVERIFY(!f.settings.loginCheckbox()->isChecked());
        const QString status = f.settings.statusLabel()->text();
        QVERIFY2(status.startsWith("Could not change: " + blocker), qPrintable(status));
        f.reopen();
        QVERIFY(f.settings.statusLabel()->text().isEmpty());
    }

    void languageFollowsStoreThenOnlyTheFirstPreferredLanguage_data() {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<int>("expected");
        const QStringList system{"fr-FR", "ro-RO"};
        QTest::newRow("system fr then ro") << Stored() << system << int(Language::english);
        QTest::newRow("stored ro") << Stored(QJsonValue("ro")) << system << int(Language::romanian);
    }

    void languageFollowsStoreThenOnlyTheFirstPreferredLanguage() {
        QFETCH(Stored, stored);
        QFETCH(QStringList, preferred);
        QFETCH(int, expected);
        QCOMPARE(int(Preferences::languageFrom(stored, preferred)), expected);
    }

    void shakeReversalsAreClampedIntegers_data() {
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("absent") << Stored() << 4;
        for (auto [value, expected] : {std::pair{2, 3}, {3, 3}, {8, 8}, {9, 8}})
            QTest::addRow("%d", value) << Stored(QJsonValue(value)) << expected;
        QTest::newRow("fraction") << Stored(QJsonValue(5.5)) << 4;
    }

    void shakeReversalsAreClampedIntegers() {
        QFETCH(Stored, stored);
        QFETCH(int, expected);
        QCOMPARE(Preferences::shakeReversalsFrom(stored), expected);
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "tst_SettingsWindow.moc"
