#include "settings/PreferencesNotifier.h"

#include "platform/files/SettingsStore.h"
#include "settings/Preferences.h"

#include <algorithm>

using Preferences::Setting;

void PreferencesNotifier::setLanguage(Language language) {
    Preferences::write(Setting::language, Languages::rawValue(language));
    emit changed(Setting::language);
}

void PreferencesNotifier::setShakeEnabled(bool enabled) {
    Preferences::write(Setting::shakeEnabled, enabled);
    emit changed(Setting::shakeEnabled);
}

void PreferencesNotifier::setShakeReversals(int reversals) {
    Preferences::write(
        Setting::shakeReversals,
        std::clamp(reversals, Preferences::minShakeReversals, Preferences::maxShakeReversals));
    emit changed(Setting::shakeReversals);
}
