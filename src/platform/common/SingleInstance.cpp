#include "platform/common/SingleInstance.h"

#include "platform/files/PrivateTempDir.h"

#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

// The socket's address, when its path fits one.
std::optional<sockaddr_un> addressOf(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty() || std::size_t(name.size()) >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    return address;
}

// One caller's connection: its requests, a line each, read as they come.
// (Plain sockets, not Qt's network module: loading that and the libraries it
// needs cost the start of every run more than all of this.)
class Caller final : public QObject {
public:
    Caller(int fd, QObject* parent, std::function<void(const QByteArray&)> onLine)
        : QObject(parent)
        , m_fd(fd)
        , m_notifier(fd, QSocketNotifier::Read)
        , m_onLine(std::move(onLine)) {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { read(); });
    }
    ~Caller() override { ::close(m_fd); }

    void read() {
        char chunk[256];
        ssize_t got;
        while ((got = ::recv(m_fd, chunk, sizeof chunk, 0)) > 0)
            m_pending.append(chunk, got);
        const bool ended = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
        const QPointer<Caller> self(this);
        // Any number of requests may come; each full line is one. A longer
        // line is not one of ours, and its tail must not pass for a request
        // of its own.
        for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
            if (end + 1 > maxRequestBytes)
                return finish();
            const QByteArray line = m_pending.left(end + 1);
            m_pending.remove(0, end + 1);
            m_onLine(line);
            if (!self)
                return;
        }
        if (ended || m_pending.size() > maxRequestBytes)
            finish();
    }

private:
    void finish() {
        m_notifier.setEnabled(false);
        deleteLater();
    }

    int m_fd;
    QSocketNotifier m_notifier;
    std::function<void(const QByteArray&)> m_onLine;
    QByteArray m_pending;
};

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
    if (m_listenFd >= 0) {
        m_listening.reset();
        ::close(m_listenFd);
        ::unlink(QFile::encodeName(socketPath()).constData());
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd); // also releases the lock
}

QString SingleInstance::nameFor(unsigned uid, const QString& display) {
    // ":0" and ":0.0" are the same display as far as key grabs are concerned.
    // (Plain string work: compiling a pattern cost more than the rest of the
    // check on every start.)
    QString shown = display;
    const auto digits = [](QStringView text) {
        return !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                              [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    const qsizetype colon = shown.lastIndexOf(u':');
    const qsizetype dot = shown.lastIndexOf(u'.');
    if (colon >= 0 && dot > colon &&
        digits(QStringView(shown).sliced(colon + 1, dot - colon - 1)) &&
        digits(QStringView(shown).sliced(dot + 1)))
        shown.truncate(dot);
    if (shown.isEmpty())
        shown = QStringLiteral("none");
    for (QChar& c : shown) {
        const char16_t u = c.unicode();
        const bool safe = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
                          (u >= u'0' && u <= u'9') || u == u'.' || u == u'_' || u == u'-';
        if (!safe)
            c = u'_';
    }
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
    listen();
    return true;
}

bool SingleInstance::listen() {
    const std::optional<sockaddr_un> address = addressOf(socketPath());
    if (!address)
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Whatever socket is there was left by an instance that no longer holds the lock.
    ::unlink(address->sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::chmod(address->sun_path, 0600) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_listening = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_listening.get(), &QSocketNotifier::activated, this,
            &SingleInstance::acceptConnections);
    return true;
}

bool SingleInstance::sendRequest(const QByteArray& request, int attempts) {
    const std::optional<sockaddr_un> address = addressOf(socketPath());
    if (!address)
        return false;
    // The primary may hold the lock but not listen yet: try for a short while.
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 &&
            ::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0) {
            // A request is a few bytes: the socket's buffer takes it at once.
            const timeval limit{0, 500 * 1000};
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
            const bool sent = ::send(fd, request.constData(), std::size_t(request.size()),
                                     MSG_NOSIGNAL) == request.size();
            ::close(fd);
            return sent;
        }
        if (fd >= 0)
            ::close(fd);
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::acceptConnections() {
    int fd;
    while ((fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
        if (!mayAsk(peerUserOf ? peerUserOf(fd) : std::nullopt)) {
            ::close(fd);
            continue;
        }
        QPointer<SingleInstance> self(this);
        auto* caller = new Caller(fd, this, [self](const QByteArray& line) {
            static const QRegularExpression word(QStringLiteral("^[a-z][a-z-]{0,39}\n$"));
            if (!self)
                return;
            if (line == showMessage) {
                if (self->onShowRequested)
                    self->onShowRequested();
            } else if (self->onCommand && word.match(QString::fromLatin1(line)).hasMatch()) {
                self->onCommand(QString::fromLatin1(line.chopped(1)));
            }
        });
        caller->read();
    }
}
