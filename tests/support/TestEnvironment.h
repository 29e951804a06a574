#pragma once

#include "platform/files/SettingsStore.h"
#include "settings/Preferences.h"
#include "settings/Translations.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Points the preferences at a throw-away settings file and a chosen list of
// preferred languages, with the translation they choose, for as long as it lives.
class ScopedPreferences {
public:
    explicit ScopedPreferences(QStringList preferredLanguages = {QStringLiteral("en-US")});
    ~ScopedPreferences();

    SettingsStore& store() { return *m_store; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    Preferences::Sources m_previous;
    std::optional<Translations> m_translations;
};

// Reads a whole file, or an empty array when it cannot be read.
QByteArray readWholeFile(const QString& path);
bool writeWholeFile(const QString& path, const QByteArray& bytes);
