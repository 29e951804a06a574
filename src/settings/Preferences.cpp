#include "settings/Preferences.h"

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

QString key(Setting setting) {
    // As settings files have always spelled them.
    switch (setting) {
    case Setting::language:
        return QStringLiteral("language");
    case Setting::shakeEnabled:
        return QStringLiteral("shakeEnabled");
    case Setting::shakeReversals:
        return QStringLiteral("shakeReversals");
    }
    return {};
}

static std::optional<QJsonValue> stored(Setting setting) {
    return current().store ? current().store->value(key(setting)) : std::nullopt;
}

bool write(Setting setting, const QJsonValue& value) {
    return current().store && current().store->setValue(key(setting), value);
}

static QStringList preferredLanguages() {
    return current().preferredLanguages ? current().preferredLanguages() : QStringList();
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
    return languageFrom(stored(Setting::language), preferredLanguages());
}

bool shakeEnabled() {
    return shakeEnabledFrom(stored(Setting::shakeEnabled));
}

int shakeReversals() {
    return shakeReversalsFrom(stored(Setting::shakeReversals));
}

} // namespace Preferences
