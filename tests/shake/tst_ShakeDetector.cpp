#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "shake/ShakeDetector.h"

#include <QTest>

namespace {

// A started detector on fakes, and the shakes it reported.
struct Rig : FakeShakeDesktop {
    ScopedPreferences prefs;
    std::unique_ptr<ShakeDetector> detector;
    QList<QPointF> shakes;

    void start() {
        detector = std::make_unique<ShakeDetector>(services());
        detector->onShake = [this](QPointF p) { shakes.append(p); };
        detector->start();
    }
};

} // namespace

class ShakeDetectorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aDragStartedBeforeThePressReportsNoShake() {
        Rig rig;
        rig.start();
        // The baseline is taken at the press.
        rig.drag.startDrag();
        rig.pressLeft();
        rig.moveThrough({100, 120, 100, 120, 100, 120});
        QVERIFY(rig.shakes.isEmpty());
    }

    void disabledShakingStartsNoTimerUntilTheNextPress() {
        Rig rig;
        rig.prefs.store().setValue(Preferences::shakeEnabledKey, false);
        rig.start();
        rig.pressLeft(true);
        QCOMPARE(rig.timers.createdCount(), 0);
        rig.prefs.store().setValue(Preferences::shakeEnabledKey, true);
        rig.pressLeft(true);
        rig.moveThrough({100, 120, 100, 120, 100, 120});
        QCOMPARE(rig.shakes.size(), 1);
    }

    void timerStopsAtTheFirstTickAfterRelease() {
        Rig rig;
        rig.start();
        rig.pressLeft();
        rig.moveThrough({100, 110});
        rig.pointer.buttonDown = false;
        QVERIFY(rig.detector->isSampling()); // noticed only at the next tick
        rig.timers.advance(ShakeDetector::sampleInterval);
        QVERIFY(!rig.detector->isSampling());
        QCOMPARE(rig.timers.activeCount(), 0);
    }
};

QTEST_GUILESS_MAIN(ShakeDetectorTest)
#include "tst_ShakeDetector.moc"
