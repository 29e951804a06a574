#include "platform/LoginItem.h"
#include "settings/SettingsWindow.h"

#include "TestEnvironment.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QFrame>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString englishShortcuts =
    QString::fromUtf8("\u2303\u2325N new shelf \u00b7 \u2303\u2325V shelf from clipboard \u00b7 "
                      "\u2303\u2325S show/hide");
const QString romanianShortcuts = QString::fromUtf8(
    "\u2303\u2325N raft nou \u00b7 \u2303\u2325V raft din clipboard \u00b7 \u2303\u2325S "
    "arat\u0103/ascunde");

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

    ScopedPreferences preferences;
    QTemporaryDir autostart;
    LoginItem loginItem;
    SettingsWindow settings;
    int changes = 0;
    int languageChanges = 0;
};

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controlsExistBeforeTheFirstShowWithEmptyTexts() {
        Fixture f;
        SettingsWindow& s = f.settings;
        QVERIFY(!s.window());
        for (QLabel* label : {s.languageLabel(), s.sensitivityLabel(), s.sensitivityHint(),
                              s.shortcutsLabel(), s.statusLabel()})
            QVERIFY(label && label->text().isEmpty());
        QVERIFY(s.loginCheckbox()->text().isEmpty());
        QVERIFY(s.shakeCheckbox()->text().isEmpty());
        QCOMPARE(s.languagePopup()->count(), 0);
        QCOMPARE(s.sensitivitySlider()->value(), 4);
    }

    void firstShowWithAnEmptyStoreFollowsTheSystemLanguageAndDefaults() {
        Fixture f({QStringLiteral("ro-RO"), QStringLiteral("en-US")});
        f.settings.show();
        QWidget* window = f.settings.window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QString::fromUtf8("Set\u0103ri Quoblin"));
        QCOMPARE(f.settings.languagePopup()->currentIndex(), 1);
        QVERIFY(f.settings.shakeCheckbox()->isChecked());
        QCOMPARE(f.settings.sensitivitySlider()->value(), 4);
        QVERIFY(f.settings.sensitivitySlider()->isEnabled());
        QVERIFY(!f.settings.loginCheckbox()->isChecked());
        QVERIFY(f.settings.statusLabel()->text().isEmpty());
        // Showing is not choosing: nothing is written and nobody is told.
        QVERIFY(!f.stored(Preferences::shakeReversalsKey));
        QVERIFY(!f.stored(Preferences::shakeEnabledKey));
        QVERIFY(!f.stored(Preferences::languageKey));
        QCOMPARE(f.changes + f.languageChanges, 0);
    }

    void englishTexts() {
        Fixture f;
        f.settings.show();
        const SettingsWindow& s = f.settings;
        QCOMPARE(s.window()->windowTitle(), QStringLiteral("Quoblin Settings"));
        QCOMPARE(s.languageLabel()->text(), QStringLiteral("Language:"));
        QCOMPARE(s.loginCheckbox()->text(), QStringLiteral("Launch Shelf at login"));
        QCOMPARE(s.shakeCheckbox()->text(), QStringLiteral("Shake the mouse to open a shelf"));
        QCOMPARE(s.sensitivityLabel()->text(), QStringLiteral("Shake sensitivity"));
        QCOMPARE(s.sensitivitySlider()->toolTip(),
                 QStringLiteral("How many left-right movements are needed"));
        QCOMPARE(s.sensitivityHint()->text(), QStringLiteral("left = easier to trigger"));
        QCOMPARE(s.shortcutsLabel()->text(), englishShortcuts);
        QCOMPARE(s.languagePopup()->currentIndex(), 0);
    }

    void romanianTexts() {
        Fixture f({QStringLiteral("ro")});
        f.settings.show();
        const SettingsWindow& s = f.settings;
        QCOMPARE(s.window()->windowTitle(), QString::fromUtf8("Set\u0103ri Quoblin"));
        QCOMPARE(s.languageLabel()->text(), QString::fromUtf8("Limb\u0103:"));
        QCOMPARE(s.loginCheckbox()->text(), QString::fromUtf8("Porne\u0219te Shelf la logare"));
        QCOMPARE(s.shakeCheckbox()->text(),
                 QString::fromUtf8("Scuturarea mouse-ului deschide un raft"));
        QCOMPARE(s.sensitivityLabel()->text(), QString::fromUtf8("Sensibilitatea scutur\u0103rii"));
        QCOMPARE(
            s.sensitivitySlider()->toolTip(),
            QString::fromUtf8("C\u00e2te mi\u0219c\u0103ri st\u00e2nga-dreapta sunt necesare"));
        QCOMPARE(s.sensitivityHint()->text(),
                 QString::fromUtf8("st\u00e2nga = mai u\u0219or de declan\u0219at"));
        QCOMPARE(s.shortcutsLabel()->text(), romanianShortcuts);
    }

    void choosingRomanianStoresItRelabelsAtOnceAndTellsTheOwner() {
        Fixture f;
        f.settings.show();
        f.chooseLanguage(1);
        QCOMPARE(f.stored(Preferences::languageKey),
                 std::optional(QJsonValue(QStringLiteral("ro"))));
        QCOMPARE(f.settings.window()->windowTitle(), QString::fromUtf8("Set\u0103ri Quoblin"));
        QCOMPARE(f.settings.shortcutsLabel()->text(), romanianShortcuts);
        QCOMPARE(f.languageChanges, 1);
        QCOMPARE(f.changes, 0);
        // The popup's own titles never change.
        QCOMPARE(f.settings.languagePopup()->itemText(0), QStringLiteral("English"));
        QCOMPARE(f.settings.languagePopup()->itemText(1), QString::fromUtf8("Rom\u00e2n\u0103"));
        f.chooseLanguage(0);
        QCOMPARE(f.stored(Preferences::languageKey),
                 std::optional(QJsonValue(QStringLiteral("en"))));
        QCOMPARE(f.settings.window()->windowTitle(), QStringLiteral("Quoblin Settings"));
        QCOMPARE(f.languageChanges, 2);
    }

    void noSelectionInThePopupChangesNothing() {
        Fixture f;
        f.settings.show();
        f.settings.languagePopup()->setCurrentIndex(-1);
        f.settings.changeLanguage();
        QVERIFY(!f.stored(Preferences::languageKey));
        QCOMPARE(f.languageChanges, 0);
    }

    void turningShakeOffDisablesTheSliderAndOnAgainEnablesIt() {
        Fixture f;
        f.settings.show();
        QCheckBox* shake = f.settings.shakeCheckbox();
        shake->click();
        QCOMPARE(f.stored(Preferences::shakeEnabledKey), std::optional(QJsonValue(false)));
        QVERIFY(!f.settings.sensitivitySlider()->isEnabled());
        QCOMPARE(f.changes, 1);
        shake->click();
        QCOMPARE(f.stored(Preferences::shakeEnabledKey), std::optional(QJsonValue(true)));
        QVERIFY(f.settings.sensitivitySlider()->isEnabled());
        QCOMPARE(f.changes, 2);
        QCOMPARE(f.languageChanges, 0);
    }

    void sliderHasSixStopsFromThreeToEight() {
        Fixture f;
        f.settings.show();
        QSlider* slider = f.settings.sensitivitySlider();
        QVERIFY(slider->tickPosition() != QSlider::NoTicks);
        QCOMPARE(slider->tickInterval(), 1);
        QCOMPARE((slider->maximum() - slider->minimum()) / slider->tickInterval() + 1, 6);
        QCOMPARE(slider->singleStep(), 1);
        QCOMPARE(slider->pageStep(), 1);
    }

    void movingTheSliderToItsEndsStoresThreeAndEightAsIntegers() {
        Fixture f;
        f.settings.show();
        QSlider* slider = f.settings.sensitivitySlider();
        slider->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(f.stored(Preferences::shakeReversalsKey), std::optional(QJsonValue(3)));
        QCOMPARE(Preferences::shakeReversals(), 3);
        slider->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(f.stored(Preferences::shakeReversalsKey), std::optional(QJsonValue(8)));
        QCOMPARE(Preferences::shakeReversals(), 8);
        slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(f.stored(Preferences::shakeReversalsKey), std::optional(QJsonValue(7)));
        QCOMPARE(f.changes, 3);
    }

    void storedSettingsAreShownOnEveryShow() {
        Fixture f;
        f.preferences.store().setValue(Preferences::shakeEnabledKey, false);
        f.preferences.store().setValue(Preferences::shakeReversalsKey, 7);
        f.settings.show();
        QVERIFY(!f.settings.shakeCheckbox()->isChecked());
        QCOMPARE(f.settings.sensitivitySlider()->value(), 7);
        QVERIFY(!f.settings.sensitivitySlider()->isEnabled());
        // Edited elsewhere while hidden, the next show picks it up.
        f.settings.window()->close();
        f.preferences.store().setValue(Preferences::shakeEnabledKey, true);
        f.preferences.store().setValue(Preferences::shakeReversalsKey, 100);
        f.settings.show();
        QVERIFY(f.settings.shakeCheckbox()->isChecked());
        QCOMPARE(f.settings.sensitivitySlider()->value(), 8);
        QVERIFY(f.settings.sensitivitySlider()->isEnabled());
        QCOMPARE(f.stored(Preferences::shakeReversalsKey), std::optional(QJsonValue(100)));
        QCOMPARE(f.changes, 0);
    }

    void reloadingWhileVisibleFollowsTheShakeSwitchOfTheMenu() {
        Fixture f;
        f.settings.show();
        f.preferences.store().setValue(Preferences::shakeEnabledKey, false);
        f.settings.reloadFromPreferences();
        QVERIFY(!f.settings.shakeCheckbox()->isChecked());
        QVERIFY(!f.settings.sensitivitySlider()->isEnabled());
    }

    void theLoginCheckboxWritesAndRemovesTheAutostartEntry() {
        Fixture f;
        f.settings.show();
        const QString entry = f.loginItem.entryPath();
        f.settings.loginCheckbox()->click();
        QVERIFY(QFileInfo::exists(entry));
        QVERIFY(f.loginItem.isEnabled());
        QVERIFY(f.settings.loginCheckbox()->isChecked());
        QVERIFY(f.settings.statusLabel()->text().isEmpty());
        f.settings.loginCheckbox()->click();
        QVERIFY(!QFileInfo::exists(entry));
        QVERIFY(!f.settings.loginCheckbox()->isChecked());
        QCOMPARE(f.changes + f.languageChanges, 0);
    }

    void theLoginCheckboxReflectsTheEntryOnShow() {
        Fixture f;
        QVERIFY(!f.loginItem.registerItem());
        f.settings.show();
        QVERIFY(f.settings.loginCheckbox()->isChecked());
        f.settings.window()->close();
        QVERIFY(writeWholeFile(f.loginItem.entryPath(), "[Desktop Entry]\nHidden=true\n"));
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
        ScopedPreferences preferences;
        preferences.store().setValue(Preferences::languageKey, language);
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
        QVERIFY2(status.startsWith(prefix), qPrintable(status));
        QVERIFY2(status.contains(blocker), qPrintable(status));
        QVERIFY(status.size() > prefix.size() + blocker.size());
        // Closing and reopening clears the line.
        settings.window()->close();
        settings.show();
        QVERIFY(settings.statusLabel()->text().isEmpty());
    }

    void closingOnlyHidesAndTheNextShowReusesTheWindow() {
        Fixture f;
        f.settings.show();
        QPointer<QWidget> first = f.settings.window();
        QVERIFY(first->close());
        QVERIFY(first);
        QVERIFY(!first->isVisible());
        f.preferences.store().setValue(Preferences::languageKey, QStringLiteral("ro"));
        f.settings.show();
        QCOMPARE(f.settings.window(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(first->windowTitle(), QString::fromUtf8("Set\u0103ri Quoblin"));
        QCOMPARE(f.settings.languagePopup()->count(), 2);
    }

    void theWindowIsCentredOnEveryShow() {
        Fixture f;
        f.settings.show();
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY((f.settings.window()->frameGeometry().center() - centre).manhattanLength() <= 2);
        f.settings.window()->move(3, 5);
        f.settings.show();
        QVERIFY((f.settings.window()->frameGeometry().center() - centre).manhattanLength() <= 2);
    }

    void layoutHoldsTheControlsInOrderAndCannotBeResized() {
        Fixture f;
        f.settings.show();
        QWidget* window = f.settings.window();
        QCOMPARE(window->minimumSize(), window->maximumSize()); // no resizing
        QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
        auto* column = qobject_cast<QVBoxLayout*>(window->layout());
        QVERIFY(column);
        auto* row = qobject_cast<QHBoxLayout*>(column->itemAt(0)->layout());
        QVERIFY(row);
        QCOMPARE(row->itemAt(0)->widget(), f.settings.languageLabel());
        QCOMPARE(row->itemAt(1)->widget(), f.settings.languagePopup());
        auto isSeparator = [&](int index) {
            auto* frame = qobject_cast<QFrame*>(column->itemAt(index)->widget());
            return frame && frame->frameShape() == QFrame::HLine;
        };
        QCOMPARE(column->itemAt(1)->widget(), f.settings.loginCheckbox());
        QVERIFY(isSeparator(2));
        QCOMPARE(column->itemAt(3)->widget(), f.settings.shakeCheckbox());
        QCOMPARE(column->itemAt(4)->widget(), f.settings.sensitivityLabel());
        QCOMPARE(column->itemAt(5)->widget(), f.settings.sensitivitySlider());
        QCOMPARE(column->itemAt(6)->widget(), f.settings.sensitivityHint());
        QVERIFY(isSeparator(7));
        QCOMPARE(column->itemAt(8)->widget(), f.settings.shortcutsLabel());
        QCOMPARE(column->itemAt(9)->widget(), f.settings.statusLabel());
    }

    void hintShortcutsAndStatusAreSmallSecondaryText() {
        Fixture f;
        f.settings.show();
        const QColor normal = f.settings.languageLabel()->palette().color(QPalette::WindowText);
        for (QLabel* label : {f.settings.sensitivityHint(), f.settings.shortcutsLabel(),
                              f.settings.statusLabel()}) {
            QCOMPARE(label->font().pointSize(), 10);
            QVERIFY(label->palette().color(QPalette::WindowText) != normal);
        }
        QCOMPARE(f.settings.languageLabel()->font(),
                 QApplication::font(f.settings.languageLabel()));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "tst_SettingsWindow.moc"
