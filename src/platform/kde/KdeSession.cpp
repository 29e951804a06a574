#include "platform/kde/KdeSession.h"

#include "platform/common/EarlyApplication.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <memory>

namespace KdeSession {

bool isPlasmaWayland(const QString& waylandDisplay, const QString& currentDesktop) {
    return !waylandDisplay.isEmpty() && currentDesktop.split(u':', Qt::SkipEmptyParts)
                                            .contains(QStringLiteral("KDE"), Qt::CaseInsensitive);
}

bool isPlasmaWayland() {
    return isPlasmaWayland(qEnvironmentVariable("WAYLAND_DISPLAY"),
                           qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}

KWin probe() {
    if (!isPlasmaWayland())
        return KWin::notPlasma;
    std::unique_ptr<QCoreApplication> shortLived = earlyApplication();
    const QString connectionName = QStringLiteral("quoblin-kwin-probe");
    bool scripting = false;
    {
        const QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
        const QDBusReply<QString> description =
            bus.call(QDBusMessage::createMethodCall(
                         QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                         QStringLiteral("org.freedesktop.DBus.Introspectable"),
                         QStringLiteral("Introspect")),
                     QDBus::Block, 500);
        scripting = description.isValid() &&
                    description.value().contains(QStringLiteral("org.kde.kwin.Scripting"));
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return scripting ? KWin::ready : KWin::absent;
}

QString fallbackNote() {
    return QCoreApplication::translate(
        "KdeSession",
        "KWin's scripting did not answer, so Quoblin runs through XWayland: shakes are seen "
        "only over X11 windows, and the hot keys work only while an X11 window has the "
        "focus. Quoblin uses KWin from its next start.");
}

} // namespace KdeSession
