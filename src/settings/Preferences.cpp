#include "settings/Preferences.h"

#include "platform/common/SystemLanguages.h"
#include "platform/files/SettingsStore.h"

#include <algorithm>
#include <cmath>

namespace Preferences {

namespace {

Sources& current() {
    static Sources sources;
    return sources;
}

} // namespace

Sources setSources(Sources sources) {
    std::swap(current(), sources);
    return sources;
}

SettingsStore& store() {
    return current().store ? *current().store : SettingsStore::shared();
}

static QStringList preferredLanguages() {
    return current().preferredLanguages ? current().preferredLanguages()
                                        : SystemLanguages::preferred();
}

Language languageFrom(const std::optional<QJsonValue>& stored, const QStringList& preferred) {
    if (stored && stored->isString()) {
        if (auto language = Languages::fromRawValue(stored->toString()))
            return *language;
    }
    // Only the most preferred language counts; a second choice of Romanian
    // behind French still means English.
    if (!preferred.isEmpty() && preferred.first().startsWith(QLatin1String("ro")))
        return Language::romanian;
    return Language::english;
}

bool shakeEnabledFrom(const std::optional<QJsonValue>& stored) {
    return stored && stored->isBool() ? stored->toBool() : true;
}

int shakeReversalsFrom(const std::optional<QJsonValue>& stored) {
    int reversals = defaultShakeReversals;
    if (stored && stored->isDouble()) {
        const double number = stored->toDouble();
        // JSON has one number type; only whole numbers count as an integer.
        if (std::isfinite(number) && std::trunc(number) == number)
            reversals = static_cast<int>(std::clamp(number, -1e9, 1e9));
    }
    return std::clamp(reversals, minShakeReversals, maxShakeReversals);
}

Language language() {
    return languageFrom(store().value(languageKey), preferredLanguages());
}

bool shakeEnabled() {
    return shakeEnabledFrom(store().value(shakeEnabledKey));
}

int shakeReversals() {
    return shakeReversalsFrom(store().value(shakeReversalsKey));
}

} // namespace Preferences
