#include "settings/PreferencesNotifier.h"

#include "platform/files/SettingsStore.h"
#include "settings/Preferences.h"

#include <algorithm>

void PreferencesNotifier::setLanguage(Language language) {
    Preferences::write(Preferences::languageKey, Languages::rawValue(language));
    emit changed(Preferences::languageKey);
}

void PreferencesNotifier::setShakeEnabled(bool enabled) {
    Preferences::write(Preferences::shakeEnabledKey, enabled);
    emit changed(Preferences::shakeEnabledKey);
}

void PreferencesNotifier::setShakeReversals(int reversals) {
    Preferences::write(
        Preferences::shakeReversalsKey,
        std::clamp(reversals, Preferences::minShakeReversals, Preferences::maxShakeReversals));
    emit changed(Preferences::shakeReversalsKey);
}
