#pragma once

#include "platform/files/SettingsStore.h"
#include "settings/Preferences.h"
#include "settings/Translations.h"

#include <QStringList>
#include <QTemporaryDir>

// Preferences over a throw-away settings file and a chosen list of preferred
// languages, with the translation they choose installed for as long as it lives.
class ScopedPreferences {
public:
    explicit ScopedPreferences(QStringList preferredLanguages = {QStringLiteral("en-US")});

    SettingsStore& store() { return m_store; }
    Preferences& preferences() { return m_preferences; }

private:
    QTemporaryDir m_dir;
    SettingsStore m_store;
    Preferences m_preferences;
    Translations m_translations;
};

// Reads a whole file, or an empty array when it cannot be read.
QByteArray readWholeFile(const QString& path);
bool writeWholeFile(const QString& path, const QByteArray& bytes);
