#include "model/ShelfManagerServices.h"

#include "model/ShelfStore.h"
#include "platform/SystemPointer.h"
#include "platform/Timers.h"

#include <QApplication>

QString SystemShelfManagerServices::recentShelvesPath() {
    return ShelfStore::defaultURL();
}

QDateTime SystemShelfManagerServices::now() {
    return QDateTime::currentDateTimeUtc();
}

QPointF SystemShelfManagerServices::cursorPosition() {
    return m_pointer ? m_pointer->position() : SystemPointer().position();
}

ScreenLayout SystemShelfManagerServices::screens() {
    return ScreenLayout::current();
}

void SystemShelfManagerServices::alert() {
    QApplication::beep();
}

Timers* SystemShelfManagerServices::timers() {
    return &SystemTimers::instance();
}
