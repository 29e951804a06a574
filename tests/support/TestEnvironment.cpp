#include "TestEnvironment.h"

#include <QFile>

ScopedPreferences::ScopedPreferences(QStringList preferredLanguages)
    : m_store(std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("settings.json")))) {
    m_previous = Preferences::setSources(
        {m_store.get(), [languages = std::move(preferredLanguages)] { return languages; }});
    m_translations.emplace();
}

ScopedPreferences::~ScopedPreferences() {
    Preferences::setSources(m_previous);
}

QByteArray readWholeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeWholeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
