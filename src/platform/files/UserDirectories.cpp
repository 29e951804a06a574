#include "platform/files/UserDirectories.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString fromEnvironment(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QFileInfo(value).isAbsolute())
        return QDir::cleanPath(value);
    return QDir::homePath() + QLatin1Char('/') + fallbackUnderHome;
}

} // namespace

namespace UserDirectories {

QString config() {
    return fromEnvironment("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString state() {
    return fromEnvironment("XDG_STATE_HOME", QStringLiteral(".local/state"));
}

QString data() {
    return fromEnvironment("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

} // namespace UserDirectories
