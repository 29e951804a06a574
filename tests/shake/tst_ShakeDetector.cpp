#include "FakePlatform.h"
#include "shake/ShakeDetector.h"
#include "shake/ShakeGesture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

// A started detector on fakes, and the shakes it reported.
struct Rig : FakeShakeDesktop {
    std::unique_ptr<ShakeDetector> detector;
    QList<QPointF> shakes;

    void start() {
        detector = std::make_unique<ShakeDetector>(services());
        detector->onShake = [this](QPointF p) { shakes.append(p); };
        detector->start();
    }
};

// Four reversals: with the default settings the last sample completes a shake.
const std::vector<std::pair<double, double>> zigZag{{0, 0.0},  {10, 0.1}, {0, 0.2},
                                                    {10, 0.3}, {0, 0.4},  {10, 0.5}};

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
        rig.start();
        rig.detector->setEnabled(false);
        rig.pressLeft(true);
        QCOMPARE(rig.timers.createdCount(), 0);
        rig.detector->setEnabled(true);
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

    void aReversalNeedsFivePointsAndLastsEightTenthsOfASecond() {
        ShakeCore core;
        core.feed(100, 0.0);
        QVERIFY(!core.feed(104.9, 0.1));
        core.feed(109.8, 0.2); // accepted, only a direction
        QVERIFY(core.reversals.empty());
        core.feed(104.8, 0.3); // exactly 5.0 back: a reversal
        QCOMPARE(core.reversals, std::vector<double>{0.3});
        // A reversal counts until it is more than eight tenths of a second old.
        core.feed(94.8, 1.1); // 1.1 - 0.3 is exactly the double 0.8: kept
        QCOMPARE(core.reversals, std::vector<double>{0.3});
        core.feed(84.8, 1.1000001);
        QVERIFY(core.reversals.empty());
    }

    // The table the KWin companion's recognizer is run against too
    // (kwin_pointer_paths): recorded motions, in milliseconds from the press,
    // sampled on the detector's own clock while a drag is under way.
    void theSharedPointerPathsShakeWhereTheTableSays() {
        QFile file(qEnvironmentVariable("QUOBLIN_SOURCE_DIR") + "/tests/shake/pointer-paths.json");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonArray cases = QJsonDocument::fromJson(file.readAll())["cases"].toArray();
        QVERIFY(cases.size() >= 10);
        for (const QJsonValue& entry : cases) {
            const QJsonArray path = entry["path"].toArray();
            auto time = [&](qsizetype i) { return path[i][0].toInt(); };
            auto point = [&](qsizetype i) {
                return QPointF(path[i][1].toInt(), path[i][2].toInt());
            };
            Rig rig;
            rig.start();
            rig.detector->setMinReversals(entry["reversals"].toInt());
            rig.pointer.pos = point(0);
            rig.pressLeft(true);
            qsizetype latest = 0;
            // The companion takes a sample when a later motion arrives: none after the last.
            for (int tick = 40; tick < time(path.size() - 1); tick += 40) {
                while (latest + 1 < path.size() && time(latest + 1) <= tick)
                    ++latest;
                rig.pointer.pos = point(latest);
                rig.timers.advance(ShakeDetector::sampleInterval);
            }
            const QJsonArray want = entry["shake"].toArray();
            QList<QPointF> expected;
            if (!want.isEmpty())
                expected.append(QPointF(want[0].toInt(), want[1].toInt()));
            QVERIFY2(rig.shakes == expected, qPrintable(entry["name"].toString()));
        }
    }

    void halfAShakeDuringADragIsToldOncePerPressBeforeTheShake() {
        Rig rig;
        rig.start();
        QList<qsizetype> told; // the shakes reported by then
        rig.detector->onShakeUnderWay = [&] { told.append(rig.shakes.size()); };
        rig.pressLeft();
        rig.moveThrough({100, 120, 100, 120, 100, 120}); // no drag: nothing under way
        rig.pressLeft(true);
        rig.moveThrough({100, 120, 100});
        QVERIFY(told.isEmpty()); // one reversal of the four
        rig.moveThrough({120});
        QCOMPARE(told, QList<qsizetype>{0});
        rig.moveThrough({100, 120, 100, 120, 100, 120});
        QCOMPARE(told, QList<qsizetype>{0});
        QCOMPARE(rig.shakes.size(), 1);
        rig.pressLeft(true);
        rig.moveThrough({100, 120, 100, 120});
        QCOMPARE(told.size(), 2);
    }

    void aShakeOverAnEmptyDragIsSpentAndOnlyTheFirstOfAPressCounts() {
        ShakeGesture gesture;
        gesture.reset(3);
        for (const auto& [x, t] : zigZag)
            QVERIFY(!gesture.update(x, t, 4, false));
        // The next shake starts from nothing: one more leg does not complete it.
        QVERIFY(!gesture.update(0, 0.6, 4, true));
        int reported = 0;
        for (const auto& [x, t] : zigZag)
            reported += gesture.update(x, t + 0.7, 4, true);
        QCOMPARE(reported, 1);

        // Only the first shake of a press counts.
        gesture.reset(3);
        reported = 0;
        for (double start : {0.0, 1.0})
            for (const auto& [x, t] : zigZag)
                reported += gesture.update(x, start + t, 4, true);
        QCOMPARE(reported, 1);
    }
};

QTEST_GUILESS_MAIN(ShakeDetectorTest)
#include "tst_ShakeDetector.moc"
