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

// Where the reads come from: the program's settings store and the system's
// preferred languages, handed in as the program starts (or by a test).
// Without a store every setting reads as its default.
struct Sources {
    SettingsStore* store = nullptr;
    std::function<QStringList()> preferredLanguages;
};
// Replaces the sources and returns the previous ones.
Sources setSources(Sources sources);
// Stores a value under one of the keys above; false without a store or when
// the file could not be written.
bool write(const QString& key, const QJsonValue& value);

} // namespace Preferences
