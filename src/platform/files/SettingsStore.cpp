#include "platform/files/SettingsStore.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/UserDirectories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <sys/stat.h>

namespace {
// Far more than any settings file needs; a larger one is not ours to parse.
constexpr qint64 maxSettingsBytes = 1 << 20;
} // namespace

SettingsStore::SettingsStore(QString path)
    : m_path(std::move(path)) {}

QString SettingsStore::defaultPath() {
    return UserDirectories::config() + QStringLiteral("/quoblin/settings.json");
}

SettingsStore::Stamp SettingsStore::stampNow() const {
    struct stat info;
    if (::stat(QFile::encodeName(m_path).constData(), &info) != 0)
        return {};
    return {true,
            static_cast<quint64>(info.st_dev),
            static_cast<quint64>(info.st_ino),
            static_cast<qint64>(info.st_size),
            static_cast<qint64>(info.st_mtim.tv_sec),
            static_cast<qint64>(info.st_mtim.tv_nsec)};
}

void SettingsStore::load() const {
    const Stamp stamp = stampNow();
    if (m_loaded && stamp == m_stamp)
        return;
    m_loaded = true;
    m_stamp = stamp;
    if (!stamp.exists) {
        m_values = {};
        return;
    }
    // A file that cannot be read as an object now (a hand edit half done)
    // leaves the values last read in place.
    const auto bytes = AtomicFile::readRegular(m_path, maxSettingsBytes);
    if (!bytes)
        return;
    const QJsonDocument doc = QJsonDocument::fromJson(*bytes);
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
    const bool written =
        AtomicFile::writePrivate(m_path, QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    if (written)
        m_stamp = stampNow();
    return written;
}
