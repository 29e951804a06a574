#pragma once

#include "settings/Language.h"

#include <QTranslator>
#include <memory>
#include <optional>

class Preferences;

// The program's texts in the interface language. They are written in
// English; any other language's come from the translation built into the
// program as ":/i18n/quoblin_<stored form>.qm", so a language needs a file,
// not code. Swapping the translation makes Qt tell every widget
// (QEvent::LanguageChange), and each relabels itself.
class Translations {
public:
    // Installs the translation of the language the preferences give now;
    // `preferences` must outlive this.
    explicit Translations(const Preferences& preferences);
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // Swaps the installed translation when the preferences give another
    // language; by the time it returns every widget has relabelled itself.
    void follow();

private:
    void remove();

    const Preferences& m_preferences;
    std::unique_ptr<QTranslator> m_translator;
    std::optional<Language> m_language;
};
