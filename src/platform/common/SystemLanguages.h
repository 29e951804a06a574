#pragma once

#include <QStringList>

namespace SystemLanguages {

// The user's preferred interface languages, most preferred first, as BCP 47
// tags ("ro-RO", "en-US"), from LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
QStringList preferred();

} // namespace SystemLanguages
