#include "platform/gnome/ShellCompanion.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QMimeData>
#include <QPointer>

using namespace Qt::StringLiterals;

const QString ShellCompanion::serviceName = QStringLiteral("io.github.quoblin.Shell");
const QString ShellCompanion::objectPath = QStringLiteral("/io/github/quoblin/Shell");
const QString ShellCompanion::interfaceName = QStringLiteral("io.github.quoblin.Shell1");

namespace {

// The Shell answers within a millisecond; a Shell that hangs must not hang the
// program's GUI thread for long.
constexpr int callTimeoutMs = 250;

QDBusMessage method(const QString& owner, const QString& name) {
    return QDBusMessage::createMethodCall(owner, ShellCompanion::objectPath,
                                          ShellCompanion::interfaceName, name);
}

QDBusMessage versionQuestion(const QString& owner) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        owner, ShellCompanion::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    message << ShellCompanion::interfaceName << QStringLiteral("Version");
    return message;
}

std::optional<unsigned> versionFrom(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("v"))
        return std::nullopt;
    const QVariant value = reply.arguments().front().value<QDBusVariant>().variant();
    if (value.metaType() != QMetaType::fromType<uint>())
        return std::nullopt;
    return value.toUInt();
}

} // namespace

ShellCompanion::ShellCompanion(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {
    m_watcher =
        new QDBusServiceWatcher(serviceName, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    // A new owner is a new extension (the Shell restarted, or another version
    // was installed), or another program: ask who it is and its version again.
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                setAvailable(false);
                if (!newOwner.isEmpty())
                    checkVersion();
            });
    for (const char* name : {"DragStarted", "DragEnded"}) {
        m_bus.connect(serviceName, objectPath, interfaceName, QLatin1String(name), this,
                      name[4] == 'S' ? SLOT(handleDragStarted()) : SLOT(handleDragEnded()));
    }
    m_bus.connect(serviceName, objectPath, interfaceName, QStringLiteral("AcceleratorActivated"),
                  this, SLOT(handleAcceleratorActivated(uint)));
    m_bus.connect(serviceName, objectPath, interfaceName, QStringLiteral("WindowMoved"), this,
                  SLOT(handleWindowMoved(QString, int, int)));
    m_bus.connect(serviceName, objectPath, interfaceName, QStringLiteral("X11DisplayChanged"), this,
                  SLOT(handleX11DisplayChanged(bool)));
    // Asked at once, so that the hot keys can be grabbed as the program starts.
    if (m_bus.isConnected())
        m_owner = shellOwner(m_bus);
    setAvailable(!m_owner.isEmpty() &&
                 versionFrom(m_bus.call(versionQuestion(m_owner), QDBus::Block,
                                        4 * callTimeoutMs)) == interfaceVersion);
}

ShellCompanion::~ShellCompanion() = default;

std::optional<unsigned> ShellCompanion::askVersion(const QDBusConnection& bus, int timeoutMs) {
    const QString owner = bus.isConnected() ? shellOwner(bus) : QString();
    if (owner.isEmpty())
        return std::nullopt;
    return versionFrom(bus.call(versionQuestion(owner), QDBus::Block, timeoutMs));
}

QString ShellCompanion::shellOwner(const QDBusConnection& bus) {
    const QDBusConnectionInterface* daemon = bus.interface();
    const QDBusReply<QString> owner = daemon->serviceOwner(serviceName);
    if (!owner.isValid())
        return {};
    const QDBusReply<uint> pid = daemon->servicePid(owner.value()),
                           shell = daemon->servicePid(QStringLiteral("org.gnome.Shell"));
    return pid.isValid() && shell.isValid() && pid.value() == shell.value() ? owner.value()
                                                                            : QString();
}

void ShellCompanion::checkVersion() {
    const int query = ++m_versionQuery;
    m_owner = shellOwner(m_bus);
    if (m_owner.isEmpty())
        return;
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(versionQuestion(m_owner), callTimeoutMs * 4), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, query](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (query == m_versionQuery)
                    setAvailable(versionFrom(call->reply()) == interfaceVersion);
            });
}

void ShellCompanion::setAvailable(bool available) {
    if (!available)
        m_dragActive = false;
    // The companion tells drags only to the connection it serves, which it
    // learns from a first question: asked at once, whatever else is asked later.
    if (available && !m_available)
        m_bus.send(method(m_owner, QStringLiteral("GetPointer")));
    if (std::exchange(m_available, available) != available)
        Q_EMIT availabilityChanged(available);
}

std::optional<QList<QVariant>> ShellCompanion::ask(const QString& name,
                                                   const QVariantList& arguments, int timeoutMs,
                                                   QLatin1StringView signature) const {
    if (!m_available)
        return std::nullopt;
    QDBusMessage call = method(m_owner, name);
    call.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, timeoutMs);
    // Read only as the type it was checked to be: reading another crashes in libdbus.
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != signature)
        return std::nullopt;
    return reply.arguments();
}

std::optional<ShellCompanion::PointerState> ShellCompanion::pointer() const {
    const auto args = ask(QStringLiteral("GetPointer"), {}, callTimeoutMs, "iibu"_L1);
    if (!args)
        return std::nullopt;
    return PointerState{QPoint((*args)[0].toInt(), (*args)[1].toInt()), (*args)[2].toBool(),
                        uint16_t((*args)[3].toUInt() & 0xffff)};
}

unsigned ShellCompanion::grabAccelerator(const QString& accelerator) {
    const auto action =
        ask(QStringLiteral("GrabAccelerator"), {accelerator}, callTimeoutMs * 4, "u"_L1);
    return action ? action->front().toUInt() : 0;
}

void ShellCompanion::ungrabAccelerator(unsigned action) {
    if (!m_available || action == 0)
        return;
    QDBusMessage call = method(m_owner, QStringLiteral("UngrabAccelerator"));
    call << action;
    m_bus.send(call);
}

void ShellCompanion::placeWindow(const QString& title, QPoint global) {
    if (!m_available)
        return;
    QDBusMessage call = method(m_owner, QStringLiteral("PlaceWindow"));
    call << title << global.x() << global.y();
    m_bus.send(call);
}

ShellCompanion::ClipboardRead ShellCompanion::clipboard(const QStringList& formats) const {
    // The clipboard's owner sends it through the Shell, which gives up after
    // two seconds: the program waits a little longer.
    const auto read =
        ask(QStringLiteral("ReadClipboard"), {formats}, callTimeoutMs * 12, "a{say}s"_L1);
    if (!read)
        return {};
    QMap<QString, QByteArray> contents;
    read->front().value<QDBusArgument>() >> contents;
    auto data = std::make_unique<QMimeData>();
    for (auto it = contents.cbegin(); it != contents.cend(); ++it)
        data->setData(it.key(), it.value());
    const QString shortfall = read->back().toString();
    using enum ClipboardRead::Shortfall;
    return {std::move(data), shortfall == "too-large"_L1  ? tooLarge
                             : shortfall == "too-slow"_L1 ? tooSlow
                                                          : none};
}

QList<std::pair<QRect, QRect>> ShellCompanion::workAreas() const {
    QList<std::pair<QRect, QRect>> areas;
    const auto told = ask(QStringLiteral("GetWorkAreas"), {}, callTimeoutMs, "a(iiiiiiii)"_L1);
    if (!told)
        return areas;
    const QDBusArgument monitors = told->front().value<QDBusArgument>();
    monitors.beginArray();
    while (!monitors.atEnd()) {
        int v[8] = {};
        monitors.beginStructure();
        for (int& value : v)
            monitors >> value;
        monitors.endStructure();
        areas.append({QRect(v[0], v[1], v[2], v[3]), QRect(v[4], v[5], v[6], v[7])});
    }
    monitors.endArray();
    return areas;
}

bool ShellCompanion::x11DisplayRunning() const {
    const auto running = ask(QStringLiteral("GetX11Display"), {}, callTimeoutMs, "b"_L1);
    return running && running->first().toBool();
}

void ShellCompanion::handleDragStarted() {
    noteDragStarted();
}

void ShellCompanion::noteDragStarted() {
    if (!m_available)
        return;
    // The press itself is never seen over other clients' windows; a drag that
    // starts with the button held is the trace it leaves.
    const std::optional<PointerState> now = pointer();
    if (now && now->leftButton)
        Q_EMIT pressBeganDrag();
    ++m_dragCount;
    m_dragActive = true;
}

void ShellCompanion::handleDragEnded() {
    m_dragActive = false;
}

void ShellCompanion::handleAcceleratorActivated(uint action) {
    if (m_available && action != 0)
        Q_EMIT acceleratorActivated(action);
}

void ShellCompanion::handleX11DisplayChanged(bool running) {
    if (m_available)
        Q_EMIT x11DisplayChanged(running);
}

void ShellCompanion::handleWindowMoved(const QString& title, int x, int y) {
    if (m_available)
        Q_EMIT windowMoved(title, QPoint(x, y));
}
