#include "TestEnvironment.h"

#include <QFile>

ScopedPreferences::ScopedPreferences(QStringList preferredLanguages)
    : m_store(m_dir.filePath(QStringLiteral("settings.json")))
    , m_preferences(m_store, [languages = std::move(preferredLanguages)] { return languages; })
    , m_translations(m_preferences) {}

QByteArray readWholeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeWholeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
