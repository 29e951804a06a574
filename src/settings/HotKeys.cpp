#include "settings/HotKeys.h"

namespace HotKeys {

QKeySequence sequence(Action action) {
    for (const Binding& binding : table) {
        if (binding.action == action)
            return QKeySequence(Qt::CTRL | Qt::ALT | binding.key);
    }
    return {};
}

QString text(Action action) {
    // The portable form: the native one may differ between desktops, and the
    // label must match what is printed on the keys.
    return sequence(action).toString(QKeySequence::PortableText);
}

} // namespace HotKeys
