#pragma once

#include <QKeyCombination>
#include <QString>
#include <array>
#include <optional>

// The commands that can be given from outside a shelf, in one table that the
// tray menu, the hot keys and the command line read and the desktop entry's
// actions repeat: a command keeps one name, one label and one key
// combination wherever it is offered.
namespace Commands {

enum class Command { newShelf, newShelfFromClipboard, toggleShelves, settings, quit };

struct Entry {
    Command command;
    const char* name;        // the command-line option and desktop action: "new-shelf"
    const char* label;       // the menu's text in English; label() gives it translated
    const char* description; // the command line's help for it
    QKeyCombination keys;    // shown in the menu
    bool systemWide;         // the keys are also grabbed for every program: a hot key
};

extern const std::array<Entry, 5> table;

const Entry& entry(Command command);
// The command of a name given on the command line; nothing for another name.
std::optional<Command> named(const QString& name);
// The label in the interface language.
QString label(Command command);
// How the keyboard names the keys, the same in every language: "Ctrl+Alt+S".
// The native spelling differs between desktops; this one matches the keys' caps.
QString keyText(Command command);

} // namespace Commands
