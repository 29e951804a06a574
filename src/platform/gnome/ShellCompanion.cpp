#include "platform/gnome/ShellCompanion.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QMimeData>
#include <QPointer>

const QString ShellCompanion::serviceName = QStringLiteral("io.github.quoblin.Shell");
const QString ShellCompanion::objectPath = QStringLiteral("/io/github/quoblin/Shell");
const QString ShellCompanion::interfaceName = QStringLiteral("io.github.quoblin.Shell1");

namespace {

// The Shell answers within a millisecond; a Shell that hangs must not hang the
// program's GUI thread for long.
constexpr int callTimeoutMs = 250;

QDBusMessage method(const QString& name) {
    return QDBusMessage::createMethodCall(ShellCompanion::serviceName, ShellCompanion::objectPath,
                                          ShellCompanion::interfaceName, name);
}

QDBusMessage versionQuestion() {
    QDBusMessage message = QDBusMessage::createMethodCall(
        ShellCompanion::serviceName, ShellCompanion::objectPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message << ShellCompanion::interfaceName << QStringLiteral("Version");
    return message;
}

std::optional<unsigned> versionFrom(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
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
    // was installed): ask its version again before trusting it.
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
    m_available = askVersion(m_bus, 4 * callTimeoutMs) == interfaceVersion;
}

ShellCompanion::~ShellCompanion() = default;

std::optional<unsigned> ShellCompanion::askVersion(const QDBusConnection& bus, int timeoutMs) {
    if (!bus.isConnected())
        return std::nullopt;
    return versionFrom(bus.call(versionQuestion(), QDBus::Block, timeoutMs));
}

void ShellCompanion::checkVersion() {
    const int query = ++m_versionQuery;
    auto* watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(versionQuestion(), callTimeoutMs * 4), this);
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
    if (std::exchange(m_available, available) != available)
        Q_EMIT availabilityChanged(available);
}

std::optional<QList<QVariant>> ShellCompanion::ask(const QString& name,
                                                   const QVariantList& arguments, int timeoutMs,
                                                   qsizetype answers) const {
    if (!m_available)
        return std::nullopt;
    QDBusMessage call = method(name);
    call.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != answers)
        return std::nullopt;
    return reply.arguments();
}

std::optional<ShellCompanion::PointerState> ShellCompanion::pointer() const {
    const auto args = ask(QStringLiteral("GetPointer"), {}, callTimeoutMs, 3);
    if (!args)
        return std::nullopt;
    return PointerState{QPoint((*args)[0].toInt(), (*args)[1].toInt()), (*args)[2].toBool()};
}

unsigned ShellCompanion::grabAccelerator(const QString& accelerator) {
    const auto action = ask(QStringLiteral("GrabAccelerator"), {accelerator}, callTimeoutMs * 4, 1);
    return action ? action->front().toUInt() : 0;
}

void ShellCompanion::ungrabAccelerator(unsigned action) {
    if (!m_available || action == 0)
        return;
    QDBusMessage call = method(QStringLiteral("UngrabAccelerator"));
    call << action;
    m_bus.send(call);
}

void ShellCompanion::placeWindow(const QString& title, QPoint global) {
    if (!m_available)
        return;
    QDBusMessage call = method(QStringLiteral("PlaceWindow"));
    call << title << global.x() << global.y();
    m_bus.send(call);
}

std::unique_ptr<QMimeData> ShellCompanion::clipboard(const QStringList& formats) const {
    // The clipboard's owner sends it through the Shell: slower than a question
    // about the pointer, and the user is waiting for it.
    const auto read = ask(QStringLiteral("ReadClipboard"), {formats}, callTimeoutMs * 8, 1);
    if (!read)
        return nullptr;
    QMap<QString, QByteArray> contents;
    read->front().value<QDBusArgument>() >> contents;
    auto data = std::make_unique<QMimeData>();
    for (auto it = contents.cbegin(); it != contents.cend(); ++it)
        data->setData(it.key(), it.value());
    return data;
}

QList<std::pair<QRect, QRect>> ShellCompanion::workAreas() const {
    QList<std::pair<QRect, QRect>> areas;
    const auto told = ask(QStringLiteral("GetWorkAreas"), {}, callTimeoutMs, 1);
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
    const auto running = ask(QStringLiteral("GetX11Display"), {}, callTimeoutMs, 1);
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
