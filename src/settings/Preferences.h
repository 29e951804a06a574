#pragma once

#include "settings/Language.h"

#include <QJsonValue>
#include <QStringList>
#include <functional>
#include <optional>

class SettingsStore;

// The one place that turns whatever is stored into a valid setting. Nothing is
// cached and nothing is written back: every read applies the rules afresh.
// The program makes one as it starts and hands it to whoever reads or writes
// a setting; a test makes its own over a throw-away store.
class Preferences {
public:
    enum class Setting { language, shakeEnabled, shakeReversals };
    // The key a setting is stored under in the settings file.
    static QString key(Setting setting);

    static constexpr int defaultShakeReversals = 4;
    static constexpr int minShakeReversals = 3;
    static constexpr int maxShakeReversals = 8;

    // The rules themselves, for a stored value (absent when the key is missing).
    static Language languageFrom(const std::optional<QJsonValue>& stored,
                                 const QStringList& preferredLanguages);
    static bool shakeEnabledFrom(const std::optional<QJsonValue>& stored);
    static int shakeReversalsFrom(const std::optional<QJsonValue>& stored);

    // Reads from and writes to `store`, which must outlive this; the system's
    // preferred languages, most preferred first, decide the language while
    // none is stored.
    Preferences(SettingsStore& store, std::function<QStringList()> preferredLanguages);

    Language language() const;
    bool shakeEnabled() const;
    int shakeReversals() const;

    // Stores a setting's value; false when the file could not be written.
    bool write(Setting setting, const QJsonValue& value);
    // The file the settings are stored in, which the user may also edit.
    QString filePath() const;

private:
    std::optional<QJsonValue> stored(Setting setting) const;

    SettingsStore& m_store;
    std::function<QStringList()> m_preferredLanguages;
};
