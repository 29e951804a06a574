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
    // from its first moment), so until then its parent tells of its making.
    const QFileInfo file(m_preferences.filePath());
    const QString folder = file.absolutePath();
    const QString watched = QFileInfo::exists(folder) ? folder : QFileInfo(folder).absolutePath();
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

void PreferencesNotifier::written() {
    m_seen = seenNow();
    watchFile();
}

void PreferencesNotifier::setLanguage(Language language) {
    m_preferences.write(Setting::language, Languages::rawValue(language));
    written();
    emit changed(Setting::language);
}

void PreferencesNotifier::setShakeEnabled(bool enabled) {
    m_preferences.write(Setting::shakeEnabled, enabled);
    written();
    emit changed(Setting::shakeEnabled);
}

void PreferencesNotifier::setShakeReversals(int reversals) {
    m_preferences.write(
        Setting::shakeReversals,
        std::clamp(reversals, Preferences::minShakeReversals, Preferences::maxShakeReversals));
    written();
    emit changed(Setting::shakeReversals);
}
