#include "platform/TerminationSignals.h"

#include <QTest>
#include <csignal>

namespace {

volatile std::sig_atomic_t ownHandlerCalls = 0;
extern "C" void ownHandler(int) {
    ownHandlerCalls = ownHandlerCalls + 1;
}

void (*currentHandler(int signalNumber))(int) {
    struct sigaction action {};
    ::sigaction(signalNumber, nullptr, &action);
    return action.sa_handler;
}

const int handled[3] = {SIGTERM, SIGINT, SIGHUP};

// Installs a harmless handler of the test's own for the three signals, so that
// a signal that gets past the object under test cannot end the test run.
struct OwnHandlers {
    OwnHandlers() {
        ownHandlerCalls = 0;
        struct sigaction action {};
        action.sa_handler = ownHandler;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < 3; ++i)
            ::sigaction(handled[i], &action, &previous[i]);
    }
    ~OwnHandlers() {
        for (int i = 0; i < 3; ++i)
            ::sigaction(handled[i], &previous[i], nullptr);
    }
    struct sigaction previous[3]{};
};

} // namespace

class TerminationSignalsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void signalsBeforeTheLoopRunsGiveOneCallOnTheEventLoop_data() {
        QTest::addColumn<QList<int>>("raised");
        QTest::newRow("one TERM") << QList<int>{SIGTERM};
        QTest::newRow("INT, HUP and TERM") << QList<int>{SIGINT, SIGHUP, SIGTERM};
    }

    void signalsBeforeTheLoopRunsGiveOneCallOnTheEventLoop() {
        QFETCH(QList<int>, raised);
        OwnHandlers own;
        TerminationSignals watcher;
        int calls = 0;
        watcher.onTerminate = [&] { ++calls; };
        for (int s : raised)
            std::raise(s);
        QCOMPARE(calls, 0); // not from inside the signal handler
        QTRY_COMPARE(calls, 1);
        QTest::qWait(20);
        QCOMPARE(calls, 1);
        QCOMPARE(int(ownHandlerCalls), 0);
    }

    void afterTheFirstCallASignalGetsItsPreviousHandlingBack() {
        OwnHandlers own;
        TerminationSignals watcher;
        int calls = 0;
        watcher.onTerminate = [&] { ++calls; };
        std::raise(SIGINT);
        QTRY_COMPARE(calls, 1);
        QVERIFY(currentHandler(SIGINT) == &ownHandler);
        std::raise(SIGINT);
        QCOMPARE(int(ownHandlerCalls), 1);
        QTest::qWait(20);
        QCOMPARE(calls, 1);
    }

    void destroyingPutsBackThePreviousHandlers() {
        OwnHandlers own;
        {
            TerminationSignals watcher;
            for (int s : handled)
                QVERIFY(currentHandler(s) != &ownHandler);
        }
        for (int s : handled)
            QVERIFY(currentHandler(s) == &ownHandler);
    }

    void onlyOneObjectHandlesTheSignalsAtATimeAndWithoutACallbackStillAbsorbsThem() {
        OwnHandlers own;
        TerminationSignals first;
        TerminationSignals second;
        QVERIFY(first.isActive());
        QVERIFY(!second.isActive());
        int secondCalls = 0;
        second.onTerminate = [&] { ++secondCalls; };
        std::raise(SIGTERM);
        QTest::qWait(20);
        QCOMPARE(secondCalls, 0);
        QCOMPARE(int(ownHandlerCalls), 0);
    }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "tst_TerminationSignals.moc"
