#include "platform/gnome/GnomeSession.h"

#include "platform/common/EarlyApplication.h"
#include "platform/gnome/ShellCompanion.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <memory>

namespace GnomeSession {

namespace {

const QString shellService = QStringLiteral("org.gnome.Shell");
const QString shellPath = QStringLiteral("/org/gnome/Shell");
const QString extensionsInterface = QStringLiteral("org.gnome.Shell.Extensions");

QDBusMessage extensionsCall(const QString& method) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(shellService, shellPath, extensionsInterface, method);
    call << extensionUuid;
    return call;
}

// Runs a program without waiting for it; then(ok, output) on the GUI thread.
void runTool(const QStringList& arguments, std::function<void(bool, QString)> then) {
    auto* process = new QProcess(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process,
                     [process, then](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         then(status == QProcess::NormalExit && code == 0,
                              QString::fromUtf8(process->readAllStandardOutput()).trimmed());
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, then](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         process->deleteLater();
                         then(false, {});
                     });
    process->start(QStringLiteral("gsettings"), arguments);
}

// The Shell reads its list of enabled extensions at start-up only for
// extensions it has not seen yet: the key is how one installed after the
// Shell started gets loaded at the next login.
void addToEnabledList(const std::function<void(Enabling)>& onDone) {
    const QStringList key{QStringLiteral("org.gnome.shell"), QStringLiteral("enabled-extensions")};
    runTool(QStringList{QStringLiteral("get")} + key, [key, onDone](bool ok, QString listed) {
        if (!ok)
            return onDone(Enabling::failed);
        QStringList uuids;
        static const QRegularExpression quoted(QStringLiteral("'([^'\\\\]*)'"));
        for (const auto& match : quoted.globalMatch(listed))
            uuids << match.captured(1);
        if (uuids.contains(extensionUuid))
            return onDone(Enabling::atNextLogin);
        uuids << extensionUuid;
        const QString value =
            QStringLiteral("['") + uuids.join(QStringLiteral("', '")) + QStringLiteral("']");
        runTool(QStringList{QStringLiteral("set")} + key + QStringList{value},
                [onDone](bool written, QString) {
                    onDone(written ? Enabling::atNextLogin : Enabling::failed);
                });
    });
}

bool installedOnDisk() {
    return !QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                   QStringLiteral("gnome-shell/extensions/") + extensionUuid +
                                       QStringLiteral("/metadata.json"))
                .isEmpty();
}

// What the Shell says of the companion; empty when it does not know it.
QVariantMap extensionInfo(const QDBusConnection& bus, int timeoutMs) {
    const QDBusReply<QVariantMap> info =
        bus.call(extensionsCall(QStringLiteral("GetExtensionInfo")), QDBus::Block, timeoutMs);
    return info.isValid() ? info.value() : QVariantMap{};
}

// The Shell's extension states ERROR (3) and OUT_OF_DATE (4), numbered so
// from GNOME Shell 43 to 51.
void readRefusal(const QVariantMap& info, Status& status) {
    const int state = info.value(QStringLiteral("state")).toInt();
    status.shellError = info.value(QStringLiteral("error")).toString();
    // From GNOME Shell 45 on, an extension is in error without words while it loads.
    status.refusal = state == 3 && !status.shellError.isEmpty() ? Refusal::error
                     : state == 4                               ? Refusal::outOfDate
                                                                : Refusal::none;
}

} // namespace

bool isGnomeWayland(const QString& waylandDisplay, const QString& currentDesktop) {
    if (waylandDisplay.isEmpty())
        return false;
    const QStringList desktops = currentDesktop.split(u':', Qt::SkipEmptyParts);
    return desktops.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

bool isGnomeWayland() {
    return isGnomeWayland(qEnvironmentVariable("WAYLAND_DISPLAY"),
                          qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}

Status probe(const std::function<bool()>& mayEnable) {
    if (!isGnomeWayland())
        return {};
    std::unique_ptr<QCoreApplication> shortLived = earlyApplication();
    const QString connectionName = QStringLiteral("quoblin-probe");
    std::optional<unsigned> version;
    Status result;
    result.companion = Companion::absent;
    {
        const QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
        version = ShellCompanion::askVersion(bus, 500);
        const QVariantMap info = version ? QVariantMap{} : extensionInfo(bus, 1000);
        readRefusal(info, result);
        // Turning on one that the Shell refuses would change nothing.
        if (!info.isEmpty() && result.refusal == Refusal::none && mayEnable && mayEnable()) {
            const QDBusReply<bool> enabled =
                bus.call(extensionsCall(QStringLiteral("EnableExtension")), QDBus::Block, 1000);
            result.enabling =
                enabled.isValid() && enabled.value() ? Enabling::enabledNow : Enabling::failed;
        }
        // The Shell starts it at once; its name follows within moments.
        for (int wait = 0; !version && result.enabling == Enabling::enabledNow && wait < 15;
             ++wait) {
            QThread::msleep(100);
            version = ShellCompanion::askVersion(bus, 100);
        }
        // Turned on but silent: the Shell may have failed to start it.
        if (!version && result.enabling == Enabling::enabledNow)
            readRefusal(extensionInfo(bus, 1000), result);
    }
    QDBusConnection::disconnectFromBus(connectionName);
    shortLived.reset();
    if (!version)
        return result;
    result.companion =
        *version == ShellCompanion::interfaceVersion ? Companion::ready : Companion::wrongVersion;
    result.version = *version;
    result.refusal = Refusal::none;
    return result;
}

void enableCompanion(std::function<void(Enabling)> onDone) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* info = new QDBusPendingCallWatcher(
        bus.asyncCall(extensionsCall(QStringLiteral("GetExtensionInfo")), 2000),
        QCoreApplication::instance());
    QObject::connect(info, &QDBusPendingCallWatcher::finished, info, [onDone, bus](auto* call) {
        call->deleteLater();
        const QDBusPendingReply<QVariantMap> known = *call;
        if (known.isError() || known.value().isEmpty()) {
            if (!installedOnDisk())
                return onDone(Enabling::notInstalled);
            return addToEnabledList(onDone);
        }
        auto* enable = new QDBusPendingCallWatcher(
            bus.asyncCall(extensionsCall(QStringLiteral("EnableExtension")), 2000),
            QCoreApplication::instance());
        QObject::connect(enable, &QDBusPendingCallWatcher::finished, enable,
                         [onDone](QDBusPendingCallWatcher* done) {
                             done->deleteLater();
                             const QDBusPendingReply<bool> enabled = *done;
                             onDone(!enabled.isError() && enabled.value() ? Enabling::enabledNow
                                                                          : Enabling::failed);
                         });
    });
}

} // namespace GnomeSession
