#include "settings/Preferences.h"

#include "platform/files/SettingsStore.h"

#include <algorithm>
#include <cmath>

Preferences::Preferences(SettingsStore& store, std::function<QStringList()> preferredLanguages)
    : m_store(store)
    , m_preferredLanguages(std::move(preferredLanguages)) {}

QString Preferences::key(Setting setting) {
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

std::optional<QJsonValue> Preferences::stored(Setting setting) const {
    return m_store.value(key(setting));
}

bool Preferences::write(Setting setting, const QJsonValue& value) {
    return m_store.setValue(key(setting), value);
}

QString Preferences::filePath() const {
    return m_store.path();
}

Language Preferences::languageFrom(const std::optional<QJsonValue>& stored,
                                   const QStringList& preferred) {
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

bool Preferences::shakeEnabledFrom(const std::optional<QJsonValue>& stored) {
    return stored && stored->isBool() ? stored->toBool() : true;
}

int Preferences::shakeReversalsFrom(const std::optional<QJsonValue>& stored) {
    int reversals = defaultShakeReversals;
    if (stored && stored->isDouble()) {
        const double number = stored->toDouble();
        // JSON has one number type; only whole numbers count as an integer.
        if (std::isfinite(number) && std::trunc(number) == number)
            reversals = static_cast<int>(std::clamp(number, -1e9, 1e9));
    }
    return std::clamp(reversals, minShakeReversals, maxShakeReversals);
}

Language Preferences::language() const {
    return languageFrom(stored(Setting::language),
                        m_preferredLanguages ? m_preferredLanguages() : QStringList());
}

bool Preferences::shakeEnabled() const {
    return shakeEnabledFrom(stored(Setting::shakeEnabled));
}

int Preferences::shakeReversals() const {
    return shakeReversalsFrom(stored(Setting::shakeReversals));
}
