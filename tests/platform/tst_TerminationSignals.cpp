#include "platform/TerminationSignals.h"

#include <QTest>
#include <csignal>

namespace {

volatile std::sig_atomic_t ownHandlerCalls = 0;
extern "C" void ownHandler(int) {
    ownHandlerCalls = ownHandlerCalls + 1;
}

// A harmless handler of the test's own for the three signals, so that a
// signal that gets past the object under test cannot end the test run.
struct OwnHandlers {
    OwnHandlers() {
        struct sigaction action {};
        action.sa_handler = ownHandler;
        for (int s : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(s, &action, nullptr);
    }
    ~OwnHandlers() {
        for (int s : {SIGTERM, SIGINT, SIGHUP})
            ::signal(s, SIG_DFL);
    }
};

} // namespace

class TerminationSignalsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void signalsGiveOneCallOnTheEventLoopThenThePreviousHandlingIsBack() {
        OwnHandlers own;
        TerminationSignals watcher;
        int calls = 0;
        watcher.onTerminate = [&] { ++calls; };
        for (int s : {SIGINT, SIGHUP, SIGTERM})
            std::raise(s);
        QCOMPARE(calls, 0); // not from inside the signal handler
        QTRY_COMPARE(calls, 1);
        QCOMPARE(int(ownHandlerCalls), 0);

        std::raise(SIGINT);
        QCOMPARE(int(ownHandlerCalls), 1);
        QTest::qWait(20);
        QCOMPARE(calls, 1);
    }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "tst_TerminationSignals.moc"
