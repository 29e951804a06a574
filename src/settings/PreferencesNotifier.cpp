#include "settings/PreferencesNotifier.h"

#include "settings/Preferences.h"

#include <algorithm>

using Setting = Preferences::Setting;

PreferencesNotifier::PreferencesNotifier(Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences) {}

void PreferencesNotifier::setLanguage(Language language) {
    m_preferences.write(Setting::language, Languages::rawValue(language));
    emit changed(Setting::language);
}

void PreferencesNotifier::setShakeEnabled(bool enabled) {
    m_preferences.write(Setting::shakeEnabled, enabled);
    emit changed(Setting::shakeEnabled);
}

void PreferencesNotifier::setShakeReversals(int reversals) {
    m_preferences.write(
        Setting::shakeReversals,
        std::clamp(reversals, Preferences::minShakeReversals, Preferences::maxShakeReversals));
    emit changed(Setting::shakeReversals);
}
