#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "shake/ShakeDetector.h"

#include <QTest>

namespace {

struct Rig {
    FakePressMonitor global;
    FakePressMonitor local;
    FakePointer pointer;
    FakeDragPasteboard drag;
    FakeTimers timers;

    ShakeServices services() { return {&global, &local, &pointer, &drag, &timers}; }

    void pressLeft() {
        pointer.buttonDown = true;
        global.press();
    }

    // Moves the pointer through the x positions, one per sampling tick.
    void moveThrough(std::initializer_list<double> xs, double y = 300) {
        for (double x : xs) {
            pointer.pos = QPointF(x, y);
            timers.advance(ShakeDetector::sampleInterval);
        }
    }
};

} // namespace

class ShakeDetectorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shakeDuringADragReportsOnceAtTheCompletingPosition() {
        ScopedPreferences prefs;
        Rig rig;
        ShakeDetector detector(rig.services());
        QList<QPointF> shakes;
        detector.onShake = [&](QPointF p) { shakes.append(p); };
        detector.start();

        rig.pressLeft();
        rig.drag.startDrag();
        rig.moveThrough({100, 120, 100, 120, 100});
        QVERIFY(shakes.isEmpty());
        rig.pointer.pos = QPointF(121, 333);
        rig.timers.advance(ShakeDetector::sampleInterval);
        QCOMPARE(shakes, QList<QPointF>{QPointF(121, 333)});

        // Shaking on in the same press reports nothing more.
        rig.moveThrough({100, 120, 100, 120, 100, 120, 100, 120});
        QCOMPARE(shakes.size(), 1);
    }

    void shakeWithoutADragReportsNothing() {
        ScopedPreferences prefs;
        Rig rig;
        ShakeDetector detector(rig.services());
        int shakes = 0;
        detector.onShake = [&](QPointF) { ++shakes; };
        detector.start();
        rig.pressLeft();
        rig.moveThrough({100, 120, 100, 120, 100, 120, 100, 120, 100, 120});
        QCOMPARE(shakes, 0);
        // A drag of an earlier press does not count: the baseline is taken at the press.
        rig.drag.startDrag();
        rig.pressLeft();
        rig.moveThrough({100, 120, 100, 120, 100, 120});
        QCOMPARE(shakes, 0);
    }

    void localPressesStartSamplingToo() {
        ScopedPreferences prefs;
        Rig rig;
        ShakeDetector detector(rig.services());
        detector.start();
        QCOMPARE(detector.monitorCount(), std::size_t(2));
        rig.pointer.buttonDown = true;
        rig.local.press();
        QVERIFY(detector.isSampling());
    }

    void disabledShakingStartsNoTimerUntilTheNextPress() {
        ScopedPreferences prefs;
        prefs.store().setValue(Preferences::shakeEnabledKey, false);
        Rig rig;
        ShakeDetector detector(rig.services());
        int shakes = 0;
        detector.onShake = [&](QPointF) { ++shakes; };
        detector.start();
        rig.pressLeft();
        QVERIFY(!detector.isSampling());
        QCOMPARE(rig.timers.createdCount(), 0);

        // Switching it on during the press changes nothing until the next one.
        prefs.store().setValue(Preferences::shakeEnabledKey, true);
        rig.drag.startDrag();
        rig.moveThrough({100, 120, 100, 120, 100, 120});
        QCOMPARE(shakes, 0);
        rig.pressLeft();
        rig.drag.startDrag();
        rig.moveThrough({100, 120, 100, 120, 100, 120});
        QCOMPARE(shakes, 1);
    }

    void timerStopsAtTheFirstTickAfterRelease() {
        ScopedPreferences prefs;
        Rig rig;
        ShakeDetector detector(rig.services());
        detector.start();
        rig.pressLeft();
        rig.moveThrough({100, 110});
        QVERIFY(detector.isSampling());
        rig.pointer.buttonDown = false;
        QVERIFY(detector.isSampling()); // noticed only at the next tick
        rig.timers.advance(ShakeDetector::sampleInterval);
        QVERIFY(!detector.isSampling());
        QCOMPARE(rig.timers.activeCount(), 0);
    }

    void newPressRestartsFromAClearedState() {
        ScopedPreferences prefs;
        Rig rig;
        ShakeDetector detector(rig.services());
        int shakes = 0;
        detector.onShake = [&](QPointF) { ++shakes; };
        detector.start();
        rig.pressLeft();
        rig.drag.startDrag();
        rig.moveThrough({100, 120, 100, 120, 100}); // three reversals held
        QCOMPARE(detector.gesture.core.reversals.size(), std::size_t(3));

        rig.pressLeft(); // a new press while the timer runs
        QVERIFY(detector.gesture.core.reversals.empty());
        QVERIFY(!detector.gesture.core.lastX);
        QCOMPARE(rig.timers.activeCount(), 1);
        rig.moveThrough({120}); // would have completed the old shake
        QCOMPARE(shakes, 0);
    }

    void sensitivityIsReadAtStartAndChangesApplyToTheNextSample() {
        ScopedPreferences prefs;
        prefs.store().setValue(Preferences::shakeReversalsKey, 3);
        Rig rig;
        ShakeDetector detector(rig.services());
        int shakes = 0;
        detector.onShake = [&](QPointF) { ++shakes; };
        detector.start();
        QCOMPARE(detector.gesture.core.minReversals, 3L);

        detector.gesture.core.minReversals = 8;
        rig.pressLeft();
        rig.drag.startDrag();
        rig.moveThrough({100, 120, 100, 120, 100});
        QCOMPARE(shakes, 0);
        detector.gesture.core.minReversals = 3;
        rig.moveThrough({120});
        QCOMPARE(shakes, 1);
    }

    void refusedMonitorsNeverReport() {
        ScopedPreferences prefs;
        Rig rig;
        rig.global.refuse = true;
        rig.local.refuse = true;
        ShakeDetector detector(rig.services());
        detector.start();
        QCOMPARE(detector.monitorCount(), std::size_t(0));
        rig.pressLeft();
        QVERIFY(!detector.isSampling());
    }

    void destructionLeavesNoMonitorOrTimer() {
        ScopedPreferences prefs;
        Rig rig;
        {
            ShakeDetector detector(rig.services());
            detector.start();
            rig.pressLeft();
            QCOMPARE(rig.global.installedCount(), 1);
            QCOMPARE(rig.local.installedCount(), 1);
            QCOMPARE(rig.timers.activeCount(), 1);
        }
        QCOMPARE(rig.global.installedCount(), 0);
        QCOMPARE(rig.local.installedCount(), 0);
        QCOMPARE(rig.timers.activeCount(), 0);
        rig.timers.advance(1.0); // nothing left to run
    }
};

QTEST_GUILESS_MAIN(ShakeDetectorTest)
#include "tst_ShakeDetector.moc"
