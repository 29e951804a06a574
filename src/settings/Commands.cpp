#include "settings/Commands.h"

#include <QCoreApplication>
#include <algorithm>

namespace Commands {

const std::array<Entry, 5> table{{
    {Command::newShelf, "new-shelf", QT_TRANSLATE_NOOP("Commands", "New Shelf"),
     "Open a new shelf by the mouse pointer.", Qt::CTRL | Qt::ALT | Qt::Key_N, true},
    {Command::newShelfFromClipboard, "new-shelf-from-clipboard",
     QT_TRANSLATE_NOOP("Commands", "New Shelf From Clipboard"),
     "Open a new shelf holding the clipboard's contents.", Qt::CTRL | Qt::ALT | Qt::Key_V, true},
    {Command::toggleShelves, "toggle-shelves", QT_TRANSLATE_NOOP("Commands", "Show / Hide Shelves"),
     "Show or hide all shelves.", Qt::CTRL | Qt::ALT | Qt::Key_S, true},
    {Command::settings, "settings", QT_TRANSLATE_NOOP("Commands", "Settings…"),
     "Open the settings window.", Qt::CTRL | Qt::Key_Comma, false},
    {Command::quit, "quit", QT_TRANSLATE_NOOP("Commands", "Quit"),
     "Quit the running Quoblin; open shelves become recent shelves.", Qt::CTRL | Qt::Key_Q, false},
}};

const Entry& entry(Command command) {
    return *std::find_if(table.begin(), table.end(),
                         [command](const Entry& each) { return each.command == command; });
}

std::optional<Command> named(const QString& name) {
    for (const Entry& each : table) {
        if (name == QLatin1String(each.name))
            return each.command;
    }
    return std::nullopt;
}

QString label(Command command) {
    return QCoreApplication::translate("Commands", entry(command).label);
}

QString keyText(Command command) {
    const QKeyCombination keys = entry(command).keys;
    QString text;
    for (const auto& [modifier, name] : {std::pair{Qt::MetaModifier, "Meta+"},
                                         {Qt::ControlModifier, "Ctrl+"},
                                         {Qt::AltModifier, "Alt+"},
                                         {Qt::ShiftModifier, "Shift+"}}) {
        if (keys.keyboardModifiers().testFlag(modifier))
            text += QLatin1String(name);
    }
    // Letters, digits and punctuation are named by their character.
    return text + QChar(char16_t(keys.key()));
}

} // namespace Commands
