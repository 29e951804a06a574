#include "shake/ShakeGesture.h"

#include <QTest>

namespace {

const std::vector<std::pair<double, double>> zigZag{{0, 0.0},  {10, 0.1}, {0, 0.2},
                                                    {10, 0.3}, {0, 0.4},  {10, 0.5}};

} // namespace

class ShakeRecognizerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void enoughReversalsCompleteAShakeAndClearTheState_data() {
        QTest::addColumn<long>("minReversals");
        QTest::addColumn<int>("completingSample");
        QTest::newRow("four, the default") << 0L << 5;
        QTest::newRow("three") << 3L << 4;
    }

    void enoughReversalsCompleteAShakeAndClearTheState() {
        QFETCH(long, minReversals);
        QFETCH(int, completingSample);
        ShakeCore core;
        if (minReversals)
            core.minReversals = minReversals;
        for (int i = 0; i < completingSample; ++i)
            QVERIFY(!core.feed(zigZag[i].first, zigZag[i].second));
        QVERIFY(core.feed(zigZag[completingSample].first, zigZag[completingSample].second));
        QVERIFY(!core.lastX.has_value());
        QCOMPARE(core.lastDirection, 0);
        QVERIFY(core.reversals.empty());
    }

    void movementThresholdIsFivePointsInclusive() {
        ShakeCore core;
        core.feed(100, 0.0);
        QVERIFY(!core.feed(104.9, 0.1));
        QCOMPARE(*core.lastX, 100.0); // a rejected sample does not move the reference
        QCOMPARE(core.lastDirection, 0);
        core.feed(109.8, 0.2); // 9.8 from the reference: accepted, only a direction
        QCOMPARE(core.lastDirection, 1);
        QVERIFY(core.reversals.empty());
        core.feed(104.8, 0.3); // exactly 5.0 back: accepted, a reversal
        QCOMPARE(*core.lastX, 104.8);
        QCOMPARE(core.reversals, std::vector<double>{0.3});
    }

    void windowBoundaryKeepsAReversalExactlyWindowOld() {
        ShakeCore core;
        core.window = 0.5; // exactly representable, so the boundary is exact
        core.feed(0, 0.0);
        core.feed(10, 0.25);
        core.feed(0, 0.5);   // reversal at 0.5
        core.feed(-10, 1.0); // same direction, 0.5 later: kept
        QCOMPARE(core.reversals, std::vector<double>{0.5});
        core.feed(-20, 1.0000001); // same direction, a hair older: pruned
        QVERIFY(core.reversals.empty());
    }

    void defaultWindowPrunesOldReversalsOnAcceptedSamplesOnly() {
        ShakeCore core;
        core.feed(0, 0.0);
        core.feed(10, 0.1);
        core.feed(0, 0.2);           // reversal 0.2
        QVERIFY(!core.feed(2, 5.0)); // rejected sample: no pruning
        QCOMPARE(core.reversals.size(), std::size_t(1));
        core.feed(-10, 5.0); // accepted, same direction: prunes
        QVERIFY(core.reversals.empty());
    }

    void aShakeWithoutADragIsSpent_data() {
        QTest::addColumn<long>("changeCount");
        QTest::addColumn<bool>("hasItems");
        QTest::newRow("pasteboard unchanged") << 3L << true;
        QTest::newRow("pasteboard empty") << 4L << false;
    }

    void aShakeWithoutADragIsSpent() {
        QFETCH(long, changeCount);
        QFETCH(bool, hasItems);
        ShakeGesture gesture;
        gesture.reset(3);
        for (const auto& [x, t] : zigZag)
            QVERIFY(!gesture.update(x, t, changeCount, hasItems));
        QVERIFY(!gesture.fired);
        // The next shake starts from nothing: one more leg does not complete it.
        QVERIFY(!gesture.update(0, 0.6, 4, true));
        int reported = 0;
        for (const auto& [x, t] : zigZag)
            reported += gesture.update(x, t + 0.7, 4, true);
        QCOMPARE(reported, 1);
    }

    void resetClearsMovingStateButKeepsSettings() {
        ShakeGesture gesture;
        gesture.core.minReversals = 7;
        gesture.core.feed(0, 0);
        gesture.core.feed(10, 0.1);
        gesture.core.feed(0, 0.2);
        gesture.fired = true;
        gesture.reset(42);
        QCOMPARE(gesture.baseline, 42L);
        QVERIFY(!gesture.fired);
        QVERIFY(!gesture.core.lastX);
        QVERIFY(gesture.core.reversals.empty());
        QCOMPARE(gesture.core.minReversals, 7L);
        QCOMPARE(gesture.core.window, 0.8);
    }
};

QTEST_GUILESS_MAIN(ShakeRecognizerTest)
#include "tst_ShakeRecognizer.moc"
