#include "settingswindow/SettingsWindow.h"

#include "platform/AutostartService.h"
#include "platform/files/SettingsStore.h"
#include "settings/Commands.h"
#include "settings/Preferences.h"
#include "settings/PreferencesNotifier.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QFrame* separatorLine() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void makeSecondary(QLabel* label) {
    QFont font = label->font();
    font.setPixelSize(SettingsWindow::secondaryPixelSize);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

} // namespace

SettingsWindow::SettingsWindow(AutostartService& autostartEntry, PreferencesNotifier& preferences,
                               QObject* parent)
    : QObject(parent)
    , m_autostartEntry(&autostartEntry)
    , m_preferences(preferences)
    , m_languageLabel(new QLabel)
    , m_languagePopup(new QComboBox)
    , m_autostartCheckbox(new QCheckBox)
    , m_shakeCheckbox(new QCheckBox)
    , m_sensitivityLabel(new QLabel)
    , m_sensitivitySlider(new QSlider(Qt::Horizontal))
    , m_sensitivityHint(new QLabel)
    , m_shortcutsLabel(new QLabel)
    , m_statusLabel(new QLabel) {
    for (QLabel* label : {m_languageLabel.data(), m_sensitivityLabel.data(),
                          m_sensitivityHint.data(), m_shortcutsLabel.data(), m_statusLabel.data()})
        label->setTextInteractionFlags(Qt::NoTextInteraction);
    m_sensitivitySlider->setRange(Preferences::minShakeReversals, Preferences::maxShakeReversals);
    m_sensitivitySlider->setValue(Preferences::defaultShakeReversals);
    connect(&m_preferences, &PreferencesNotifier::changed, this,
            [this](Preferences::Setting setting) {
                if (!m_window)
                    return; // the first show() reads everything
                // A new language reaches the window as a LanguageChange event.
                if (setting != Preferences::Setting::language)
                    showShakeSettings();
            });
}

SettingsWindow::~SettingsWindow() {
    // The window takes its controls with it; controls of a window never built
    // are deleted one by one.
    delete m_window.data();
    delete m_languageLabel.data();
    delete m_languagePopup.data();
    delete m_autostartCheckbox.data();
    delete m_shakeCheckbox.data();
    delete m_sensitivityLabel.data();
    delete m_sensitivitySlider.data();
    delete m_sensitivityHint.data();
    delete m_shortcutsLabel.data();
    delete m_statusLabel.data();
}

void SettingsWindow::show() {
    if (!m_window)
        buildWindow();
    applyLanguage();
    reloadFromPreferences();
    m_window->show();
    centre();
    m_window->raise();
    m_window->activateWindow();
}

void SettingsWindow::buildWindow() {
    for (Language language : Languages::allCases)
        m_languagePopup->addItem(Languages::displayName(language));
    connect(m_languagePopup, &QComboBox::activated, this, [this] { changeLanguage(); });
    // clicked, unlike toggled, comes only from the user.
    connect(m_autostartCheckbox, &QCheckBox::clicked, this, [this] { toggleAutostart(); });
    connect(m_shakeCheckbox, &QCheckBox::clicked, this, [this] { toggleShake(); });

    // Six stops, 3 to 8, and nothing in between.
    m_sensitivitySlider->setTickPosition(QSlider::TicksBelow);
    m_sensitivitySlider->setTickInterval(1);
    m_sensitivitySlider->setSingleStep(1);
    m_sensitivitySlider->setPageStep(1);
    m_sensitivitySlider->setFixedWidth(sliderWidth);
    connect(m_sensitivitySlider, &QSlider::valueChanged, this, [this] {
        if (!m_settingControls)
            changeSensitivity();
    });

    for (QLabel* label : {m_sensitivityHint.data(), m_shortcutsLabel.data(), m_statusLabel.data()})
        makeSecondary(label);

    auto* languageRow = new QHBoxLayout;
    languageRow->setContentsMargins(0, 0, 0, 0);
    languageRow->setSpacing(languageRowSpacing);
    languageRow->addWidget(m_languageLabel);
    languageRow->addWidget(m_languagePopup);

    auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::WindowCloseButtonHint);
    auto* column = new QVBoxLayout(window);
    column->setContentsMargins(margin, margin, margin, margin);
    column->setSpacing(spacing);
    column->addLayout(languageRow);
    column->setAlignment(languageRow, Qt::AlignLeft);
    column->addWidget(m_autostartCheckbox, 0, Qt::AlignLeft);
    column->addWidget(separatorLine());
    column->addWidget(m_shakeCheckbox, 0, Qt::AlignLeft);
    column->addWidget(m_sensitivityLabel, 0, Qt::AlignLeft);
    column->addWidget(m_sensitivitySlider, 0, Qt::AlignLeft);
    column->addWidget(m_sensitivityHint, 0, Qt::AlignLeft);
    column->addWidget(separatorLine());
    // The window has a fixed width: longer texts (Romanian, an error) wrap
    // instead of running off its edge.
    m_shortcutsLabel->setWordWrap(true);
    m_statusLabel->setWordWrap(true);
    column->addWidget(m_shortcutsLabel);
    column->addWidget(m_statusLabel);
    column->addStretch(1);
    // Closing hides it (no delete-on-close); the next show() reuses it.
    window->setFixedSize(contentWidth, contentHeight);
    window->installEventFilter(this);
    m_window = window;
}

void SettingsWindow::applyLanguage() {
    m_statusLabel->clear();
    if (m_window)
        m_window->setWindowTitle(tr("Quoblin Settings"));
    m_languageLabel->setText(tr("Language:"));
    m_autostartCheckbox->setText(tr("Launch Shelf at login"));
    m_shakeCheckbox->setText(tr("Shake the mouse to open a shelf"));
    m_sensitivityLabel->setText(tr("Shake sensitivity"));
    m_sensitivitySlider->setToolTip(tr("How many left-right movements are needed"));
    m_sensitivityHint->setText(tr("left = easier to trigger"));
    using Commands::Command;
    m_shortcutsLabel->setText(tr("%1 new shelf · %2 shelf from clipboard · %3 show/hide")
                                  .arg(Commands::keyText(Command::newShelf),
                                       Commands::keyText(Command::newShelfFromClipboard),
                                       Commands::keyText(Command::toggleShelves)));
    const auto& cases = Languages::allCases;
    const auto found = std::find(cases.begin(), cases.end(), m_preferences.values().language());
    const int index = found == cases.end() ? 0 : static_cast<int>(found - cases.begin());
    m_languagePopup->setCurrentIndex(index);
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::LanguageChange && watched == m_window)
        applyLanguage();
    return QObject::eventFilter(watched, event);
}

void SettingsWindow::reloadFromPreferences() {
    showShakeSettings();
    m_autostartCheckbox->setChecked(m_autostartEntry->isEnabled());
    m_statusLabel->clear();
}

void SettingsWindow::showShakeSettings() {
    const bool shakeEnabled = m_preferences.values().shakeEnabled();
    m_settingControls = true;
    m_shakeCheckbox->setChecked(shakeEnabled);
    m_sensitivitySlider->setValue(m_preferences.values().shakeReversals());
    m_sensitivitySlider->setEnabled(shakeEnabled);
    m_settingControls = false;
}

void SettingsWindow::changeLanguage() {
    const int index = m_languagePopup->currentIndex();
    if (index < 0 || index >= static_cast<int>(Languages::allCases.size()))
        return;
    m_preferences.setLanguage(Languages::allCases[index]);
}

void SettingsWindow::toggleShake() {
    m_preferences.setShakeEnabled(m_shakeCheckbox->isChecked());
}

void SettingsWindow::changeSensitivity() {
    m_preferences.setShakeReversals(m_sensitivitySlider->value());
}

void SettingsWindow::toggleAutostart() {
    const std::optional<QString> failure =
        m_autostartCheckbox->isChecked() ? m_autostartEntry->enable() : m_autostartEntry->disable();
    if (!failure) {
        m_statusLabel->clear();
        return;
    }
    m_autostartCheckbox->setChecked(m_autostartEntry->isEnabled());
    // The system's reasons come in its own words; ours exists in both languages.
    const QString reason = *failure == AutostartService::unknownProgramReason()
                               ? tr("the path of the running program is unknown")
                               : *failure;
    m_statusLabel->setText(tr("Could not change: %1").arg(reason));
}

void SettingsWindow::centre() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = m_window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    m_window->move(frame.topLeft());
}
