#pragma once

#include "settings/Language.h"

#include <QObject>
#include <QString>

// The one way the program changes a setting: it stores the value and then
// says so once, whoever made the change (the settings window or the tray
// menu), so that everything showing or using the setting follows it.
class PreferencesNotifier : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    void setLanguage(Language language);
    void setShakeEnabled(bool enabled);
    // Kept within the range the preferences accept.
    void setShakeReversals(int reversals);

signals:
    // After the value under `key` (one of Preferences' keys) was stored; read
    // the new value through Preferences.
    void changed(const QString& key);
};
