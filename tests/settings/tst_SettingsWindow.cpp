#include "platform/LoginItem.h"
#include "settings/SettingsWindow.h"

#include "TestEnvironment.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFrame>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A settings window over a throw-away store and autostart folder.
struct Fixture {
    explicit Fixture(QStringList languages = {QStringLiteral("en-US")})
        : preferences(std::move(languages))
        , loginItem(autostart.filePath(QStringLiteral("autostart/quoblin.desktop")),
                    QStringLiteral("/opt/quoblin/bin/quoblin"))
        , settings(&loginItem) {
        settings.onChange = [this] { ++changes; };
        settings.onLanguageChanged = [this] { ++languageChanges; };
    }

    std::optional<QJsonValue> stored(const QString& key) { return preferences.store().value(key); }
    void chooseLanguage(int index) {
        settings.languagePopup()->setCurrentIndex(index);
        emit settings.languagePopup()->activated(index);
    }
    QString title() const { return settings.window()->windowTitle(); }

    ScopedPreferences preferences;
    QTemporaryDir autostart;
    LoginItem loginItem;
    SettingsWindow settings;
    int changes = 0;
    int languageChanges = 0;
};

const QString romanianTitle = QStringLiteral("Setări Quoblin");

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstShowWithAnEmptyStoreFollowsTheSystemLanguageAndDefaultsAndWritesNothing() {
        Fixture f({QStringLiteral("ro-RO"), QStringLiteral("en-US")});
        QVERIFY(!f.settings.window());
        f.settings.show();
        QVERIFY(f.settings.window()->isVisible());
        QCOMPARE(f.settings.languagePopup()->currentIndex(), 1);
        QVERIFY(f.settings.shakeCheckbox()->isChecked());
        QCOMPARE(f.settings.sensitivitySlider()->value(), 4);
        QVERIFY(f.settings.sensitivitySlider()->isEnabled());
        QVERIFY(!f.settings.loginCheckbox()->isChecked());
        QVERIFY(f.settings.statusLabel()->text().isEmpty());
        QVERIFY(!f.stored(Preferences::shakeReversalsKey));
        QVERIFY(!f.stored(Preferences::shakeEnabledKey));
        QVERIFY(!f.stored(Preferences::languageKey));
        QCOMPARE(f.changes + f.languageChanges, 0);
    }

    void textsInBothLanguages_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("english") << "en-US"
                                 << QStringList{
                                        "Quoblin Settings",
                                        "Language:",
                                        "Launch Shelf at login",
                                        "Shake the mouse to open a shelf",
                                        "Shake sensitivity",
                                        "How many left-right movements are needed",
                                        "left = easier to trigger",
                                        "⌃⌥N new shelf · ⌃⌥V shelf from clipboard · ⌃⌥S show/hide"};
        QTest::newRow("romanian")
            << "ro"
            << QStringList{romanianTitle,
                           "Limbă:",
                           "Pornește Shelf la logare",
                           "Scuturarea mouse-ului deschide un raft",
                           "Sensibilitatea scuturării",
                           "Câte mișcări stânga-dreapta sunt necesare",
                           "stânga = mai ușor de declanșat",
                           "⌃⌥N raft nou · ⌃⌥V raft din clipboard · ⌃⌥S arată/ascunde"};
    }

    void textsInBothLanguages() {
        QFETCH(QString, language);
        QFETCH(QStringList, texts);
        Fixture f({language});
        f.settings.show();
        const SettingsWindow& s = f.settings;
        QCOMPARE((QStringList{f.title(), s.languageLabel()->text(), s.loginCheckbox()->text(),
                              s.shakeCheckbox()->text(), s.sensitivityLabel()->text(),
                              s.sensitivitySlider()->toolTip(), s.sensitivityHint()->text(),
                              s.shortcutsLabel()->text()}),
                 texts);
    }

    void choosingALanguageStoresItRelabelsAtOnceAndTellsTheOwner() {
        Fixture f;
        f.settings.show();
        f.chooseLanguage(1);
        QCOMPARE(f.stored(Preferences::languageKey), std::optional(QJsonValue("ro")));
        QCOMPARE(f.title(), romanianTitle);
        QCOMPARE(f.languageChanges, 1);
        QCOMPARE(f.changes, 0);
        // The popup's own titles never change.
        QCOMPARE(f.settings.languagePopup()->itemText(0), QStringLiteral("English"));
        QCOMPARE(f.settings.languagePopup()->itemText(1), QStringLiteral("Română"));
        f.chooseLanguage(0);
        QCOMPARE(f.stored(Preferences::languageKey), std::optional(QJsonValue("en")));
        QCOMPARE(f.title(), QStringLiteral("Quoblin Settings"));
        QCOMPARE(f.languageChanges, 2);
        // No selection in the popup changes nothing.
        f.settings.languagePopup()->setCurrentIndex(-1);
        f.settings.changeLanguage();
        QCOMPARE(f.stored(Preferences::languageKey), std::optional(QJsonValue("en")));
        QCOMPARE(f.languageChanges, 2);
    }

    void turningShakeOffDisablesTheSliderAndOnAgainEnablesIt() {
        Fixture f;
        f.settings.show();
        f.settings.shakeCheckbox()->click();
        QCOMPARE(f.stored(Preferences::shakeEnabledKey), std::optional(QJsonValue(false)));
        QVERIFY(!f.settings.sensitivitySlider()->isEnabled());
        f.settings.shakeCheckbox()->click();
        QCOMPARE(f.stored(Preferences::shakeEnabledKey), std::optional(QJsonValue(true)));
        QVERIFY(f.settings.sensitivitySlider()->isEnabled());
        QCOMPARE(f.changes, 2);
        QCOMPARE(f.languageChanges, 0);
    }

    void theSliderHasSixStopsAndStoresIntegersFromThreeToEight() {
        Fixture f;
        f.settings.show();
        QSlider* slider = f.settings.sensitivitySlider();
        QVERIFY(slider->tickPosition() != QSlider::NoTicks);
        QCOMPARE(slider->tickInterval(), 1);
        QCOMPARE(slider->singleStep(), 1);
        QCOMPARE(slider->pageStep(), 1);
        slider->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(f.stored(Preferences::shakeReversalsKey), std::optional(QJsonValue(3)));
        slider->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(f.stored(Preferences::shakeReversalsKey), std::optional(QJsonValue(8)));
        QCOMPARE(Preferences::shakeReversals(), 8);
        slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(f.stored(Preferences::shakeReversalsKey), std::optional(QJsonValue(7)));
        QCOMPARE(f.changes, 3);
    }

    void everyShowReusesTheCentredWindowAndShowsTheStoredSettings() {
        Fixture f;
        f.preferences.store().setValue(Preferences::shakeEnabledKey, false);
        f.preferences.store().setValue(Preferences::shakeReversalsKey, 7);
        f.settings.show();
        QVERIFY(!f.settings.shakeCheckbox()->isChecked());
        QCOMPARE(f.settings.sensitivitySlider()->value(), 7);
        QVERIFY(!f.settings.sensitivitySlider()->isEnabled());

        QPointer<QWidget> first = f.settings.window();
        first->move(3, 5);
        QVERIFY(first->close());
        QVERIFY(first && !first->isVisible());
        // Edited elsewhere while hidden, the next show picks it up.
        f.preferences.store().setValue(Preferences::shakeEnabledKey, true);
        f.preferences.store().setValue(Preferences::shakeReversalsKey, 100);
        f.preferences.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        f.settings.show();
        QCOMPARE(f.settings.window(), first.data());
        QVERIFY(first->isVisible());
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY((first->frameGeometry().center() - centre).manhattanLength() <= 2);
        QCOMPARE(f.title(), romanianTitle);
        QCOMPARE(f.settings.languagePopup()->count(), 2);
        QVERIFY(f.settings.shakeCheckbox()->isChecked());
        QCOMPARE(f.settings.sensitivitySlider()->value(), 8);
        QVERIFY(f.settings.sensitivitySlider()->isEnabled());
        QCOMPARE(f.stored(Preferences::shakeReversalsKey), std::optional(QJsonValue(100)));
        QCOMPARE(f.changes, 0);
    }

    void theLoginCheckboxWritesRemovesAndReflectsTheAutostartEntry() {
        Fixture f;
        f.settings.show();
        f.settings.loginCheckbox()->click();
        QVERIFY(f.loginItem.isEnabled());
        QVERIFY(f.settings.loginCheckbox()->isChecked());
        QVERIFY(f.settings.statusLabel()->text().isEmpty());
        f.settings.loginCheckbox()->click();
        QVERIFY(!QFileInfo::exists(f.loginItem.entryPath()));
        QVERIFY(!f.settings.loginCheckbox()->isChecked());
        QCOMPARE(f.changes + f.languageChanges, 0);

        QVERIFY(!f.loginItem.registerItem());
        f.settings.window()->close();
        f.settings.show();
        QVERIFY(f.settings.loginCheckbox()->isChecked());
        QVERIFY(writeWholeFile(f.loginItem.entryPath(), "[Desktop Entry]\nHidden=true\n"));
        f.settings.window()->close();
        f.settings.show();
        QVERIFY(!f.settings.loginCheckbox()->isChecked());
    }

    void aRefusedRegistrationLeavesTheBoxOffAndSaysWhy_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("english") << "en"
                                 << "Could not change: ";
        QTest::newRow("romanian") << "ro"
                                  << "Nu s-a putut schimba: ";
    }

    void aRefusedRegistrationLeavesTheBoxOffAndSaysWhy() {
        QFETCH(QString, language);
        QFETCH(QString, prefix);
        ScopedPreferences preferences({language});
        // A folder whose parent is a plain file cannot be made, even by root.
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("config"));
        QVERIFY(writeWholeFile(blocker, "not a folder"));
        LoginItem loginItem(blocker + QStringLiteral("/autostart/quoblin.desktop"),
                            QStringLiteral("/usr/bin/quoblin"));
        SettingsWindow settings(&loginItem);
        settings.show();
        settings.loginCheckbox()->click();
        QVERIFY(!settings.loginCheckbox()->isChecked());
        const QString status = settings.statusLabel()->text();
        QVERIFY2(status.startsWith(prefix + blocker), qPrintable(status));
        QVERIFY(status.size() > prefix.size() + blocker.size());
        // Closing and reopening clears the line.
        settings.window()->close();
        settings.show();
        QVERIFY(settings.statusLabel()->text().isEmpty());
    }

    void aFixedSizeColumnOfTheControlsInOrderWithSmallSecondaryTexts() {
        Fixture f;
        f.settings.show();
        const SettingsWindow& s = f.settings;
        QWidget* window = s.window();
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
        auto* column = qobject_cast<QVBoxLayout*>(window->layout());
        QVERIFY(column);
        auto* row = column->itemAt(0)->layout();
        QVERIFY(row);
        QCOMPARE(row->itemAt(0)->widget(), s.languageLabel());
        QCOMPARE(row->itemAt(1)->widget(), s.languagePopup());
        // Separators between the login box, the shake controls and the shortcuts.
        const QList<QWidget*> order{s.loginCheckbox(),
                                    nullptr,
                                    s.shakeCheckbox(),
                                    s.sensitivityLabel(),
                                    s.sensitivitySlider(),
                                    s.sensitivityHint(),
                                    nullptr,
                                    s.shortcutsLabel(),
                                    s.statusLabel()};
        for (int i = 0; i < order.size(); ++i) {
            QWidget* widget = column->itemAt(i + 1)->widget();
            if (order[i])
                QCOMPARE(widget, order[i]);
            else
                QVERIFY(qobject_cast<QFrame*>(widget) &&
                        qobject_cast<QFrame*>(widget)->frameShape() == QFrame::HLine);
        }
        const QColor normal = s.languageLabel()->palette().color(QPalette::WindowText);
        for (QLabel* label : {s.sensitivityHint(), s.shortcutsLabel(), s.statusLabel()}) {
            QCOMPARE(label->font().pointSize(), 10);
            QVERIFY(label->palette().color(QPalette::WindowText) != normal);
        }
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "tst_SettingsWindow.moc"
