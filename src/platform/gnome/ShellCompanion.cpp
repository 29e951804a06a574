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
#include <algorithm>

using namespace Qt::StringLiterals;

const QString ShellCompanion::serviceName = QStringLiteral("io.github.quoblin.Shell");
const QString ShellCompanion::objectPath = QStringLiteral("/io/github/quoblin/Shell");
const QString ShellCompanion::interfaceName = QStringLiteral("io.github.quoblin.Shell1");

const std::array<ShellCompanion::Member, 15> ShellCompanion::members = [] {
    using enum Member::Kind;
    return std::array<Member, 15>{{
        {method, "GetPointer"_L1, ""_L1, "iibu"_L1},
        {signal, "DragStarted"_L1, "iibu"_L1, {}},
        {signal, "PointerMoved"_L1, "iibu"_L1, {}},
        {signal, "DragEnded"_L1, ""_L1, {}},
        {method, "GetX11Display"_L1, ""_L1, "b"_L1},
        {signal, "X11DisplayChanged"_L1, "b"_L1, {}},
        {method, "GrabAccelerator"_L1, "s"_L1, "u"_L1},
        {method, "UngrabAccelerator"_L1, "u"_L1, "b"_L1},
        {signal, "AcceleratorActivated"_L1, "u"_L1, {}},
        {method, "PlaceWindow"_L1, "usii"_L1, "b"_L1},
        {signal, "WindowMoved"_L1, "uii"_L1, {}},
        {method, "GetWorkAreas"_L1, ""_L1, "a(iiiiiiii)"_L1},
        {signal, "WorkAreasChanged"_L1, "a(iiiiiiii)"_L1, {}},
        {method, "ReadClipboard"_L1, "as"_L1, "a{say}s"_L1},
        {method, "Get"_L1, "ss"_L1, "v"_L1}, // of org.freedesktop.DBus.Properties: Version
    }};
}();

namespace {

// The Shell answers within a millisecond; a Shell that hangs must not hang the
// program's GUI thread for long.
constexpr int callTimeoutMs = 250;

const ShellCompanion::Member& member(QLatin1StringView name) {
    const auto& all = ShellCompanion::members;
    return *std::find_if(all.begin(), all.end(), [name](const auto& m) { return m.name == name; });
}

QDBusMessage method(const QString& owner, QLatin1StringView name) {
    Q_ASSERT(member(name).kind == ShellCompanion::Member::Kind::method);
    return QDBusMessage::createMethodCall(owner, ShellCompanion::objectPath,
                                          ShellCompanion::interfaceName, name);
}

std::optional<ShellCompanion::PointerState> pointerFrom(const QList<QVariant>& v) {
    // The Shell's modifier mask has the core protocol's bits.
    const uint mask = v[3].toUInt();
    Qt::KeyboardModifiers held;
    for (const auto& [bit, modifier] : {std::pair{0x1u, Qt::ShiftModifier},
                                        {0x4u, Qt::ControlModifier},
                                        {0x8u, Qt::AltModifier},
                                        {0x40u, Qt::MetaModifier}})
        held.setFlag(modifier, mask & bit);
    return ShellCompanion::PointerState{QPoint(v[0].toInt(), v[1].toInt()), v[2].toBool(), held};
}

QDBusMessage versionQuestion(const QString& owner) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        owner, ShellCompanion::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    message << ShellCompanion::interfaceName << QStringLiteral("Version");
    return message;
}

std::optional<unsigned> versionFrom(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != member("Get"_L1).out)
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
    for (const Member& signal : members) {
        if (signal.kind == Member::Kind::signal)
            m_bus.connect(serviceName, objectPath, interfaceName, signal.name, this,
                          SLOT(handleSignal(QDBusMessage)));
    }
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
    if (!available) {
        m_dragActive = false;
        m_pushed.reset();
        m_workAreas.reset();
    }
    // The companion tells drags only to the connection it serves, which it
    // learns from a first question: asked at once, whatever else is asked
    // later. The work areas it answers are kept until it tells new ones.
    if (available && !m_available) {
        auto* call =
            new QDBusPendingCallWatcher(m_bus.asyncCall(method(m_owner, "GetWorkAreas"_L1)), this);
        connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusMessage reply = w->reply();
            if (m_available && !m_workAreas && reply.signature() == member("GetWorkAreas"_L1).out)
                readWorkAreas(reply.arguments().front().value<QDBusArgument>());
        });
    }
    if (std::exchange(m_available, available) != available)
        Q_EMIT availabilityChanged(available);
}

std::optional<QList<QVariant>>
ShellCompanion::ask(QLatin1StringView name, const QVariantList& arguments, int timeoutMs) const {
    if (!m_available)
        return std::nullopt;
    QDBusMessage call = method(m_owner, name);
    call.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, timeoutMs);
    // Read only as the type it was checked to be: reading another crashes in libdbus.
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != member(name).out)
        return std::nullopt;
    return reply.arguments();
}

std::optional<ShellCompanion::PointerState> ShellCompanion::pointer() const {
    if (m_pushed)
        return m_pushed;
    const auto args = ask("GetPointer"_L1, {}, callTimeoutMs);
    return args ? pointerFrom(*args) : std::nullopt;
}

unsigned ShellCompanion::grabAccelerator(const QString& accelerator) {
    const auto action = ask("GrabAccelerator"_L1, {accelerator}, callTimeoutMs * 4);
    return action ? action->front().toUInt() : 0;
}

void ShellCompanion::ungrabAccelerator(unsigned action) {
    if (!m_available || action == 0)
        return;
    QDBusMessage call = method(m_owner, "UngrabAccelerator"_L1);
    call << action;
    m_bus.send(call);
}

void ShellCompanion::placeWindow(unsigned id, const QString& title, QPoint global) {
    if (!m_available)
        return;
    QDBusMessage call = method(m_owner, "PlaceWindow"_L1);
    call << id << title << global.x() << global.y();
    m_bus.send(call);
}

ClipboardRead ShellCompanion::clipboard(const QStringList& formats) const {
    // The clipboard's owner sends it through the Shell, which gives up after
    // two seconds: the program waits a little longer.
    const auto read = ask("ReadClipboard"_L1, {formats}, callTimeoutMs * 12);
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
    // Asked only before the first answer arrives; then told when they change.
    if (!m_workAreas) {
        if (const auto told = ask("GetWorkAreas"_L1, {}, callTimeoutMs))
            const_cast<ShellCompanion*>(this)->readWorkAreas(told->front().value<QDBusArgument>());
    }
    return m_workAreas.value_or(QList<std::pair<QRect, QRect>>());
}

void ShellCompanion::readWorkAreas(const QDBusArgument& monitors) {
    QList<std::pair<QRect, QRect>> areas;
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
    m_workAreas = areas;
}

bool ShellCompanion::x11DisplayRunning() const {
    const auto running = ask("GetX11Display"_L1, {}, callTimeoutMs);
    return running && running->first().toBool();
}

void ShellCompanion::noteDragStarted() {
    if (m_available)
        countDrag(pointer());
}

void ShellCompanion::countDrag(std::optional<PointerState> at) {
    ++m_dragCount;
    m_dragActive = true;
    // The press itself is never seen over other clients' windows; a drag that
    // starts with the button held is the trace it leaves.
    if (at && at->leftButton)
        Q_EMIT dragBegan();
}

void ShellCompanion::handleSignal(const QDBusMessage& message) {
    const QByteArray named = message.member().toLatin1();
    const QLatin1StringView name(named);
    const auto& all = members;
    const auto known = std::find_if(all.begin(), all.end(), [&](const Member& m) {
        return m.kind == Member::Kind::signal && m.name == name;
    });
    // Read only as the type it was checked to be, as the answers are.
    if (!m_available || known == all.end() || message.signature() != known->in)
        return;
    const QList<QVariant> v = message.arguments();
    if (name == "DragStarted"_L1 || name == "PointerMoved"_L1) {
        const bool started = name == "DragStarted"_L1;
        if (!started && !m_pushed)
            return; // of a drag whose start this program did not hear
        m_pushed = pointerFrom(v);
        if (started)
            countDrag(m_pushed);
        else
            Q_EMIT pointerMoved();
    } else if (name == "DragEnded"_L1) {
        m_dragActive = false;
        m_pushed.reset();
    } else if (name == "AcceleratorActivated"_L1 && v[0].toUInt() != 0) {
        Q_EMIT acceleratorActivated(v[0].toUInt());
    } else if (name == "X11DisplayChanged"_L1) {
        Q_EMIT x11DisplayChanged(v[0].toBool());
    } else if (name == "WindowMoved"_L1) {
        Q_EMIT windowMoved(v[0].toUInt(), QPoint(v[1].toInt(), v[2].toInt()));
    } else if (name == "WorkAreasChanged"_L1) {
        readWorkAreas(v[0].value<QDBusArgument>());
    }
}
