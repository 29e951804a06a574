#include "platform/common/TerminationSignals.h"

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> handledSignals{SIGTERM, SIGINT, SIGHUP};

std::atomic<int> writeFd{-1};
std::array<struct sigaction, handledSignals.size()> previousActions{};

// Only async-signal-safe calls here: one write of one byte.
extern "C" void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const char byte = static_cast<char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent) {
    if (writeFd.load() >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0) {
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    writeFd.store(m_fds[1]);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < handledSignals.size(); ++i)
        ::sigaction(handledSignals[i], &action, &previousActions[i]);
    m_restored = false;
    m_notifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::readSignals);
}

TerminationSignals::~TerminationSignals() {
    restoreHandlers();
    m_notifier.reset();
    if (m_fds[1] >= 0) {
        writeFd.store(-1);
        ::close(m_fds[1]);
        ::close(m_fds[0]);
    }
}

void TerminationSignals::restoreHandlers() {
    if (m_restored)
        return;
    m_restored = true;
    for (std::size_t i = 0; i < handledSignals.size(); ++i)
        ::sigaction(handledSignals[i], &previousActions[i], nullptr);
}

void TerminationSignals::readSignals() {
    char buffer[64];
    bool any = false;
    while (::read(m_fds[0], buffer, sizeof buffer) > 0)
        any = true;
    if (!any || m_delivered)
        return;
    m_delivered = true;
    // The clean exit is under way; a further signal gets its default effect.
    restoreHandlers();
    if (onTerminate)
        onTerminate();
}
