#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QSlider>
#include <QWidget>
#include <functional>
#include <memory>

class AutostartService;
class PreferencesNotifier;

// The small window where the user picks the interface language, starting at
// login, and whether and how hard a shake opens a shelf. Every choice is
// stored at once through the notifier; there is no OK button. It follows
// every change the notifier reports, also those made elsewhere.
class SettingsWindow final : public QObject {
    Q_OBJECT
public:
    // The login item says whether the program starts at login.
    SettingsWindow(AutostartService& autostartEntry, PreferencesNotifier& preferences,
                   QObject* parent = nullptr);
    ~SettingsWindow() override;

    // Builds the window on the first call; relabels it, reloads the controls,
    // brings it to the front and centres it on every call.
    void show();
    void reloadFromPreferences();
    // Empty until the first show(); closing only hides it.
    QWidget* window() const { return m_window; }

    // The actions of the controls, reading the controls' current state.
    void changeLanguage();
    void toggleAutostart();
    void toggleShake();
    void changeSensitivity();

    QComboBox* languagePopup() const { return m_languagePopup; }
    QCheckBox* loginCheckbox() const { return m_autostartCheckbox; }
    QCheckBox* shakeCheckbox() const { return m_shakeCheckbox; }
    QSlider* sensitivitySlider() const { return m_sensitivitySlider; }
    QLabel* statusLabel() const { return m_statusLabel; }

    static constexpr int contentWidth = 420;
    static constexpr int contentHeight = 320;
    static constexpr int margin = 20;
    static constexpr int spacing = 10;
    static constexpr int languageRowSpacing = 8;
    static constexpr int sliderWidth = 220;
    // The small print, in device-independent pixels like the shelf's own sizes.
    static constexpr int secondaryPixelSize = 10;

protected:
    // Relabels the window when the language changes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void applyLanguage();
    void showShakeSettings();
    void centre();

    AutostartService* m_autostartEntry;
    PreferencesNotifier& m_preferences;
    // Until the window exists the controls have no parent; afterwards the
    // window owns them and the pointers follow their deletion.
    QPointer<QWidget> m_window;
    QPointer<QLabel> m_languageLabel;
    QPointer<QComboBox> m_languagePopup;
    QPointer<QCheckBox> m_autostartCheckbox;
    QPointer<QCheckBox> m_shakeCheckbox;
    QPointer<QLabel> m_sensitivityLabel;
    QPointer<QSlider> m_sensitivitySlider;
    QPointer<QLabel> m_sensitivityHint;
    QPointer<QLabel> m_shortcutsLabel;
    QPointer<QLabel> m_statusLabel;
    bool m_settingControls = false;
};
