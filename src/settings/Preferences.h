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

enum class Setting { language, shakeEnabled, shakeReversals };
// The key a setting is stored under in the settings file.
QString key(Setting setting);

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
// Stores a setting's value; false without a store or when the file could not
// be written.
bool write(Setting setting, const QJsonValue& value);

} // namespace Preferences
