#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

// The user's settings: one JSON object in a file, whose values keep their JSON
// types so that a missing key and a value of the wrong type can be told apart.
// A file that is missing, not JSON or not an object reads as empty and is left
// as it is; a write replaces the file atomically and keeps every other key.
// The user may edit the file while the program runs: it is read again when it
// changed on disk, and a write starts from the file as it is then, so a hand
// edit is not undone by the next change made in the program. The file and its
// folder are the user's alone (0600 and 0700).
class SettingsStore {
public:
    explicit SettingsStore(QString path);

    // $XDG_CONFIG_HOME/quoblin/settings.json (default ~/.config/quoblin/).
    static QString defaultPath();

    const QString& path() const { return m_path; }

    std::optional<QJsonValue> value(const QString& key) const;
    // Returns false when the file could not be written; the value is kept in memory.
    bool setValue(const QString& key, const QJsonValue& value);

private:
    // What tells a changed file from the one last read: an editor's atomic
    // save makes a new inode, an edit in place a new time or size.
    struct Stamp {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, seconds = 0, nanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampNow() const;
    void load() const;

    QString m_path;
    mutable bool m_loaded = false;
    mutable Stamp m_stamp;
    mutable QJsonObject m_values;
};
