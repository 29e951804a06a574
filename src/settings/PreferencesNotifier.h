#pragma once

#include "settings/Language.h"
#include "settings/Preferences.h"

#include <QFileSystemWatcher>
#include <QObject>

// The one way the program changes a setting: it stores the value and then
// says so once, whoever made the change (the settings window or the tray
// menu), so that everything showing or using the setting follows it. A
// setting the user changed by editing the settings file is told the same
// way, as soon as the file changes.
class PreferencesNotifier : public QObject {
    Q_OBJECT

public:
    // Writes through `preferences`, which must outlive this.
    explicit PreferencesNotifier(Preferences& preferences, QObject* parent = nullptr);

    // The preferences it writes, for those who follow its news to read.
    const Preferences& values() const { return m_preferences; }

    void setLanguage(Language language);
    void setShakeEnabled(bool enabled);
    // Kept within the range the preferences accept.
    void setShakeReversals(int reversals);

signals:
    // After the setting's value was stored; read it through values().
    void changed(Preferences::Setting setting);

private:
    struct Seen {
        Language language;
        bool shakeEnabled;
        int shakeReversals;
    };
    Seen seenNow() const;
    void watchFile();
    // The one way the program writes a setting.
    void store(Preferences::Setting setting, const QJsonValue& value);
    // Tells what differs from the values last told.
    void fileChanged();

    Preferences& m_preferences;
    Seen m_seen;
    QFileSystemWatcher m_watcher;
};
