#include "settings/Language.h"

namespace Languages {

QString rawValue(Language language) {
    return language == Language::romanian ? QStringLiteral("ro") : QStringLiteral("en");
}

std::optional<Language> fromRawValue(const QString& raw) {
    if (raw == QLatin1String("en"))
        return Language::english;
    if (raw == QLatin1String("ro"))
        return Language::romanian;
    return std::nullopt;
}

QString displayName(Language language) {
    return language == Language::romanian ? QStringLiteral("Română") : QStringLiteral("English");
}

} // namespace Languages
