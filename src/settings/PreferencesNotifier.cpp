#include "settings/PreferencesNotifier.h"

#include "settings/Preferences.h"

#include <QFileInfo>
#include <algorithm>
#include <utility>

using Setting = Preferences::Setting;

PreferencesNotifier::PreferencesNotifier(Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_seen(seenNow()) {
    watchFile();
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &PreferencesNotifier::fileChanged);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &PreferencesNotifier::fileChanged);
}

PreferencesNotifier::Seen PreferencesNotifier::seenNow() const {
    return {m_preferences.language(), m_preferences.shakeEnabled(), m_preferences.shakeReversals()};
}

void PreferencesNotifier::watchFile() {
    // An editor saves by writing a new file over the old one, which ends a
    // watch on the file itself: its folder tells of that, the file of an edit
    // in place. A folder not made yet is the program's to make (it is private
    // from its first moment), so until then the nearest folder there is tells
    // of its making, and the watch moves down as the folders appear.
    const QFileInfo file(m_preferences.filePath());
    QString watched = file.absolutePath();
    while (!QFileInfo::exists(watched) && QFileInfo(watched).absolutePath() != watched)
        watched = QFileInfo(watched).absolutePath();
    const QStringList directories = m_watcher.directories();
    if (!directories.contains(watched)) {
        if (!directories.isEmpty())
            m_watcher.removePaths(directories);
        m_watcher.addPath(watched);
    }
    if (file.exists() && !m_watcher.files().contains(file.absoluteFilePath()))
        m_watcher.addPath(file.absoluteFilePath());
}

void PreferencesNotifier::fileChanged() {
    watchFile();
    const Seen before = std::exchange(m_seen, seenNow());
    if (m_seen.language != before.language)
        emit changed(Setting::language);
    if (m_seen.shakeEnabled != before.shakeEnabled)
        emit changed(Setting::shakeEnabled);
    if (m_seen.shakeReversals != before.shakeReversals)
        emit changed(Setting::shakeReversals);
}

void PreferencesNotifier::store(Setting setting, const QJsonValue& value) {
    m_preferences.write(setting, value);
    // The watch hears of this write too, and finds nothing new to tell.
    m_seen = seenNow();
    emit changed(setting);
}

void PreferencesNotifier::setLanguage(Language language) {
    store(Setting::language, Languages::rawValue(language));
}

void PreferencesNotifier::setShakeEnabled(bool enabled) {
    store(Setting::shakeEnabled, enabled);
}

void PreferencesNotifier::setShakeReversals(int reversals) {
    store(Setting::shakeReversals,
          std::clamp(reversals, Preferences::minShakeReversals, Preferences::maxShakeReversals));
}
