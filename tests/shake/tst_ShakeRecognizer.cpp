#include "shake/ShakeGesture.h"

#include <QTest>

namespace {

// Feeds x/t pairs and returns the index of every sample that reported a shake.
std::vector<int> feedAll(ShakeCore& core, const std::vector<std::pair<double, double>>& samples)
{
    std::vector<int> hits;
    for (int i = 0; i < static_cast<int>(samples.size()); ++i) {
        if (core.feed(samples[i].first, samples[i].second))
            hits.push_back(i);
    }
    return hits;
}

const std::vector<std::pair<double, double>> zigZag{
    {0, 0.0}, {10, 0.1}, {0, 0.2}, {10, 0.3}, {0, 0.4}, {10, 0.5}};

} // namespace

class ShakeRecognizerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fourReversalsCompleteOnTheSixthSampleAndClearTheState()
    {
        ShakeCore core;
        QCOMPARE(feedAll(core, zigZag), std::vector<int>{5});
        QVERIFY(!core.lastX.has_value());
        QCOMPARE(core.lastDirection, 0);
        QVERIFY(core.reversals.empty());
    }

    void threeReversalsCompleteOnTheFifthSample()
    {
        ShakeCore core;
        core.minReversals = 3;
        QCOMPARE(feedAll(core, zigZag), std::vector<int>{4});
    }

    void movementThresholdIsFivePointsInclusive()
    {
        ShakeCore core;
        core.feed(100, 0.0);
        QVERIFY(!core.feed(104.9, 0.1));
        QCOMPARE(*core.lastX, 100.0); // a rejected sample does not move the reference
        QCOMPARE(core.lastDirection, 0);
        core.feed(109.8, 0.2); // 9.8 from the reference: accepted
        QCOMPARE(*core.lastX, 109.8);
        QCOMPARE(core.lastDirection, 1);
        core.feed(104.8, 0.3); // exactly 5.0 back: accepted, a reversal
        QCOMPARE(*core.lastX, 104.8);
        QCOMPARE(core.lastDirection, -1);
        QCOMPARE(core.reversals, std::vector<double>{0.3});
    }

    void firstAcceptedMovementOnlySetsADirection()
    {
        ShakeCore core;
        core.feed(0, 0.0);
        core.feed(-10, 0.1);
        QCOMPARE(core.lastDirection, -1);
        QVERIFY(core.reversals.empty());
    }

    void windowBoundaryKeepsAReversalExactlyWindowOld()
    {
        ShakeCore core;
        core.window = 0.5; // exactly representable, so the boundary is exact
        core.feed(0, 0.0);
        core.feed(10, 0.25);
        core.feed(0, 0.5); // reversal at 0.5
        core.feed(-10, 1.0); // same direction, 0.5 later: kept
        QCOMPARE(core.reversals, std::vector<double>{0.5});
        core.feed(-20, 1.0000001); // same direction, a hair older: pruned
        QVERIFY(core.reversals.empty());
    }

    void defaultWindowPrunesOldReversalsOnAcceptedSamplesOnly()
    {
        ShakeCore core;
        core.feed(0, 0.0);
        core.feed(10, 0.1);
        core.feed(0, 0.2); // reversal 0.2
        QVERIFY(!core.feed(2, 5.0)); // rejected sample: no pruning
        QCOMPARE(core.reversals.size(), std::size_t(1));
        core.feed(-10, 5.0); // accepted, same direction: prunes
        QVERIFY(core.reversals.empty());
    }

    void slowShakeOutsideTheWindowNeverCompletes()
    {
        ShakeCore core;
        std::vector<std::pair<double, double>> slow;
        for (int i = 0; i < 20; ++i)
            slow.push_back({i % 2 ? 10.0 : 0.0, i * 0.3});
        QVERIFY(feedAll(core, slow).empty());
    }

    void loweringTheSensitivityBetweenSamplesCountsHeldReversals()
    {
        ShakeCore core;
        for (int i = 0; i < 4; ++i) // three reversals so far would not do for 4
            QVERIFY(!core.feed(zigZag[i].first, zigZag[i].second));
        QCOMPARE(core.reversals.size(), std::size_t(2));
        core.minReversals = 2;
        QVERIFY(!core.feed(10, 0.35)); // rejected sample: nothing counted
        QVERIFY(core.feed(0, 0.4));    // third reversal, threshold now 2
    }

    void gestureReportsOncePerPressDuringADrag()
    {
        ShakeGesture gesture;
        gesture.reset(7);
        int reported = 0;
        for (int round = 0; round < 3; ++round) {
            for (const auto& [x, t] : zigZag)
                reported += gesture.update(x, t + round, 8, true);
        }
        QCOMPARE(reported, 1);
        QVERIFY(gesture.fired);
        QVERIFY(!gesture.core.lastX.has_value()); // not fed after firing
        gesture.reset(8);
        QVERIFY(!gesture.fired);
        reported = 0;
        for (const auto& [x, t] : zigZag)
            reported += gesture.update(x, t, 9, true);
        QCOMPARE(reported, 1);
    }

    void gestureWithoutADragSpendsTheShake_data()
    {
        QTest::addColumn<long>("changeCount");
        QTest::addColumn<bool>("hasItems");
        QTest::newRow("pasteboard unchanged") << 3L << true;
        QTest::newRow("pasteboard empty") << 4L << false;
    }

    void gestureWithoutADragSpendsTheShake()
    {
        QFETCH(long, changeCount);
        QFETCH(bool, hasItems);
        ShakeGesture gesture;
        gesture.reset(3);
        for (const auto& [x, t] : zigZag)
            QVERIFY(!gesture.update(x, t, changeCount, hasItems));
        QVERIFY(!gesture.fired);
        QVERIFY(gesture.core.reversals.empty());
        // The next shake starts from nothing: one more leg does not complete it.
        QVERIFY(!gesture.update(0, 0.6, 4, true));
        std::vector<std::pair<double, double>> again{{10, 0.7}, {0, 0.8}, {10, 0.9}, {0, 1.0}, {10, 1.1}};
        int reported = 0;
        for (const auto& [x, t] : again)
            reported += gesture.update(x, t, 4, true);
        QCOMPARE(reported, 1);
    }

    void resetClearsMovingStateButKeepsSettings()
    {
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
        QCOMPARE(gesture.core.lastDirection, 0);
        QVERIFY(gesture.core.reversals.empty());
        QCOMPARE(gesture.core.minReversals, 7L);
        QCOMPARE(gesture.core.minDelta, 5.0);
        QCOMPARE(gesture.core.window, 0.8);
    }
};

QTEST_GUILESS_MAIN(ShakeRecognizerTest)
#include "tst_ShakeRecognizer.moc"
