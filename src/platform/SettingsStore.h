#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

// The user's settings: one JSON object in a file, whose values keep their JSON
// types so that a missing key and a value of the wrong type can be told apart.
// A file that is missing, not JSON or not an object reads as empty and is left
// as it is; a write replaces the file atomically and keeps every other key.
class SettingsStore {
public:
    explicit SettingsStore(QString path);

    // $XDG_CONFIG_HOME/quoblin/settings.json (default ~/.config/quoblin/).
    static QString defaultPath();
    // The store of the process, at defaultPath(), made on first use.
    static SettingsStore& shared();

    const QString& path() const { return m_path; }

    std::optional<QJsonValue> value(const QString& key) const;
    // Returns false when the file could not be written; the value is kept in memory.
    bool setValue(const QString& key, const QJsonValue& value);

private:
    void load() const;

    QString m_path;
    mutable bool m_loaded = false;
    mutable QJsonObject m_values;
};
