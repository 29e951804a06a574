#pragma once

#include "settings/Language.h"

#include <QJsonValue>
#include <QStringList>
#include <functional>
#include <optional>

class SettingsStore;

// The one place that turns whatever is stored into a valid setting. Nothing is
// cached and nothing is written back: every read applies the rules afresh.
namespace Preferences {

inline const QString languageKey = QStringLiteral("language");
inline const QString shakeEnabledKey = QStringLiteral("shakeEnabled");
inline const QString shakeReversalsKey = QStringLiteral("shakeReversals");

inline constexpr int defaultShakeReversals = 4;
inline constexpr int minShakeReversals = 3;
inline constexpr int maxShakeReversals = 8;

Language language();
bool shakeEnabled();
int shakeReversals();

// The rules themselves, for a stored value (absent when the key is missing).
Language languageFrom(const std::optional<QJsonValue>& stored,
                      const QStringList& preferredLanguages);
bool shakeEnabledFrom(const std::optional<QJsonValue>& stored);
int shakeReversalsFrom(const std::optional<QJsonValue>& stored);

// Where the reads come from: the shared settings store and the system's
// preferred languages, unless a test hands in its own.
struct Sources {
    SettingsStore* store = nullptr;
    std::function<QStringList()> preferredLanguages;
};
// Replaces the sources and returns the previous ones.
Sources setSources(Sources sources);
SettingsStore& store();

} // namespace Preferences
