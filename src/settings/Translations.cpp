#include "settings/Translations.h"

#include "settings/Preferences.h"

#include <QCoreApplication>
#include <QEvent>

Translations::Translations(const Preferences& preferences)
    : m_preferences(preferences) {
    follow();
}

Translations::~Translations() {
    remove();
}

void Translations::follow() {
    const Language language = m_preferences.language();
    if (m_language == language)
        return;
    m_language = language;
    remove();
    auto translator = std::make_unique<QTranslator>();
    // English is the texts' own language and has no file.
    if (translator->load(
            QStringLiteral(":/i18n/quoblin_%1.qm").arg(Languages::rawValue(language))) &&
        QCoreApplication::installTranslator(translator.get()))
        m_translator = std::move(translator);
    // Qt posts the news to each top-level window; delivered now, the caller
    // goes on with every text on screen already in the new language.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

void Translations::remove() {
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
    m_translator.reset();
}
