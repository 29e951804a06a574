#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArray showMessage = QByteArrayLiteral("show\n");

QString baseDirectory() {
    // The runtime directory is private to the user; a shared temporary
    // directory would let someone else squat the name first.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime;
    return QDir::tempPath();
}

} // namespace

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
    return m_name.contains(u'/') ? m_name : baseDirectory() + u'/' + m_name;
}

QString SingleInstance::lockPath() const {
    return socketPath() + QStringLiteral(".lock");
}

bool SingleInstance::tryBecomePrimary(const QString& command) {
    if (m_primary)
        return true;
    // The lock decides who is primary. The kernel drops it when its holder
    // dies, so a crashed instance never blocks the next start, and two
    // simultaneous starts cannot both win (which a bare socket check allows).
    const QByteArray lock = QFile::encodeName(lockPath());
    m_lockFd = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QPointer<SingleInstance> self(this);
        auto readRequest = [self, socket] {
            // Any number of requests may come; each full line is one.
            static const QRegularExpression word(QStringLiteral("^[a-z][a-z-]{0,39}\n$"));
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine(64);
                if (!self)
                    return;
                if (line == showMessage) {
                    if (self->onShowRequested)
                        self->onShowRequested();
                } else if (self->onCommand && word.match(QString::fromLatin1(line)).hasMatch()) {
                    self->onCommand(QString::fromLatin1(line.chopped(1)));
                }
            }
            if (socket->bytesAvailable() > 64)
                socket->abort(); // not one of ours
        };
        connect(socket, &QLocalSocket::readyRead, socket, readRequest);
        readRequest();
    }
}
