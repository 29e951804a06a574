#include "platform/kde/KWinCompanion.h"

#include "platform/common/ScreenPoints.h"
#include "platform/kde/KWinRules.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QString service = QStringLiteral("io.github.quoblin.Program");
const QString path = QStringLiteral("/io/github/quoblin/KWin");

// A call to one of KWin's objects, "Scripting" or "Effects".
QDBusMessage kwin(const QString& object, const QString& method, const QVariantList& arguments) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), u'/' + object,
                                       QStringLiteral("org.kde.kwin.") + object, method);
    call.setArguments(arguments);
    return call;
}

QDBusMessage scripting(const QString& method, const QVariantList& arguments = {}) {
    return kwin(QStringLiteral("Scripting"), method, arguments);
}

// KWin reads the script from a file; the program's own copy is the one it
// was built with, so the two always speak the same interface.
QString scriptFile() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return (folder.isEmpty() ? QDir::tempPath() : folder) + QStringLiteral("/quoblin-kwin.js");
}

// KWin reads the effects there are when it starts, and runs ours by default,
// so a copy in the user's data folder counts from KWin's next start on. A
// copy installed with the program serves the same, and is left alone.
void installEffect() {
    const QString folder =
        QStringLiteral("kwin/effects/%1/").arg(QLatin1StringView(KWinCompanion::effectName));
    const QString own =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + folder;
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                 folder + QStringLiteral("metadata.json"));
    if (!found.isEmpty() && !found.startsWith(own))
        return;
    for (const char* file : {"metadata.json", "contents/code/main.js"}) {
        QFile source(QStringLiteral(":/kwin/effect/") + QLatin1StringView(file));
        QFile present(own + QLatin1StringView(file));
        if (!source.open(QIODevice::ReadOnly))
            return;
        const QByteArray text = source.readAll();
        if (present.open(QIODevice::ReadOnly) && present.readAll() == text)
            continue;
        QSaveFile copy(present.fileName());
        if (!QDir().mkpath(QFileInfo(copy.fileName()).path()) || !copy.open(QIODevice::WriteOnly) ||
            copy.write(text) < 0 || !copy.commit())
            return;
    }
}

} // namespace

DragCheck::DragCheck() {
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
             Qt::WindowDoesNotAcceptFocus);
    setTitle(title());
    QSurfaceFormat format = requestedFormat();
    format.setAlphaBufferSize(8);
    setFormat(format);
    resize(side, side);
    m_deadline.setSingleShot(true);
    QObject::connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_state == State::waiting)
            finish();
    });
}

bool DragCheck::check(QPoint qtGlobal) {
    if (m_state != State::idle)
        return false;
    m_state = State::waiting;
    m_point = qtGlobal;
    setTitle(title());
    m_topLeft = qtGlobal - QPoint(side / 2, side / 2);
    setPosition(m_topLeft);
    show();
    // Placed by the script within moments, or never when it is away.
    m_deadline.start(5 * deadlineMs);
    return true;
}

void DragCheck::placed() {
    if (m_state == State::waiting)
        m_deadline.start(deadlineMs);
}

QByteArray DragCheck::fingerprint(const QMimeData* data) {
    if (!data)
        return "?";
    QByteArray text = data->formats().join(u' ').toUtf8();
    for (const QUrl& url : data->urls())
        text += ' ' + url.toEncoded();
    return text;
}

void DragCheck::finish() {
    // Seen without a drag: the next drag-enter is a new drag, whatever it holds.
    if (m_state == State::waiting)
        m_lastDrag.clear();
    m_state = State::idle;
    m_deadline.stop();
    // Not from inside the event that ends it: Qt is still delivering that.
    QTimer::singleShot(0, this, [this] {
        if (m_state == State::idle)
            hide();
    });
}

bool DragCheck::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
        // It stays shown until the drag has left it or ended: KWin 5.27 was
        // seen to crash when a window under a drag went away.
        if (m_state == State::waiting) {
            m_state = State::confirmed;
            m_deadline.stop();
            setTitle(confirmedTitle());
            // The script tells of every shake, and one drag opens one shelf:
            // without the effect, a drag is known by what it carries.
            const QByteArray drag = fingerprint(static_cast<QDragEnterEvent*>(event)->mimeData());
            if ((std::exchange(m_lastDrag, drag) != drag || m_pressesWatched) && onConfirmed)
                onConfirmed(m_point);
        }
        event->ignore(); // nothing is dropped here
        return true;
    case QEvent::DragMove:
        event->ignore();
        return true;
    case QEvent::DragLeave:
    case QEvent::Drop:
        if (m_state == State::confirmed)
            finish();
        event->ignore();
        return true;
    case QEvent::Close:
        // Closed by the program's KWin effect as it appeared: no new drag.
        if (m_state == State::waiting)
            finish();
        event->ignore();
        return true;
    case QEvent::Enter:
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
        // The pointer itself, not a drag: no drag now, or no longer.
        if (m_state != State::idle)
            finish();
        break;
    default:
        break;
    }
    return QRasterWindow::event(event);
}

void DragCheck::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(QPoint(), size()), Qt::transparent);
}

KWinCompanion::KWinCompanion() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots);
    bus.registerService(service);
    m_check.onConfirmed = [this](QPoint point) {
        if (onShake)
            onShake(ScreenPoints::fromQtGlobal(QPointF(point)));
    };
    // KWin restarted: its scripts and rules are read anew, without ours.
    m_kwin.setConnection(bus);
    m_kwin.addWatchedService(QStringLiteral("org.kde.KWin"));
    m_kwin.setWatchMode(QDBusServiceWatcher::WatchForRegistration);
    connect(&m_kwin, &QDBusServiceWatcher::serviceRegistered, this, [this] { load(); });
    m_unasked.setSingleShot(true);
    m_unasked.setInterval(3000);
    connect(&m_unasked, &QTimer::timeout, this, [this] { load(); });
    installEffect();
    load();
}

KWinCompanion::~KWinCompanion() {
    QDBusConnection::sessionBus().call(
        scripting(QStringLiteral("unloadScript"), {QString::fromLatin1(scriptName)}), QDBus::Block,
        1000);
    KWinRules::uninstall();
    QFile::remove(scriptFile());
}

void KWinCompanion::load() {
    KWinRules::install();
    QFile source(QStringLiteral(":/kwin/main.js"));
    QSaveFile copy(scriptFile());
    if (!source.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly))
        return;
    // The program's own setting, unless the user gave the script one in kwinrc.
    copy.write("var QUOBLIN_MIN_REVERSALS = " + QByteArray::number(m_reversals) + ";\n");
    copy.write(source.readAll());
    if (!copy.commit())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = QString::fromLatin1(scriptName);
    bus.call(scripting(QStringLiteral("unloadScript"), {name}), QDBus::Block, 1000);
    const QDBusReply<int> id =
        bus.call(scripting(QStringLiteral("loadScript"), {scriptFile(), name}), QDBus::Block, 2000);
    m_loaded = id.isValid() && id.value() >= 0 &&
               bus.call(scripting(QStringLiteral("start")), QDBus::Block, 2000).type() !=
                   QDBusMessage::ErrorMessage;
}

void KWinCompanion::setMinReversals(int reversals) {
    if (reversals == m_reversals)
        return;
    m_reversals = reversals;
    load();
}

void KWinCompanion::placeWindow(const QString& title, QPoint qtGlobalTopLeft) {
    if (!m_places.contains(title))
        m_unasked.start();
    m_places.insert(title, qtGlobalTopLeft);
}

void KWinCompanion::Shake(int x, int y) {
    // Anyone on the bus may call this; only a drag-enter opens a shelf.
    if (!m_check.check(QPoint(x, y)))
        return;
    // Whether the effect watches presses, asked without waiting for KWin: the
    // answer comes long before a drag can enter the check, and until it comes
    // the one before holds.
    const QDBusMessage question = kwin(QStringLiteral("Effects"), QStringLiteral("isEffectLoaded"),
                                       {QString::fromLatin1(effectName)});
    auto* asked =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(question), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<bool> loaded = *call;
        m_check.setPressesWatched(!loaded.isError() && loaded.value());
        call->deleteLater();
    });
}

bool KWinCompanion::Placement(int pid, const QString& caption, int& x, int& y) {
    if (pid != QCoreApplication::applicationPid())
        return false;
    m_unasked.stop();
    QPoint topLeft;
    if (caption == DragCheck::title()) {
        topLeft = m_check.topLeft();
        m_check.placed();
    } else if (m_places.contains(caption)) {
        topLeft = m_places.value(caption);
    } else {
        return false;
    }
    x = topLeft.x();
    y = topLeft.y();
    return true;
}

void KWinCompanion::Moved(const QString& caption, int x, int y) {
    // Only windows it placed; shown again, a window goes where the user left it.
    if (!m_places.contains(caption))
        return;
    m_places.insert(caption, QPoint(x, y));
    if (onMoved)
        onMoved(caption, QPoint(x, y));
}

Pointer::Reading KdePointer::read() const {
    // Wayland tells a client where the pointer is only over its own windows.
    return {false, ScreenPoints::fromQtGlobal(QPointF(QCursor::pos()))};
}
