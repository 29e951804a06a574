#pragma once

#include <QKeyCombination>
#include <QString>
#include <array>
#include <cstdint>

// The program's hot keys in one table: for each, what it does, the physical
// key that is grabbed, and the combination shown wherever it is named (the
// tray menu, the settings window, the empty shelf). Every one is held with
// Ctrl and Alt.
namespace HotKeys {

enum class Action { newShelf, newShelfFromClipboard, toggleShelves };

struct Binding {
    Action action;
    // The key's position on an ANSI keyboard (45 is N, 9 is V, 1 is S),
    // whatever the layout.
    uint32_t keyCode;
    Qt::Key key; // the key as the menu shows it
};

inline constexpr std::array<Binding, 3> table{{
    {Action::newShelf, 45, Qt::Key_N},
    {Action::newShelfFromClipboard, 9, Qt::Key_V},
    {Action::toggleShelves, 1, Qt::Key_S},
}};

// Ctrl+Alt with the action's key.
QKeyCombination combination(Action action);
// How the keyboard names it, the same in every language: "Ctrl+Alt+S".
QString text(Action action);

} // namespace HotKeys
