#include "platform/common/SystemLanguages.h"

#include <QLocale>

namespace SystemLanguages {

QStringList preferred() {
    QStringList languages = QLocale::system().uiLanguages();
    // The C locale reports "C", which names no language.
    languages.removeIf([](const QString& tag) { return tag == QLatin1String("C"); });
    return languages;
}

} // namespace SystemLanguages
