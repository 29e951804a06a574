#include "settings/HotKeys.h"

namespace HotKeys {

QKeyCombination combination(Action action) {
    for (const Binding& binding : table) {
        if (binding.action == action)
            return Qt::CTRL | Qt::ALT | binding.key;
    }
    return {};
}

QString text(Action action) {
    // The portable form, as Qt's key sequences write it: the native one may
    // differ between desktops, and the label must match what is printed on
    // the keys. Every key of the table is a letter.
    return QStringLiteral("Ctrl+Alt+") + QChar(combination(action).key());
}

} // namespace HotKeys
