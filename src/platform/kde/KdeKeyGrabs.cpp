#include "platform/kde/KdeKeyGrabs.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QKeySequence>
#include <QObject>
#include <utility>

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString component = QStringLiteral("quoblin");

QDBusMessage accelCall(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"), method);
    call.setArguments(arguments);
    return call;
}

} // namespace

KdeShortcut::KdeShortcut(QStringList actionId, int qtKey, std::function<void()> onPress)
    : m_actionId(std::move(actionId))
    , m_qtKey(qtKey)
    , m_onPress(std::move(onPress)) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString path = QStringLiteral("/component/") + component;
    const QString interface = QStringLiteral("org.kde.kglobalaccel.Component");
    bus.connect(service, path, interface, QStringLiteral("globalShortcutPressed"), this,
                SLOT(shortcutPressed(QString, QString, qlonglong)));
    bus.connect(service, path, interface, QStringLiteral("globalShortcutReleased"), this,
                SLOT(shortcutReleased(QString, QString, qlonglong)));
    m_watcher.setConnection(bus);
    m_watcher.addWatchedService(service);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    connect(&m_watcher, &QDBusServiceWatcher::serviceRegistered, this,
            [this] { KdeKeyGrabs::registerKey(m_actionId, m_qtKey); });
}

KdeShortcut::~KdeShortcut() {
    QDBusConnection::sessionBus().call(
        accelCall(QStringLiteral("unregister"), {component, m_actionId.value(1)}), QDBus::NoBlock);
}

void KdeShortcut::shortcutPressed(const QString& from, const QString& action, qlonglong) {
    if (from == component && action == m_actionId.value(1) &&
        m_repeats.pressed(PressRepeatFilter::Clock::now()) && m_onPress)
        m_onPress();
}

void KdeShortcut::shortcutReleased(const QString& from, const QString& action, qlonglong) {
    if (from == component && action == m_actionId.value(1))
        m_repeats.released();
}

bool PressRepeatFilter::pressed(Clock::time_point now) {
    const bool repeat = m_held && now - m_last <= gap;
    m_held = true;
    m_last = now;
    return !repeat;
}

QStringList KdeKeyGrabs::actionId(int qtKey) {
    const QString name = QKeySequence(qtKey).toString(QKeySequence::PortableText);
    return {component, name, QStringLiteral("Quoblin"), name};
}

std::optional<QList<int>> KdeKeyGrabs::registerKey(const QStringList& actionId, int qtKey) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.call(accelCall(QStringLiteral("doRegister"), {actionId}), QDBus::Block, 2000).type() ==
        QDBusMessage::ErrorMessage)
        return std::nullopt;
    const QVariant keys = QVariant::fromValue(QList<int>{qtKey});
    // First the default, then the key itself, whatever an earlier run left in
    // the service's settings (flags: IsDefault 1, SetPresent 2, NoAutoloading 4).
    bus.call(accelCall(QStringLiteral("setShortcut"), {actionId, keys, 1u | 2u}), QDBus::Block,
             2000);
    const QDBusReply<QList<int>> active = bus.call(
        accelCall(QStringLiteral("setShortcut"), {actionId, keys, 2u | 4u}), QDBus::Block, 2000);
    if (!active.isValid())
        return std::nullopt;
    return active.value();
}

std::unique_ptr<KeyGrabToken> KdeKeyGrabs::grabKey(QKeyCombination keys,
                                                   std::function<void()> onPress) {
    // The service keeps keys as Qt spells them.
    const int key = keys.toCombined();
    if (keys.key() == Qt::Key_unknown || keys.key() == 0)
        return nullptr;
    qDBusRegisterMetaType<QList<int>>();
    const QStringList id = actionId(key);
    // While the service is away the grab waits for it to come back.
    const std::optional<QList<int>> given = registerKey(id, key);
    if (given && !given->contains(key)) {
        QDBusConnection::sessionBus().call(
            accelCall(QStringLiteral("unregister"), {component, id.value(1)}), QDBus::NoBlock);
        return nullptr;
    }
    return std::make_unique<KdeShortcut>(id, key, std::move(onPress));
}
