#pragma once

#include <QString>
#include <array>
#include <optional>

// The two interface languages. The program's texts are written in English;
// the others come from translation files built into the program.
enum class Language { english, romanian };

namespace Languages {

// In the order the settings window lists them.
inline constexpr std::array<Language, 2> allCases{Language::english, Language::romanian};

// The stored form: "en" or "ro".
QString rawValue(Language language);
// Exactly "en" or "ro", case-sensitive and untrimmed; anything else is no language.
std::optional<Language> fromRawValue(const QString& raw);
// Each language by its own name, whatever the interface language.
QString displayName(Language language);

} // namespace Languages
