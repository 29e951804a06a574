#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into one call of onTerminate on the GUI
// thread, so that a logout or a Ctrl+C ends the program the same clean way as
// its Quit command. After the first, the signals get back the handling they
// had before (normally their default action): a second Ctrl+C ends a program
// whose clean exit is stuck.
// Signal handlers belong to the process: only one object is active at a time.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts back the handlers that were there before.
    ~TerminationSignals() override;

    std::function<void()> onTerminate;

private:
    void readSignals();
    void restoreHandlers();

    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_delivered = false;
    bool m_restored = true;
};
