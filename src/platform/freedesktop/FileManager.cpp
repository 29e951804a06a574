#include "platform/freedesktop/FileManager.h"

#include "platform/files/NativePath.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>

namespace FileManager {

void open(const QByteArray& path) {
    QDesktopServices::openUrl(NativePath::toUrl(path));
}

static void openContainingFolder(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    QDesktopServices::openUrl(NativePath::toUrl(slash > 0 ? path.left(slash) : "/"));
}

void reveal(const QByteArray& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(NativePath::toUrl(path).toEncoded())} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [path](QDBusPendingCallWatcher* w) {
                         if (w->isError())
                             openContainingFolder(path);
                         w->deleteLater();
                     });
}

} // namespace FileManager
