#include "platform/common/SingleInstance.h"

#include "platform/files/PrivateTempDir.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray showMessage = QByteArrayLiteral("show\n");

// Longer than any request of ours, newline included.
constexpr qint64 maxRequestBytes = 64;

// The folder of the lock and the socket, or empty when there is none we may
// trust. A folder someone else owns or can write into would let them plant the
// name first (and keep the program from starting) or listen in our place.
QString baseDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info;
    if (QDir::isAbsolutePath(runtime) &&
        ::lstat(QFile::encodeName(runtime).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::getuid() && (info.st_mode & 022) == 0)
        return runtime;
    // Our own folder in the shared temporary directory, refused when another
    // user planted it.
    return PrivateTempDir::path().value_or(QString());
}

// Only this user's own programs may make it show itself or run a command.
bool mayAsk(std::optional<uid_t> peer) {
    return peer && *peer == ::getuid();
}

} // namespace

std::optional<uid_t> SingleInstance::peerUser(qintptr socketDescriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) !=
            0 ||
        size != sizeof peer)
        return std::nullopt;
    return peer.uid;
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent)
    , m_name(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (m_server) {
        m_server->close();
        m_server.reset();
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd); // also releases the lock
}

QString SingleInstance::nameFor(unsigned uid, const QString& display) {
    // ":0" and ":0.0" are the same display as far as key grabs are concerned.
    QString shown = display;
    static const QRegularExpression screenSuffix(QStringLiteral("(:\\d+)\\.\\d+$"));
    shown.replace(screenSuffix, QStringLiteral("\\1"));
    if (shown.isEmpty())
        shown = QStringLiteral("none");
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    shown.replace(unsafe, QStringLiteral("_"));
    return QStringLiteral("quoblin-%1-%2").arg(uid).arg(shown);
}

QString SingleInstance::defaultName() {
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    return nameFor(::getuid(), display);
}

QString SingleInstance::socketPath() const {
    if (m_name.contains(u'/'))
        return m_name;
    const QString base = baseDirectory();
    return base.isEmpty() ? QString() : base + u'/' + m_name;
}

QString SingleInstance::lockPath() const {
    const QString socket = socketPath();
    return socket.isEmpty() ? QString() : socket + QStringLiteral(".lock");
}

bool SingleInstance::tryBecomePrimary(const QString& command) {
    if (m_primary)
        return true;
    if (socketPath().isEmpty()) {
        std::fprintf(stderr,
                     "quoblin: no private folder for the single-instance lock (%s/quoblin-%u "
                     "belongs to someone else or is not a folder); this copy runs unguarded.\n",
                     qPrintable(QDir::tempPath()), static_cast<unsigned>(::getuid()));
        m_primary = true;
        return true;
    }
    // The lock decides who is primary. The kernel drops it when its holder
    // dies, so a crashed instance never blocks the next start, and two
    // simultaneous starts cannot both win (which a bare socket check allows).
    const QByteArray lock = QFile::encodeName(lockPath());
    m_lockFd = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    const QByteArray request = command.isEmpty() ? showMessage : command.toUtf8() + '\n';
    if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
        sendRequest(request);
        return false;
    }
    if (m_lockFd < 0 && sendRequest(request, 1))
        return false;
    // Without a lock file the program still runs, only unguarded; a program
    // that will not start is worse than a second one.
    m_primary = true;
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Whatever socket is there was left by an instance that no longer holds the lock.
    QLocalServer::removeServer(socketPath());
    if (server->listen(socketPath())) {
        m_server = std::move(server);
        connect(m_server.get(), &QLocalServer::newConnection, this,
                &SingleInstance::acceptConnections);
    }
    return true;
}

bool SingleInstance::sendRequest(const QByteArray& request, int attempts) {
    // The primary may hold the lock but not listen yet: try for a short while.
    for (int attempt = 0; attempt < attempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(200)) {
            socket.write(request);
            const bool sent = socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return sent;
        }
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!mayAsk(peerUserOf ? peerUserOf(socket->socketDescriptor()) : std::nullopt)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QPointer<SingleInstance> self(this);
        auto readRequest = [self, socket] {
            // Any number of requests may come; each full line is one.
            static const QRegularExpression word(QStringLiteral("^[a-z][a-z-]{0,39}\n$"));
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine(maxRequestBytes + 1);
                if (!self)
                    return;
                // A longer line is not one of ours, and its tail must not pass
                // for a request of its own.
                if (!line.endsWith('\n')) {
                    socket->abort();
                    return;
                }
                if (line == showMessage) {
                    if (self->onShowRequested)
                        self->onShowRequested();
                } else if (self->onCommand && word.match(QString::fromLatin1(line)).hasMatch()) {
                    self->onCommand(QString::fromLatin1(line.chopped(1)));
                }
            }
            if (socket->bytesAvailable() > maxRequestBytes)
                socket->abort();
        };
        connect(socket, &QLocalSocket::readyRead, socket, readRequest);
        readRequest();
    }
}
