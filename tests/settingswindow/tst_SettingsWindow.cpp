#include "platform/freedesktop/AutostartEntry.h"
#include "settings/Language.h"
#include "settings/PreferencesNotifier.h"
#include "settingswindow/SettingsWindow.h"

#include "TestEnvironment.h"

#include <QTemporaryDir>
#include <QTest>

using Stored = std::optional<QJsonValue>;

namespace {

// A settings window over a throw-away store and autostart folder.
struct Fixture {
    explicit Fixture(QStringList languages = {QStringLiteral("en-US")})
        : preferences(std::move(languages))
        , autostartEntry(autostart.filePath(QStringLiteral("autostart/quoblin.desktop")),
                         QStringLiteral("/opt/quoblin/bin/quoblin"))
        , notifier(preferences.preferences())
        , settings(autostartEntry, notifier) {
        QObject::connect(&notifier, &PreferencesNotifier::changed,
                         [this](Preferences::Setting setting) {
                             languageChanges += setting == Preferences::Setting::language;
                         });
        settings.show();
    }

    void reopen() {
        settings.window()->close();
        settings.show();
    }

    ScopedPreferences preferences;
    QTemporaryDir autostart;
    AutostartEntry autostartEntry;
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
        QCOMPARE(f.preferences.store().value(Preferences::key(Preferences::Setting::language)),
                 Stored(QJsonValue("ro")));
        QCOMPARE(f.languageChanges, 1);
    }

    void everyShowReusesTheWindowAndShowsWhatIsStoredNow() {
        Fixture f;
        QPointer<QWidget> first = f.settings.window();
        f.preferences.store().setValue(Preferences::key(Preferences::Setting::shakeEnabled), false);
        f.preferences.store().setValue(Preferences::key(Preferences::Setting::shakeReversals), 100);
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

    void languageFollowsStoreThenOnlyTheFirstPreferredLanguage() {
        const QStringList system{"fr-FR", "ro-RO"};
        QCOMPARE(Preferences::languageFrom(Stored(), system), Language::english);
        QCOMPARE(Preferences::languageFrom(QJsonValue("ro"), system), Language::romanian);
    }

    void shakeReversalsAreClampedIntegers() {
        QList<int> read; // absent, 2, 3, 8, 9 and a fraction
        for (const Stored& stored :
             {Stored(), Stored(2), Stored(3), Stored(8), Stored(9), Stored(5.5)})
            read << Preferences::shakeReversalsFrom(stored);
        QCOMPARE(read, (QList<int>{4, 3, 3, 8, 8, 4}));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "tst_SettingsWindow.moc"
