#include "platform/SettingsStore.h"

#include "platform/AtomicFile.h"
#include "platform/UserDirectories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

namespace {
// Far more than any settings file needs; a larger one is not ours to parse.
constexpr qint64 maxSettingsBytes = 1 << 20;
} // namespace

SettingsStore::SettingsStore(QString path)
    : m_path(std::move(path)) {}

QString SettingsStore::defaultPath() {
    return UserDirectories::config() + QStringLiteral("/quoblin/settings.json");
}

SettingsStore& SettingsStore::shared() {
    static SettingsStore store(defaultPath());
    return store;
}

void SettingsStore::load() const {
    if (m_loaded)
        return;
    m_loaded = true;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxSettingsBytes)
        return;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (doc.isObject())
        m_values = doc.object();
}

std::optional<QJsonValue> SettingsStore::value(const QString& key) const {
    load();
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

bool SettingsStore::setValue(const QString& key, const QJsonValue& value) {
    load();
    m_values.insert(key, value);
    return AtomicFile::write(m_path, QJsonDocument(m_values).toJson(QJsonDocument::Indented));
}
